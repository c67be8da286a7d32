#include "Instance.h"

#include "Host.h"

namespace vorlunda::vsthost {

using namespace vorlunda::vst;

IntPtr Instance::Dispatch(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    const std::uint32_t token = Before();
    const IntPtr answer = effect->dispatcher(effect, opcode, index, value, ptr, opt);
    After(token, "dispatcher", opcode);
    return answer;
}

void Instance::Open(double sampleRate, int blockSize) {
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(effSetBlockSize, 0, blockSize);
}

void Instance::Resume() {
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
}

void Instance::Suspend() {
    Dispatch(effStopProcess);
    Dispatch(effMainsChanged, 0, 0);
}

void Instance::Close() {
    Dispatch(effClose);
}

void Instance::ProcessEvents(VstEvents* events) {
    AudioCallScope audio;
    Dispatch(effProcessEvents, 0, 0, events);
}

void Instance::ProcessReplacing(float** inputs, float** outputs, int frames) {
    AudioCallScope audio;
    const std::uint32_t token = Before();
    effect->processReplacing(effect, inputs, outputs, frames);
    After(token, "processReplacing", -1);
}

void Instance::ProcessDoubleReplacing(double** inputs, double** outputs, int frames) {
    AudioCallScope audio;
    const std::uint32_t token = Before();
    effect->processDoubleReplacing(effect, inputs, outputs, frames);
    After(token, "processDoubleReplacing", -1);
}

void Instance::Accumulate(float** inputs, float** outputs, int frames) {
    AudioCallScope audio;
    const std::uint32_t token = Before();
    effect->process(effect, inputs, outputs, frames);
    After(token, "process", -1);
}

void Instance::SetParameter(int index, float value) {
    const std::uint32_t token = Before();
    effect->setParameter(effect, index, value);
    After(token, "setParameter", -1);
}

float Instance::GetParameter(int index) {
    const std::uint32_t token = Before();
    const float value = effect->getParameter(effect, index);
    After(token, "getParameter", -1);
    return value;
}

std::vector<unsigned char> Instance::GetChunk(bool bank) {
    void* data = nullptr;
    // Index 0 names the bank chunk, 1 the program chunk.
    const IntPtr size = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

IntPtr Instance::SetChunk(const void* data, std::size_t size, bool bank) {
    return Dispatch(effSetChunk, bank ? 0 : 1, static_cast<IntPtr>(size), const_cast<void*>(data));
}

} // namespace vorlunda::vsthost
