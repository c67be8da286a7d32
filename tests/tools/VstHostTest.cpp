// The project's VST 2.4 host library (tools/vsthost): the answer table through the callback,
// finding the host an instance belongs to, creation through an entry point, event lists; and the
// renderer's portable float WAV writer.
#include "EventList.h"
#include "FloatWavWriter.h"
#include "Host.h"
#include "WavReader.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vorlunda::vsthost {
namespace {

// A host that records the calls it saw and reports a transport.
struct RecordingHost : Host {
    std::vector<vst::Int32> calls;
    std::vector<std::pair<vst::Int32, float>> automated;
    vst::VstTimeInfo time{};
    bool silent = false;

    void Called(vst::Int32 opcode) override { calls.push_back(opcode); }
    bool Silent() const override { return silent; }
    void Automated(vst::Int32 index, float value) override { automated.emplace_back(index, value); }
    vst::VstTimeInfo* Time(vst::IntPtr) override { return &time; }
};

vst::IntPtr Ask(vst::AEffect* effect, vst::Int32 opcode, void* ptr = nullptr, vst::Int32 index = 0,
                float opt = 0.0f) {
    return Host::Callback(effect, opcode, index, 0, ptr, opt);
}

vst::AEffect RecordOf(Host& host) {
    vst::AEffect effect{};
    effect.magic = vst::kEffectMagic;
    effect.user = &host;
    return effect;
}

TEST(VstHost, AnswerTableThroughTheCallback) {
    RecordingHost host;
    host.vendor = std::string(100, 'v'); // longer than the 64 bytes a plug-in's buffer has
    host.product = "vorlunda-tests";
    host.vendorVersion = 20002;
    host.SetSampleRate(96000.0);
    host.SetBlockSize(256);
    vst::AEffect effect = RecordOf(host);

    EXPECT_EQ(Ask(&effect, vst::audioMasterVersion), 2400);
    char text[80];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetVendorString, text), 1);
    EXPECT_EQ(std::strlen(text), 63u); // cut to fit, terminated
    EXPECT_EQ(text[64], 'x');          // nothing written past the 64 bytes
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetProductString, text), 1);
    EXPECT_STREQ(text, "vorlunda-tests");
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetProductString, nullptr), 0);
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetVendorVersion), 20002);
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetSampleRate), 96000);
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetBlockSize), 256);
    EXPECT_EQ(Ask(&effect, vst::audioMasterWantMidi), 1);
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetLanguage), 1);        // English
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetAutomationState), 1); // off
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetTime), reinterpret_cast<vst::IntPtr>(&host.time));
    EXPECT_EQ(Ask(&effect, vst::audioMasterAutomate, nullptr, 7, 0.25f), 1);
    ASSERT_EQ(host.automated.size(), 1u);
    EXPECT_EQ(host.automated[0], (std::pair<vst::Int32, float>{7, 0.25f}));
    EXPECT_EQ(Ask(&effect, vst::audioMasterVendorSpecific), 0); // not ours to answer

    char canDo[] = "receiveVstMidiEvent";
    char cannot[] = "offline";
    EXPECT_EQ(Ask(&effect, vst::audioMasterCanDo, canDo), 1);
    EXPECT_EQ(Ask(&effect, vst::audioMasterCanDo, cannot), 0);
    EXPECT_EQ(Ask(&effect, vst::audioMasterCanDo, nullptr), 0);
    // Every call reached the recording hook, in order.
    EXPECT_EQ(host.calls.size(), 16u);
    EXPECT_EQ(host.calls.front(), vst::audioMasterVersion);
}

TEST(VstHost, ProcessLevelFollowsTheAudioCallAndOffline) {
    RecordingHost host;
    vst::AEffect effect = RecordOf(host);
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetCurrentProcessLevel), 1); // user interface
    {
        AudioCallScope audio;
        EXPECT_EQ(Ask(&effect, vst::audioMasterGetCurrentProcessLevel), 2); // real time
    }
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetCurrentProcessLevel), 1);
    host.SetOffline(true);
    AudioCallScope audio;
    EXPECT_EQ(Ask(&effect, vst::audioMasterGetCurrentProcessLevel), 4);
}

TEST(VstHost, SilentHostAnswersZeroEvenToVersion) {
    RecordingHost host;
    host.silent = true;
    vst::AEffect effect = RecordOf(host);
    EXPECT_EQ(Ask(&effect, vst::audioMasterVersion), 0);
    EXPECT_EQ(Ask(&effect, vst::audioMasterWantMidi), 0);
    EXPECT_EQ(host.calls.size(), 2u); // still seen
}

TEST(VstHost, CallbackServesTheRecordsHostElseTheUnnamedOneElseOnlyTheVersion) {
    RecordingHost a, b;
    Host::ServeUnnamed(nullptr);
    vst::AEffect anonymous{};
    EXPECT_EQ(Ask(&anonymous, vst::audioMasterVersion), 2400);
    EXPECT_EQ(Ask(nullptr, vst::audioMasterWantMidi), 0);
    Host::ServeUnnamed(&b);
    EXPECT_EQ(Ask(&anonymous, vst::audioMasterWantMidi), 1);
    EXPECT_EQ(b.calls.size(), 1u);
    vst::AEffect named = RecordOf(a);
    Ask(&named, vst::audioMasterWantMidi);
    EXPECT_EQ(a.calls.size(), 1u);
    EXPECT_EQ(b.calls.size(), 1u);
    Host::ServeUnnamed(nullptr);
}

vst::AEffect createdRecord{};

// An entry point that asks the host for its version before its record exists, as plug-ins do.
vst::AEffect* VORLUNDA_VST_CALL AskingEntry(vst::HostCallback host) {
    createdRecord = {};
    createdRecord.magic =
        host(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 2400 ? vst::kEffectMagic : 0;
    return &createdRecord;
}

vst::AEffect* VORLUNDA_VST_CALL RefusingEntry(vst::HostCallback) {
    return nullptr;
}

vst::AEffect* VORLUNDA_VST_CALL WrongMagicEntry(vst::HostCallback) {
    createdRecord = {};
    createdRecord.magic = 0x12345678;
    return &createdRecord;
}

TEST(VstHost, CreateServesCallsDuringTheEntryPointAndNamesItselfInTheRecord) {
    RecordingHost host;
    Host::Refusal refusal = Host::Refusal::BadMagic;
    vst::AEffect* effect = host.Create(&AskingEntry, &refusal);
    ASSERT_EQ(effect, &createdRecord);
    EXPECT_EQ(refusal, Host::Refusal::None);
    EXPECT_EQ(effect->user, &host);
    EXPECT_EQ(host.calls, (std::vector<vst::Int32>{vst::audioMasterVersion}));

    EXPECT_EQ(host.Create(&RefusingEntry, &refusal), nullptr);
    EXPECT_EQ(refusal, Host::Refusal::NoEffect);
    EXPECT_EQ(host.Create(nullptr, &refusal), nullptr);
    EXPECT_EQ(refusal, Host::Refusal::NoEffect);
    EXPECT_EQ(host.Create(&WrongMagicEntry, &refusal), nullptr);
    EXPECT_EQ(refusal, Host::Refusal::BadMagic);
    EXPECT_EQ(createdRecord.user, nullptr); // a refused record is not claimed
}

void NoProcess(vst::AEffect*, float**, float**, vst::Int32) {}

TEST(VstHost, InstrumentCheckNamesTheFirstProblem) {
    vst::AEffect effect{};
    effect.magic = vst::kEffectMagic;
    EXPECT_EQ(CheckInstrument(effect), InstrumentProblem::NotInstrument);
    effect.flags = vst::effFlagsIsSynth | vst::effFlagsCanReplacing;
    EXPECT_EQ(CheckInstrument(effect), InstrumentProblem::NoProcessReplacing);
    effect.processReplacing = &NoProcess;
    EXPECT_EQ(CheckInstrument(effect), InstrumentProblem::NoOutputs);
    effect.numOutputs = 2;
    EXPECT_EQ(CheckInstrument(effect), InstrumentProblem::None);
}

TEST(VstHostEvents, ListsAsManyAsTheyHoldInOffsetOrder) {
    EventList events(4);
    const char sysex[] = {'\xF0', 1, 2, '\xF7'};
    EXPECT_TRUE(events.Midi(9, 0x90, 60, 100));
    EXPECT_TRUE(events.SysEx(3, sysex, 4));
    EXPECT_TRUE(events.Midi(3, 0x80, 60, 0));
    EXPECT_TRUE(events.Midi(0, 0xB0, 64, 127));
    EXPECT_FALSE(events.Midi(0, 0xB0, 64, 0)); // full
    events.Sort();
    vst::VstEvents* list = events.Events();
    ASSERT_EQ(list->numEvents, 4);
    // The record declares two entries and carries numEvents: read through a pointer.
    vst::VstEvent* const* entries = list->events;
    std::vector<int> offsets;
    for (int i = 0; i < list->numEvents; ++i)
        offsets.push_back(entries[i]->deltaFrames);
    EXPECT_EQ(offsets, (std::vector<int>{0, 3, 3, 9}));
    // Equal offsets keep their order: the SysEx came first.
    EXPECT_EQ(entries[1]->type, vst::kVstSysExType);
    const auto* s = reinterpret_cast<const vst::VstMidiSysexEvent*>(entries[1]);
    EXPECT_EQ(s->dumpBytes, 4);
    EXPECT_EQ(s->byteSize, static_cast<int>(sizeof(vst::VstMidiSysexEvent)));
    const auto* m = reinterpret_cast<const vst::VstMidiEvent*>(entries[3]);
    EXPECT_EQ(static_cast<unsigned char>(m->midiData[0]), 0x90);
    events.Clear();
    EXPECT_EQ(events.Events()->numEvents, 0);
}

TEST(VstHostEvents, RoomGrowsForALongBlock) {
    EventList events(2);
    EXPECT_TRUE(events.Midi(0, 0x90, 60, 1));
    events.ClearWithRoomFor(300);
    EXPECT_EQ(events.Count(), 0);
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(events.Midi(i, 0x90, i % 128, 100)) << i;
    EXPECT_FALSE(events.Midi(300, 0x80, 0, 0));
    vst::VstEvents* list = events.Events();
    ASSERT_EQ(list->numEvents, 300);
    vst::VstEvent* const* entries = list->events;
    EXPECT_EQ(entries[299]->deltaFrames, 299);
}

std::vector<unsigned char> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint32_t Le16(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8;
}

TEST(FloatWavWriter, HeaderFieldsAndInterleavedSamplesByteExact) {
    const std::string path =
        (std::filesystem::path(test::TemporaryRoot()) / "float-writer.wav").string();
    const float left[] = {0.5f, -1.0f, 0.0f};
    const float right[] = {0.25f, 1.0f, -0.125f};
    const float* channels[] = {left, right};
    {
        render::FloatWavWriter writer;
        ASSERT_TRUE(writer.Open(path, 2, 48000)) << writer.Error();
        ASSERT_TRUE(writer.Write(channels, 2));
        ASSERT_TRUE(writer.Write(channels, 0));
        const float* rest[] = {left + 2, right + 2};
        ASSERT_TRUE(writer.Write(rest, 1));
        ASSERT_TRUE(writer.Close()) << writer.Error();
    }
    const std::vector<unsigned char> b = FileBytes(path);
    // 58 header bytes, then 3 frames of 2 channels of 4 bytes.
    ASSERT_EQ(b.size(), 58u + 24u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(b, 4), 82u - 8u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le32(b, 16), 18u);         // fmt size, with the extension size field
    EXPECT_EQ(Le16(b, 20), 3u);          // IEEE float
    EXPECT_EQ(Le16(b, 22), 2u);          // channels
    EXPECT_EQ(Le32(b, 24), 48000u);      // Hz
    EXPECT_EQ(Le32(b, 28), 48000u * 8u); // bytes per second
    EXPECT_EQ(Le16(b, 32), 8u);          // bytes per frame
    EXPECT_EQ(Le16(b, 34), 32u);         // bits per sample
    EXPECT_EQ(Le16(b, 36), 0u);          // extension size
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 42), "fact");
    EXPECT_EQ(Le32(b, 46), 3u); // frames
    EXPECT_EQ(std::string(b.begin() + 50, b.begin() + 54), "data");
    EXPECT_EQ(Le32(b, 54), 24u);
    const float expected[] = {0.5f, 0.25f, -1.0f, 1.0f, 0.0f, -0.125f};
    EXPECT_EQ(std::memcmp(b.data() + 58, expected, sizeof expected), 0);

    // The system's own reader (libsndfile natively) reads the same samples back.
    render::WavData data;
    std::string error;
    ASSERT_TRUE(render::ReadWav(path, data, error)) << error;
    EXPECT_EQ(data.channels, 2);
    EXPECT_EQ(data.sampleRate, 48000);
    EXPECT_EQ(data.samples, std::vector<float>(std::begin(expected), std::end(expected)));
}

TEST(FloatWavWriter, UnwritablePathIsAnErrorAndWritesNothing) {
    const std::string path =
        (std::filesystem::path(test::TemporaryRoot()) / "no-such-folder" / "x.wav").string();
    render::FloatWavWriter writer;
    EXPECT_FALSE(writer.Open(path, 2, 44100));
    EXPECT_EQ(writer.Error(), "cannot write " + path);
    const float* none[] = {nullptr, nullptr};
    EXPECT_FALSE(writer.Write(none, 0));
    EXPECT_TRUE(writer.Close()); // nothing open, nothing to complete
}

} // namespace
} // namespace vorlunda::vsthost
