# Checks on the built plug-in library: what it exports (only the host entry points) and, for
# the Windows DLLs, that it imports nothing but Windows system DLLs.
if(WIN32)
  find_program(VORLUNDA_OBJDUMP NAMES ${VORLUNDA_TRIPLET}-objdump objdump REQUIRED)
  set(_format pe)
else()
  find_program(VORLUNDA_OBJDUMP NAMES objdump REQUIRED)
  set(_format elf)
endif()
string(REPLACE ";" "," _expected "${VORLUNDA_EXPORTS}")
add_test(NAME library_exports
         COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:plugin> -DFORMAT=${_format}
                 -DOBJDUMP=${VORLUNDA_OBJDUMP} "-DEXPECTED=${_expected}"
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/check_library.cmake)
# The test runs natively even for cross builds.
set_tests_properties(library_exports PROPERTIES LABELS static)
