#include "WavReader.h"

#include <sndfile.h>

namespace vorlunda::render {

bool ReadWav(const std::string& path, WavData& out, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    out.channels = info.channels;
    out.sampleRate = info.samplerate;
    out.samples.assign(static_cast<std::size_t>(info.frames) * info.channels, 0.0f);
    const sf_count_t read = sf_readf_float(file, out.samples.data(), info.frames);
    sf_close(file);
    if (read != info.frames) {
        error = "cannot read " + path + ": the file ends early";
        return false;
    }
    return true;
}

} // namespace vorlunda::render
