// The renderer against a stand-in instrument that shows what it was given (FakePlugin.cpp,
// kind 3): every note-on must arrive in the block that holds its moment, at the sample offset
// of that moment, and the transport of each block must follow the MIDI file's tempo map.
#include "Renderer.h"
#include "MidiFile.h"
#include "PluginHost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#ifndef VORLUNDA_RENDER_CLICK_PLUGIN
#define VORLUNDA_RENDER_CLICK_PLUGIN "" // not built (the 32-bit Windows build runs no tests)
#endif

namespace vorlunda::render {
namespace {

class MemorySink : public AudioSink {
public:
    bool Write(const float* const* channels, int frames) override {
        left.insert(left.end(), channels[0], channels[0] + frames);
        right.insert(right.end(), channels[1], channels[1] + frames);
        return true;
    }
    std::vector<float> left, right;
};

// 480 ticks per quarter, 120 BPM; 60 BPM and 3/4 from tick 960 (1 s). Note-ons (velocity 127)
// at ticks 0, 480 and 1000: 0 s, 0.5 s and 1 s + 40/480 s.
std::vector<std::uint8_t> Song() {
    return {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    0,    0,    1,    0x01, 0xE0,
            'M',  'T',  'r',  'k',  0,    0,    0,    33,   0x00, 0x90, 60,   127,  0x83, 0x60,
            0x90, 62,   127,  0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x58,
            0x04, 0x03, 0x02, 0x18, 0x08, 0x28, 0x90, 64,   127,  0x00, 0xFF, 0x2F, 0x00};
}

TEST(Renderer, NotesArriveAtTheirSampleAndTheTransportFollowsTheTempoMap) {
    const std::string plugin = VORLUNDA_RENDER_CLICK_PLUGIN;
    if (plugin.empty())
        GTEST_SKIP() << "the stand-in instrument is not built here";
    MidiFile midi;
    ASSERT_TRUE(midi.Parse(Song())) << midi.Error();
    PluginHost host;
    ASSERT_TRUE(host.Load(plugin)) << host.Error();
    constexpr int kBlock = 512;
    host.Open(48000.0, kBlock);
    host.Resume();
    RenderSettings settings;
    settings.blockSize = kBlock;
    settings.tailSeconds = 0.1;
    settings.progress = false;
    Renderer renderer(host, settings);
    MemorySink sink;
    ASSERT_TRUE(renderer.Render(midi.Messages(), midi.Tempo(), sink));

    // 1 s + 40/480 s at 48 kHz = 52000 samples; the last note plus 0.1 s (4800 samples).
    ASSERT_EQ(sink.left.size(), 52001u + 4800u);
    EXPECT_EQ(renderer.Result().frames, 56801);
    std::vector<std::size_t> clicks;
    for (std::size_t i = 0; i < sink.left.size(); ++i)
        if (sink.left[i] != 0.0f)
            clicks.push_back(i);
    // 24000 = block 46 (from 23552) + offset 448; 52000 = block 101 (51712) + 288.
    EXPECT_EQ(clicks, (std::vector<std::size_t>{0, 24000, 52000}));
    EXPECT_EQ(sink.left[24000], 1.0f);

    // Block 47 starts at 24064 samples = 0.50133 s: 1.00267 quarters at 120 BPM in 4/4.
    EXPECT_FLOAT_EQ(sink.right[47 * kBlock], 24064 / 24000.0f);
    EXPECT_FLOAT_EQ(sink.right[47 * kBlock + 1], 120.0f);
    EXPECT_FLOAT_EQ(sink.right[47 * kBlock + 2], 0.0f);
    EXPECT_FLOAT_EQ(sink.right[47 * kBlock + 3], 4.0f);
    // Block 96 starts at 49152 samples = 1.024 s: 2 quarters + 0.024 s at 60 BPM, in the
    // first 3/4 bar, which starts at quarter 2.
    EXPECT_FLOAT_EQ(sink.right[96 * kBlock], 2.024f);
    EXPECT_FLOAT_EQ(sink.right[96 * kBlock + 1], 60.0f);
    EXPECT_FLOAT_EQ(sink.right[96 * kBlock + 2], 2.0f);
    EXPECT_FLOAT_EQ(sink.right[96 * kBlock + 3], 3.0f);
}

} // namespace
} // namespace vorlunda::render
