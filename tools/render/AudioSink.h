#pragma once

#include <cstddef>
#include <vector>

namespace vorlunda::render {

// Where rendered audio goes, block by block: a WAV file, or nowhere (benchmarks).
class AudioSink {
public:
    virtual ~AudioSink() = default;
    // `channels` holds one pointer per channel of the sink, each with `frames` samples.
    virtual bool Write(const float* const* channels, int frames) = 0;
};

// Discards everything; for measuring the plug-in alone.
class NullSink : public AudioSink {
public:
    bool Write(const float* const*, int) override { return true; }
};

// The frames of `channelCount` channels as one interleaved run (frame by frame), as WAV files
// store them; `out` is resized to hold them.
inline void Interleave(const float* const* channels, int channelCount, int frames,
                       std::vector<float>& out) {
    out.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelCount));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channelCount; ++c)
            out[static_cast<std::size_t>(i) * channelCount + c] = channels[c][i];
}

} // namespace vorlunda::render
