#pragma once

namespace vorlunda {

// The instrument's pitch unit, shared by the tuning client and the sound engine: pitch counts
// 1/128 semitone; 0 is MIDI note 0 (8.176 Hz), note n is n * 128.
inline constexpr int kMaxPitch = 17280; // 1/128 semitone, 135 semitones

// Converts a pitch in 1/128 semitone to Hz by linear interpolation between the semitones of a
// 272-entry table (136 ascending notes 0..135, 136 descending notes below note 0). Thread-safe;
// the table is built on the first call.
double PitchToFrequency(int pitch);

} // namespace vorlunda
