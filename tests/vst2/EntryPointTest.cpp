// The plug-in library as a host sees it: only the exported entry points and the AEffect record.
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

using test::HostedPlugin;
using test::TestHost;

constexpr int kFilterCutoff = 28;    // "Flt Frq", continuous with its own display
constexpr int kFilterMode = 26;      // "Flt Mode": "Hipass" / "Lowpass"
constexpr int kFilterResonance = 29; // "Flt Reso", continuous 0..1
constexpr int kIntervalTune = 7;     // "I. Tune", shown in semitones
constexpr int kParameterCount = 79;

std::string Text(HostedPlugin& p, vst::Int32 opcode, int index) {
    char text[256];
    std::memset(text, 'x', sizeof text);
    text[255] = '\0';
    p.Dispatch(opcode, index, 0, text);
    return text;
}

TEST(EntryPoint, BothExportsDescribeTheInstrument) {
    for (const char* name : {"VSTPluginMain", "main"}) {
        TestHost host;
        HostedPlugin p(host, name);
        const vst::AEffect& e = *p.effect;
        EXPECT_EQ(e.magic, 0x56737450) << name;
        EXPECT_EQ(e.numPrograms, 64);
        EXPECT_EQ(e.numParams, kParameterCount);
        EXPECT_EQ(e.numInputs, 0);
        EXPECT_EQ(e.numOutputs, 2);
        EXPECT_EQ(e.flags, 4401); // replacing, chunks, synth, double replacing, editor
        EXPECT_EQ(e.initialDelay, 0);
        EXPECT_EQ(e.ioRatio, 1.0f);
        EXPECT_EQ(e.uniqueID, 0x566F7232); // 'Vor2'
        EXPECT_EQ(e.version, 20002);
        EXPECT_NE(e.object, nullptr);
        EXPECT_NE(e.processReplacing, nullptr);
        EXPECT_NE(e.processDoubleReplacing, nullptr);
    }
}

TEST(EntryPoint, OpeningIdentifiesTheHostOnce) {
    TestHost host;
    host.product = "REAPER";
    HostedPlugin p(host);
    p.Start();
    EXPECT_EQ(host.Count(vst::audioMasterGetProductString), 1);
    EXPECT_EQ(host.Count(vst::audioMasterGetVendorVersion), 1);
    p.Dispatch(vst::effOpen);
    EXPECT_EQ(host.Count(vst::audioMasterGetProductString), 1);
}

TEST(Dispatcher, FixedAnswers) {
    TestHost host;
    HostedPlugin p(host);
    EXPECT_EQ(p.Dispatch(vst::effGetVstVersion), 2400);
    EXPECT_EQ(p.Dispatch(vst::effGetPlugCategory), 2);
    EXPECT_EQ(p.Dispatch(vst::effIdentify), 0x4E764566);
    EXPECT_EQ(p.Dispatch(vst::effGetVendorVersion), 20002);
    EXPECT_EQ(p.Dispatch(vst::effGetTailSize), 0);
    EXPECT_EQ(p.Dispatch(vst::effCanBeAutomated, 78), 1);
    EXPECT_EQ(p.Dispatch(vst::effSetBypass, 0, 1), 0); // no bypass
    EXPECT_EQ(p.Dispatch(vst::effEditGetRect), 0);     // no pointer to answer through
    EXPECT_EQ(p.Dispatch(999), 0);
    EXPECT_EQ(Text(p, vst::effGetEffectName, 0), "Vorlunda2");
    EXPECT_EQ(Text(p, vst::effGetVendorString, 0), "Tarn Kettle Music");
    EXPECT_EQ(Text(p, vst::effGetProductString, 0), "");
    EXPECT_EQ(p.Dispatch(vst::effGetEffectName), 0); // null text: nothing to answer
}

TEST(Dispatcher, CapabilitiesAndVendorRequests) {
    TestHost host;
    HostedPlugin p(host);
    auto canDo = [&](const char* name) {
        return p.Dispatch(vst::effCanDo, 0, 0, const_cast<char*>(name));
    };
    EXPECT_EQ(canDo("sendVstMidiEvent"), 1);
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
    EXPECT_EQ(canDo("receiveVstTimeInfoX"), 0);
    EXPECT_EQ(canDo("bypass"), 0);
    EXPECT_EQ(p.Dispatch(vst::effCanDo), 0);

    EXPECT_EQ(p.Dispatch(vst::effVendorSpecific, 8, kFilterCutoff), 0);
    EXPECT_EQ(p.Dispatch(vst::effVendorSpecific, 8, kFilterMode), 0xBEEF);
    EXPECT_EQ(p.Dispatch(vst::effVendorSpecific, 8, kParameterCount), 0);
    char text[64] = "untouched";
    EXPECT_EQ(p.Dispatch(vst::effVendorSpecific, 7, kFilterMode, text, 0.0f), 0xBEEF);
    EXPECT_STREQ(text, "Hipass");
    EXPECT_EQ(p.Dispatch(vst::effVendorSpecific, 7, kFilterCutoff, text, 1.0f), 0xBEEF);
    EXPECT_STREQ(text, "19912");
    std::strcpy(text, "untouched");
    EXPECT_EQ(p.Dispatch(vst::effVendorSpecific, 7, 500, text, 0.5f), 0xBEEF);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(p.Dispatch(vst::effVendorSpecific, 7, kFilterMode, nullptr, 0.5f), 0);
    EXPECT_EQ(p.Dispatch(vst::effVendorSpecific, 3, 0, text), 0);
}

TEST(Dispatcher, ParameterTexts) {
    TestHost host;
    HostedPlugin p(host);
    EXPECT_EQ(Text(p, vst::effGetParamName, kFilterCutoff), "Flt Frq");
    // The default cut-off (normalised 0.5, shape 0.5); factory program 0 sets its own.
    p.effect->setParameter(p.effect, kFilterCutoff, 0.5f);
    EXPECT_EQ(Text(p, vst::effGetParamDisplay, kFilterCutoff), "2030");
    EXPECT_EQ(Text(p, vst::effGetParamName, 0), "Voices");
    // Out of range: the host's text is left as it was.
    EXPECT_EQ(Text(p, vst::effGetParamName, kParameterCount), std::string(255, 'x'));
    EXPECT_EQ(Text(p, vst::effGetParamLabel, -1), std::string(255, 'x'));
    EXPECT_EQ(Text(p, vst::effGetParamDisplay, kParameterCount), std::string(255, 'x'));
}

TEST(Dispatcher, StringToParameter) {
    TestHost host;
    HostedPlugin p(host);
    auto set = [&](int index, const char* text) {
        return p.Dispatch(vst::effString2Parameter, index, 0, const_cast<char*>(text));
    };
    const float before = p.effect->getParameter(p.effect, kFilterMode);
    EXPECT_EQ(set(kFilterMode, "Bandpass"), 0);
    EXPECT_EQ(p.effect->getParameter(p.effect, kFilterMode), before);
    EXPECT_EQ(set(kFilterMode, "Hipass"), 1);
    EXPECT_EQ(p.effect->getParameter(p.effect, kFilterMode), 0.0f);
    // A continuous value is read as a number and clamped; no step rounding.
    EXPECT_EQ(set(kFilterResonance, "  0.25 x"), 1);
    EXPECT_FLOAT_EQ(p.effect->getParameter(p.effect, kFilterResonance), 0.25f);
    EXPECT_EQ(set(kFilterResonance, "7"), 1);
    EXPECT_EQ(p.effect->getParameter(p.effect, kFilterResonance), 1.0f);
    EXPECT_EQ(set(kFilterResonance, "none"), 1); // no number reads as 0
    EXPECT_EQ(p.effect->getParameter(p.effect, kFilterResonance), 0.0f);
    // A parameter with a display of its own reads its display back: the cut-off in hertz, the
    // interval in semitones.
    auto display = [&](int index) {
        char text[64] = {};
        p.Dispatch(vst::effGetParamDisplay, index, 0, text);
        return std::string(text);
    };
    EXPECT_EQ(set(kFilterCutoff, "2030"), 1);
    EXPECT_EQ(display(kFilterCutoff), "2030");
    EXPECT_EQ(set(kFilterCutoff, "250000"), 1); // above the top step: the top step
    EXPECT_EQ(display(kFilterCutoff), "19912");
    const float cutoff = p.effect->getParameter(p.effect, kFilterCutoff);
    EXPECT_EQ(set(kFilterCutoff, "none"), 0); // no number: refused, nothing changes
    EXPECT_EQ(p.effect->getParameter(p.effect, kFilterCutoff), cutoff);
    EXPECT_EQ(set(kIntervalTune, "-2.5"), 1);
    EXPECT_EQ(display(kIntervalTune), "-2.5");
    EXPECT_EQ(set(kParameterCount, "1"), 0);
    EXPECT_EQ(p.Dispatch(vst::effString2Parameter, 0, 0, nullptr), 1);
    EXPECT_TRUE(host.automated.empty()); // the host is never told back
}

TEST(Dispatcher, PinPropertiesAndSpeakerArrangements) {
    TestHost host;
    HostedPlugin p(host);
    vst::VstPinProperties pin{};
    EXPECT_EQ(p.Dispatch(vst::effGetInputProperties, 0, 0, &pin), 0);
    EXPECT_EQ(p.Dispatch(vst::effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 3);
    EXPECT_STREQ(pin.label, "Vorlunda2 ");
    EXPECT_EQ(p.Dispatch(vst::effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 1);
    EXPECT_EQ(p.Dispatch(vst::effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(p.Dispatch(vst::effGetOutputProperties, 0, 0, nullptr), 0);

    vst::VstSpeakerArrangement* in = nullptr;
    vst::VstSpeakerArrangement* out = nullptr;
    EXPECT_EQ(
        p.Dispatch(vst::effGetSpeakerArrangement, 0, reinterpret_cast<vst::IntPtr>(&in), &out), 1);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(in->type, -1);
    EXPECT_EQ(in->numChannels, 0);
    EXPECT_EQ(out->type, 1);
    EXPECT_EQ(out->numChannels, 2);
    EXPECT_EQ(p.Dispatch(vst::effGetSpeakerArrangement), 1);
}

TEST(Dispatcher, ProgramsByIndex) {
    TestHost host;
    HostedPlugin p(host);
    EXPECT_EQ(p.Dispatch(vst::effGetProgram), 0);
    p.Dispatch(vst::effSetProgram, 0, 5);
    EXPECT_EQ(p.Dispatch(vst::effGetProgram), 5);
    char name[256] = "Brass Wall";
    p.Dispatch(vst::effSetProgramName, 0, 0, name);
    EXPECT_EQ(p.ProgramName(5), "Brass Wall");
    EXPECT_EQ(Text(p, vst::effGetProgramName, 0), "Brass Wall");
    p.Dispatch(vst::effSetProgram, 0, 64); // no such program: stays
    EXPECT_EQ(p.Dispatch(vst::effGetProgram), 5);

    char text[256];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(p.Dispatch(vst::effGetProgramNameIndexed, 64, 0, text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(p.Dispatch(vst::effGetProgramNameIndexed, 0, 0, nullptr), 0);
    // Long names are cut to what hosts' program-name buffers hold.
    std::string longName(200, 'n');
    p.Dispatch(vst::effSetProgramName, 0, 0, longName.data());
    EXPECT_EQ(p.ProgramName(5), std::string(24, 'n'));
}

TEST(Dispatcher, MidiKeyNamesAreEmpty) {
    TestHost host;
    HostedPlugin p(host);
    vst::MidiKeyName key{};
    key.thisKeyNumber = 60;
    std::strcpy(key.keyName, "C4");
    EXPECT_EQ(p.Dispatch(vst::effGetMidiKeyName, 0, 0, &key), 0);
    EXPECT_STREQ(key.keyName, "");
    EXPECT_EQ(p.Dispatch(vst::effGetMidiKeyName), 0);
}

// Rising zero crossings per second of a rendered tone (linear interpolation between samples).
double MeasuredHz(const std::vector<float>& x, std::size_t from, double rate) {
    double first = -1.0, last = -1.0;
    int count = 0;
    for (std::size_t i = from + 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            const double t = static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            first = first < 0.0 ? t : first;
            last = t;
            ++count;
        }
    }
    return count > 1 ? (count - 1) * rate / (last - first) : 0.0;
}

// Plays A2 (110 Hz) for `seconds` at the rate the host believes in and answers the pitch heard.
double PlayedHz(HostedPlugin& p, double hostRate, double seconds = 0.5) {
    p.left.clear();
    p.right.clear();
    p.SendMidi(0x90, 45, 100);
    const int frames = static_cast<int>(hostRate * seconds);
    for (int done = 0; done < frames; done += 512)
        p.Render(512);
    p.SendMidi(0x80, 45, 0);
    p.Render(512);
    return MeasuredHz(p.left, static_cast<std::size_t>(hostRate * 0.1), hostRate);
}

// A refused rate or block size leaves the previous one in effect: the instrument keeps playing
// in tune for the rate the host really runs at. Each edge is tried with the last accepted and
// the first refused value.
TEST(Dispatcher, RefusedRatesAndBlockSizesKeepThePreviousOnes) {
    TestHost host;
    HostedPlugin p(host);
    p.Start(48000.0f, 512);
    EXPECT_NEAR(PlayedHz(p, 48000.0), 110.0, 0.2);

    const struct {
        float rate;
        bool accepted;
    } rates[] = {{999.0f, false}, {1000.0f, true},    {1000001.0f, false}, {1000000.0f, true},
                 {0.0f, false},   {-44100.0f, false}, {1e-29f, false},     {std::nanf(""), false}};
    for (const auto& r : rates) {
        p.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
        p.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, r.rate);
        const double inEffect = r.accepted ? r.rate : 48000.0;
        EXPECT_NEAR(PlayedHz(p, inEffect, r.rate > 100000.0f ? 0.3 : 1.0), 110.0, 0.2) << r.rate;
    }

    p.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    for (vst::IntPtr block :
         {vst::IntPtr{1}, vst::IntPtr{0}, vst::IntPtr{1048576}, vst::IntPtr{1048577},
          vst::IntPtr{-5}, std::numeric_limits<vst::IntPtr>::max()}) {
        p.Dispatch(vst::effSetBlockSize, 0, block);
        EXPECT_NEAR(PlayedHz(p, 48000.0), 110.0, 0.2) << block;
    }
}

} // namespace
} // namespace vorlunda
