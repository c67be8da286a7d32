// The microtuning client against fake MTS-ESP libraries (tests/fake_mts). Natively the fake is
// loaded from beside the test executable through the test hook; under Windows (wine) it is
// copied into the system directory and loaded from there exactly as the plug-in loads it.
#include "engine/OscillatorTables.h"
#include "engine/ParameterTable.h"
#include "platform/DynamicLibrary.h"
#include "support/EmptyPrograms.h"
#include "support/InstrumentHarness.h"
#include "support/TestEnvironment.h"
#include "support/TestHost.h"
#include "synth/TuningClient.h"
#include "synth/TuningLibrary.h"
#include "vst2/VstAbi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vorlunda {
namespace {

using test::InstrumentHarness;
using test::ZeroCrossingFrequency;

constexpr int kTick = 48; // samples per control tick at 48 kHz

// Client functions in the order of their export names, as the fake counts them.
enum MtsFunction : int {
    kRegisterClient,
    kDeregisterClient,
    kHasMaster,
    kShouldFilterNote,
    kShouldFilterNoteMultiChannel,
    kGetTuningTable,
    kGetMultiChannelTuningTable,
    kUseMultiChannelTuning,
    kGetScaleName,
    kMtsFunctionCount
};

std::filesystem::path ExecutableFolder() {
#ifdef _WIN32
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

// The control side of a fake library, opened at the same path as the plug-in opens it, so both
// reach the same loaded module and the same state.
class FakeMts {
public:
    explicit FakeMts(const std::string& path) {
        if (!library.Open(path))
            return;
        Find("FakeMts_Reset", reset);
        Find("FakeMts_SetNoteFrequency", setNoteFrequency);
        Find("FakeMts_SetHasMaster", setHasMaster);
        Find("FakeMts_SetOffersTable", setOffersTable);
        Find("FakeMts_SetFilter", setFilter);
        Find("FakeMts_Count", count);
        Find("FakeMts_LastFilterNote", lastFilterNote);
        Find("FakeMts_LastFilterChannel", lastFilterChannel);
    }
    FakeMts(const FakeMts&) = delete;
    FakeMts& operator=(const FakeMts&) = delete;

    bool Usable() const { return library.IsOpen() && reset && count && lastFilterChannel; }
    void Reset() const { reset(); }
    void SetNoteFrequency(int note, double hz) const { setNoteFrequency(note, hz); }
    void SetHasMaster(bool on) const { setHasMaster(on ? 1 : 0); }
    void SetOffersTable(bool on) const { setOffersTable(on ? 1 : 0); }
    void SetFilter(int note, bool on) const { setFilter(note, on ? 1 : 0); }
    int Count(MtsFunction f) const { return count(f); }
    int TotalCalls() const {
        int total = 0;
        for (int f = 0; f < kMtsFunctionCount; ++f)
            total += count(f);
        return total;
    }
    int LastFilterNote() const { return lastFilterNote(); }
    int LastFilterChannel() const { return lastFilterChannel(); }

private:
    template <typename Function>
    void Find(const char* name, Function& out) {
        out = reinterpret_cast<Function>(library.Symbol(name));
    }

    DynamicLibrary library;
    void (*reset)() = nullptr;
    void (*setNoteFrequency)(int, double) = nullptr;
    void (*setHasMaster)(int) = nullptr;
    void (*setOffersTable)(int) = nullptr;
    void (*setFilter)(int, int) = nullptr;
    int (*count)(int) = nullptr;
    int (*lastFilterNote)() = nullptr;
    int (*lastFilterChannel)() = nullptr;
};

// The instrument with every parameter at its default (a plain saw, whatever factory program 0
// is) and its held keys visible.
class TunedInstrument : public InstrumentHarness {
public:
    explicit TunedInstrument(double rate = 48000.0) : InstrumentHarness(rate) {
        test::EmptyAllPrograms(*this);
    }
    bool Holds(int note) const { return heldNotes.Contains(note); }
    int Pitch(int note) { return NoteToPitch(note, 100, 0); }
};

// 440 * 2^((note - 69 + 0.5) / 12): every note a quarter tone above equal temperament.
double QuarterToneSharp(int note) {
    return 440.0 * std::pow(2.0, (note - 69 + 0.5) / 12.0);
}

// The full fake put where the plug-in looks for the library, and the process-wide state loaded
// again from there as the module load does. Under Windows the fake is copied into the system
// directory. Natively /usr/local/lib must stay untouched: the fake carries the soname
// "/usr/local/lib/libMTS.so", and while the test holds it open the dynamic loader answers that
// path with it. Every test leaves the process without a library again.
class Tuning : public ::testing::Test {
protected:
    void SetUp() override {
        TuningLibrary::LoadFromPathForTest(nullptr);
#ifdef _WIN32
        installed = TuningLibrary::DefaultPath();
        ASSERT_FALSE(installed.empty());
        std::error_code error;
        std::filesystem::copy_file(ExecutableFolder() / VORLUNDA_FAKE_MTS, installed,
                                   std::filesystem::copy_options::overwrite_existing, error);
        ASSERT_FALSE(error) << "cannot install " << installed << ": " << error.message();
#else
        installed = (ExecutableFolder() / VORLUNDA_FAKE_MTS).string();
#endif
        fake = std::make_unique<FakeMts>(installed);
        ASSERT_TRUE(fake->Usable()) << installed;
        fake->Reset();
        ASSERT_TRUE(LoadPluginLibrary());
    }

    void TearDown() override {
        TuningLibrary::LoadFromPathForTest(nullptr);
        fake.reset();
#ifdef _WIN32
        std::error_code error;
        std::filesystem::remove(installed, error);
        EXPECT_FALSE(error) << error.message();
#endif
        // Whatever the process finds by itself: no library on these machines.
        EXPECT_FALSE(TuningLibrary::ReloadForTest());
    }

    // Runs the module-load steps again, from where the platform keeps the library.
    static bool LoadPluginLibrary() {
        TuningLibrary::LoadFromPathForTest(nullptr);
        return TuningLibrary::ReloadForTest();
    }

    std::string installed;
    std::unique_ptr<FakeMts> fake;
};

TEST_F(Tuning, LibraryIsFoundWhereThePlatformKeepsItAndReadOnce) {
#ifdef _WIN32
    char system[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(TuningLibrary::DefaultPath(), std::string(system, length) + "\\LIBMTS.dll");
#else
    EXPECT_EQ(TuningLibrary::DefaultPath(), "/usr/local/lib/libMTS.so");
#endif
    const TuningLibrary& library = TuningLibrary::Global();
    ASSERT_TRUE(library.Loaded());
    const TuningLibrary::EntryPoints& f = library.Functions();
    EXPECT_TRUE(f.registerClient && f.deregisterClient && f.hasMaster && f.shouldFilterNote &&
                f.shouldFilterNoteMultiChannel && f.getTuningTable &&
                f.getMultiChannelTuningTable && f.useMultiChannelTuning && f.getScaleName);
    // The load asks for the master table once and for each of the 16 channel tables once, and
    // calls nothing else.
    EXPECT_EQ(fake->Count(kGetTuningTable), 1);
    EXPECT_EQ(fake->Count(kGetMultiChannelTuningTable), 16);
    EXPECT_EQ(fake->TotalCalls(), 17);
    ASSERT_NE(library.MasterTable(), nullptr);
    EXPECT_EQ(library.MasterTable()[69], 440.0);
    for (int channel = 0; channel < 16; ++channel)
        EXPECT_NE(library.ChannelTable(channel), nullptr);
    EXPECT_EQ(library.ChannelTable(16), nullptr);
    // Reference periods: 1 / 440 s for A4, an octave up half of it.
    EXPECT_DOUBLE_EQ(library.ReferencePeriod(69), 1.0 / 440.0);
    EXPECT_DOUBLE_EQ(library.ReferencePeriod(81), 1.0 / 880.0);
}

TEST_F(Tuning, MasterA440GivesPitch8832Exactly) {
    TunedInstrument synth;
    ASSERT_TRUE(synth.Tuning()->HasMaster());
    EXPECT_EQ(synth.Tuning()->NoteFrequency(69), 440.0);
    // The search meets PitchToFrequency(8832) = 440 exactly and stops there.
    EXPECT_EQ(synth.Tuning()->NoteToPitch(69), 8832);
    synth.Midi(0x90, 69, 100);
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(0).targetPitch, 8832);
}

TEST_F(Tuning, OneHertzGivesPitch4AndThirtyKilohertzPitch17276) {
    fake->SetNoteFrequency(60, 1.0);
    fake->SetNoteFrequency(61, 30000.0);
    TunedInstrument synth;
    // Both lie outside 8.176..19912 Hz: the search walks to the end of its reach, 8640 minus or
    // plus the sum of its halving steps 4320 + 2160 + ... + 1 = 8636.
    EXPECT_EQ(synth.Pitch(60), 4);
    EXPECT_EQ(synth.Pitch(61), 17276);
}

TEST_F(Tuning, QuarterToneTableShiftsTheRenderedFundamental) {
    for (int note = 0; note < 128; ++note)
        fake->SetNoteFrequency(note, QuarterToneSharp(note));
    const double rate = 48000.0;
    TunedInstrument tuned(rate);
    tuned.Midi(0x90, 69, 100);
    tuned.Render(48000);
    // 440 * 2^(1/24) = 452.893 Hz lies between PitchToFrequency(8895) = 452.877 and (8896) =
    // 453.082 (linear between 440 and 466.164 Hz within the semitone); the search settles on
    // 8896, note 69 and a half.
    EXPECT_EQ(tuned.VoiceAt(0).targetPitch, 8896);
    const double shifted = ZeroCrossingFrequency(tuned.left, 4800, rate);
    EXPECT_NEAR(shifted, PitchToFrequency(8896), 0.1);

    fake->SetHasMaster(false);
    TunedInstrument plain(rate);
    plain.Midi(0x90, 69, 100);
    plain.Render(48000);
    const double unshifted = ZeroCrossingFrequency(plain.left, 4800, rate);
    EXPECT_NEAR(unshifted, 440.0, 0.1);
    // A quarter tone is 50 cents; the linear interpolation within the semitone adds 0.8 cent.
    EXPECT_NEAR(1200.0 * std::log2(shifted / unshifted), 50.0, 1.0);
}

TEST_F(Tuning, FilteredNoteOnAndItsNoteOffLeaveEveryVoiceIdle) {
    fake->SetFilter(64, true);
    TunedInstrument synth;
    synth.Midi(0x90, 64, 100);
    synth.Render(kTick * 10);
    EXPECT_EQ(fake->LastFilterNote(), 64);
    EXPECT_EQ(fake->LastFilterChannel(), 0xFF); // asked for all channels at once
    EXPECT_FALSE(synth.Holds(64));
    synth.Midi(0x80, 64, 0);
    synth.Render(kTick * 10);
    for (int i = 0; i < InstrumentHarness::kMaxVoices; ++i) {
        const Voice& v = synth.VoiceAt(i);
        EXPECT_FALSE(v.active || v.sounding || v.keyDown) << "voice " << i;
        EXPECT_NE(v.note, 64) << "voice " << i;
    }
    EXPECT_EQ(test::Rms(synth.left, 0, synth.left.size()), 0.0);

    // An unfiltered note still plays.
    synth.Midi(0x90, 65, 100);
    synth.Render(kTick);
    EXPECT_TRUE(synth.VoiceAt(0).sounding);
    EXPECT_EQ(synth.VoiceAt(0).note, 65);
}

TEST_F(Tuning, NoteOffsAreNeverFiltered) {
    TunedInstrument synth;
    synth.Midi(0x90, 64, 100);
    synth.Render(kTick);
    ASSERT_TRUE(synth.VoiceAt(0).keyDown);
    // The master starts filtering the note while it sounds: its note-off still releases it, and
    // a second note-on for it is ignored without taking the voice.
    fake->SetFilter(64, true);
    synth.Midi(0x90, 64, 30);
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(0).velocity, 100);
    const int filterCalls = fake->Count(kShouldFilterNote);
    synth.Midi(0x80, 64, 0);
    synth.Render(kTick);
    EXPECT_FALSE(synth.VoiceAt(0).keyDown);
    EXPECT_FALSE(synth.VoiceAt(0).sounding);
    EXPECT_EQ(fake->Count(kShouldFilterNote), filterCalls);
}

TEST_F(Tuning, RegistersOncePerInstanceAndDeregistersOnceAtDestruction) {
    auto first = std::make_unique<TunedInstrument>();
    EXPECT_EQ(fake->Count(kRegisterClient), 1);
    auto second = std::make_unique<TunedInstrument>();
    EXPECT_EQ(fake->Count(kRegisterClient), 2);
    first->Midi(0x90, 60, 100);
    first->Render(kTick * 4);
    EXPECT_EQ(fake->Count(kRegisterClient), 2);
    EXPECT_EQ(fake->Count(kDeregisterClient), 0);
    first.reset();
    EXPECT_EQ(fake->Count(kDeregisterClient), 1);
    second.reset();
    EXPECT_EQ(fake->Count(kRegisterClient), 2);
    EXPECT_EQ(fake->Count(kDeregisterClient), 2);
}

TEST_F(Tuning, BadMasterTablesGivePitchesInsideTheEngineRange) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double hz;
        int pitch;
    };
    // Anything below 8.176 Hz walks down to 4, anything above 19912 Hz up to 17276; NaN is
    // neither smaller nor larger than the first probe and stops on 8640.
    const Case cases[] = {{0.0, 4},
                          {-440.0, 4},
                          {-inf, 4},
                          {1e-300, 4},
                          {std::numeric_limits<double>::denorm_min(), 4},
                          {std::numeric_limits<double>::quiet_NaN(), 8640},
                          {1e300, 17276},
                          {inf, 17276},
                          {std::numeric_limits<double>::max(), 17276}};
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i)
        fake->SetNoteFrequency(40 + i, cases[i].hz);
    TunedInstrument synth;
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        EXPECT_EQ(synth.Pitch(40 + i), cases[i].pitch) << cases[i].hz;
        EXPECT_EQ(TuningClient::FrequencyToPitch(cases[i].hz), cases[i].pitch) << cases[i].hz;
        synth.Midi(0x90, 40 + i, 100);
    }
    synth.Render(4800);
    for (double x : synth.left)
        ASSERT_TRUE(std::isfinite(x));
    EXPECT_GT(test::Rms(synth.left, 0, synth.left.size()), 0.0);
}

TEST_F(Tuning, TableIsReadAtNoteStartAndAtMonoReturnOnly) {
    fake->SetNoteFrequency(60, 1.0); // pitch 4
    TunedInstrument synth;
    synth.Set(kVoices, 0); // 1 voice
    synth.Midi(0x90, 60, 100);
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(0).targetPitch, 4);
    // A sounding note keeps the pitch it started with.
    fake->SetNoteFrequency(60, 440.0); // pitch 8832
    synth.Render(kTick * 10);
    EXPECT_EQ(synth.VoiceAt(0).targetPitch, 4);
    // The return to the held note starts it again and reads its new frequency.
    synth.Midi(0x90, 64, 100);
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(0).note, 64);
    synth.Midi(0x80, 64, 0);
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(0).note, 60);
    EXPECT_EQ(synth.VoiceAt(0).targetPitch, 8832);
}

TEST_F(Tuning, RepeatRetriggerReadsTheTableAgain) {
    TunedInstrument synth(48000.0);
    synth.Set(kRepeat, 1);
    synth.Set(kLfoRate, 2.0); // a retrigger every 0.5 s
    synth.Midi(0x90, 69, 100);
    synth.Render(kTick * 10);
    EXPECT_EQ(synth.VoiceAt(0).targetPitch, 8832);
    fake->SetNoteFrequency(69, 1.0); // pitch 4
    // Within a second the note retriggers at least once without a new note-on.
    synth.Render(48000);
    EXPECT_EQ(synth.VoiceAt(0).targetPitch, 4);
    EXPECT_TRUE(synth.VoiceAt(0).keyDown);
}

TEST_F(Tuning, WithoutActiveMasterEqualTemperamentAndNoFilter) {
    for (int note = 0; note < 128; ++note)
        fake->SetNoteFrequency(note, QuarterToneSharp(note));
    fake->SetFilter(69, true);
    fake->SetHasMaster(false);
    TunedInstrument synth;
    EXPECT_FALSE(synth.Tuning()->HasMaster());
    EXPECT_EQ(synth.Tuning()->NoteFrequency(69), 440.0);
    EXPECT_EQ(synth.Pitch(69), 8832);
    synth.Midi(0x90, 69, 100);
    synth.Render(kTick);
    EXPECT_TRUE(synth.VoiceAt(0).sounding);
    EXPECT_EQ(synth.VoiceAt(0).targetPitch, 8832);
    EXPECT_EQ(fake->Count(kShouldFilterNote), 0);
}

TEST_F(Tuning, NoMasterTableMeansNoMaster) {
    fake->SetOffersTable(false);
    ASSERT_TRUE(LoadPluginLibrary());
    EXPECT_EQ(TuningLibrary::Global().MasterTable(), nullptr);
    const int before = fake->TotalCalls();
    TunedInstrument synth;
    EXPECT_FALSE(synth.Tuning()->HasMaster());
    EXPECT_EQ(synth.Pitch(69), 8832);
    // Without a table the library is not even asked whether a master is active.
    EXPECT_EQ(fake->Count(kHasMaster), 0);
    EXPECT_EQ(fake->TotalCalls(), before + 1); // the registration
}

// --- Through the plug-in library, as a host loads and plays it ---

// A private copy of the built plug-in library, loaded under its own name: a module of its own,
// whose first instance (and with it the tuning library lookup) runs with the fake in place, and
// whose unload releases the fake again.
class PluginCopy {
public:
    PluginCopy() {
        const std::filesystem::path built = ExecutableFolder() / VORLUNDA_TUNING_PLUGIN;
        path =
            std::filesystem::path(test::TemporaryRoot()) / ("tuned-" + built.filename().string());
        std::error_code error;
        std::filesystem::copy_file(built, path, std::filesystem::copy_options::overwrite_existing,
                                   error);
        if (!error)
            library.Open(path.string());
    }
    ~PluginCopy() {
        library.Close();
        std::error_code error;
        std::filesystem::remove(path, error);
    }
    PluginCopy(const PluginCopy&) = delete;
    PluginCopy& operator=(const PluginCopy&) = delete;

    bool Loaded() const { return library.IsOpen(); }
    // A started instance (opened, 48 kHz, blocks of 512, processing on), or null.
    vst::AEffect* CreateInstance() {
        vst::AEffect* effect = host.Create(library.Entry());
        if (!effect)
            return nullptr;
        vsthost::Instance calls(effect, nullptr);
        calls.Open(48000.0, 512);
        calls.Dispatch(vst::effMainsChanged, 0, 1);
        return effect;
    }

private:
    std::filesystem::path path;
    vsthost::PluginLibrary library;
    test::TestHost host;
};

void SendMidi(vst::AEffect* effect, int status, int data1, int data2) {
    vst::VstMidiEvent midi{};
    midi.type = vst::kVstMidiType;
    midi.byteSize = sizeof midi;
    midi.midiData[0] = static_cast<char>(status);
    midi.midiData[1] = static_cast<char>(data1);
    midi.midiData[2] = static_cast<char>(data2);
    vst::VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::VstEvent*>(&midi);
    effect->dispatcher(effect, vst::effProcessEvents, 0, 0, &list, 0.0f);
}

// Plays note 69 for one second through processReplacing; the fundamental (Hz) after 0.1 s.
double PlayA4(vst::AEffect* effect) {
    constexpr int kBlock = 512;
    constexpr double kRate = 48000.0;
    std::vector<float> l(kBlock), r(kBlock);
    float* outputs[2] = {l.data(), r.data()};
    std::vector<double> left;
    SendMidi(effect, 0x90, 69, 100);
    while (left.size() < 48000) {
        effect->processReplacing(effect, nullptr, outputs, kBlock);
        left.insert(left.end(), l.begin(), l.end());
    }
    SendMidi(effect, 0x80, 69, 0);
    return ZeroCrossingFrequency(left, 4800, kRate);
}

// Every parameter at its default, as a program chunk that a host hands back with effSetChunk.
StateChunk DefaultProgramChunk() {
    TunedInstrument reference;
    StateChunk chunk;
    reference.WriteProgramChunk(chunk);
    return chunk;
}

TEST_F(Tuning, QuarterToneShiftThroughThePluginEntryPoint) {
    for (int note = 0; note < 128; ++note)
        fake->SetNoteFrequency(note, QuarterToneSharp(note));
    StateChunk program = DefaultProgramChunk();
    const int tablesFetched = fake->Count(kGetTuningTable);
    const int registered = fake->Count(kRegisterClient);
    const int deregistered = fake->Count(kDeregisterClient);
    {
        const int callsBeforeLoad = fake->TotalCalls();
        PluginCopy plugin;
        ASSERT_TRUE(plugin.Loaded());
        // Loading the module touches no tuning library: under Windows its static initialisers
        // run under the loader lock, where loading another library is forbidden.
        EXPECT_EQ(fake->TotalCalls(), callsBeforeLoad);
        vst::AEffect* effect = plugin.CreateInstance();
        ASSERT_NE(effect, nullptr);
        // The first instance found the fake where the platform keeps it.
        EXPECT_EQ(fake->Count(kGetTuningTable), tablesFetched + 1);
        EXPECT_EQ(fake->Count(kRegisterClient), registered + 1);
        // Index 1: a program chunk.
        EXPECT_NE(effect->dispatcher(effect, vst::effSetChunk, 1, program.ByteCount(),
                                     program.Data(), 0.0f),
                  0);

        const double shifted = PlayA4(effect);
        fake->SetHasMaster(false); // read again at the next note start
        const double plain = PlayA4(effect);
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        EXPECT_EQ(fake->Count(kDeregisterClient), deregistered + 1);

        // Pitch 8896 for 440 * 2^(1/24) Hz, as for the instrument alone.
        EXPECT_NEAR(shifted, PitchToFrequency(8896), 0.1);
        EXPECT_NEAR(plain, 440.0, 0.1);
        EXPECT_NEAR(1200.0 * std::log2(shifted / plain), 50.0, 1.0);
    }
}

// Without any library, and with a library that lacks functions: equal temperament, no filter,
// nothing reported.
class TuningFallback : public ::testing::Test {
protected:
    void TearDown() override { TuningLibrary::ReloadForTest(); }
};

TEST_F(TuningFallback, WithoutLibraryNote69IsPitch8832AndNothingIsCalled) {
    FakeMts fake((ExecutableFolder() / VORLUNDA_FAKE_MTS).string());
    ASSERT_TRUE(fake.Usable());
    fake.Reset();
    const std::string missing =
        (ExecutableFolder() / "no-such-folder" / VORLUNDA_FAKE_MTS).string();
    EXPECT_FALSE(TuningLibrary::LoadFromPathForTest(missing.c_str()));
    const TuningLibrary& library = TuningLibrary::Global();
    EXPECT_EQ(library.MasterTable(), nullptr);
    EXPECT_EQ(library.Functions().registerClient, nullptr);
    EXPECT_EQ(library.Functions().getTuningTable, nullptr);
    EXPECT_EQ(library.ChannelTable(0), nullptr);
    {
        TunedInstrument synth;
        EXPECT_FALSE(synth.Tuning()->HasMaster());
        EXPECT_FALSE(synth.Tuning()->ShouldFilterNote(69));
        EXPECT_EQ(synth.Tuning()->ScaleName(), "12-TET");
        EXPECT_FALSE(synth.Tuning()->MultiChannel().tuning);
        EXPECT_EQ(synth.Tuning()->NoteFrequency(69), 440.0);
        EXPECT_DOUBLE_EQ(synth.Tuning()->NoteFrequency(57), 220.0);
        EXPECT_EQ(synth.Pitch(69), 8832);
        EXPECT_EQ(PitchToFrequency(8832), 440.0);
        synth.Midi(0x90, 69, 100);
        synth.Render(4800);
        EXPECT_EQ(synth.VoiceAt(0).targetPitch, 8832);
    }
    EXPECT_EQ(fake.TotalCalls(), 0);
}

TEST_F(TuningFallback, MissingFunctionsFallBackSilently) {
    // This library has neither registration nor "MTS_HasMaster".
    const std::string path = (ExecutableFolder() / VORLUNDA_FAKE_MTS_PARTIAL).string();
    FakeMts fake(path);
    ASSERT_TRUE(fake.Usable());
    fake.Reset();
    for (int note = 0; note < 128; ++note)
        fake.SetNoteFrequency(note, QuarterToneSharp(note));
    fake.SetFilter(69, true);
    ASSERT_TRUE(TuningLibrary::LoadFromPathForTest(path.c_str()));
    const TuningLibrary& library = TuningLibrary::Global();
    EXPECT_EQ(library.Functions().registerClient, nullptr);
    EXPECT_EQ(library.Functions().hasMaster, nullptr);
    EXPECT_NE(library.MasterTable(), nullptr);
    {
        TunedInstrument synth;
        // A table but no way to ask for an active master: equal temperament, nothing filtered.
        EXPECT_FALSE(synth.Tuning()->HasMaster());
        EXPECT_EQ(synth.Pitch(69), 8832);
        synth.Midi(0x90, 69, 100);
        synth.Render(kTick);
        EXPECT_TRUE(synth.VoiceAt(0).sounding);
    }
    EXPECT_EQ(fake.Count(kGetTuningTable), 1);
    EXPECT_EQ(fake.Count(kShouldFilterNote), 0);
    TuningLibrary::LoadFromPathForTest(nullptr);
}

} // namespace
} // namespace vorlunda
