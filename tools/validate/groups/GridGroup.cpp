// Group 3, Grid: every sample rate of the grid with every largest block size, ten full blocks
// each with a note, in a single- and a double-precision session. Each rate runs in a child
// process of its own, so that a crash at one rate does not hide what the others do.
#include "GroupSupport.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace vorlunda::validate {

namespace {

constexpr std::array<double, 8> kRates = {8000.0,  22050.0,  44100.0,  48000.0,
                                          96000.0, 192000.0, 384000.0, 1234.5678};
constexpr std::array<int, 7> kBlocks = {1, 17, 64, 512, 2027, 4096, 16384};
constexpr int kBlocksPerSetting = 10;

} // namespace

// One rate of the grid (the part the parent names) with every block size.
void RunGridRateHelper(GroupContext& context, GroupReport& report) {
    const int part = ChildPart();
    if (part < 0 || part >= static_cast<int>(kRates.size())) {
        report.Fail("no rate " + std::to_string(part) + " in the grid");
        return;
    }
    const double rate = kRates[static_cast<std::size_t>(part)];
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened))
        return;
    auto& plugin = opened.plugin;
    plugin->Open();
    BlockRunner runner(*plugin, kBlocks.back());
    EventList events;
    Random random = context.random.Derive(RateText(rate));
    double peak = 0.0;
    for (int block : kBlocks) {
        const std::string where = RateText(rate) + ", block " + std::to_string(block);
        context.stage(where);
        plugin->SetSampleRate(rate);
        plugin->SetBlockSize(block);
        for (Precision precision : {Precision::Single, Precision::Double}) {
            // One precision per session, announced while suspended.
            plugin->SetPrecision(precision);
            plugin->Resume();
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
                runner.Render(block, precision, &events, context.c_str());
                peak = std::max(peak, runner.BlockPeak());
            }
            events.Clear();
            NoteOff(events, 0, note);
            plugin->Deliver(events);
            plugin->Suspend();
        }
    }
    plugin->Close();
    report.Faults(runner.Faults(), "grid");
    report.Figure(std::to_string(runner.FramesRendered()) + " " + Fixed(peak, 6));
}

void RunGridGroup(GroupContext& context, GroupReport& report) {
    bool doubles = false;
    {
        OpenedPlugin opened;
        if (!OpenPlugin(context, report, opened))
            return;
        doubles = opened.plugin->CanDouble();
    }
    long long frames = 0;
    double peak = 0.0;
    for (std::size_t r = 0; r < kRates.size(); ++r) {
        context.stage(RateText(kRates[r]));
        SetChildPart(static_cast<int>(r));
        const GroupReport part = context.runChild("GridRate");
        TakeChild(part, report, "", false);
        if (!part.Figures().empty()) {
            const std::string& figure = part.Figures().front();
            long long n = 0;
            const auto [end, ec] = std::from_chars(figure.data(), figure.data() + figure.size(), n);
            double p = 0.0;
            if (ec == std::errc() && end < figure.data() + figure.size())
                std::from_chars(end + 1, figure.data() + figure.size(), p);
            frames += n;
            peak = std::max(peak, p);
        }
    }
    SetChildPart(-1);
    report.Figure(std::to_string(kRates.size() * kBlocks.size()) + " settings (" +
                  std::to_string(kRates.size()) + " rates, each in its own process, x " +
                  std::to_string(kBlocks.size()) + " block sizes) x " +
                  std::to_string(kBlocksPerSetting) + " blocks" +
                  (doubles ? " x 2 precisions" : " (single precision only)"));
    report.Figure(std::to_string(frames) + " frames, peak " + Fixed(peak, 3));
}

} // namespace vorlunda::validate
