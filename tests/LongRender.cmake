# Renders an hour of the built-in demo with automation through every engine and checks the
# summary: a clean exit, output inside the automatic makeup's ceiling, and memory that stayed small.
execute_process(
    COMMAND "${RENDERER}" --discard --demo-seconds 3600 --set autoMakeup=1
        --automate ratio=0:10 --automate threshold=-36:6 --automate harm=0:100 --automate wide=0:100
        --automate attack=0.05:120 --automate release=0:7 --automate mix=100:40 --automate sidechainHp=0:300
        --automate detector=0:1
    RESULT_VARIABLE result
    OUTPUT_VARIABLE summary
    ERROR_VARIABLE errors)
message("${summary}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the renderer failed (${result}): ${errors}")
endif()

string(REGEX MATCH "output peak: +(-?[0-9.]+) dBFS" _ "${summary}")
if(NOT CMAKE_MATCH_1 OR CMAKE_MATCH_1 GREATER -0.5)
    message(FATAL_ERROR "output peak ${CMAKE_MATCH_1} dBFS is missing or above the -0.5 dBFS ceiling")
endif()

string(REGEX MATCH "peak memory: +([0-9.]+) MiB" _ "${summary}")
if(NOT CMAKE_MATCH_1 OR CMAKE_MATCH_1 GREATER 64)
    message(FATAL_ERROR "peak memory ${CMAKE_MATCH_1} MiB: the renderer grew over the hour")
endif()
