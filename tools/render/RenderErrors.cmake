# Each failure of vorlunda2-render must end with exit code 1 and exactly one line on stderr
# that names the problem. RENDER (a command, possibly with an emulator before it), NOT_VST
# (a library that is no plug-in), MIDI (a good MIDI file), NOT_MIDI (any other file), OUT (a
# writable folder); natively also FAKE_EFFECT, FAKE_BAD_MAGIC and FAKE_NONE, libraries whose
# entry points answer an effect, a record without the VST magic, and nothing.
function(expect_refusal what expected)
  execute_process(COMMAND ${RENDER} --quiet ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  # Under wine, the emulator's own services share the terminal: a line of theirs ("wine: ...",
  # once a crash of one of them) is not the tool's. A crash of the tool itself still shows in
  # its exit code.
  string(REGEX REPLACE "(^|\n)wine: [^\n]*" "" err "${err}")
  string(STRIP "${err}" err)
  if(NOT code EQUAL 1)
    message(SEND_ERROR "${what}: exit code '${code}', expected 1 (stderr: ${err})")
  elseif(err MATCHES "\n")
    message(SEND_ERROR "${what}: more than one line on stderr:\n${err}")
  elseif(NOT err MATCHES "^vorlunda2-render: .*${expected}")
    message(SEND_ERROR "${what}: stderr '${err}' does not say '${expected}'")
  else()
    message(STATUS "${what}: ${err}")
  endif()
endfunction()

expect_refusal("missing MIDI file" "no-such-song.mid" ${OUT}/no-such-song.mid ${OUT}/x.wav)
expect_refusal("missing plug-in" "no such file" --plugin ${OUT}/no-such-plugin ${MIDI}
               ${OUT}/x.wav)
expect_refusal("library that is no plug-in" "not a VST 2.4 plug-in library" --plugin ${NOT_VST}
               ${MIDI} ${OUT}/x.wav)
expect_refusal("file that is no library" "not a VST 2.4 plug-in library" --plugin ${NOT_MIDI}
               ${MIDI} ${OUT}/x.wav)
expect_refusal("file that is no MIDI file" "not a Standard MIDI File" ${NOT_MIDI} ${OUT}/x.wav)
expect_refusal("unwritable output" "cannot write" ${MIDI} ${OUT}/no-such-folder/x.wav)
expect_refusal("bad option value" "--rate" --rate fast ${MIDI} ${OUT}/x.wav)
if(FAKE_EFFECT)
  expect_refusal("effect" "not an instrument" --plugin ${FAKE_EFFECT} ${MIDI} ${OUT}/x.wav)
  expect_refusal("bad record" "bad magic" --plugin ${FAKE_BAD_MAGIC} ${MIDI} ${OUT}/x.wav)
  expect_refusal("no record" "answered no plug-in" --plugin ${FAKE_NONE} ${MIDI} ${OUT}/x.wav)
endif()
