#!/usr/bin/env python3
"""Writes tools/demo/demo.mid, the piece that the main job (scripts/render) plays through the
instrument: about 50 s in eight sections of three bars, each on its own factory program
(program changes on the one channel: Warm Saw Pad, Electric Piano, Wheel Sweep Pad, Brass
Section, Host Sync Gate, String Machine, Rock Organ Drive, Multi Choir). Chords, a bass line and a melody throughout; pitch
bend and modulation wheel in the lead sections; a 3/4 section; long held chords for the Repeat
feature (which retriggers held notes from the LFO or the host tempo); tempo changes at the
start of the faster half and a slowing of the last section."""

import os

import smf

Q = smf.TICKS_PER_QUARTER
here = os.path.dirname(os.path.abspath(__file__))

# Chord tones (MIDI notes) and bass roots of the progression, one chord per bar.
CHORDS = {
    "C": ([60, 64, 67], 36), "Am": ([57, 60, 64], 45), "F": ([57, 60, 65], 41),
    "G": ([59, 62, 67], 43), "Em": ([59, 64, 67], 40), "Dm": ([57, 62, 65], 38),
    "E": ([56, 59, 64], 40),
}

conductor = smf.Track()
conductor.name(0, "Vorlunda2 demo")
music = smf.Track()
tick = 0


def section(program, beats, progression, melody=None, bass="whole", bend=False, wheel=False,
            held=False):
    """Plays one section from `tick` on and advances it. `melody`: (beat, length, note) list."""
    global tick
    bar = beats * Q
    music.program(tick, program)
    music.controller(tick, 1, 0)
    music.bend(tick, 0)
    for i, name in enumerate(progression):
        chord, root = CHORDS[name]
        start = tick + i * bar
        if not held:
            for note in chord:
                music.note(start, bar - Q // 8, note, 84)
        if bass == "whole":
            music.note(start, bar - Q // 8, root, 100)
        elif bass == "walk":
            for b in range(beats):
                step = [0, 7, 12, 7][b % 4]
                music.note(start + b * Q, Q - Q // 6, root + step, 104 if b == 0 else 92)
        elif bass == "eighths":
            for e in range(beats * 2):
                music.note(start + e * Q // 2, Q // 2 - Q // 10, root + (12 if e % 2 else 0), 96)
    if held:
        # One chord held through the whole section: the Repeat feature pulses it.
        chord, _ = CHORDS[progression[0]]
        for note in chord + [chord[0] + 12]:
            music.note(tick, len(progression) * bar - Q // 4, note, 96)
    for beat, length, note in melody or []:
        music.note(tick + int(beat * Q), int(length * Q) - Q // 16, note, 108)
    span = len(progression) * bar
    if bend:
        # A slow bend up a whole step (at a range of 2 semitones) over the section's last bar,
        # then back.
        start = tick + span - bar
        for s in range(17):
            music.bend(start + s * bar // 32, s * 8191 // 16)
        for s in range(17):
            music.bend(start + bar // 2 + s * bar // 32, (16 - s) * 8191 // 16)
    if wheel:
        for s in range(25):
            music.controller(tick + s * span // 24, 1, min(127, s * 127 // 24))
    tick += span


conductor.time_signature(0, 4, 4)
conductor.tempo(0, 100)

section(20, 4, ["C", "Am", "F"], bass="whole")
section(48, 4, ["Dm", "G", "C"], bass="walk",
        melody=[(0, 1, 72), (1, 1, 74), (2, 2, 77), (4, 1.5, 79), (5.5, 0.5, 77), (6, 2, 74),
                (8, 4, 72)])
section(24, 4, ["Am", "F", "G"], bass="walk", wheel=True,
        melody=[(0, 2, 76), (2, 2, 72), (4, 1, 77), (5, 1, 76), (6, 2, 74), (8, 3, 74)])
# The faster half.
conductor.tempo(tick, 120)
section(36, 4, ["C", "F", "G"], bass="eighths", bend=True,
        melody=[(0, 0.5, 79), (0.5, 0.5, 81), (1, 1, 79), (2, 2, 76), (4, 1, 77), (5, 1, 81),
                (6, 2, 84), (8, 4, 83)])
section(56, 4, ["Am", "Am", "Am"], bass="whole", held=True)  # Repeat passage
conductor.time_signature(tick, 3, 4)
section(30, 3, ["F", "G", "Em", "Am"], bass="walk",
        melody=[(0, 2, 72), (2, 1, 74), (3, 2, 71), (5, 1, 72), (6, 3, 76), (9, 3, 72)])
conductor.time_signature(tick, 4, 4)
section(44, 4, ["Dm", "E", "Am"], bass="eighths", bend=True, wheel=True,
        melody=[(0, 1, 77), (1, 1, 76), (2, 1, 74), (3, 1, 72), (4, 2, 71), (6, 2, 68),
                (8, 4, 69)])
# The last section slows down bar by bar.
for i, bpm in enumerate([112, 100, 84]):
    conductor.tempo(tick + i * 4 * Q, bpm)
section(22, 4, ["F", "G", "C"], bass="whole",
        melody=[(0, 2, 69), (2, 2, 72), (4, 2, 74), (6, 2, 71), (8, 4, 72)])

smf.write(os.path.join(here, "demo.mid"), [conductor, music])
