#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlunda::render {

// A whole WAV file in memory as interleaved float samples (PCM scaled to -1..1).
struct WavData {
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples; // frames × channels, interleaved
    std::int64_t Frames() const {
        return channels ? static_cast<std::int64_t>(samples.size()) / channels : 0;
    }
};

// Reads a WAV file: libsndfile natively; under Windows our own reader of 16-bit PCM and
// 32-bit float files. False with a reason in `error`.
bool ReadWav(const std::string& path, WavData& out, std::string& error);

} // namespace vorlunda::render
