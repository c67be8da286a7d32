#include "FloatWavWriter.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace vorlunda::render {

namespace {

constexpr std::uint16_t kFormatFloat = 3; // WAVE_FORMAT_IEEE_FLOAT
constexpr long kRiffSizeAt = 4;           // bytes after "RIFF" and this field
constexpr long kFactFramesAt = 46;        // frames per channel in the "fact" chunk
constexpr long kDataSizeAt = 54;          // bytes of sample data
constexpr std::size_t kHeaderBytes = 58;

void Put16(unsigned char* at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char* at, std::uint32_t value) {
    Put16(at, value);
    Put16(at + 2, value >> 16);
}

// RIFF header of a float WAV: "fmt " with the extension size field (non-PCM formats carry
// it), "fact" with the frame count, then "data". Sizes are patched in by Close.
std::array<unsigned char, kHeaderBytes> Header(int channels, int sampleRate) {
    std::array<unsigned char, kHeaderBytes> h{};
    std::memcpy(&h[0], "RIFF", 4);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    Put32(&h[16], 18);
    Put16(&h[20], kFormatFloat);
    Put16(&h[22], static_cast<std::uint32_t>(channels));
    Put32(&h[24], static_cast<std::uint32_t>(sampleRate));
    Put32(&h[28], static_cast<std::uint32_t>(sampleRate * channels * 4)); // bytes per second
    Put16(&h[32], static_cast<std::uint32_t>(channels * 4));              // bytes per frame
    Put16(&h[34], 32);                                                    // bits per sample
    Put16(&h[36], 0);                                                     // extension size
    std::memcpy(&h[38], "fact", 4);
    Put32(&h[42], 4);
    std::memcpy(&h[50], "data", 4);
    return h;
}

bool Patch(std::FILE* f, long at, std::uint32_t value) {
    unsigned char bytes[4];
    Put32(bytes, value);
    return std::fseek(f, at, SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, f) == 4;
}

} // namespace

FloatWavWriter::~FloatWavWriter() {
    Close();
}

bool FloatWavWriter::Open(const std::string& target, int channels, int sampleRate) {
    Close();
    std::FILE* f = std::fopen(target.c_str(), "wb");
    const auto header = Header(channels, sampleRate);
    if (!f || std::fwrite(header.data(), 1, header.size(), f) != header.size()) {
        if (f)
            std::fclose(f);
        error = "cannot write " + target;
        return false;
    }
    file = f;
    path = target;
    channelCount = channels;
    framesWritten = 0;
    return true;
}

bool FloatWavWriter::Write(const float* const* channels, int frames) {
    if (!file)
        return false;
    // Little-endian float samples, interleaved; the bytes are those of the machine's floats.
    Interleave(channels, channelCount, frames, interleaved);
    if (std::fwrite(interleaved.data(), sizeof(float), interleaved.size(), file) !=
        interleaved.size()) {
        error = "cannot write " + path;
        return false;
    }
    framesWritten += frames;
    return true;
}

bool FloatWavWriter::Close() {
    if (!file)
        return true;
    std::FILE* f = file;
    file = nullptr;
    const std::uint64_t dataBytes = static_cast<std::uint64_t>(framesWritten) * channelCount * 4;
    const bool fits = dataBytes + kHeaderBytes - 8 <= 0xFFFFFFFFu;
    const bool ok =
        fits && Patch(f, kRiffSizeAt, static_cast<std::uint32_t>(dataBytes + kHeaderBytes - 8)) &&
        Patch(f, kFactFramesAt, static_cast<std::uint32_t>(framesWritten)) &&
        Patch(f, kDataSizeAt, static_cast<std::uint32_t>(dataBytes));
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed)
        error =
            fits ? "cannot complete " + path : path + " would exceed the 4 GiB a WAV file holds";
    return ok && closed;
}

} // namespace vorlunda::render
