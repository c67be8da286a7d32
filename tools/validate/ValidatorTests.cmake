# The validator's own test, included by tests/CMakeLists.txt: a small instrument that misbehaves
# on request (FaultyPlugin.cpp), which the validator must pass as it is and fail, in the right
# group, for every fault. Natively, and under wine with the Windows validator and DLL (where the
# faults seen only through interposition are left out, as that group does not apply there).
if(VORLUNDA_TESTS AND NOT VORLUNDA_FUZZ AND NOT (WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4))
  add_library(validate_faulty_plugin MODULE ${CMAKE_CURRENT_LIST_DIR}/FaultyPlugin.cpp)
  target_include_directories(validate_faulty_plugin PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(validate_faulty_plugin PRIVATE Threads::Threads)
  set(_interposed ON)
  set(_validate $<TARGET_FILE:vorlunda2-validate>)
  if(WIN32)
    set(_interposed OFF)
    set(_validate "${CMAKE_BINARY_DIR}/wine-run.sh;$<TARGET_FILE:vorlunda2-validate>")
  elseif(VORLUNDA_SANITIZE OR VORLUNDA_TSAN)
    set(_interposed OFF)
  endif()
  add_test(NAME validator_faults
           COMMAND ${CMAKE_COMMAND} "-DVALIDATE=${_validate}"
                   -DPLUGIN=$<TARGET_FILE:validate_faulty_plugin> -DINTERPOSED=${_interposed}
                   -P ${CMAKE_CURRENT_LIST_DIR}/ValidatorFaults.cmake)
  set_tests_properties(validator_faults PROPERTIES TIMEOUT 900)
  if(WIN32)
    set_tests_properties(validator_faults PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endif()
