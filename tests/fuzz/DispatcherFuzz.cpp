// Plays host: a seeded sequence of dispatcher requests, parameter changes, sample-rate and
// block-size changes, event lists, chunks and process calls, decoded from the fuzzer's bytes.
// Every request is one a host may legally make (pointers are valid or null, sizes are honest),
// but the values in them are anything. The instance must answer without a crash, a sanitizer
// finding or a non-finite sample.
#include "vst2/IPluginVST.h"
#include "vst2/PluginEntry.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace vorlunda;

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* d, std::size_t n) : data(d), size(n) {}
    bool Empty() const { return at >= size; }
    std::uint8_t U8() { return at < size ? data[at++] : 0; }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | U8();
        return v;
    }
    float F32() {
        const std::uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    int Small(int range) { return static_cast<int>(U8()) % range; }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

vst::IntPtr VORLUNDA_VST_CALL Host(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr,
                                   void* ptr, float) {
    static vst::VstTimeInfo time{};
    switch (opcode) {
    case vst::audioMasterGetTime:
        // Whatever the fuzzer last wrote, valid flags or not.
        return reinterpret_cast<vst::IntPtr>(&time);
    case vst::audioMasterGetProductString:
    case vst::audioMasterGetVendorString:
        std::strcpy(static_cast<char*>(ptr), "Native Instruments");
        return 1;
    default:
        return 0;
    }
}

constexpr int kMaxBlock = 4096; // samples

struct Instance {
    vst::AEffect* effect = nullptr;
    int block = 1024;
    Instance() { effect = CreateEffect(&Host); }
    ~Instance() { Close(); }
    void Close() {
        if (effect)
            effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        effect = nullptr;
    }
    vst::IntPtr Dispatch(vst::Int32 op, vst::Int32 index, vst::IntPtr value, void* ptr, float opt) {
        return effect->dispatcher(effect, op, index, value, ptr, opt);
    }
};

void CheckFinite(const float* x, int n) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]))
            std::abort();
    }
}

void Process(Instance& in, Bytes& b) {
    static std::vector<float> fl(kMaxBlock), fr(kMaxBlock);
    static std::vector<double> dl(kMaxBlock), dr(kMaxBlock);
    const int frames = static_cast<int>(b.U32() % static_cast<std::uint32_t>(in.block + 1));
    const int kind = b.Small(3);
    if (kind == 2) {
        double* outs[2] = {dl.data(), dr.data()};
        in.effect->processDoubleReplacing(in.effect, nullptr, outs, frames);
        for (int i = 0; i < frames; ++i) {
            if (!std::isfinite(dl[static_cast<std::size_t>(i)]))
                std::abort();
        }
        return;
    }
    float* outs[2] = {fl.data(), fr.data()};
    if (kind == 0) {
        in.effect->processReplacing(in.effect, nullptr, outs, frames);
    } else {
        std::fill_n(fl.begin(), frames, 0.0f);
        std::fill_n(fr.begin(), frames, 0.0f);
        in.effect->process(in.effect, nullptr, outs, frames);
    }
    CheckFinite(fl.data(), frames);
    CheckFinite(fr.data(), frames);
}

void SendEvents(Instance& in, Bytes& b) {
    const int count = b.Small(9);
    std::array<vst::VstMidiEvent, 8> midi{};
    std::array<vst::VstMidiSysexEvent, 8> sysex{};
    static std::array<char, 256> dump{};
    std::vector<vst::VstEvent*> pointers;
    for (int i = 0; i < count; ++i) {
        if (b.Small(4) == 0) {
            vst::VstMidiSysexEvent& s = sysex[static_cast<std::size_t>(i)];
            s.type = vst::kVstSysExType;
            s.deltaFrames = static_cast<vst::Int32>(b.U32());
            s.dumpBytes = b.Small(256);
            s.sysexDump = dump.data();
            pointers.push_back(reinterpret_cast<vst::VstEvent*>(&s));
        } else {
            vst::VstMidiEvent& m = midi[static_cast<std::size_t>(i)];
            // Now and then an event type the plug-in does not know (never the SysEx type: a
            // record that claims it must be one).
            const int type = b.Small(10);
            m.type = b.Small(8) == 0 && type != vst::kVstSysExType ? type : vst::kVstMidiType;
            m.deltaFrames = static_cast<vst::Int32>(b.U32() % 8192) - 1024;
            for (int k = 0; k < 3; ++k)
                m.midiData[k] = static_cast<char>(b.U8());
            pointers.push_back(b.Small(16) == 0 ? nullptr : reinterpret_cast<vst::VstEvent*>(&m));
        }
    }
    std::vector<std::uint8_t> storage(sizeof(vst::VstEvents) + pointers.size() * sizeof(void*));
    auto* list = reinterpret_cast<vst::VstEvents*>(storage.data());
    list->numEvents = static_cast<vst::Int32>(pointers.size());
    if (!pointers.empty())
        std::memcpy(list->events, pointers.data(), pointers.size() * sizeof(void*));
    in.Dispatch(vst::effProcessEvents, 0, 0, list, 0.0f);
}

void ChunkRoundTrip(Instance& in, Bytes& b) {
    void* data = nullptr;
    const int index = b.Small(2);
    const vst::IntPtr size = in.Dispatch(vst::effGetChunk, index, 0, &data, 0.0f);
    if (size <= 0 || !data)
        return;
    std::vector<std::uint8_t> copy(static_cast<const std::uint8_t*>(data),
                                   static_cast<const std::uint8_t*>(data) + size);
    // Damage it: flip bytes, cut it short, or leave it whole.
    const int flips = b.Small(4);
    for (int i = 0; i < flips; ++i)
        copy[b.U32() % copy.size()] ^= static_cast<std::uint8_t>(1 << b.Small(8));
    if (b.Small(3) == 0)
        copy.resize(b.U32() % (copy.size() + 1));
    in.Dispatch(vst::effSetChunk, b.Small(2), static_cast<vst::IntPtr>(copy.size()), copy.data(),
                0.0f);
}

void Request(Instance& in, Bytes& b) {
    static constexpr std::array<vst::Int32, 40> kOpcodes{
        0,  2,  3,  4,  5,  6,  7,  8,  10, 11, 12, 13, 14, 15, 19, 22, 26, 27, 29, 33,
        34, 35, 42, 44, 45, 47, 48, 49, 50, 51, 52, 53, 58, 66, 69, 9,  16, 30, 60, 77};
    const vst::Int32 op = kOpcodes[static_cast<std::size_t>(b.Small(kOpcodes.size()))];
    const vst::Int32 index = static_cast<vst::Int32>(b.U32() % 200) - 50;
    vst::IntPtr value = static_cast<vst::Int32>(b.U32() % 300) - 50;
    const float opt = b.F32();
    const bool withPointer = b.Small(4) != 0;
    // A buffer big enough for any record or text a host hands in, holding fuzzed bytes that end
    // in a terminator (texts from a host are terminated).
    alignas(16) std::array<char, 1024> buffer{};
    for (std::size_t i = 0; i < 64; ++i)
        buffer[i] = static_cast<char>(b.U8());
    buffer[63] = '\0';
    vst::VstSpeakerArrangement arrangement{};
    arrangement.numChannels = static_cast<vst::Int32>(b.U8()) - 100;
    void* ptr = withPointer ? buffer.data() : nullptr;
    switch (op) {
    case vst::effSetSampleRate:
        in.Dispatch(op, index, value, ptr, b.Small(2) ? opt : 44100.0f + b.Small(200) * 1000.0f);
        return;
    case vst::effSetBlockSize:
        value = 1 + b.Small(255) * 16;
        if (in.Dispatch(op, index, value, ptr, opt) == 0)
            in.block = static_cast<int>(value);
        return;
    case vst::effSetSpeakerArrangement:
        value = b.Small(2) ? reinterpret_cast<vst::IntPtr>(&arrangement) : 0;
        in.Dispatch(op, index, value, withPointer ? &arrangement : nullptr, opt);
        return;
    case vst::effGetSpeakerArrangement:
        value = b.Small(2) ? reinterpret_cast<vst::IntPtr>(buffer.data() + 512) : 0;
        in.Dispatch(op, index, value, ptr, opt);
        return;
    case vst::effEditOpen:
        in.Dispatch(op, index, 0, nullptr, opt); // no parent window to offer
        return;
    default:
        in.Dispatch(op, index, value, ptr, opt);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes b(data, size);
    Instance in;
    if (!in.effect)
        return 0;
    in.Dispatch(vst::effOpen, 0, 0, nullptr, 0.0f);
    in.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    in.Dispatch(vst::effSetBlockSize, 0, 1024, nullptr, 0.0f);
    in.Dispatch(vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    for (int step = 0; step < 200 && !b.Empty(); ++step) {
        switch (b.Small(8)) {
        case 0:
        case 1:
            Request(in, b);
            break;
        case 2:
        case 3:
            Process(in, b);
            break;
        case 4:
            SendEvents(in, b);
            break;
        case 5:
            in.effect->setParameter(in.effect, static_cast<vst::Int32>(b.U8()) - 20, b.F32());
            in.effect->getParameter(in.effect, static_cast<vst::Int32>(b.U8()) - 20);
            break;
        case 6:
            ChunkRoundTrip(in, b);
            break;
        case 7:
            if (b.Small(8) == 0) { // a host closing and creating instances
                in.Close();
                in.effect = CreateEffect(&Host);
                in.block = 1024;
                if (!in.effect)
                    return 0;
            }
            break;
        }
    }
    return 0;
}
