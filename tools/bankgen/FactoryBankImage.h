#pragma once

#include "BankSource.h"

namespace vorlunda {
class StateChunk;
class Vorlunda2;
} // namespace vorlunda

namespace vorlunda::bankgen {

// The plug-in version written into factory bank headers (2.0.0 in the decimal form of files).
constexpr int kFactoryPluginVersion = 20000;

// Fills `synth`'s program slots from `source` and writes them as a factory bank image: the FXB
// chunk-bank file layout whose chunk is the chunk header followed by the serialised programs.
// Version 2 stores each program in the current state layout; version 1 in the older headerless
// layout, as the instrument's first version stored them. Answers false when the source has
// errors or does not hold one program per slot.
bool BuildFactoryBankImage(Vorlunda2& synth, const BankSource& source, int version,
                           StateChunk& image);

} // namespace vorlunda::bankgen
