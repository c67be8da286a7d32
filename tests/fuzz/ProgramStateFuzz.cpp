// The instrument's state reader on arbitrary bytes: it must stay in bounds, answer -1 or a
// position inside the data, leave every parameter in its range, and what it read must write
// and read back to the same values.
#include "ProgramFuzzSupport.h"

using namespace vorlunda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The state reader touches parameters only; whatever an input left is as good a start as any.
    static Vorlunda2 synth;
    const StateChunk chunk = programfuzz::ChunkOf(data, size);
    const int position = synth.ReadState(chunk, 0);
    if (position < -1 || position == 0 || position > chunk.ByteCount())
        std::abort();
    for (int i = 0; i < synth.ParameterCount(); ++i) {
        const PlugParam* p = synth.Parameter(i);
        if (!(p->RealValue() >= p->Minimum() && p->RealValue() <= p->Maximum()))
            std::abort();
    }
    StateChunk written;
    synth.WriteState(written);
    std::vector<double> values;
    for (int i = 0; i < synth.ParameterCount(); ++i)
        values.push_back(synth.Parameter(i)->RealValue());
    if (synth.ReadState(written, 0) != written.ByteCount())
        std::abort();
    for (int i = 0; i < synth.ParameterCount(); ++i) {
        if (synth.Parameter(i)->RealValue() != values[static_cast<std::size_t>(i)])
            std::abort();
    }
    return 0;
}
