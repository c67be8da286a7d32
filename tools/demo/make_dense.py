#!/usr/bin/env python3
"""Writes tools/demo/dense.mid: the benchmark piece, 10 s of 16-note chords (a new chord every
half second at 120 quarter notes per minute, each held for the half second), one track. No
program change: each plug-in plays it with the program it starts with."""

import os

import smf

Q = smf.TICKS_PER_QUARTER
here = os.path.dirname(os.path.abspath(__file__))

# Four 16-note voicings over about five octaves, cycled.
ROOTS = [36, 41, 43, 38]
SHAPE = [0, 7, 12, 16, 19, 24, 28, 31, 36, 40, 43, 48, 52, 55, 60, 64]

track = smf.Track()
track.tempo(0, 120)
for chord in range(20):
    root = ROOTS[chord % len(ROOTS)]
    for offset in SHAPE:
        track.note(chord * Q, Q, root + offset, 100)

smf.write(os.path.join(here, "dense.mid"), [track])
