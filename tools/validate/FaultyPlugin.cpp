// A small, well-behaved VST 2.4 instrument for the validator's own test, which can be told to
// misbehave in one way at a time through the environment variable VORLUNDA_FAULT: the
// validator must pass it as it is and fail the right group for every fault. Eight sine voices
// with a linear 50 ms release, two parameters (gain and tone), one program, chunks.
#include "vst2/VstAbi.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <numbers>
#include <string>
#include <thread>
#include <xmmintrin.h>

namespace {

using namespace vorlunda::vst;

enum class Fault {
    None,
    Nan,        // a NaN after a while
    Overrun,    // one sample written past the frame count
    Unwritten,  // the last frame left alone
    Subnormal,  // subnormal output samples where it would be silent (a habit, judged by cost)
    Allocate,   // heap allocation in every audio call
    Lock,       // a global mutex taken in every audio call
    File,       // a file opened in every audio call
    Mxcsr,      // flush-to-zero switched on and left on
    CrashChunk, // a chunk of the wrong size crashes (access violation)
    HalfChunk,  // a refused chunk changes the gain anyway, unchecked (huge, negative or NaN)
    LongText,   // parameter names padded with zeros after the terminator
    Stuck,      // notes never end
    Random,     // output depends on the clock
    SlowOpen,   // the entry point takes 200 ms
    SlowTail,   // released notes cost ten times as much while their arithmetic is subnormal
    HangRate,   // effSetSampleRate of an odd rate never returns
    BadText,    // display texts that effString2Parameter does not read back
    Race,       // a value shared by automation and audio without any lock (ThreadSanitizer)
    // Host-realistic habits the validator must pass:
    ZeroChunk, // effSetChunk answers 0, but loads the chunk
    PadText,   // every text zero-padded up to the interface's limit for its opcode
    NoParse,   // no effString2Parameter: every text refused
    NoVersion, // the entry point refuses a host that answers version 0
    SlowChunk, // 20 ms per chunk load, and a 4 KiB chunk
    Effect,    // an effect, not an instrument: refused once, before any group
    // And two more it must fail:
    CrashProgram, // effSetProgram out of range crashes
    NanProgram,   // NaN output after any program change
};

Fault TheFault() {
    static const Fault fault = [] {
        const char* text = std::getenv("VORLUNDA_FAULT");
        const std::string name = text ? text : "";
        static const std::pair<const char*, Fault> names[] = {{"nan", Fault::Nan},
                                                              {"overrun", Fault::Overrun},
                                                              {"unwritten", Fault::Unwritten},
                                                              {"subnormal", Fault::Subnormal},
                                                              {"allocate", Fault::Allocate},
                                                              {"lock", Fault::Lock},
                                                              {"file", Fault::File},
                                                              {"mxcsr", Fault::Mxcsr},
                                                              {"crashchunk", Fault::CrashChunk},
                                                              {"halfchunk", Fault::HalfChunk},
                                                              {"longtext", Fault::LongText},
                                                              {"stuck", Fault::Stuck},
                                                              {"random", Fault::Random},
                                                              {"slowopen", Fault::SlowOpen},
                                                              {"slowtail", Fault::SlowTail},
                                                              {"hangrate", Fault::HangRate},
                                                              {"badtext", Fault::BadText},
                                                              {"race", Fault::Race},
                                                              {"zerochunk", Fault::ZeroChunk},
                                                              {"padtext", Fault::PadText},
                                                              {"noparse", Fault::NoParse},
                                                              {"noversion", Fault::NoVersion},
                                                              {"slowchunk", Fault::SlowChunk},
                                                              {"effect", Fault::Effect},
                                                              {"crashprogram", Fault::CrashProgram},
                                                              {"nanprogram", Fault::NanProgram}};
        for (const auto& [n, f] : names)
            if (name == n)
                return f;
        return Fault::None;
    }();
    return fault;
}

std::mutex globalLock;
int unguarded = 0; // the race fault's shared value
#if defined(_WIN32)
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif
constexpr std::int32_t kChunkMagic = 0x46616B65; // "Fake"
constexpr double kRelease = 0.05;                // s
constexpr std::size_t kSlowChunk = 4096;         // bytes, the slow loader's chunk

struct Voice {
    int note = -1;
    double phase = 0.0;
    double level = 0.0; // 0..1, linear
    bool held = false;
};

struct Chunk {
    std::int32_t magic;
    float gain;
    float tone;
};

// The slow loader's chunk: the same fields, then zeros.
struct BigChunk {
    Chunk head;
    char rest[kSlowChunk - sizeof(Chunk)];
};

class Faulty {
public:
    AEffect effect{};
    HostCallback host = nullptr;
    std::recursive_mutex mutex;
    double rate = 44100.0;
    float gain = 0.5f;
    float tone = 0.5f;
    std::array<Voice, 8> voices{};
    struct Pending {
        int offset;
        int status;
        int note;
        int velocity;
    };
    std::array<Pending, 512> pending{};
    int pendingCount = 0;
    long long rendered = 0;
    bool programChanged = false;
    Chunk chunk{};
    BigChunk bigChunk{};

    void Handle(const Pending& e) {
        const int kind = e.status & 0xF0;
        if (kind == 0x90 && e.velocity > 0) {
            Voice* v = &voices[0];
            for (Voice& candidate : voices)
                if (candidate.level <= 0.0) {
                    v = &candidate;
                    break;
                }
            *v = Voice{e.note, 0.0, 1.0, true};
        } else if (kind == 0x80 || kind == 0x90) {
            for (Voice& voice : voices)
                if (voice.note == e.note)
                    voice.held = false;
        } else if (kind == 0xB0 && (e.note == 120 || e.note == 123)) {
            for (Voice& voice : voices)
                voice.held = false;
        }
        if (TheFault() == Fault::Stuck)
            for (Voice& voice : voices)
                voice.held = voice.level > 0.0;
    }

    template <typename Sample>
    void Render(Sample** outputs, int frames) {
        if (TheFault() == Fault::Allocate) {
            // Through a volatile, which the compiler may not elide as it may a plain pair.
            void* volatile p = std::malloc(64);
            std::free(p);
        }
        if (TheFault() == Fault::Lock) {
            std::lock_guard<std::mutex> other(globalLock);
        }
        if (TheFault() == Fault::File) {
            if (FILE* f = std::fopen(kNullDevice, "rb"))
                std::fclose(f);
        }
        if (TheFault() == Fault::Mxcsr)
            _mm_setcsr(_mm_getcsr() | 0x8040);
        const int written = TheFault() == Fault::Unwritten ? frames - 1
                            : TheFault() == Fault::Overrun ? frames + 1
                                                           : frames;
        if (TheFault() == Fault::Race && unguarded < 0)
            return;
        const double step = 1.0 / (kRelease * rate);
        bool releasing = false;
        int next = 0;
        for (int i = 0; i < written; ++i) {
            while (next < pendingCount && pending[static_cast<std::size_t>(next)].offset <= i)
                Handle(pending[static_cast<std::size_t>(next++)]);
            double sum = 0.0;
            for (Voice& v : voices) {
                if (v.level <= 0.0)
                    continue;
                const double frequency = 440.0 * std::pow(2.0, (v.note - 69) / 12.0);
                sum += std::sin(v.phase) * v.level * (0.5 + 0.5 * tone) * 0.1;
                v.phase = std::fmod(v.phase + 2.0 * std::numbers::pi * frequency / rate,
                                    2.0 * std::numbers::pi);
                if (!v.held) {
                    releasing = true;
                    v.level = std::max(v.level - step, 0.0);
                }
            }
            double out = sum * gain;
            if ((TheFault() == Fault::Nan && rendered > 20000) ||
                (TheFault() == Fault::NanProgram && programChanged))
                out = std::nan("");

            if (TheFault() == Fault::Random)
                out += static_cast<double>(
                           std::chrono::steady_clock::now().time_since_epoch().count() % 1000) *
                       1e-6;
            Sample sample = static_cast<Sample>(out);
            if (TheFault() == Fault::Subnormal && sample == Sample(0))
                sample = std::numeric_limits<Sample>::min() / Sample(2);
            for (int c = 0; c < 2; ++c)
                outputs[c][i] = sample;
        }
        while (next < pendingCount)
            Handle(pending[static_cast<std::size_t>(next++)]);
        pendingCount = 0;
        rendered += frames;
        if (TheFault() == Fault::SlowTail && releasing) {
            // A decaying state halved below the smallest normal number: subnormal in the
            // host's plain mode, zero with flush-to-zero. The extra work stands for what a
            // processor spends on subnormal operands, so it happens only when they exist.
            volatile double smallest = std::numeric_limits<double>::min();
            const double state = smallest * 0.5;
            if (std::fpclassify(state) == FP_SUBNORMAL) {
                volatile double burn = 0.0;
                for (int k = 0; k < frames * 400; ++k)
                    burn = burn + std::sqrt(static_cast<double>(k));
            }
        }
    }
};

Faulty* Self(AEffect* effect) {
    return effect ? static_cast<Faulty*>(effect->object) : nullptr;
}

// A text into a buffer of `room` bytes; the padding fault fills all of them with zeros after
// the text, as a strncpy into a fixed field does.
void CopyText(void* ptr, const char* text, std::size_t room) {
    const std::size_t length = std::min(std::strlen(text), room - 1);
    std::memcpy(ptr, text, length);
    if (TheFault() == Fault::PadText)
        std::memset(static_cast<char*>(ptr) + length, 0, room - length);
    else
        static_cast<char*>(ptr)[length] = '\0';
}

// The interface's limits (characters before the terminator) of the texts this plug-in writes.
constexpr std::size_t kParamRoom = 8 + 1;
constexpr std::size_t kProgramRoom = 24 + 1;
constexpr std::size_t kEffectRoom = 32 + 1;
constexpr std::size_t kVendorRoom = 64 + 1;

std::string Display(float value) {
    char text[32];
    if (TheFault() == Fault::BadText)
        std::snprintf(text, sizeof text, "%.1f%%", value * 100.0f);
    else
        std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

IntPtr VORLUNDA_VST_CALL Dispatcher(AEffect* effect, Int32 opcode, Int32 index, IntPtr value,
                                    void* ptr, float opt) {
    Faulty* self = Self(effect);
    if (!self)
        return 0;
    if (opcode == effClose) {
        delete self;
        return 0;
    }
    std::lock_guard<std::recursive_mutex> lock(self->mutex);
    switch (opcode) {
    case effSetSampleRate:
        if (TheFault() == Fault::HangRate && opt > 1234.0f && opt < 1235.0f)
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        if (opt >= 1000.0f && opt <= 1e6f)
            self->rate = opt;
        return 0;
    case effGetParamName:
        if (ptr && index >= 0 && index < 2) {
            // A bounded copy that pads 300 bytes, past any host's buffer, when asked to
            // misbehave.
            if (TheFault() == Fault::LongText)
                std::strncpy(static_cast<char*>(ptr), index ? "Tone" : "Gain", 300);
            else
                CopyText(ptr, index ? "Tone" : "Gain", kParamRoom);
        }
        return 0;
    case effGetParamLabel:
        if (ptr && index >= 0 && index < 2)
            CopyText(ptr, "", kParamRoom);
        return 0;
    case effGetParamDisplay:
        if (ptr && index >= 0 && index < 2)
            CopyText(ptr, Display(index ? self->tone : self->gain).c_str(), kParamRoom);
        return 0;
    case effString2Parameter:
        if (!ptr || index < 0 || index >= 2 || TheFault() == Fault::NoParse)
            return 0;
        {
            const float v =
                std::clamp(std::strtof(static_cast<const char*>(ptr), nullptr), 0.0f, 1.0f);
            (index ? self->tone : self->gain) = v;
        }
        return 1;
    case effGetProgramName:
    case effGetProgramNameIndexed:
        if (ptr)
            CopyText(ptr, "Fake", kProgramRoom);
        return opcode == effGetProgramNameIndexed && index == 0 ? 1 : 0;
    case effGetEffectName:
    case effGetProductString:
        if (ptr)
            CopyText(ptr, "Faulty", opcode == effGetEffectName ? kEffectRoom : kVendorRoom);
        return 1;
    case effGetVendorString:
        if (ptr)
            CopyText(ptr, "Vorlunda tests", kVendorRoom);
        return 1;
    case effSetProgram:
        if (TheFault() == Fault::CrashProgram && (value < 0 || value >= effect->numPrograms)) {
            volatile int* volatile nowhere = nullptr;
            *nowhere = 1;
        }
        self->programChanged = true;
        return 0;
    case effGetChunk:
        if (!ptr)
            return 0;
        self->chunk = Chunk{kChunkMagic, self->gain, self->tone};
        if (TheFault() == Fault::SlowChunk) {
            self->bigChunk.head = self->chunk;
            *static_cast<void**>(ptr) = &self->bigChunk;
            return sizeof(BigChunk);
        }
        *static_cast<void**>(ptr) = &self->chunk;
        return sizeof(Chunk);
    case effSetChunk: {
        if (TheFault() == Fault::CrashChunk && value != static_cast<IntPtr>(sizeof(Chunk)) &&
            value > 0) {
            // A write through a null pointer the compiler cannot see as one: a real crash.
            volatile int* volatile nowhere = nullptr;
            *nowhere = 1;
        }
        Chunk in{};
        const std::size_t size = TheFault() == Fault::SlowChunk ? sizeof(BigChunk) : sizeof(Chunk);
        if (TheFault() == Fault::SlowChunk)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!ptr || value != static_cast<IntPtr>(size))
            return 0;
        std::memcpy(&in, ptr, sizeof in);
        if (TheFault() == Fault::HalfChunk)
            self->gain = in.gain; // unchecked: whatever the damaged bits say
        if (in.magic != kChunkMagic || !(in.gain >= 0.0f && in.gain <= 1.0f) ||
            !(in.tone >= 0.0f && in.tone <= 1.0f))
            return 0;
        self->gain = in.gain;
        self->tone = in.tone;
        return TheFault() == Fault::ZeroChunk ? 0 : 1;
    }
    case effProcessEvents: {
        const auto* events = static_cast<const VstEvents*>(ptr);
        if (!events)
            return 0;
        for (Int32 i = 0; i < events->numEvents; ++i) {
            const VstEvent* e = events->events[i];
            if (!e || e->type != kVstMidiType || self->pendingCount >= 512)
                continue;
            const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
            self->pending[static_cast<std::size_t>(self->pendingCount++)] = {
                m->deltaFrames, static_cast<unsigned char>(m->midiData[0]), m->midiData[1] & 0x7F,
                m->midiData[2] & 0x7F};
        }
        // Insertion sort: std::stable_sort would allocate on the audio thread.
        for (int i = 1; i < self->pendingCount; ++i)
            for (int j = i; j > 0 && self->pending[static_cast<std::size_t>(j - 1)].offset >
                                         self->pending[static_cast<std::size_t>(j)].offset;
                 --j)
                std::swap(self->pending[static_cast<std::size_t>(j - 1)],
                          self->pending[static_cast<std::size_t>(j)]);
        return 1;
    }
    case effGetPlugCategory:
        return kPlugCategSynth;
    case effGetVstVersion:
        return kVstVersion;
    case effCanDo:
        return ptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0;
    default:
        return 0;
    }
}

void VORLUNDA_VST_CALL ProcessReplacing(AEffect* effect, float**, float** outputs, Int32 frames) {
    Faulty* self = Self(effect);
    std::lock_guard<std::recursive_mutex> lock(self->mutex);
    self->Render(outputs, frames);
}

void VORLUNDA_VST_CALL ProcessDouble(AEffect* effect, double**, double** outputs, Int32 frames) {
    Faulty* self = Self(effect);
    std::lock_guard<std::recursive_mutex> lock(self->mutex);
    self->Render(outputs, frames);
}

void VORLUNDA_VST_CALL Accumulate(AEffect* effect, float**, float** outputs, Int32 frames) {
    Faulty* self = Self(effect);
    std::lock_guard<std::recursive_mutex> lock(self->mutex);
    // One more than a piece, for the fault that writes past the frame count.
    float left[8193];
    float right[8193];
    float* mine[2] = {left, right};
    for (Int32 done = 0; done < frames; done += 8192) {
        const Int32 n = std::min<Int32>(8192, frames - done);
        self->Render(mine, n);
        for (Int32 i = 0; i < n; ++i) {
            outputs[0][done + i] += left[i];
            outputs[1][done + i] += right[i];
        }
    }
}

void VORLUNDA_VST_CALL SetParameter(AEffect* effect, Int32 index, float value) {
    Faulty* self = Self(effect);
    if (TheFault() == Fault::Race)
        unguarded = index;
    std::lock_guard<std::recursive_mutex> lock(self->mutex);
    if (index >= 0 && index < 2)
        (index ? self->tone : self->gain) = std::clamp(value, 0.0f, 1.0f);
}

float VORLUNDA_VST_CALL GetParameter(AEffect* effect, Int32 index) {
    Faulty* self = Self(effect);
    std::lock_guard<std::recursive_mutex> lock(self->mutex);
    return index == 0 ? self->gain : index == 1 ? self->tone : 0.0f;
}

} // namespace

#if defined(_WIN32)
#define FAULTY_EXPORT __declspec(dllexport)
#else
#define FAULTY_EXPORT __attribute__((visibility("default")))
#endif

extern "C" FAULTY_EXPORT AEffect* VORLUNDA_VST_CALL VSTPluginMain(HostCallback host) {
    if (TheFault() == Fault::SlowOpen)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (TheFault() == Fault::NoVersion &&
        (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0))
        return nullptr;
    auto* self = new Faulty;
    self->host = host;
    AEffect& e = self->effect;
    e.magic = kEffectMagic;
    e.dispatcher = Dispatcher;
    e.process = Accumulate;
    e.setParameter = SetParameter;
    e.getParameter = GetParameter;
    e.numPrograms = 1;
    e.numParams = 2;
    e.numInputs = 0;
    e.numOutputs = 2;
    e.flags =
        effFlagsCanReplacing | effFlagsIsSynth | effFlagsProgramChunks | effFlagsCanDoubleReplacing;
    if (TheFault() == Fault::Effect)
        e.flags &= ~effFlagsIsSynth;
    e.ioRatio = 1.0f;
    e.object = self;
    e.uniqueID = 0x46616B65;
    e.version = 1;
    e.processReplacing = ProcessReplacing;
    e.processDoubleReplacing = ProcessDouble;
    return &e;
}
