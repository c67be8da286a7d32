// A host's audio thread and its user-interface thread calling one instance at the same time.
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

namespace vorlunda {
namespace {

using test::HostedPlugin;
using test::TestHost;

TEST(Concurrency, AudioAndUserInterfaceThreadsShareAnInstance) {
    TestHost host;
    HostedPlugin p(host);
    p.Start(44100.0f, 128);
    vst::AEffect* e = p.effect;
    std::atomic<bool> done{false};
    std::atomic<int> badSamples{0};

    std::thread audio([&] {
        std::vector<float> l(128), r(128);
        float* outs[2] = {l.data(), r.data()};
        std::minstd_rand random(7);
        for (int block = 0; block < 1500; ++block) {
            vst::VstMidiEvent note{};
            note.type = vst::kVstMidiType;
            note.byteSize = sizeof note;
            note.deltaFrames = static_cast<vst::Int32>(random() % 128);
            note.midiData[0] = static_cast<char>(block % 3 ? 0x90 : 0x80);
            note.midiData[1] = static_cast<char>(36 + random() % 48);
            note.midiData[2] = static_cast<char>(random() % 128);
            vst::VstEvents list{};
            list.numEvents = 1;
            list.events[0] = reinterpret_cast<vst::VstEvent*>(&note);
            e->dispatcher(e, vst::effProcessEvents, 0, 0, &list, 0.0f);
            e->processReplacing(e, nullptr, outs, 128);
            for (float s : l) {
                if (!std::isfinite(s))
                    ++badSamples;
            }
        }
        done = true;
    });

    std::minstd_rand random(11);
    std::vector<unsigned char> bank = p.Chunk(0);
    int rounds = 0;
    while (!done) {
        e->setParameter(e, static_cast<vst::Int32>(random() % 79),
                        static_cast<float>(random() % 1001) / 1000.0f);
        e->getParameter(e, static_cast<vst::Int32>(random() % 79));
        if (rounds % 16 == 0) {
            e->dispatcher(e, vst::effSetProgram, 0, static_cast<vst::IntPtr>(random() % 64),
                          nullptr, 0.0f);
            std::vector<unsigned char> program = p.Chunk(1);
            p.SetChunk(program, 1);
        }
        if (rounds % 200 == 0)
            p.SetChunk(bank, 0);
        ++rounds;
    }
    audio.join();
    EXPECT_EQ(badSamples, 0);
    EXPECT_GT(rounds, 0);
}

} // namespace
} // namespace vorlunda
