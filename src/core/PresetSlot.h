#pragma once

#include "core/StateChunk.h"

#include <string>

namespace vorlunda {

// One of the 64 program slots: the program's name and its state as the instrument writes it.
struct PresetSlot {
    static constexpr int kNameCapacity = 256; // bytes, terminator included

    bool initialized = false;
    std::string name = "empty";
    StateChunk state;
};

} // namespace vorlunda
