// Bank file images through the base's bank loader, the one that also takes version-1 programs
// and the factory-bank loader: a refused image changes nothing, an accepted one leaves sound
// programs.
#include "ProgramFuzzSupport.h"

using namespace vorlunda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const StateChunk image = programfuzz::ChunkOf(data, size);
    Vorlunda2& first = programfuzz::Subject::Instance().Fresh();
    programfuzz::CheckAllOrNothing(first, [&] { return first.ReadBankImage(image); });
    Vorlunda2& second = programfuzz::Subject::Instance().Fresh();
    programfuzz::CheckAllOrNothing(second, [&] { return second.LoadLegacyBank(image); });
    Vorlunda2& third = programfuzz::Subject::Instance().Fresh();
    programfuzz::CheckAllOrNothing(
        third, [&] { return third.LoadBankImage(data, static_cast<int>(size)); });
    return 0;
}
