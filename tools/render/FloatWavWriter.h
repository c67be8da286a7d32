#pragma once

#include "AudioSink.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vorlunda::render {

// Writes a WAV file of 32-bit float samples with our own RIFF writer, streaming: the header
// ("fmt " with the extension size field, "fact", "data") first, the sizes patched in by Close.
// Portable; the Windows renderer writes its files with it (the Linux one uses libsndfile).
class FloatWavWriter : public AudioSink {
public:
    FloatWavWriter() = default;
    ~FloatWavWriter() override;
    FloatWavWriter(const FloatWavWriter&) = delete;
    FloatWavWriter& operator=(const FloatWavWriter&) = delete;

    // False with a reason in Error() when the file cannot be created.
    bool Open(const std::string& path, int channels, int sampleRate);
    bool Write(const float* const* channels, int frames) override;
    // Completes the file (sizes in the header); false when that fails or the data passed the
    // 4 GiB a WAV file can describe.
    bool Close();
    const std::string& Error() const { return error; }

private:
    std::FILE* file = nullptr;
    std::string path;
    std::string error;
    int channelCount = 0;
    std::int64_t framesWritten = 0;
    std::vector<float> interleaved;
};

} // namespace vorlunda::render
