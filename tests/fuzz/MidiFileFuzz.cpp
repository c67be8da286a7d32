// Feeds arbitrary bytes to the renderer's MIDI file reader: it must accept or refuse them
// without reading out of bounds, and what it accepts must be a usable song: messages in time
// order with finite times, channel status bytes, seven-bit data, and a tempo map that answers
// for every moment of it.
#include "MidiFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

using vorlunda::render::MidiFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MidiFile file;
    if (!file.Parse(std::span(data, size))) {
        if (file.Error().empty() || !file.Messages().empty())
            std::abort();
        return 0;
    }
    double previous = 0.0;
    for (const auto& m : file.Messages()) {
        if (!std::isfinite(m.seconds) || m.seconds < previous || m.status < 0x80 ||
            m.status >= 0xF0 || m.data1 > 0x7F || m.data2 > 0x7F)
            std::abort();
        previous = m.seconds;
    }
    for (double seconds : {0.0, previous * 0.5, previous, previous + 1.0}) {
        const auto position = file.Tempo().PositionAt(seconds);
        if (!std::isfinite(position.quarters) || !std::isfinite(position.barStart) ||
            position.barStart > position.quarters + 1e-9 * (1.0 + position.quarters) ||
            position.tempo <= 0.0 || position.numerator <= 0 || position.denominator <= 0)
            std::abort();
    }
    return 0;
}
