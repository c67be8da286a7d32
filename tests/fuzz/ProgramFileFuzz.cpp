// Program file images through both program loaders (the base's and the one that also takes
// version-1 programs): a refused image changes nothing, an accepted one leaves sound programs.
#include "ProgramFuzzSupport.h"

using namespace vorlunda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const StateChunk image = programfuzz::ChunkOf(data, size);
    Vorlunda2& synth = programfuzz::Subject::Instance().Fresh();
    programfuzz::CheckAllOrNothing(synth, [&] { return synth.ReadProgramImage(image); });
    Vorlunda2& again = programfuzz::Subject::Instance().Fresh();
    programfuzz::CheckAllOrNothing(again, [&] { return again.LoadLegacyProgram(image); });
    return 0;
}
