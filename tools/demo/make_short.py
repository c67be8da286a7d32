#!/usr/bin/env python3
"""Writes tests/data/render-short.mid: about 3 s for the renderer's tests (format 1, a tempo
track with a tempo change, chords, a short melody, pitch bend, modulation wheel, a sysex event
to skip, all with running status)."""

import os

import smf

Q = smf.TICKS_PER_QUARTER
here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, "..", "..", "tests", "data", "render-short.mid")

conductor = smf.Track()
conductor.name(0, "render-short")
conductor.time_signature(0, 4, 4)
conductor.tempo(0, 120)
conductor.tempo(2 * Q, 150)  # the second half runs faster

music = smf.Track()
music.program(0, 0)
music.sysex(0, [0x7E, 0x7F, 0x09, 0x01])  # general MIDI on: skipped by the reader
for key in (48, 52, 55, 60):
    music.note(0, 2 * Q, key, 100)
for i, key in enumerate((67, 69, 71, 72)):
    music.note(2 * Q + i * Q // 2, Q // 2, key, 90)
music.controller(2 * Q, 1, 64)
for step in range(8):
    music.bend(2 * Q + step * Q // 4, step * 512)
music.bend(4 * Q, 0)
music.controller(4 * Q, 1, 0)
for key in (45, 57, 60, 64):
    music.note(4 * Q, Q, key, 110)

smf.write(out, [conductor, music])
