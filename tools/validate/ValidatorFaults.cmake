# Runs vorlunda2-validate against the faulty instrument: clean, every group must pass; with
# each fault, the group that watches for it must fail. Arguments: VALIDATE, PLUGIN, INTERPOSED.
function(run fault out rc)
  set(ENV{VORLUNDA_FAULT} ${fault})
  execute_process(COMMAND ${VALIDATE} ${PLUGIN} --seed 7 --quick ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  set(${out} "${output}${errors}" PARENT_SCOPE)
  set(${rc} ${result} PARENT_SCOPE)
endfunction()

run(none output rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the well-behaved instrument does not pass:\n${output}")
endif()

set(cases
    "nan Grid" "overrun Grid" "unwritten Grid" "subnormal Grid" "mxcsr Denormals"
    "slowtail Denormals" "crashchunk State" "halfchunk State" "longtext ParameterFuzz"
    "badtext ParameterFuzz" "stuck MidiFuzz" "random Determinism" "slowopen Load")
if(INTERPOSED)
  list(APPEND cases "allocate Realtime" "lock Realtime" "file Realtime")
endif()
foreach(case IN LISTS cases)
  separate_arguments(case)
  list(GET case 0 fault)
  list(GET case 1 group)
  run(${fault} output rc --group ${group})
  if(NOT rc EQUAL 1 OR NOT output MATCHES " ${group} +FAIL")
    message(FATAL_ERROR "fault '${fault}' not caught by group ${group} (exit ${rc}):\n${output}")
  endif()
  message(STATUS "${fault}: caught by ${group}")
endforeach()

# A hang is cut off at the time limit and reported as such.
run(hangrate output rc --group Grid --limit 10)
if(NOT rc EQUAL 1 OR NOT output MATCHES "no result within 10 s")
  message(FATAL_ERROR "a hang is not reported as one (exit ${rc}):\n${output}")
endif()
message(STATUS "hangrate: cut off after 10 s")
