#pragma once

#include <cstdint>
#include <vector>

namespace vorlunda::render {

// Where a moment of the song lies in musical time, as a host reports it to a plug-in.
struct MusicalPosition {
    double quarters = 0.0; // quarter notes since the song start
    double tempo = 120.0;  // quarter notes per minute
    double barStart = 0.0; // quarter notes: start of the bar that holds `quarters`
    int numerator = 4;
    int denominator = 4;
};

// The tempo and time-signature changes of a MIDI file; converts its ticks to seconds and
// seconds to musical positions. Until the first change the tempo is 120 quarter notes per
// minute and the signature 4/4, as the Standard MIDI File format prescribes. Changes are added
// in tick order; a later change at the same tick replaces the earlier one.
class TempoMap {
public:
    explicit TempoMap(int ticksPerQuarter = 480);

    void AddTempo(std::int64_t tick, std::uint32_t microsPerQuarter);
    void AddTimeSignature(std::int64_t tick, int numerator, int denominator);

    int TicksPerQuarter() const { return ticksPerQuarter; }
    double Seconds(std::int64_t tick) const;
    MusicalPosition PositionAt(double seconds) const;

private:
    struct TempoChange {
        std::int64_t tick;
        double seconds;        // song time at `tick`
        double secondsPerTick; // from `tick` until the next change
        double quartersPerMinute;
    };
    struct SignatureChange {
        std::int64_t tick;
        int numerator;
        int denominator;
    };

    int ticksPerQuarter;
    std::vector<TempoChange> tempos;
    std::vector<SignatureChange> signatures;
};

} // namespace vorlunda::render
