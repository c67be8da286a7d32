#include "core/IPluginBase.h"
#include "vst2/IPluginVST.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace vorlunda {
namespace {

// A plug-in with four parameters that records what the host and the engine are told.
class RecordingPlugin : public IPluginVST {
public:
    RecordingPlugin() : IPluginVST(MakeIdentity()) {
        Parameter(0)->InitInteger("Int", 0, -64, 64);
        Parameter(1)->InitContinuous("Cont", 0.25, 0.0, 1.0, 0.01);
        Parameter(2)->InitChoice("Choice", 1, 3);
        Parameter(3)->InitContinuous("Shape", 2.0, 0.0, 16.0, 0.001, "", "", 4.0);
    }
    static PluginIdentity MakeIdentity() {
        PluginIdentity id;
        id.parameterCount = 4;
        id.programCount = 8;
        id.channelConfigs = "0-1 0-2";
        id.effectName = "Test";
        return id;
    }
    void NotifyHostOfParameter(int index, double normalised) override {
        hostTold.emplace_back(index, normalised);
    }
    void ParameterChanged(int index) override { engineTold.push_back(index); }

    std::vector<std::pair<int, double>> hostTold;
    std::vector<int> engineTold;
};

TEST(PluginBase, ChannelConfigurationString) {
    RecordingPlugin plugin;
    ASSERT_EQ(plugin.ChannelConfigs().size(), 2u);
    EXPECT_EQ(plugin.ChannelConfigs()[0].inputs, 0);
    EXPECT_EQ(plugin.ChannelConfigs()[0].outputs, 1);
    EXPECT_EQ(plugin.ChannelConfigs()[1].outputs, 2);
    EXPECT_EQ(plugin.InputChannelCount(), 0);
    EXPECT_EQ(plugin.OutputChannelCount(), 2);
    EXPECT_FALSE(plugin.LegalIO(1, -1));
    EXPECT_TRUE(plugin.LegalIO(0, 2));
    EXPECT_EQ(plugin.BlockSize(), 1024);
    EXPECT_EQ(plugin.Parameter(4), nullptr);
    EXPECT_EQ(plugin.Parameter(-1), nullptr);
    EXPECT_STREQ(plugin.PresetName(8), "");
    EXPECT_STREQ(plugin.PresetName(0), "empty");
}

TEST(PluginBase, StoreBlockSizeClearsScratchOnlyOnChange) {
    RecordingPlugin plugin;
    OutputChannel& out = plugin.OutputChannelAt(0);
    ASSERT_EQ(out.scratch.size(), 1024u);
    out.scratch[5] = 1.5;
    plugin.StoreBlockSize(1024);
    EXPECT_EQ(out.scratch[5], 1.5);
    plugin.SetOutputChannelsConnected(0, 1, false);
    plugin.StoreBlockSize(17);
    EXPECT_EQ(out.scratch.size(), 17u);
    EXPECT_EQ(out.scratch[5], 0.0);
    // A disconnected output renders into its own (reallocated) scratch buffer.
    EXPECT_EQ(plugin.OutputPointers()[0], out.scratch.data());
}

TEST(PluginBase, EditorChangeReportsTheUnroundedValueToTheHost) {
    RecordingPlugin plugin;
    plugin.SetParameterFromEditor(0, 0.51); // 0.51 * 128 - 64 = 1.28 -> 1
    EXPECT_DOUBLE_EQ(plugin.Parameter(0)->RealValue(), 1.0);
    ASSERT_EQ(plugin.hostTold.size(), 1u);
    EXPECT_EQ(plugin.hostTold[0].first, 0);
    EXPECT_DOUBLE_EQ(plugin.hostTold[0].second, 0.51);
    EXPECT_EQ(plugin.engineTold, std::vector<int>{0});
    plugin.SetParameterFromEditor(9, 0.5); // out of range: nothing happens
    EXPECT_EQ(plugin.hostTold.size(), 1u);
}

TEST(PluginBase, ResendAndApplyVisitEveryParameterInOrder) {
    RecordingPlugin plugin;
    plugin.ResendAllParameters();
    ASSERT_EQ(plugin.hostTold.size(), 4u);
    EXPECT_DOUBLE_EQ(plugin.hostTold[1].second, 0.25);
    EXPECT_DOUBLE_EQ(plugin.hostTold[3].second, std::pow(2.0 / 16.0, 0.25));
    plugin.ApplyAllParameters();
    EXPECT_EQ(plugin.engineTold, (std::vector<int>{0, 1, 2, 3}));
}

TEST(PluginBase, BaseRenderZeroesOutputsWithoutInputs) {
    RecordingPlugin plugin;
    std::vector<double> left(64, 7.0), right(64, 7.0);
    double* outs[2] = {left.data(), right.data()};
    plugin.IPluginBase::RenderBlock(nullptr, outs, 64);
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(left[i], 0.0);
        ASSERT_EQ(right[i], 0.0);
    }
}

TEST(PluginBase, MutexIsRecursiveAndExcludesOtherThreads) {
    RecordingPlugin plugin;
    std::lock_guard<RecursiveMutex> outer(plugin.Mutex());
    {
        std::lock_guard<RecursiveMutex> inner(plugin.Mutex()); // same thread: no deadlock
        plugin.ResendAllParameters();                          // takes it a third time
    }
    bool otherGotIt = true;
    std::thread other([&] {
        otherGotIt = plugin.Mutex().try_lock();
        if (otherGotIt)
            plugin.Mutex().unlock();
    });
    other.join();
    EXPECT_FALSE(otherGotIt);
}

TEST(PluginBase, ParamsRoundTripAndShortDataStopsAtTheGap) {
    RecordingPlugin plugin;
    plugin.Parameter(1)->SetReal(0.75);
    StateChunk chunk;
    ASSERT_TRUE(plugin.SerializeParams(chunk));
    EXPECT_EQ(chunk.ByteCount(), 4 * 8);

    RecordingPlugin other;
    EXPECT_EQ(other.UnserializeParams(chunk, 0), 32);
    EXPECT_DOUBLE_EQ(other.Parameter(1)->RealValue(), 0.75);
    EXPECT_EQ(other.engineTold, (std::vector<int>{0, 1, 2, 3}));

    // Two values, then the data runs out: the third becomes 0 clamped, the fourth is untouched.
    StateChunk shortChunk;
    shortChunk.Append(5.0);
    shortChunk.Append(0.5);
    RecordingPlugin third;
    third.Parameter(2)->SetReal(2.0);
    EXPECT_EQ(third.UnserializeParams(shortChunk, 0), -1);
    EXPECT_DOUBLE_EQ(third.Parameter(0)->RealValue(), 5.0);
    EXPECT_DOUBLE_EQ(third.Parameter(2)->RealValue(), 0.0);
    EXPECT_DOUBLE_EQ(third.Parameter(3)->RealValue(), 2.0);
}

TEST(PluginBase, ChunkHeaderMarkerAndVersion) {
    StateChunk chunk;
    IPluginBase::StartChunkWithHeader(chunk);
    const std::uint8_t expected[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    ASSERT_EQ(chunk.ByteCount(), 8);
    EXPECT_EQ(std::memcmp(chunk.Data(), expected, 8), 0);
    int pos = 0;
    EXPECT_EQ(IPluginBase::ReadChunkHeader(chunk, &pos), 0x00010000);
    EXPECT_EQ(pos, 8);

    StateChunk markerOnly;
    markerOnly.AppendBytes(expected, 6);
    pos = 0;
    EXPECT_EQ(IPluginBase::ReadChunkHeader(markerOnly, &pos), 0);
    EXPECT_EQ(pos, -1);

    StateChunk plain;
    plain.Append(1.0);
    pos = 0;
    EXPECT_EQ(IPluginBase::ReadChunkHeader(plain, &pos), 0);
    EXPECT_EQ(pos, 0);
}

TEST(PluginBase, FirstUseOfAnEmptySlotNamesItUserPreset) {
    RecordingPlugin plugin;
    plugin.FillEmptyPresets(nullptr, 2);
    EXPECT_STREQ(plugin.PresetName(0), "Empty");
    EXPECT_STREQ(plugin.PresetName(2), "empty");
    ASSERT_TRUE(plugin.ActivatePreset(3));
    EXPECT_STREQ(plugin.PresetName(3), "user preset 1");
    ASSERT_TRUE(plugin.ActivatePreset(5));
    EXPECT_STREQ(plugin.PresetName(5), "user preset 2");
    EXPECT_EQ(plugin.CurrentProgram(), 5);
    EXPECT_FALSE(plugin.ActivatePreset(8));
    EXPECT_EQ(plugin.CurrentProgram(), 5);
}

} // namespace
} // namespace vorlunda
