#pragma once
// What the engine benchmarks play: chords of N voices, on the default program or on a rich one
// that switches on nearly everything (all footages of every oscillator, noise, resonance, drive,
// every equaliser band and the chorus).
#include "engine/ParameterTable.h"

namespace vorlunda::bench {

template <typename Instrument>
void MakeRichProgram(Instrument& synth) {
    for (int f = 0; f < 4; ++f) {
        synth.Set(kSaw16 + f, 1);
        synth.Set(kSquare16 + f, 1);
        synth.Set(kPulse16 + f, 1);
        synth.Set(kMulti16 + f, 1);
        synth.Set(kInterval16 + f, 1);
    }
    synth.Set(kNoiseMix, 0.3);
    synth.Set(kFilterResonance, 0.7);
    synth.Set(kDrive, 0.5);
    for (int b = 0; b < 7; ++b)
        synth.Set(kEq100 + b, b % 2 ? -3.0 : 4.0);
    synth.Set(kChorusMix, 0.5);
}

// Note-ons for `voices` notes from key 30 up, velocity 100.
template <typename Instrument>
void PlayVoices(Instrument& synth, int voices) {
    for (int i = 0; i < voices; ++i)
        synth.Midi(0x90, 30 + i, 100);
}

} // namespace vorlunda::bench
