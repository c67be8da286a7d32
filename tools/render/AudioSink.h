#pragma once

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

} // namespace vorlunda::render
