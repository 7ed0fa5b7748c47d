-- Headless Ardour 7 (ardour7-lua) session builder for the host-equivalence tests.
-- Creates SESSION_DIR/SESSION_NAME at 48 kHz, adds one stereo audio track,
-- inserts the plug-in PLUGIN_URI (LV2 URI, or VST2/VST3 unique id with PLUGIN_TYPE) (pre-fader) and sets its parameters,
-- records RECORD_SECONDS of (dummy-backend) input so that the track gets a
-- region backed by two mono source files, saves and closes.
-- Ardour 7.3's Lua API has no headless audio import (Editor:do_import is
-- GUI-only), so the shell wrapper swaps the recorded source files for the
-- real material afterwards.
--
-- env: SESSION_DIR SESSION_NAME PLUGIN_URI PLUGIN_PARAMS ("Label=value;Label=value")
--      RECORD_SECONDS (default 21), PLUGIN_BYPASS ("1": bypass the plug-in in the host)

local dir   = os.getenv("SESSION_DIR")
local name  = os.getenv("SESSION_NAME")
local uri   = os.getenv("PLUGIN_URI")
local pars  = os.getenv("PLUGIN_PARAMS") or ""
local secs  = tonumber(os.getenv("RECORD_SECONDS") or "21")
assert(dir and name and uri, "SESSION_DIR, SESSION_NAME and PLUGIN_URI must be set")

local be = AudioEngine:set_backend("None (Dummy)", "", "")
assert(AudioEngine:current_backend_name() == "Dummy", "dummy backend not available")

local s = create_session(dir, name, 48000)
assert(s, "create_session failed")

local tl = s:new_audio_track(2, 2, nil, 1, "Track", ARDOUR.PresentationInfo.max_order,
                             ARDOUR.TrackMode.Normal, true, false)
local t = tl:front()
assert(t and not t:isnil(), "new_audio_track failed")

local ptype = os.getenv("PLUGIN_TYPE") or "LV2"   -- LV2, LXVST (VST2) or VST3
local proc = ARDOUR.LuaAPI.new_plugin(s, uri, ARDOUR.PluginType[ptype], "")
assert(not proc:isnil(), "cannot load " .. ptype .. " plug-in " .. uri)
assert(t:add_processor_by_index(proc, 0, nil, true) == 0, "add_processor_by_index failed")

-- set parameters by their label (Ardour numbers control ports its own way)
local plug = proc:to_insert():plugin(0)
for label, value in string.gmatch(pars, "([^=;]+)=([^;]+)") do
  local done = false
  for n = 0, plug:parameter_count() - 1 do
    local pid, ok = plug:nth_parameter(n, true)
    if ok and plug:parameter_is_input(pid) and plug:parameter_label(pid) == label then
      assert(ARDOUR.LuaAPI.set_processor_param(proc, n, tonumber(value)),
             "value out of range for " .. label)
      done = true
    end
  end
  if not done then
    -- LV2 patch:Parameter properties (what JUCE LV2 plug-ins use) are not ports:
    -- Ardour exposes them as automation controls named "property-<URI>", in real units
    for p in proc:to_automatable():all_automatable_params():iter() do
      local c = proc:to_automatable():automation_control(p, false)
      if c and not c:isnil() and string.sub(c:name(), -(#label + 1)) == ":" .. label then
        c:set_value(tonumber(value), PBD.GroupControlDisposition.NoGroup)
        print(string.format("property %s = %g", c:name(), c:get_value()))
        done = true
      end
    end
  end
  assert(done, "no input parameter or property labelled '" .. label .. "'")
end
for n = 0, plug:parameter_count() - 1 do
  local pid, ok = plug:nth_parameter(n, true)
  if ok and plug:parameter_is_input(pid) then
    print(string.format("param %2d %-28s = %g", n, plug:parameter_label(pid),
                        ARDOUR.LuaAPI.get_processor_param(proc, n, true)))
  end
end
if os.getenv("PLUGIN_BYPASS") == "1" then
  -- the host's own bypass: the plug-in's designated enable port (LV2) or bypass parameter (VST3)
  proc:to_insert():enable(false)
  print("bypassed:", not proc:to_insert():enabled())
end
local okl, lat = pcall(function() return proc:signal_latency() end)
print("plugin latency (samples):", okl and lat or "n/a")

-- record a take so that the track has a stereo region
t:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
s:maybe_enable_record(false)
s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
sleep(secs)
s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
sleep(2)
t:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
print("session range:", s:current_start_sample(), s:current_end_sample())
assert(s:save_state("", false, false, false, false, false) == 0, "save_state failed")
close_session()
quit()
