// The slot reader on arbitrary bytes, once as it stands (it may stop part-way, but must stay in
// bounds and leave sound programs) and once guarded as the host's bank chunk (refused data must
// change nothing).
#include "ProgramFuzzSupport.h"

using namespace vorlunda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const StateChunk chunk = programfuzz::ChunkOf(data, size);
    {
        Vorlunda2& synth = programfuzz::Subject::Instance().Fresh();
        programfuzz::Subject::Instance().MarkChanged();
        const int position = synth.UnserializePresets(chunk, 0);
        if (position < -1 || position > chunk.ByteCount())
            std::abort();
        programfuzz::CheckProgramsAreSound(synth);
    }
    StateChunk withHeader;
    IPluginBase::StartChunkWithHeader(withHeader);
    withHeader.AppendBytes(data, static_cast<int>(size));
    Vorlunda2& synth = programfuzz::Subject::Instance().Fresh();
    programfuzz::CheckAllOrNothing(
        synth, [&] { return synth.ReadHostChunk(withHeader, true, false) >= 0; });
    return 0;
}
