# Tests of vorlunda2-render, included by tests/CMakeLists.txt: the renderer against a
# third-party plug-in (amsynth) and against ours, its refusals, and under wine the Windows
# renderer with the Windows DLL. The sanitizer build runs them too; amsynth is not ours, so its
# leaks at exit are not checked there.
set(VORLUNDA_RENDER_RUN_TESTS OFF)
if(VORLUNDA_TESTS AND NOT VORLUNDA_FUZZ AND NOT (WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4))
  set(VORLUNDA_RENDER_RUN_TESTS ON)
endif()
if(VORLUNDA_RENDER_RUN_TESTS)
  set(_short ${PROJECT_SOURCE_DIR}/tests/data/render-short.mid)
  set(_demo ${PROJECT_SOURCE_DIR}/tools/demo/demo.mid)
  set(_out ${CMAKE_BINARY_DIR}/tools/render/test-output)
  file(MAKE_DIRECTORY ${_out})
  # The Linux and Windows renders of the short piece, compared by scripts/test, use these.
  set(_compare_options --quiet --rate 48000 --block 256 --tail 1 --require-sound)
  set(_have_entry_point FALSE)
  if(EXISTS ${PROJECT_SOURCE_DIR}/src/vst2/EntryPoint.cpp)
    set(_have_entry_point TRUE)
  endif()

  # The instrument that shows what the host delivered, for the renderer's unit test.
  add_library(render_fake_plugin_3 MODULE ${CMAKE_CURRENT_LIST_DIR}/FakePlugin.cpp)
  target_include_directories(render_fake_plugin_3 PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(render_fake_plugin_3 PRIVATE FAKE_KIND=3)
  add_dependencies(vorlunda_tests render_fake_plugin_3)
  target_compile_definitions(
    vorlunda_tests PRIVATE VORLUNDA_RENDER_CLICK_PLUGIN="$<TARGET_FILE:render_fake_plugin_3>")

  if(NOT WIN32)
    set(_amsynth /usr/lib/vst/amsynth_vst.so)
    add_test(NAME render_amsynth
             COMMAND vorlunda2-render --quiet --plugin ${_amsynth} --require-sound ${_short}
                     ${_out}/amsynth-short.wav)
    set_tests_properties(render_amsynth PROPERTIES TIMEOUT 120)
    if(VORLUNDA_SANITIZE)
      set_tests_properties(render_amsynth PROPERTIES ENVIRONMENT ASAN_OPTIONS=detect_leaks=0)
    endif()
    # Stand-in libraries whose entry points answer an effect, a bad record or nothing.
    foreach(_kind 0 1 2)
      add_library(render_fake_plugin_${_kind} MODULE ${CMAKE_CURRENT_LIST_DIR}/FakePlugin.cpp)
      target_include_directories(render_fake_plugin_${_kind} PRIVATE ${PROJECT_SOURCE_DIR}/src)
      target_compile_definitions(render_fake_plugin_${_kind} PRIVATE FAKE_KIND=${_kind})
    endforeach()
    add_test(NAME render_errors
             COMMAND ${CMAKE_COMMAND} -DRENDER=$<TARGET_FILE:vorlunda2-render>
                     -DNOT_VST=${VORLUNDA_RENDER_NOT_A_PLUGIN} -DMIDI=${_short} -DOUT=${_out}
                     -DFAKE_EFFECT=$<TARGET_FILE:render_fake_plugin_0>
                     -DFAKE_BAD_MAGIC=$<TARGET_FILE:render_fake_plugin_1>
                     -DFAKE_NONE=$<TARGET_FILE:render_fake_plugin_2>
                     -DNOT_MIDI=${CMAKE_CURRENT_LIST_DIR}/CMakeLists.txt
                     -P ${CMAKE_CURRENT_LIST_DIR}/RenderErrors.cmake)
    if(_have_entry_point)
      add_test(NAME render_vorlunda
               COMMAND vorlunda2-render --quiet --require-sound ${_demo} ${_out}/demo.wav)
      add_test(NAME render_vorlunda_short
               COMMAND vorlunda2-render ${_compare_options} ${_short} ${_out}/vorlunda-short.wav)
      set_tests_properties(render_vorlunda render_vorlunda_short PROPERTIES TIMEOUT 300)
      # Program 5 of factory bank 2 loaded as a bank chunk from the FXB file sounds exactly as
      # program 5 of the bank the plug-in starts with (factory bank 2).
      add_test(NAME render_vorlunda_program
               COMMAND vorlunda2-render --quiet --program 5 ${_short} ${_out}/program5.wav)
      add_test(NAME render_vorlunda_fxb
               COMMAND vorlunda2-render --quiet --require-sound --program 5 --fxb
                       ${CMAKE_BINARY_DIR}/factory-banks/FactoryBank2.fxb ${_short}
                       ${_out}/fxb-program5.wav)
      set_tests_properties(render_vorlunda_program render_vorlunda_fxb
                           PROPERTIES FIXTURES_SETUP render_program5)
      add_test(NAME render_vorlunda_fxb_same
               COMMAND vorlunda2-render --compare ${_out}/program5.wav ${_out}/fxb-program5.wav)
      set_tests_properties(render_vorlunda_fxb_same PROPERTIES FIXTURES_REQUIRED render_program5)
      add_test(NAME render_preview_bank
               COMMAND ${CMAKE_COMMAND} -DRENDER=$<TARGET_FILE:vorlunda2-render>
                       -DDIR=${_out}/preview -P ${CMAKE_CURRENT_LIST_DIR}/PreviewBank.cmake)
    endif()
  elseif(_have_entry_point)
    set(_wine ${CMAKE_BINARY_DIR}/wine-run.sh)
    add_test(NAME render_vorlunda_wine
             COMMAND ${_wine} $<TARGET_FILE:vorlunda2-render> ${_compare_options}
                     --plugin $<TARGET_FILE:plugin> ${_short} ${_out}/vorlunda-short.wav)
    add_test(NAME render_errors_wine
             COMMAND ${CMAKE_COMMAND} "-DRENDER=${_wine};$<TARGET_FILE:vorlunda2-render>"
                     -DNOT_VST=C:/windows/system32/kernel32.dll -DMIDI=${_short} -DOUT=${_out}
                     -DNOT_MIDI=${CMAKE_CURRENT_LIST_DIR}/CMakeLists.txt
                     -P ${CMAKE_CURRENT_LIST_DIR}/RenderErrors.cmake)
    set_tests_properties(render_vorlunda_wine render_errors_wine
                         PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
  endif()
endif()
