// FXP program and FXB bank files: the plug-in base writes the chunk forms and reads both the
// chunk and the parameter-list forms. Every byte of a file is untrusted; a load that is refused
// or that turns out truncated or malformed part-way leaves the plug-in as it was.
#include "core/ProgramFiles.h"

#include "core/PlugParam.h"
#include "core/ProgramSnapshot.h"
#include "platform/FileAccess.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>

namespace vorlunda {
namespace fx {

namespace {
// File header fields are big-endian; the machine (and the state chunk) is little-endian.
constexpr std::uint32_t SwapBytes(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
} // namespace

int ReadBigEndian(const StateChunk& chunk, int position, std::int32_t* value) {
    std::int32_t raw = 0;
    const int next = chunk.Read(&raw, position);
    if (next >= 0)
        *value = static_cast<std::int32_t>(SwapBytes(static_cast<std::uint32_t>(raw)));
    return next;
}

int ReadBigEndianFloat(const StateChunk& chunk, int position, float* value) {
    std::int32_t bits = 0;
    const int next = ReadBigEndian(chunk, position, &bits);
    if (next >= 0)
        *value = std::bit_cast<float>(bits);
    return next;
}

int ReadName(const StateChunk& chunk, int position, std::string* name) {
    if (position < 0 || position > chunk.ByteCount() || chunk.ByteCount() - position < kNameSize)
        return -1;
    const char* field = reinterpret_cast<const char*>(chunk.Data()) + position;
    // A name that fills all 28 bytes without a terminator is accepted as it stands.
    const auto length = static_cast<std::size_t>(std::find(field, field + kNameSize, '\0') - field);
    name->assign(field, length);
    return position + kNameSize;
}

int ReadProgramHeader(const StateChunk& chunk, int position, ProgramHeader* header) {
    std::int32_t* const fields[] = {
        &header->chunkMagic, &header->byteSize,      &header->formatMagic,   &header->formatVersion,
        &header->pluginId,   &header->pluginVersion, &header->parameterCount};
    for (std::int32_t* field : fields)
        position = ReadBigEndian(chunk, position, field);
    return ReadName(chunk, position, &header->name);
}

void AppendBigEndian(StateChunk& chunk, std::int32_t value) {
    chunk.Append(static_cast<std::int32_t>(SwapBytes(static_cast<std::uint32_t>(value))));
}

void AppendName(StateChunk& chunk, std::string_view name) {
    std::array<char, kNameSize> field{};
    const std::size_t length =
        std::min({name.size(), name.find('\0'), static_cast<std::size_t>(kNameSize - 1)});
    std::copy_n(name.data(), length, field.data());
    chunk.AppendBytes(field.data(), kNameSize);
}

std::int32_t DecimalVersion(std::int32_t packed) {
    const auto v = static_cast<std::uint32_t>(packed);
    return static_cast<std::int32_t>((v >> 16) * 10000 + ((v >> 8) & 0xFF) * 100 + (v & 0xFF));
}

void SetFromFileValue(PlugParam& parameter, float normalised) {
    if (std::isnan(normalised)) {
        parameter.SetReal(parameter.Minimum());
        return;
    }
    // Clamped before the shape is applied: an even shape would turn -0.5 into a value above the
    // minimum, and a fractional one into NaN.
    parameter.SetFromNormalised(std::clamp(static_cast<double>(normalised), 0.0, 1.0));
    parameter.SetReal(parameter.RealValue());
}

int ReadNormalisedValues(IPluginBase& plugin, const StateChunk& image, int position, int count) {
    for (int i = 0; i < count && position >= 0; ++i) {
        float value = 0.0f;
        position = ReadBigEndianFloat(image, position, &value);
        PlugParam* parameter = plugin.Parameter(i);
        if (position >= 0 && parameter)
            SetFromFileValue(*parameter, value);
    }
    return position;
}

bool ReadWholeFile(const char* path, StateChunk& image) {
    if (!path || path[0] == '\0')
        return false;
    std::FILE* file = files::Open(path, "rb");
    if (!file)
        return false;
    bool ok = true;
    try {
        image.Empty();
        std::array<unsigned char, 16384> buffer; // the editor thread's stack may be small
        for (;;) {
            const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
            if (got > static_cast<std::size_t>(kMaxFileBytes - image.ByteCount())) {
                ok = false;
                break;
            }
            image.AppendBytes(buffer.data(), static_cast<int>(got));
            if (got < buffer.size())
                break;
        }
        // A directory opens on some systems and then fails to read.
        if (std::ferror(file))
            ok = false;
    } catch (const std::exception&) {
        ok = false;
    }
    std::fclose(file);
    return ok;
}

bool WriteWholeFile(const char* path, const StateChunk& image) {
    // Written beside the file and renamed over it only once complete: a failed save (disk full,
    // folder read-only) leaves the file that was there intact.
    return files::ReplaceContents(path, image.Data(), static_cast<std::size_t>(image.ByteCount()));
}

} // namespace fx

namespace {

using namespace fx;

// The program's name and state go into the current slot, which then becomes live again.
bool StoreIntoCurrentProgram(IPluginBase& plugin, const std::string& name) {
    plugin.ModifyCurrentPreset(name.c_str());
    return plugin.ActivatePreset(plugin.CurrentProgram());
}

bool LoadProgramImage(IPluginBase& plugin, const StateChunk& image) {
    ProgramHeader header;
    if (ReadProgramHeader(image, 0, &header) < 0)
        return false;
    if (header.chunkMagic != kChunkMagic || header.formatVersion != kProgramFormatVersion ||
        header.pluginId != plugin.UniqueId())
        return false;
    if (header.formatMagic == kProgramChunkMagic && plugin.UsesStateChunks()) {
        int position = kProgramChunkStart; // the chunk size field is not used
        IPluginBase::ReadChunkHeader(image, &position);
        if (position < 0 || plugin.ReadState(image, position) <= 0)
            return false;
    } else if (header.formatMagic == kProgramListMagic) {
        // One value for each of our parameters; the file's own count is not consulted. A file
        // that holds fewer values is truncated and refused.
        if (ReadNormalisedValues(plugin, image, kProgramHeaderSize, plugin.ParameterCount()) < 0)
            return false;
    } else {
        return false;
    }
    return StoreIntoCurrentProgram(plugin, header.name);
}

bool LoadBankList(IPluginBase& plugin, const StateChunk& image, std::int32_t programCount,
                  std::int32_t current) {
    // Programs beyond our slots are not loaded; the first ones fill the slots in order.
    const int count = std::min(programCount, static_cast<std::int32_t>(plugin.ProgramCount()));
    int position = kBankHeaderSize;
    for (int i = 0; i < count; ++i) {
        ProgramHeader header;
        position = ReadProgramHeader(image, position, &header);
        if (position < 0)
            return false;
        if (header.chunkMagic != kChunkMagic || header.formatMagic != kProgramListMagic ||
            header.formatVersion != kProgramFormatVersion ||
            header.parameterCount != plugin.ParameterCount())
            return false;
        if (!plugin.ActivatePreset(i))
            return false;
        position = ReadNormalisedValues(plugin, image, position, plugin.ParameterCount());
        if (position < 0)
            return false;
        plugin.ModifyCurrentPreset(header.name.c_str());
    }
    // A current index outside the bank leaves the last program loaded current.
    plugin.ActivatePreset(current);
    return true;
}

bool LoadBankImage(IPluginBase& plugin, const StateChunk& image) {
    std::int32_t chunkMagic = 0;
    std::int32_t formatMagic = 0;
    std::int32_t pluginId = 0;
    std::int32_t programCount = 0;
    std::int32_t current = 0;
    if (ReadBigEndian(image, 0, &chunkMagic) < 0 || ReadBigEndian(image, 8, &formatMagic) < 0 ||
        ReadBigEndian(image, 16, &pluginId) < 0 ||
        ReadBigEndian(image, kBankProgramCountOffset, &programCount) < 0 ||
        ReadBigEndian(image, kBankCurrentOffset, &current) < 0)
        return false;
    if (chunkMagic != kChunkMagic || pluginId != plugin.UniqueId())
        return false;
    if (formatMagic == kBankChunkMagic && plugin.UsesStateChunks()) {
        // The file's current program is not used: the plug-in's own stays current.
        int position = kBankChunkStart;
        IPluginBase::ReadChunkHeader(image, &position);
        return position >= 0 && plugin.UnserializePresets(image, position) >= 0;
    }
    if (formatMagic == kBankListMagic)
        return LoadBankList(plugin, image, programCount, current);
    return false;
}

} // namespace

bool IPluginBase::BuildProgramFileImage(StateChunk& image) {
    try {
        Lock lock(mutex);
        StateChunk inner;
        StartChunkWithHeader(inner);
        if (!WriteState(inner))
            return false;
        const int n = inner.ByteCount();
        if (n > std::numeric_limits<int>::max() - kProgramChunkStart)
            return false;
        image.Empty();
        AppendBigEndian(image, kChunkMagic);
        AppendBigEndian(image, n + kProgramChunkStart); // the whole file's length
        AppendBigEndian(image, kProgramChunkMagic);
        AppendBigEndian(image, kProgramFormatVersion);
        AppendBigEndian(image, uniqueId);
        AppendBigEndian(image, DecimalVersion(version));
        AppendBigEndian(image, ParameterCount());
        AppendName(image, PresetName(currentProgram));
        AppendBigEndian(image, n);
        image.AppendBytes(inner.Data(), n);
        return image.ByteCount() == n + kProgramChunkStart;
    } catch (const std::exception&) {
        return false;
    }
}

bool IPluginBase::BuildBankFileImage(StateChunk& image) {
    try {
        Lock lock(mutex);
        StateChunk inner;
        StartChunkWithHeader(inner);
        if (!SerializePresets(inner))
            return false;
        const int n = inner.ByteCount();
        if (n > std::numeric_limits<int>::max() - kBankChunkStart)
            return false;
        image.Empty();
        AppendBigEndian(image, kChunkMagic);
        AppendBigEndian(image, n + kBankChunkStart); // the whole file's length
        AppendBigEndian(image, kBankChunkMagic);
        AppendBigEndian(image, kBankFormatVersion);
        AppendBigEndian(image, uniqueId);
        AppendBigEndian(image, DecimalVersion(version));
        AppendBigEndian(image, ProgramCount());
        AppendBigEndian(image, currentProgram);
        const std::array<std::uint8_t, kBankHeaderSize - kBankCurrentOffset - 4> reserved{};
        image.AppendBytes(reserved.data(), static_cast<int>(reserved.size()));
        AppendBigEndian(image, n);
        image.AppendBytes(inner.Data(), n);
        return image.ByteCount() == n + kBankChunkStart;
    } catch (const std::exception&) {
        return false;
    }
}

bool IPluginBase::WriteProgramFile(const char* path) {
    if (!path || path[0] == '\0')
        return false;
    // The image is taken under the mutex; the disk is written outside it, so the audio thread
    // never waits for a slow disk.
    StateChunk image;
    return BuildProgramFileImage(image) && WriteWholeFile(path, image);
}

bool IPluginBase::WriteBankFile(const char* path) {
    if (!path || path[0] == '\0')
        return false;
    StateChunk image;
    return BuildBankFileImage(image) && WriteWholeFile(path, image);
}

bool IPluginBase::ReadProgramImage(const StateChunk& image) {
    return LoadAllOrNothing(*this, [&] {
        if (!LoadProgramImage(*this, image))
            return false;
        NotifyHostOfProgramChange();
        return true;
    });
}

bool IPluginBase::ReadBankImage(const StateChunk& image) {
    return LoadAllOrNothing(*this, [&] {
        if (!LoadBankImage(*this, image))
            return false;
        NotifyHostOfProgramChange();
        return true;
    });
}

bool IPluginBase::ReadProgramFile(const char* path) {
    // The file is read whole before the mutex is taken; every change then happens in one
    // locked step, so no block is rendered from a half-loaded program.
    StateChunk image;
    return ReadWholeFile(path, image) && ReadProgramImage(image);
}

bool IPluginBase::ReadBankFile(const char* path) {
    StateChunk image;
    return ReadWholeFile(path, image) && ReadBankImage(image);
}

} // namespace vorlunda
