#include "WavReader.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace vorlunda::render {

namespace {

std::uint32_t Little(const std::vector<unsigned char>& b, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | b[at + static_cast<std::size_t>(i)];
    return value;
}

constexpr std::uint32_t kFormatPcm = 1;
constexpr std::uint32_t kFormatFloat = 3;
constexpr std::uint32_t kFormatExtensible = 0xFFFE; // sub-format in the extension

} // namespace

bool ReadWav(const std::string& path, WavData& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(&b[0], "RIFF", 4) != 0 || std::memcmp(&b[8], "WAVE", 4) != 0) {
        error = path + " is not a WAV file";
        return false;
    }
    std::uint32_t format = 0, bits = 0;
    bool haveFormat = false;
    for (std::size_t at = 12; b.size() - at >= 8;) {
        const std::uint32_t size = Little(b, at + 4, 4);
        if (size > b.size() - at - 8)
            break;
        const std::size_t body = at + 8;
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && size >= 16) {
            format = Little(b, body, 2);
            out.channels = static_cast<int>(Little(b, body + 2, 2));
            out.sampleRate = static_cast<int>(Little(b, body + 4, 4));
            bits = Little(b, body + 14, 2);
            if (format == kFormatExtensible && size >= 26)
                format = Little(b, body + 24, 2);
            haveFormat = true;
        } else if (std::memcmp(&b[at], "data", 4) == 0 && haveFormat && out.channels > 0) {
            if (format == kFormatFloat && bits == 32) {
                out.samples.resize(size / 4);
                std::memcpy(out.samples.data(), &b[body], out.samples.size() * 4);
            } else if (format == kFormatPcm && bits == 16) {
                out.samples.resize(size / 2);
                for (std::size_t i = 0; i < out.samples.size(); ++i)
                    out.samples[i] =
                        static_cast<std::int16_t>(Little(b, body + 2 * i, 2)) / 32768.0f;
            } else {
                error = path + ": only 32-bit float and 16-bit PCM WAV files are read here";
                return false;
            }
            out.samples.resize(out.samples.size() / out.channels * out.channels);
            return true;
        }
        at = body + size + (size & 1); // chunks are padded to even sizes
    }
    error = path + ": no audio data";
    return false;
}

} // namespace vorlunda::render
