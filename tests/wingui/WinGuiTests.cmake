# The editor under a scripted Windows host: wine64 on a virtual X display (scripts/with-xvfb).
# A plug-in library of the instrument with a test editor (controls where the instrument's layout
# puts them, images drawn in code) and the host that opens, drives and photographs it.
add_library(editor_test_plugin SHARED ${PROJECT_SOURCE_DIR}/src/vst2/EntryPoint.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/EditorTestPlugin.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/EditorTestPlugin.def)
target_include_directories(editor_test_plugin PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(editor_test_plugin PRIVATE vorlunda vorlunda_factory_banks)
target_link_options(editor_test_plugin PRIVATE -Wl,--exclude-all-symbols)
set_target_properties(editor_test_plugin PROPERTIES PREFIX "" OUTPUT_NAME VorlundaEditorTest)

add_executable(editor_host ${CMAKE_CURRENT_LIST_DIR}/EditorHost.cpp
                           ${CMAKE_CURRENT_LIST_DIR}/EditorHostSupport.cpp)
target_include_directories(editor_host PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(editor_host PRIVATE vsthost PNG::PNG ZLIB::ZLIB user32 gdi32)
add_dependencies(editor_host editor_test_plugin plugin)

configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-gui-run.sh ${CMAKE_BINARY_DIR}/wine-gui-run.sh
               COPYONLY)
add_test(NAME editor_gui
         COMMAND ${CMAKE_BINARY_DIR}/wine-gui-run.sh $<TARGET_FILE:editor_host>
                 $<TARGET_FILE:editor_test_plugin> ${CMAKE_BINARY_DIR}/editor-screens)
# Passes only on the host's own verdict; without an X display it reports itself skipped.
set_tests_properties(editor_gui PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300
                     PASS_REGULAR_EXPRESSION "ALL EDITOR CHECKS PASSED"
                     FAIL_REGULAR_EXPRESSION "FAIL - "
                     SKIP_REGULAR_EXPRESSION "SKIPPED: no X display" SKIP_RETURN_CODE 77)

# The shipped DLL's own editor: its picture against the README's outside the text, and a click.
add_test(NAME editor_gui_library
         COMMAND ${CMAKE_BINARY_DIR}/wine-gui-run.sh $<TARGET_FILE:editor_host> --library
                 $<TARGET_FILE:plugin> ${CMAKE_BINARY_DIR}/factory-banks/FactoryBank2.fxb
                 ${PROJECT_SOURCE_DIR}/docs/editor.png ${CMAKE_BINARY_DIR}/editor-screens)
set_tests_properties(editor_gui_library PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120
                     PASS_REGULAR_EXPRESSION "ALL EDITOR CHECKS PASSED"
                     FAIL_REGULAR_EXPRESSION "FAIL - "
                     SKIP_REGULAR_EXPRESSION "SKIPPED: no X display" SKIP_RETURN_CODE 77)
