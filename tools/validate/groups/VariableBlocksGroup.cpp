// Group 4, Variable blocks: 1000 blocks of random sizes from 0 to the announced largest block,
// each block (but the empty ones) with events at its first and at its last sample.
#include "GroupSupport.h"

#include <algorithm>
#include <deque>

namespace vorlunda::validate {

namespace {

constexpr int kLargestBlock = 4096; // samples, announced through effSetBlockSize
constexpr int kBlocks = 1000;

} // namespace

void RunVariableBlocksGroup(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kLargestBlock, 48000.0))
        return;
    auto& plugin = opened.plugin;
    BlockRunner runner(*plugin, kLargestBlock);
    EventList events;
    Random& random = context.random;
    std::deque<int> sounding;
    int empty = 0;
    int smallest = kLargestBlock;
    int largest = 0;
    context.stage("variable blocks");
    for (int b = 0; b < kBlocks; ++b) {
        if (b == kBlocks / 2) {
            // The second half in a double-precision session, announced while suspended.
            plugin->Suspend();
            plugin->SetPrecision(Precision::Double);
            plugin->Resume();
        }
        // Small blocks are where the bugs are: half the sizes are drawn below 64.
        const int frames =
            random.Chance(0.5) ? random.Between(0, 64) : random.Between(0, kLargestBlock);
        events.Clear();
        if (frames == 0) {
            ++empty;
        } else {
            const int note = random.Between(24, 108);
            NoteOn(events, 0, note, random.Between(1, 127));
            sounding.push_back(note);
            // A note ends on the last sample, so voices come and go all the time.
            if (sounding.size() > 6 || random.Chance(0.3)) {
                NoteOff(events, frames - 1, sounding.front());
                sounding.pop_front();
            }
            if (random.Chance(0.2))
                events.Midi(frames - 1, 0xE0, random.Between(0, 127), random.Between(0, 127));
        }
        smallest = std::min(smallest, frames);
        largest = std::max(largest, frames);
        runner.Render(frames, plugin->SessionPrecision(), &events, "variable blocks");
    }
    plugin->Suspend();
    plugin->Close();
    report.Faults(runner.Faults(), "variable blocks");
    report.Figure(std::to_string(kBlocks) + " blocks of " + std::to_string(smallest) + ".." +
                  std::to_string(largest) + " frames (" + std::to_string(empty) +
                  " empty), events at the first and last sample");
    report.Figure(std::to_string(runner.FramesRendered()) + " frames");
}

} // namespace vorlunda::validate
