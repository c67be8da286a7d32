// Group 3, Grid: every sample rate of the grid with every largest block size, ten full blocks
// each with a note, in single and in double precision.
#include "GroupSupport.h"

#include <algorithm>
#include <array>

namespace vorlunda::validate {

namespace {

constexpr std::array<double, 8> kRates = {8000.0,  22050.0,  44100.0,  48000.0,
                                          96000.0, 192000.0, 384000.0, 1234.5678};
constexpr std::array<int, 7> kBlocks = {1, 17, 64, 512, 2027, 4096, 16384};
constexpr int kBlocksPerSetting = 10;

} // namespace

void RunGridGroup(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened))
        return;
    auto& plugin = opened.plugin;
    plugin->Open();
    const bool doubles = plugin->CanDouble();
    BlockRunner runner(*plugin, kBlocks.back());
    EventList events;
    Random& random = context.random;
    int settings = 0;
    double peak = 0.0;
    for (double rate : kRates) {
        for (int block : kBlocks) {
            const std::string where = RateText(rate) + ", block " + std::to_string(block);
            context.stage(where);
            plugin->Suspend();
            plugin->SetSampleRate(rate);
            plugin->SetBlockSize(block);
            plugin->Resume();
            ++settings;
            for (Precision precision : {Precision::Single, Precision::Double}) {
                const std::string context =
                    where +
                    (precision == Precision::Double ? ", double precision" : ", single precision");
                int note = -1;
                for (int b = 0; b < kBlocksPerSetting; ++b) {
                    events.Clear();
                    if (note >= 0)
                        NoteOff(events, 0, note);
                    note = random.Between(24, 108);
                    NoteOn(events, random.Between(0, block - 1), note, random.Between(1, 127));
                    events.Sort();
                    runner.Render(block, precision, &events, context.c_str());
                    peak = std::max(peak, runner.BlockPeak());
                }
                events.Clear();
                NoteOff(events, 0, note);
                plugin->Deliver(events);
            }
        }
    }
    plugin->Suspend();
    plugin->Close();
    report.Faults(runner.Faults(), "grid");
    report.Figure(std::to_string(settings) + " settings (" + std::to_string(kRates.size()) +
                  " rates x " + std::to_string(kBlocks.size()) + " block sizes) x " +
                  std::to_string(kBlocksPerSetting) + " blocks" +
                  (doubles ? " x 2 precisions" : " (single precision only)"));
    report.Figure(std::to_string(runner.FramesRendered()) + " frames, peak " + Fixed(peak, 3));
}

} // namespace vorlunda::validate
