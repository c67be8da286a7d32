#pragma once

// Helpers shared by the program tests and the program fuzz targets (no test framework here).
#include "core/IPluginBase.h"
#include "core/ProgramFiles.h"
#include "engine/Vorlunda2.h"

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlunda::programtest {

// The instrument, counting what the host is told about program changes.
class ObservedSynth : public Vorlunda2 {
public:
    void NotifyHostOfProgramChange() override { ++programChangesNotified; }
    int programChangesNotified = 0;
};

// Everything a program load may change, as bytes: the serialised bank (names, flags, states),
// the current program index and every parameter's value.
inline std::vector<std::uint8_t> ProgramFingerprint(IPluginBase& plugin) {
    StateChunk chunk;
    plugin.SerializePresets(chunk);
    chunk.Append(static_cast<std::int32_t>(plugin.CurrentProgram()));
    for (int i = 0; i < plugin.ParameterCount(); ++i)
        chunk.Append(plugin.Parameter(i)->RealValue());
    return {chunk.Data(), chunk.Data() + chunk.ByteCount()};
}

// Gives every slot a distinct name and distinct in-range values; slot `current` ends current.
inline void FillDistinctPrograms(IPluginBase& plugin, int current) {
    plugin.FillEmptyPresets(nullptr, plugin.ProgramCount());
    for (int slot = 0; slot < plugin.ProgramCount(); ++slot) {
        plugin.ActivatePreset(slot);
        for (int i = 0; i < plugin.ParameterCount(); ++i) {
            // A spread of normalised values that differs per slot and per parameter.
            const double n = static_cast<double>((slot * 37 + i * 11) % 101) / 100.0;
            plugin.Parameter(i)->SetFromNormalised(n);
        }
        plugin.ModifyCurrentPreset(("Program " + std::to_string(slot)).c_str());
    }
    plugin.ActivatePreset(current);
}

// The image of a parameter-list program ("FxCk") with the given id, name and values.
inline StateChunk ParameterListProgram(std::int32_t pluginId, const std::string& name,
                                       const std::vector<float>& values,
                                       std::int32_t parameterCount = -1) {
    StateChunk image;
    const auto count = parameterCount >= 0 ? parameterCount : static_cast<int>(values.size());
    fx::AppendBigEndian(image, fx::kChunkMagic);
    fx::AppendBigEndian(image, 56 + 4 * static_cast<std::int32_t>(values.size()));
    fx::AppendBigEndian(image, fx::kProgramListMagic);
    fx::AppendBigEndian(image, 1);
    fx::AppendBigEndian(image, pluginId);
    fx::AppendBigEndian(image, 10000);
    fx::AppendBigEndian(image, count);
    fx::AppendName(image, name);
    for (float v : values) {
        fx::AppendBigEndian(image, std::bit_cast<std::int32_t>(v));
    }
    return image;
}

// The image of a parameter-list bank ("FxBk") holding the given program images.
inline StateChunk ParameterListBank(std::int32_t pluginId, std::int32_t current,
                                    const std::vector<StateChunk>& programs) {
    StateChunk image;
    fx::AppendBigEndian(image, fx::kChunkMagic);
    fx::AppendBigEndian(image, 0);
    fx::AppendBigEndian(image, fx::kBankListMagic);
    fx::AppendBigEndian(image, 2);
    fx::AppendBigEndian(image, pluginId);
    fx::AppendBigEndian(image, 10000);
    fx::AppendBigEndian(image, static_cast<std::int32_t>(programs.size()));
    fx::AppendBigEndian(image, current);
    const std::vector<std::uint8_t> reserved(124, 0);
    image.AppendBytes(reserved.data(), 124);
    for (const StateChunk& program : programs)
        image.AppendBytes(program.Data(), program.ByteCount());
    return image;
}

} // namespace vorlunda::programtest
