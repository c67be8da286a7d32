#include "WavWriter.h"

#include <sndfile.h>

namespace vorlunda::render {

WavWriter::~WavWriter() {
    Close();
}

bool WavWriter::Open(const std::string& target, int channels, int sampleRate) {
    Close();
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* handle = sf_open(target.c_str(), SFM_WRITE, &info);
    if (!handle) {
        error = "cannot write " + target + ": " + sf_strerror(nullptr);
        return false;
    }
    file = handle;
    path = target;
    channelCount = channels;
    framesWritten = 0;
    return true;
}

bool WavWriter::Write(const float* const* channels, int frames) {
    if (!file)
        return false;
    Interleave(channels, channelCount, frames, interleaved);
    auto* handle = static_cast<SNDFILE*>(file);
    if (sf_writef_float(handle, interleaved.data(), frames) != frames) {
        error = "cannot write " + path + ": " + sf_strerror(handle);
        return false;
    }
    framesWritten += frames;
    return true;
}

bool WavWriter::Close() {
    if (!file)
        return true;
    const bool ok = sf_close(static_cast<SNDFILE*>(file)) == 0;
    file = nullptr;
    if (!ok)
        error = "cannot complete " + path;
    return ok;
}

} // namespace vorlunda::render
