#pragma once

#include <array>
#include <string>

namespace vorlunda {

// One plug-in instance's client of the MTS-ESP tuning library (see TuningLibrary). Owned by
// `Synth`: created as the last step of its constructor and destroyed first in its destructor, so
// the library sees one registration per instance for the instance's whole life. Without a
// library, or while no tuning master is active, it answers 12-tone equal temperament with
// A4 (note 69) = 440 Hz and filters nothing.
class TuningClient {
public:
    static constexpr int kNotes = 128;
    static constexpr int kFilterAnyChannel = 0xFF; // channel byte: the note on no channel

    // Flags for per-channel tuning. Nothing sets them: the instrument asks for one tuning and one
    // filter for all channels.
    struct MultiChannelUse {
        bool tuning = false;
        bool filter = false;
        bool scaleName = false;
    };

    // Registers with the library if it offers registration. Construction thread.
    TuningClient();
    // Deregisters if the library offers it.
    ~TuningClient();
    TuningClient(const TuningClient&) = delete;
    TuningClient& operator=(const TuningClient&) = delete;

    // The queries below run on the audio thread: no allocation, no lock; each may call into the
    // library.
    // A master table was handed out at load and the library reports an active master.
    bool HasMaster() const;
    // The master asks for this note-on to be ignored (never while there is no master).
    bool ShouldFilterNote(int note) const;
    // Hz: the master's frequency for the note, or the equal-tempered one. Only the low 7 bits
    // of `note` count.
    double NoteFrequency(int note) const;
    // The note's starting pitch in 1/128 semitone: note * 128 without a master, else the pitch
    // whose frequency comes nearest the master's (always within 4..17276).
    int NoteToPitch(int note) const;
    // The binary search over PitchToFrequency behind NoteToPitch. Any input, NaN and infinities
    // included, answers a pitch within 4..17276.
    static int FrequencyToPitch(double hz);

    const std::string& ScaleName() const { return scaleName; }
    const MultiChannelUse& MultiChannel() const { return multiChannel; }

private:
    std::array<double, kNotes> ownTable{}; // Hz, equal temperament
    std::string scaleName;
    MultiChannelUse multiChannel;
};

} // namespace vorlunda
