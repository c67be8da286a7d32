# The editor in Linux hosts: a scripted X11 host (tests/x11) opens the editor in windows of its
# own, drives it with XTEST and reads screenshots back. It needs an X server: the test runs it
# under scripts/with-xvfb (a private Xvfb); without any display it reports itself skipped.
find_package(X11 REQUIRED)
if(NOT X11_XTest_FOUND)
  message(FATAL_ERROR "libxtst-dev is needed for the editor tests (scripts/setup installs it)")
endif()
file(GLOB VORLUNDA_X11_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/x11/*.cpp)
add_executable(vorlunda_x11_tests ${VORLUNDA_X11_TEST_SOURCES})
target_include_directories(vorlunda_x11_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
# Most tests load the built plug-in library through the project's host library, as hosts do.
add_dependencies(vorlunda_x11_tests plugin)
target_link_libraries(vorlunda_x11_tests PRIVATE vorlunda vorlunda_test_support GTest::gtest
                                                 X11::X11 X11::Xtst PNG::PNG)
target_compile_definitions(vorlunda_x11_tests PRIVATE
                           VORLUNDA_X11_SCREENSHOTS="${CMAKE_BINARY_DIR}/x11-screenshots"
                           VORLUNDA_EDITOR_REFERENCE="${PROJECT_SOURCE_DIR}/docs/editor.png")
set(_with_xvfb ${PROJECT_SOURCE_DIR}/scripts/with-xvfb)
add_test(NAME x11_editor COMMAND ${_with_xvfb} $<TARGET_FILE:vorlunda_x11_tests> --gtest_brief=1)
# 77: no display could be started; shown as skipped, never as passed.
set_tests_properties(x11_editor PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
