#pragma once

#include "AudioSink.h"
#include "FloatWavWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlunda::render {

// Writes a WAV file of 32-bit float samples, streaming: libsndfile natively, our own RIFF
// writer (FloatWavWriter) under Windows. Float keeps the plug-in's output exact, so two renders
// compare to the last bit.
#ifdef _WIN32
using WavWriter = FloatWavWriter;
#else
class WavWriter : public AudioSink {
public:
    WavWriter() = default;
    ~WavWriter() override;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // False with a reason in Error() when the file cannot be created.
    bool Open(const std::string& path, int channels, int sampleRate);
    bool Write(const float* const* channels, int frames) override;
    // Completes the file (sizes in the header); false when that fails.
    bool Close();
    const std::string& Error() const { return error; }

private:
    void* file = nullptr; // SNDFILE*
    std::string path;
    std::string error;
    int channelCount = 0;
    std::int64_t framesWritten = 0;
    std::vector<float> interleaved;
};
#endif

} // namespace vorlunda::render
