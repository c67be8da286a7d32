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

# Habits of real plug-ins that hosts live with: each must pass the groups that meet it, with
# the figure or warning the output names ("-": no warning at all).
set(passes
    "zerochunk State -" "zerochunk Threads -" "padtext ParameterFuzz -"
    "noparse ParameterFuzz not.applicable" "noversion Load refused.by.design"
    "slowchunk State too.slow" "subnormal Grid -" "subnormal MidiFuzz -"
    "subnormal Denormals subnormal.output.samples")
foreach(case IN LISTS passes)
  separate_arguments(case)
  list(GET case 0 fault)
  list(GET case 1 group)
  list(GET case 2 expected)
  run(${fault} output rc --group ${group})
  set(missing FALSE)
  if(expected STREQUAL "-")
    if(output MATCHES "warning:")
      set(missing TRUE)
    endif()
  elseif(NOT output MATCHES "${expected}")
    set(missing TRUE)
  endif()
  if(NOT rc EQUAL 0 OR NOT output MATCHES " ${group} +pass" OR missing)
    message(FATAL_ERROR "habit '${fault}' not passed by ${group} (exit ${rc}):\n${output}")
  endif()
  message(STATUS "${fault}: passed by ${group}")
endforeach()

# An effect is refused once, before any group.
run(effect output rc)
if(NOT rc EQUAL 2 OR NOT output MATCHES "not validated: not an instrument" OR output MATCHES "Load")
  message(FATAL_ERROR "an effect is not refused once with exit code 2 (exit ${rc}):\n${output}")
endif()
message(STATUS "effect: refused")

set(cases
    "nan Grid" "overrun Grid" "unwritten Grid" "mxcsr Denormals" "slowtail Denormals"
    "crashchunk State" "halfchunk State" "longtext ParameterFuzz" "badtext ParameterFuzz" "stuck MidiFuzz"
    "random Determinism" "slowopen Load" "crashprogram Lifecycle" "nanprogram Lifecycle")
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
