// The host-interface layer inside one process: event conversion, MIDI to the host, host time
// and host identification, with a plug-in that records what reaches it.
#include "support/TestHost.h"
#include "vst2/IPluginVST.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlunda {
namespace {

using test::TestHost;

PluginIdentity RecorderIdentity() {
    PluginIdentity id;
    id.parameterCount = 2;
    id.programCount = 4;
    id.channelConfigs = "0-2";
    id.version = 0x00020002;
    return id;
}

class Recorder : public IPluginVST {
public:
    explicit Recorder(TestHost& host) : IPluginVST(RecorderIdentity()) {
        ConnectHost(&TestHost::Callback);
        TestHost::ServeUnnamed(&host);
    }
    void HandleMidiMessage(const MidiEvent& e) override { midi.push_back(e); }
    void HandleSysExMessage(const SysExEvent& e) override {
        sysex.push_back(e);
        sysexBytes.assign(e.data, e.data + e.size);
    }
    std::vector<MidiEvent> midi;
    std::vector<SysExEvent> sysex;
    std::vector<std::uint8_t> sysexBytes;
};

TEST(HostInterface, EventListsBecomeMidiAndSysExEvents) {
    TestHost host;
    Recorder plugin(host);
    vst::VstMidiEvent note{};
    note.type = vst::kVstMidiType;
    note.byteSize = sizeof note;
    note.deltaFrames = 17;
    note.midiData[0] = static_cast<char>(0x91);
    note.midiData[1] = 64;
    note.midiData[2] = static_cast<char>(0x7F);
    char dump[3] = {static_cast<char>(0xF0), 0x7D, static_cast<char>(0xF7)};
    vst::VstMidiSysexEvent sysex{};
    sysex.type = vst::kVstSysExType;
    sysex.byteSize = sizeof sysex;
    sysex.deltaFrames = 5;
    sysex.dumpBytes = 3;
    sysex.sysexDump = dump;
    vst::VstEvent other{};
    other.type = 3; // neither MIDI nor SysEx
    struct {
        vst::Int32 numEvents;
        vst::IntPtr reserved;
        vst::VstEvent* events[4];
    } list{4,
           0,
           {reinterpret_cast<vst::VstEvent*>(&note), nullptr, &other,
            reinterpret_cast<vst::VstEvent*>(&sysex)}};
    auto* events = reinterpret_cast<vst::VstEvents*>(&list);
    EXPECT_EQ(plugin.Dispatch(vst::effProcessEvents, 0, 0, events, 0.0f), 1);
    ASSERT_EQ(plugin.midi.size(), 1u);
    EXPECT_EQ(plugin.midi[0].offset, 17);
    EXPECT_EQ(plugin.midi[0].status, 0x91);
    EXPECT_EQ(plugin.midi[0].data1, 64);
    EXPECT_EQ(plugin.midi[0].data2, 0x7F);
    ASSERT_EQ(plugin.sysex.size(), 1u);
    EXPECT_EQ(plugin.sysex[0].offset, 5);
    EXPECT_EQ(plugin.sysexBytes, (std::vector<std::uint8_t>{0xF0, 0x7D, 0xF7}));
    EXPECT_EQ(plugin.Dispatch(vst::effProcessEvents, 0, 0, nullptr, 0.0f), 0);
}

TEST(HostInterface, MidiOutputIsOneEventRecord) {
    TestHost host;
    Recorder plugin(host);
    EXPECT_TRUE(plugin.SendMidiMessage(MidiEvent{33, 0xB2, 7, 99}));
    ASSERT_EQ(host.midiOut.size(), 1u);
    const vst::VstMidiEvent& e = host.midiOut[0];
    EXPECT_EQ(e.byteSize, 32);
    EXPECT_EQ(e.deltaFrames, 33);
    EXPECT_EQ(static_cast<unsigned char>(e.midiData[0]), 0xB2);
    EXPECT_EQ(e.midiData[1], 7);
    EXPECT_EQ(e.midiData[2], 99);
    EXPECT_EQ(e.midiData[3], 0);
    EXPECT_EQ(e.flags, 0);
    host.acceptEvents = false;
    EXPECT_FALSE(plugin.SendMidiMessage(MidiEvent{0, 0x90, 60, 1}));
}

TEST(HostInterface, HostTimeQueries) {
    TestHost host;
    Recorder plugin(host);
    host.time.samplePos = 99.5;
    EXPECT_EQ(plugin.HostSamplePosition(), 100);
    host.time.samplePos = -3.0;
    EXPECT_EQ(plugin.HostSamplePosition(), 0);
    EXPECT_DOUBLE_EQ(plugin.HostTempo(), 120.0);
    int n = -1, d = -1;
    plugin.HostTimeSignature(&n, &d);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(d, 4);
    EXPECT_EQ(host.timeMasks, (std::vector<vst::Int32>{0, 0, 1024, 8192}));

    host.reportTime = false;
    EXPECT_EQ(plugin.HostSamplePosition(), 0);
    EXPECT_EQ(plugin.HostTempo(), 0.0);
    plugin.HostTimeSignature(&n, &d);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(d, 0);
}

TEST(HostInterface, QueryHostTimeTakesOnlyWhatIsValid) {
    TestHost host;
    Recorder plugin(host);
    HostTimeInfo info;
    host.time.flags = vst::kVstTransportPlaying | vst::kVstTempoValid | vst::kVstPpqPosValid |
                      vst::kVstCyclePosValid;
    host.time.tempo = 0.0; // a host that reports no tempo: the previous one stays
    host.time.ppqPos = 3.5;
    host.time.samplePos = 84000.0;
    host.time.cycleStartPos = -1.0;
    host.time.barStartPos = 2.0; // not flagged valid
    EXPECT_TRUE(plugin.QueryHostTime(info));
    EXPECT_EQ(host.timeMasks.back(), 0x3E00);
    EXPECT_DOUBLE_EQ(info.tempo, 120.0);
    EXPECT_DOUBLE_EQ(info.ppqPos, 3.5);
    EXPECT_DOUBLE_EQ(info.samplePos, 84000.0);
    EXPECT_DOUBLE_EQ(info.lastBar, -1.0);
    EXPECT_DOUBLE_EQ(info.cycleStart, -1.0);
    EXPECT_TRUE(info.transportIsRunning);
    EXPECT_FALSE(info.transportIsLooping);

    host.time.flags = vst::kVstTransportPlaying; // none of the wanted fields: unchanged
    host.time.samplePos = 1.0;
    EXPECT_FALSE(plugin.QueryHostTime(info));
    EXPECT_DOUBLE_EQ(info.samplePos, 84000.0);
    host.reportTime = false;
    EXPECT_FALSE(plugin.QueryHostTime(info));

    host.reportTime = true;
    host.time.flags = vst::kVstTimeSigValid | vst::kVstTransportCycleActive;
    host.time.timeSigNumerator = 7;
    host.time.timeSigDenominator = 8;
    EXPECT_TRUE(plugin.QueryHostTime(info));
    EXPECT_EQ(info.numerator, 7);
    EXPECT_EQ(info.denominator, 8);
    EXPECT_FALSE(info.transportIsRunning);
    EXPECT_TRUE(info.transportIsLooping);
}

TEST(HostInterface, HostsAreRecognisedInTableOrder) {
    EXPECT_EQ(IPluginVST::HostIdFromProduct("REAPER"), HostId::Reaper);
    EXPECT_EQ(IPluginVST::HostIdFromProduct("Cubase LE"), HostId::Cubase);
    EXPECT_EQ(IPluginVST::HostIdFromProduct("Cubase Live Edition"), HostId::Cubase);
    EXPECT_EQ(IPluginVST::HostIdFromProduct("Ableton Live"), HostId::Live);
    EXPECT_EQ(IPluginVST::HostIdFromProduct("Studio One (PreSonus)"), HostId::StudioOne);
    EXPECT_EQ(IPluginVST::HostIdFromProduct("Digital Performer"), HostId::DigitalPerformer);
    EXPECT_EQ(IPluginVST::HostIdFromProduct(""), HostId::Unknown);
    EXPECT_EQ(IPluginVST::HostIdFromProduct("Bitwig Studio"), HostId::Unknown);
    EXPECT_EQ(IPluginVST::HostIdFromProduct(nullptr), HostId::Unknown);
    EXPECT_EQ(IPluginVST::PackedVersion(20002), 0x00020002);
    EXPECT_EQ(IPluginVST::PackedVersion(10203), 0x00010203);
    EXPECT_EQ(IPluginVST::PackedVersion(71599), 0x00070F63); // 7.15.99
}

TEST(HostInterface, IdentificationAsksTheHostOnce) {
    TestHost host;
    host.product = "Cubase LE";
    Recorder plugin(host);
    EXPECT_EQ(plugin.IdentifyHost(), HostId::Cubase);
    EXPECT_EQ(plugin.IdentifyHost(), HostId::Cubase);
    EXPECT_EQ(host.Count(vst::audioMasterGetProductString), 1);
    EXPECT_EQ(host.Count(vst::audioMasterGetVendorVersion), 1);

    TestHost silent;
    silent.product = "";
    Recorder quiet(silent);
    EXPECT_EQ(quiet.IdentifyHost(), HostId::Unknown);
    EXPECT_EQ(silent.Count(vst::audioMasterGetVendorVersion), 0); // no product, no version
}

TEST(HostInterface, OfflineRenderingAndHostNotifications) {
    TestHost host;
    Recorder plugin(host);
    EXPECT_FALSE(plugin.HostRendersOffline());
    host.processLevel = 4;
    EXPECT_TRUE(plugin.HostRendersOffline());
    plugin.SetParameterFromEditor(1, 0.25);
    ASSERT_EQ(host.automated.size(), 1u);
    EXPECT_EQ(host.automated[0].first, 1);
    EXPECT_FLOAT_EQ(host.automated[0].second, 0.25f);
    plugin.BeginParameterGesture(1);
    plugin.EndParameterGesture(1);
    plugin.NotifyHostOfProgramChange();
    EXPECT_EQ(host.Count(vst::audioMasterBeginEdit), 1);
    EXPECT_EQ(host.Count(vst::audioMasterEndEdit), 1);
    EXPECT_EQ(host.Count(vst::audioMasterUpdateDisplay), 1);
}

} // namespace
} // namespace vorlunda
