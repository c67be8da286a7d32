// Feeds arbitrary MIDI messages, sample rates and host block sizes to the instrument: whatever
// arrives, rendering must stay in bounds, finite and free of sanitizer findings.
#include "engine/Vorlunda2.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace vorlunda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    static const double rates[] = {8000, 22050, 44100, 48000, 96000, 192000, 384000, 1234.5678};
    Vorlunda2 synth;
    synth.StoreSampleRate(rates[data[0] % 8]);
    synth.StoreBlockSize(512);
    synth.RestartProcessing();
    synth.ActivationChanged(true);
    synth.midiThru = data[1] & 1;
    synth.learnArmed = data[1] & 2;

    std::vector<double> left(512), right(512);
    double* outs[2] = {left.data(), right.data()};
    std::size_t i = 2;
    while (i + 5 <= size) {
        const std::uint8_t kind = data[i];
        if (kind < 0x40) {
            // Render a block of 0..511 frames.
            const int frames = (data[i + 1] | (data[i + 2] << 8)) % 512;
            synth.RenderBlock(nullptr, outs, frames);
            for (int f = 0; f < frames; ++f) {
                if (!std::isfinite(left[static_cast<std::size_t>(f)]) ||
                    !std::isfinite(right[static_cast<std::size_t>(f)]))
                    std::abort();
            }
        } else {
            MidiEvent e{static_cast<std::int32_t>((data[i + 4] << 8 | data[i + 1]) % 2048),
                        static_cast<std::uint8_t>(data[i + 2] | 0x80), data[i + 3], data[i + 4]};
            e.data2 = data[i + 1]; // the full byte: hosts may send anything
            synth.HandleMidiMessage(e);
        }
        i += 5;
    }
    synth.RenderBlock(nullptr, outs, 512);
    return 0;
}
