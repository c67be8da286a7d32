// The host's chunks as effSetChunk reads them, in all three forms (bank, program, program
// retried as a bank): a refused chunk changes nothing, an accepted one leaves sound programs.
#include "ProgramFuzzSupport.h"

using namespace vorlunda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const bool bankForm = (data[0] & 1) != 0;
    const bool retryAsBank = (data[0] & 2) != 0;
    const StateChunk chunk = programfuzz::ChunkOf(data + 1, size - 1);
    Vorlunda2& synth = programfuzz::Subject::Instance().Fresh();
    programfuzz::CheckAllOrNothing(synth, [&] {
        const int position = synth.ReadHostChunk(chunk, bankForm, retryAsBank);
        if (position < -1 || position > chunk.ByteCount())
            std::abort();
        return position >= 0;
    });
    return 0;
}
