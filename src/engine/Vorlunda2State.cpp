// The instrument's program state and its program and bank file loaders, including the programs
// of the instrument's version 1, which had 60 parameters instead of 79.
#include "core/ProgramFiles.h"
#include "core/ProgramSnapshot.h"
#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vorlunda {

namespace {

constexpr std::string_view kStateHeader = "Vorlunda2_2.0.0"; // no terminator in the state
constexpr int kHeaderBytes = static_cast<int>(kStateHeader.size());
constexpr int kVersion1ParameterCount = 60;
constexpr std::int32_t kVersion1Id = FourCC('h', 'p', 'b', 'o');
// Parameters up to this index existed in version 1; the rest came with version 2.
constexpr int kFirstVersion2Parameter = 60;

bool IsVersion1Program(const fx::ProgramHeader& header) {
    return header.pluginId == kVersion1Id && header.parameterCount == kVersion1ParameterCount;
}

bool IsLegacyParameterCount(std::int32_t count) {
    return count == kVersion1ParameterCount || count == Vorlunda2::kParameterCount;
}

// The parameters that version 1 did not have take their defaults, except "Stereo", which
// programs of version 1 set to 0.
void ApplyVersion1Defaults(IPluginBase& plugin) {
    for (int i = kFirstVersion2Parameter; i < plugin.ParameterCount(); ++i) {
        PlugParam* parameter = plugin.Parameter(i);
        parameter->SetReal(i == kStereo ? 0.0 : parameter->DefaultValue());
    }
}

} // namespace

bool Vorlunda2::HasStateHeader(const StateChunk& chunk, int position) {
    if (position < 0 || position > chunk.ByteCount() || chunk.ByteCount() - position < kHeaderBytes)
        return false;
    return std::memcmp(chunk.Data() + position, kStateHeader.data(), kStateHeader.size()) == 0;
}

bool Vorlunda2::WriteState(StateChunk& chunk) {
    Lock lock(Mutex());
    if (!factoryLoad) {
        chunk.AppendBytes(kStateHeader.data(), kHeaderBytes);
        chunk.Append(static_cast<std::int32_t>(currentProgram));
        const PresetSlot* slot = Preset(currentProgram);
        chunk.AppendString(slot ? std::string_view(slot->name) : std::string_view());
    }
    for (int i = 0; i < ParameterCount(); ++i)
        chunk.Append(Parameter(i)->RealValue());
    return chunk.ByteCount() > 0;
}

int Vorlunda2::ReadState(const StateChunk& chunk, int p) {
    if (p < 0)
        return -1; // nothing to read from: leave the parameters alone
    Lock lock(Mutex());
    const bool header = HasStateHeader(chunk, p);
    if (header) {
        // Program index and name are skipped: the slot or the host supplies the name.
        std::int32_t index = 0;
        std::int32_t nameLength = 0;
        p = chunk.Read(&index, p + kHeaderBytes);
        p = chunk.Read(&nameLength, p);
        if (p >= 0 && (nameLength < 0 || nameLength > chunk.ByteCount() - p))
            p = -1;
        else if (p >= 0)
            p += nameLength;
    }

    // Values that are not there read as 0; from parameter 60 on (added in later versions) they
    // repeat the last value read instead. With no value read at all they take their defaults.
    bool anyRead = false;
    double last = 0.0;
    for (int i = 0; i < ParameterCount(); ++i) {
        PlugParam* parameter = Parameter(i);
        double value = 0.0;
        const int next = p >= 0 ? chunk.Read(&value, p) : -1;
        if (next >= 0) {
            last = value;
            anyRead = true;
        } else if (i >= kFirstVersion2Parameter) {
            value = anyRead ? last : parameter->DefaultValue();
        } else {
            value = 0.0;
        }
        p = next;
        parameter->SetReal(value);
    }

    // In the older headerless layout a negative equaliser value is read as 0 (flat).
    if (!header) {
        for (int i = kEq100; i <= kEq12k && i < ParameterCount(); ++i) {
            if (Parameter(i)->RealValue() < 0.0)
                Parameter(i)->SetReal(0.0);
        }
    }
    ApplyAllParameters();
    return p;
}

bool Vorlunda2::LoadLegacyProgram(const StateChunk& image) {
    return LoadAllOrNothing(*this, [&] {
        fx::ProgramHeader header;
        if (fx::ReadProgramHeader(image, 0, &header) < 0)
            return false;
        if (!IsLegacyParameterCount(header.parameterCount))
            return false;
        // The plug-in id is not compared: version 1 had an id of its own.
        if (header.chunkMagic != fx::kChunkMagic ||
            header.formatVersion != fx::kProgramFormatVersion)
            return false;
        if (header.formatMagic == fx::kProgramChunkMagic && UsesStateChunks()) {
            int position = fx::kProgramChunkStart;
            ReadChunkHeader(image, &position);
            if (position < 0 || ReadState(image, position) <= 0)
                return false;
        } else if (header.formatMagic == fx::kProgramListMagic) {
            if (fx::ReadNormalisedValues(*this, image, fx::kProgramHeaderSize,
                                         header.parameterCount) < 0)
                return false;
            if (IsVersion1Program(header))
                ApplyVersion1Defaults(*this);
        } else {
            return false;
        }
        ModifyCurrentPreset(header.name.c_str());
        if (!ActivatePreset(CurrentProgram()))
            return false;
        NotifyHostOfProgramChange();
        return true;
    });
}

bool Vorlunda2::LoadLegacyBank(const StateChunk& image) {
    return LoadAllOrNothing(*this, [&] {
        // The bank header is not examined beyond its program count.
        std::int32_t programCount = 0;
        if (fx::ReadBigEndian(image, fx::kBankProgramCountOffset, &programCount) < 0)
            return false;
        const int count = std::min(programCount, static_cast<std::int32_t>(ProgramCount()));
        int position = fx::kBankHeaderSize;
        for (int i = 0; i < count; ++i) {
            fx::ProgramHeader header;
            position = fx::ReadProgramHeader(image, position, &header);
            if (position < 0 || !IsLegacyParameterCount(header.parameterCount))
                return false;
            if (!ActivatePreset(i))
                return false;
            position = fx::ReadNormalisedValues(*this, image, position, header.parameterCount);
            if (position < 0)
                return false;
            if (IsVersion1Program(header))
                ApplyVersion1Defaults(*this);
            ModifyCurrentPreset(header.name.c_str());
        }
        // Whatever the file names as current, its first program is.
        ActivatePreset(0);
        NotifyHostOfProgramChange();
        return true;
    });
}

bool Vorlunda2::LoadProgramFile(const char* path) {
    StateChunk image;
    if (!fx::ReadWholeFile(path, image))
        return false;
    Lock lock(Mutex());
    return ReadProgramImage(image) || LoadLegacyProgram(image);
}

bool Vorlunda2::LoadBankFile(const char* path) {
    StateChunk image;
    if (!fx::ReadWholeFile(path, image))
        return false;
    Lock lock(Mutex());
    return ReadBankImage(image) || LoadLegacyBank(image);
}

} // namespace vorlunda
