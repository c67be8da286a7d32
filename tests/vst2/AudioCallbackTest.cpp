// The audio and parameter callbacks of the AEffect record, driven as a host drives them.
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorlunda {
namespace {

using test::HostedPlugin;
using test::TestHost;

constexpr int kBlock = 256; // samples

float Peak(const std::vector<float>& x) {
    float peak = 0.0f;
    for (float s : x)
        peak = std::max(peak, std::abs(s));
    return peak;
}

// Two instances that hear the same notes give the same samples: the engine is deterministic.
struct Pair {
    TestHost host;
    HostedPlugin a{host};
    HostedPlugin b{host};
    Pair() {
        for (HostedPlugin* p : {&a, &b}) {
            p->Start(48000.0f, kBlock);
            p->SendMidi(0x90, 57, 110);
            p->SendMidi(0x90, 64, 90, 100);
        }
    }
};

TEST(AudioCallbacks, ReplacingSingleAndDoublePrecisionAgree) {
    Pair pair;
    std::vector<float> fl(kBlock, 7.0f), fr(kBlock, 7.0f);
    std::vector<double> dl(kBlock, 7.0), dr(kBlock, 7.0);
    for (int block = 0; block < 8; ++block) {
        float* fo[2] = {fl.data(), fr.data()};
        double* dout[2] = {dl.data(), dr.data()};
        pair.a.effect->processReplacing(pair.a.effect, nullptr, fo, kBlock);
        pair.b.effect->processDoubleReplacing(pair.b.effect, nullptr, dout, kBlock);
        for (int s = 0; s < kBlock; ++s) {
            ASSERT_EQ(fl[s], static_cast<float>(dl[s])) << block << ":" << s;
            ASSERT_EQ(fr[s], static_cast<float>(dr[s])) << block << ":" << s;
            ASSERT_TRUE(std::isfinite(dl[s]));
        }
    }
    EXPECT_GT(Peak(fl), 0.001f);
    EXPECT_GE(pair.host.Count(vst::audioMasterWantMidi), 16); // asked at every block
}

// Parameters at their extremes and a loud chord: the host is never handed a sample beyond
// +24 dBFS. The second setting sounds every oscillator of every footage at full volume without
// drive through all seven bands at +15 dB, the envelopes at their fastest: the validator found
// a milder one of its kind at +26 dBFS.
TEST(AudioCallbacks, ExtremeSettingsStayWithinPlusTwentyFourDecibels) {
    const char* const settings[] = {
        "1111111111111111111111111111111111111111111111111111111111111111111111111111111",
        "1000100001111111111111111010100000000000000000100111111100001111000000000001000"};
    double lastPeaks[2] = {};
    for (const char* setting : settings) {
        TestHost host;
        HostedPlugin p(host);
        p.Start(44100.0f, kBlock);
        for (int i = 0; i < p.effect->numParams; ++i)
            p.effect->setParameter(p.effect, i, setting[i] == '1' ? 1.0f : 0.0f);
        for (int note : {24, 48, 60, 64, 67, 96})
            p.SendMidi(0x90, note, 127);
        double peak = 0.0;
        std::vector<double> dl(kBlock), dr(kBlock);
        for (int block = 0; block < 100; ++block) {
            p.Render(kBlock);
            double* out[2] = {dl.data(), dr.data()};
            p.effect->processDoubleReplacing(p.effect, nullptr, out, kBlock);
            for (int s = 0; s < kBlock; ++s)
                peak = std::max({peak, std::abs(dl[s]), std::abs(dr[s])});
        }
        EXPECT_LE(Peak(p.left), 16.0f) << setting;
        EXPECT_LE(Peak(p.right), 16.0f) << setting;
        EXPECT_LE(peak, 16.0) << setting;
        lastPeaks[0] = Peak(p.left);
        lastPeaks[1] = peak;
    }
    // The second reaches the limit (about +33 dBFS without it), in both precisions.
    EXPECT_EQ(lastPeaks[0], 16.0);
    EXPECT_EQ(lastPeaks[1], 16.0);
}

TEST(AudioCallbacks, AccumulatingProcessAddsToTheHostBuffers) {
    Pair pair;
    for (int block = 0; block < 4; ++block) {
        std::vector<float> rl(kBlock), rr(kBlock), al(kBlock, 0.25f), ar(kBlock, -0.5f);
        float* ro[2] = {rl.data(), rr.data()};
        float* ao[2] = {al.data(), ar.data()};
        pair.a.effect->processReplacing(pair.a.effect, nullptr, ro, kBlock);
        pair.b.effect->process(pair.b.effect, nullptr, ao, kBlock);
        for (int s = 0; s < kBlock; ++s) {
            ASSERT_EQ(al[s], 0.25f + rl[s]);
            ASSERT_EQ(ar[s], -0.5f + rr[s]);
        }
    }
}

TEST(AudioCallbacks, OneOutputArrangementLeavesTheSecondBufferAlone) {
    TestHost host;
    HostedPlugin p(host);
    p.Start(48000.0f, kBlock);
    vst::VstSpeakerArrangement mono{};
    mono.type = 0;
    mono.numChannels = 1;
    EXPECT_EQ(p.Dispatch(vst::effSetSpeakerArrangement, 0, 0, &mono), 1);
    p.SendMidi(0x90, 60, 100);
    std::vector<float> first(kBlock, 9.0f), second(kBlock, 9.0f);
    float* outs[2] = {first.data(), second.data()};
    p.effect->processReplacing(p.effect, nullptr, outs, kBlock);
    EXPECT_TRUE(std::all_of(second.begin(), second.end(), [](float s) { return s == 9.0f; }));
    EXPECT_TRUE(std::none_of(first.begin(), first.end(), [](float s) { return s == 9.0f; }));
    // Only the first host pointer is consumed: a one-entry array is enough.
    float* one[1] = {first.data()};
    p.effect->processReplacing(p.effect, nullptr, one, kBlock);
    EXPECT_GT(Peak(first), 0.0f);
}

TEST(AudioCallbacks, BlocksLongerThanAnnouncedAreRenderedWhole) {
    Pair pair;
    // b is told the truth; a gets one block four times its announced size.
    pair.b.Dispatch(vst::effSetBlockSize, 0, 4 * kBlock);
    pair.a.Render(4 * kBlock);
    for (int i = 0; i < 4; ++i)
        pair.b.Render(kBlock);
    ASSERT_EQ(pair.a.left.size(), pair.b.left.size());
    EXPECT_EQ(pair.a.left, pair.b.left);
    EXPECT_GT(Peak(pair.a.left), 0.01f);
}

TEST(AudioCallbacks, NotesStartAtTheirDeltaFrames) {
    TestHost host;
    HostedPlugin p(host);
    p.Start(48000.0f, 1024);
    p.SendMidi(0x90, 60, 100, 600); // control ticks are 48 samples at 48 kHz
    p.Render(1024);
    const auto first =
        std::find_if(p.left.begin(), p.left.end(), [](float s) { return s != 0.0f; });
    const long onset = first - p.left.begin();
    EXPECT_GE(onset, 600 - 48);
    EXPECT_LE(onset, 600 + 48);
}

TEST(ParameterCallbacks, NormalisedValuesAndRangeChecks) {
    TestHost host;
    HostedPlugin p(host);
    vst::AEffect* e = p.effect;
    EXPECT_EQ(e->getParameter(e, 79), 0.0f);
    EXPECT_EQ(e->getParameter(e, -1), 0.0f);
    e->setParameter(e, 79, 0.5f); // ignored
    e->setParameter(e, 4, 0.75f); // "Volume", continuous 0..1
    EXPECT_FLOAT_EQ(e->getParameter(e, 4), 0.75f);
    e->setParameter(e, 0, 0.5f); // "Voices": 7 choices, rounded to a step
    EXPECT_FLOAT_EQ(e->getParameter(e, 0), 0.5f);
    e->setParameter(e, 4, std::nanf(""));
    EXPECT_EQ(e->getParameter(e, 4), 0.0f);
    e->setParameter(e, 4, -3.0f);
    EXPECT_EQ(e->getParameter(e, 4), 0.0f);
    e->setParameter(e, 4, 1.5f);
    EXPECT_EQ(e->getParameter(e, 4), 1.0f);
    EXPECT_TRUE(host.automated.empty());
}

TEST(AudioCallbacks, RecordsWithoutAPluginAreIgnored) {
    // A host that calls through a record after effClose, or hands in a foreign one.
    vst::AEffect foreign{};
    float l[4] = {1, 1, 1, 1};
    float* outs[2] = {l, l};
    TestHost host;
    HostedPlugin p(host);
    foreign = *p.effect;
    foreign.object = nullptr;
    EXPECT_EQ(foreign.dispatcher(&foreign, vst::effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    foreign.processReplacing(&foreign, nullptr, outs, 4);
    EXPECT_EQ(foreign.getParameter(&foreign, 0), 0.0f);
    EXPECT_EQ(l[0], 1.0f);
    EXPECT_EQ(p.effect->dispatcher(nullptr, vst::effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
}

TEST(AudioCallbacks, SilenceIsExactAndNothingIsDenormal) {
    TestHost host;
    HostedPlugin p(host);
    p.Start(48000.0f, kBlock);
    p.Render(kBlock);
    EXPECT_EQ(Peak(p.left), 0.0f);
    p.SendMidi(0x90, 48, 127);
    p.Render(48000);
    p.SendMidi(0x80, 48, 0);
    p.Render(96000);
    for (float s : p.left) {
        ASSERT_TRUE(std::isfinite(s));
        ASSERT_TRUE(s == 0.0f || std::fpclassify(s) == FP_NORMAL);
    }
    EXPECT_LT(Peak(std::vector<float>(p.left.end() - kBlock, p.left.end())), 1e-5f);
}

} // namespace
} // namespace vorlunda
