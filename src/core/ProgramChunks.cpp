// The program and bank chunks exchanged with the host. Both start with the "tffp" chunk header;
// a program chunk holds the current state and the current program's name, a bank chunk the
// 64 program slots. What the host hands back is untrusted.
#include "core/IPluginBase.h"
#include "core/ProgramSnapshot.h"

#include <exception>
#include <string>

namespace vorlunda {

bool IPluginBase::WriteProgramChunk(StateChunk& chunk) {
    try {
        Lock lock(mutex);
        StartChunkWithHeader(chunk);
        if (!WriteState(chunk))
            return false;
        const PresetSlot* slot = Preset(currentProgram);
        chunk.AppendString(slot ? std::string_view(slot->name) : std::string_view());
        return chunk.ByteCount() > 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool IPluginBase::WriteBankChunk(StateChunk& chunk) {
    try {
        Lock lock(mutex);
        StartChunkWithHeader(chunk);
        ModifyCurrentPreset(); // the current program's edits travel with the bank
        return SerializePresets(chunk) && chunk.ByteCount() > 0;
    } catch (const std::exception&) {
        return false;
    }
}

int IPluginBase::ReadProgramChunk(const StateChunk& chunk, int position) {
    position = ReadState(chunk, position);
    if (position >= 0 && position < chunk.ByteCount()) {
        std::string name;
        position = chunk.ReadString(&name, position);
        constexpr auto kLongestName = static_cast<std::size_t>(PresetSlot::kNameCapacity - 1);
        if (name.size() > kLongestName)
            name.resize(kLongestName);
        // An unreadable or empty name keeps the slot's own.
        ModifyCurrentPreset(position >= 0 ? name.c_str() : nullptr);
    } else {
        ModifyCurrentPreset();
    }
    return position;
}

int IPluginBase::ReadHostChunk(const StateChunk& chunk, bool bankForm, bool retryAsBank) {
    int position = -1;
    const bool loaded = LoadAllOrNothing(*this, [&] {
        position = 0;
        const int frameworkVersion = ReadChunkHeader(chunk, &position);
        // A host's bank is kept as it came: loaded and saved again it gives the same bytes,
        // so a host that compares chunks does not see a change that was never made.
        if (bankForm && frameworkVersion >= kFrameworkVersion)
            position = ReadPresets(chunk, position, SlotBytes::AsRead);
        else
            position = ReadProgramChunk(chunk, position);
        // Some hosts hand bank data where they ask for a program: data that a program reading
        // does not consume exactly is tried again as a bank.
        if (retryAsBank && position != chunk.ByteCount()) {
            const int programPosition = position;
            position = 0;
            if (ReadChunkHeader(chunk, &position) >= kFrameworkVersion)
                position = ReadPresets(chunk, position, SlotBytes::AsRead);
            else if (programPosition < 0)
                position = -1; // neither a readable program nor a bank
        }
        return position >= 0;
    });
    return loaded ? position : -1;
}

} // namespace vorlunda
