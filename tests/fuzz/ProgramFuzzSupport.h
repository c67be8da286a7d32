#pragma once

// What the program fuzz targets share: one instrument reused across inputs (reset to the same
// 64 programs whenever an input changed it), and the checks every input must pass.
#include "../core/ProgramTestSupport.h"
#include "core/ProgramSnapshot.h"
#include "core/StateChunk.h"
#include "engine/Vorlunda2.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace vorlunda::programfuzz {

class Subject {
public:
    static Subject& Instance() {
        static Subject subject;
        return subject;
    }
    // The instrument holding the same programs, current program and values before each input.
    // The reset copies the slots back, which is far cheaper than reading 64 states again.
    Vorlunda2& Fresh() {
        if (dirty) {
            ProgramSnapshot copy = pristine;
            copy.Restore();
            dirty = false;
        }
        return synth;
    }
    void MarkChanged() { dirty = true; }

private:
    Subject() : pristine((programtest::FillDistinctPrograms(synth, 3), synth)) {}

    Vorlunda2 synth;
    const ProgramSnapshot pristine;
    bool dirty = false;
};

inline StateChunk ChunkOf(const std::uint8_t* data, std::size_t size) {
    StateChunk chunk;
    chunk.AppendBytes(data, static_cast<int>(size));
    return chunk;
}

// Every parameter in its range (no NaN), every name within 255 bytes, and every stored state
// exactly one state long: the header layout with its name, or the 79 values alone.
inline void CheckProgramsAreSound(Vorlunda2& synth) {
    for (int i = 0; i < synth.ParameterCount(); ++i) {
        const PlugParam* p = synth.Parameter(i);
        if (!(p->RealValue() >= p->Minimum() && p->RealValue() <= p->Maximum()))
            std::abort();
    }
    constexpr int kValueBytes = Vorlunda2::kParameterCount * 8;
    for (int slot = 0; slot < synth.ProgramCount(); ++slot) {
        const PresetSlot* preset = synth.Preset(slot);
        if (preset->name.size() > 255)
            std::abort();
        if (!preset->initialized)
            continue;
        const StateChunk& state = preset->state;
        int expected = kValueBytes;
        if (Vorlunda2::HasStateHeader(state, 0)) {
            std::int32_t nameLength = -1;
            state.Read(&nameLength, 19);
            expected = 23 + nameLength + kValueBytes;
        }
        if (state.ByteCount() != expected)
            std::abort();
    }
}

// Runs one load. A refused load must leave the serialised bank, the current index and every
// parameter byte-identical; an accepted one must leave sound programs.
template <class Load>
void CheckAllOrNothing(Vorlunda2& synth, Load&& load) {
    const std::vector<std::uint8_t> before = programtest::ProgramFingerprint(synth);
    if (load()) {
        CheckProgramsAreSound(synth);
        Subject::Instance().MarkChanged();
    } else if (programtest::ProgramFingerprint(synth) != before) {
        std::abort();
    }
}

} // namespace vorlunda::programfuzz
