# The editor's thread test on its own, for the ThreadSanitizer build (linux-tsan), which builds no
# other tests:
#   cmake --preset linux-tsan && cmake --build --preset linux-tsan --target vorlunda_graphics_threads
#   build/linux-tsan/tests/graphics/vorlunda_graphics_threads
if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL
                   SYSTEM)
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()
add_executable(vorlunda_graphics_threads EXCLUDE_FROM_ALL
               ${CMAKE_CURRENT_LIST_DIR}/GraphicsThreadsTest.cpp)
target_include_directories(vorlunda_graphics_threads PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(vorlunda_graphics_threads PRIVATE vorlunda GTest::gtest_main)
set_target_properties(vorlunda_graphics_threads PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                           ${CMAKE_BINARY_DIR}/tests/graphics)
