-- Headless Ardour 7 (ardour7-lua): reopens SESSION_DIR/SESSION_NAME, prints what the host shows of the
-- plug-in's parameters after the plug-in restored its state, saves the session again and closes it.
local dir  = os.getenv("SESSION_DIR")
local name = os.getenv("SESSION_NAME")
assert(dir and name, "SESSION_DIR and SESSION_NAME must be set")

AudioEngine:set_backend("None (Dummy)", "", "")
local s = load_session(dir, name)
assert(s, "load_session failed")
-- let the engine run the plug-in for a moment, so it can tell the host its restored values
sleep(2)

for route in s:get_routes():iter() do
  local n = 0
  while true do
    local proc = route:nth_plugin(n)
    if proc:isnil() then break end
    for p in proc:to_automatable():all_automatable_params():iter() do
      local c = proc:to_automatable():automation_control(p, false)
      if c and not c:isnil() then
        print(string.format("control %s = %.9g", c:name(), c:get_value()))
      end
    end
    n = n + 1
  end
end

assert(s:save_state("", false, false, false, false, false) == 0, "save_state failed")
close_session()
quit()
