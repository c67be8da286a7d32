#include "FactoryBankImage.h"

#include "core/ProgramFiles.h"
#include "engine/Vorlunda2.h"

#include <array>

namespace vorlunda::bankgen {

namespace {

// Stores program `slot` through the plug-in's own program operations, so the slot's state is
// exactly what the instrument's state writer produces.
void StoreProgram(Vorlunda2& synth, int slot, const ProgramSource& program, int version) {
    synth.ActivatePreset(slot);
    const std::vector<double> values = ProgramValues(program, synth, version);
    for (int i = 0; i < synth.ParameterCount(); ++i)
        synth.Parameter(i)->SetReal(values[static_cast<std::size_t>(i)]);
    synth.ApplyAllParameters();
    // Named first: the current layout's header carries the name of the program it belongs to.
    synth.Preset(slot)->name = program.name;
    synth.ModifyCurrentPreset();
}

} // namespace

bool BuildFactoryBankImage(Vorlunda2& synth, const BankSource& source, int version,
                           StateChunk& image) {
    if (!source.errors.empty() || (version != 1 && version != 2) ||
        static_cast<int>(source.programs.size()) != synth.ProgramCount())
        return false;

    // The state writer leaves the header out while this flag is set: the older layout.
    synth.factoryLoad = version == 1;
    for (int slot = 0; slot < synth.ProgramCount(); ++slot)
        StoreProgram(synth, slot, source.programs[static_cast<std::size_t>(slot)], version);
    synth.factoryLoad = false;
    synth.ActivatePreset(0);

    StateChunk chunk;
    IPluginBase::StartChunkWithHeader(chunk);
    if (!synth.SerializePresets(chunk))
        return false;
    const int chunkSize = chunk.ByteCount();
    image.Empty();
    fx::AppendBigEndian(image, fx::kChunkMagic);
    fx::AppendBigEndian(image, chunkSize + fx::kBankChunkStart); // the whole image
    fx::AppendBigEndian(image, fx::kBankChunkMagic);
    fx::AppendBigEndian(image, fx::kBankFormatVersion);
    fx::AppendBigEndian(image, synth.UniqueId());
    fx::AppendBigEndian(image, kFactoryPluginVersion);
    fx::AppendBigEndian(image, synth.ProgramCount());
    const std::array<std::uint8_t, fx::kBankHeaderSize - fx::kBankCurrentOffset> reserved{};
    image.AppendBytes(reserved.data(), static_cast<int>(reserved.size()));
    fx::AppendBigEndian(image, chunkSize);
    image.AppendBytes(chunk.Data(), chunkSize);
    return image.ByteCount() == chunkSize + fx::kBankChunkStart;
}

} // namespace vorlunda::bankgen
