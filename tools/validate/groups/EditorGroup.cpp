// Group 13, Editor: the plug-in's editor in windows of the validator's own, the way a host
// shows it: its size asked first, opened in a top-level window, idled from the host's event
// loop, closed; many times over; while another thread renders; closed before any idle; and two
// instances' editors at once. Without an editor, or without a display, it does not apply.
#include "EditorParent.h"
#include "GroupSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace vorlunda::validate {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kIdlePeriod = std::chrono::milliseconds(40); // 25 Hz, as hosts idle editors
constexpr auto kPumpPeriod = std::chrono::milliseconds(5);  // the host's own event loop
constexpr int kMaxSide = 16384;                             // pixels; beyond any screen
constexpr int kFallbackWidth = 640;                         // pixels, when no size is known
constexpr int kFallbackHeight = 480;
// A window the editor makes with its own display connection reaches ours a little later, and
// one it destroys leaves a little later, however promptly the plug-in flushed.
constexpr auto kWindowSettle = std::chrono::milliseconds(1000);
// The open/close cycles stop early after this long, so that an editor that takes most of a
// second to open keeps the group well inside its time limit.
constexpr auto kCycleBudget = std::chrono::seconds(20);
constexpr auto kQuickCycleBudget = std::chrono::seconds(10);

struct EditorSize {
    bool answered = false; // a non-null rectangle
    int width = 0;
    int height = 0;
    bool Sane() const {
        return answered && width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
    }
    std::string Text() const { return std::to_string(width) + " x " + std::to_string(height); }
};

EditorSize AskSize(PluginInstance& plugin) {
    vst::ERect* rect = nullptr;
    plugin.Dispatch(vst::effEditGetRect, 0, 0, &rect);
    EditorSize size;
    if (!rect)
        return size;
    size.answered = true;
    size.width = rect->right - rect->left;
    size.height = rect->bottom - rect->top;
    return size;
}

// One instance with an editor and the window it opens in.
struct EditorHost {
    PluginInstance& plugin;
    EditorParent& parent;
    long idles = 0;

    void Idle() {
        plugin.Dispatch(vst::effEditIdle);
        ++idles;
    }
};

// Waits (pumping, never idling) until `done` holds or `limit` has passed.
template <typename Done>
bool Settle(std::vector<EditorHost*> hosts, Clock::duration limit, Done done) {
    const auto end = Clock::now() + limit;
    for (;;) {
        for (EditorHost* host : hosts)
            host->parent.Pump();
        if (done())
            return true;
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(kPumpPeriod);
    }
}

std::string Counted(long count, const char* thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// The host's event loop for `duration`: its own events every few milliseconds, an idle
// request to every editor at 25 Hz.
void RunEventLoop(std::vector<EditorHost*> hosts, Clock::duration duration) {
    const auto end = Clock::now() + duration;
    auto nextIdle = Clock::now();
    while (Clock::now() < end) {
        if (Clock::now() >= nextIdle) {
            for (EditorHost* host : hosts)
                host->Idle();
            nextIdle += kIdlePeriod;
        }
        for (EditorHost* host : hosts)
            host->parent.Pump();
        std::this_thread::sleep_for(kPumpPeriod);
    }
}

// The judge of every open and close of one group run.
class EditorChecks {
public:
    EditorChecks(GroupContext& context, GroupReport& report) : context(context), report(report) {}

    // effEditOpen with the parent's handle. The answer alone is not the verdict (hosts differ
    // in what they make of it): an open is refused when the plug-in answered 0 and no window
    // appeared in the parent. Answers whether the editor is open.
    bool Open(EditorHost& host, const std::string& when) {
        context.stage("effEditOpen " + when);
        const vst::IntPtr answer =
            host.plugin.Dispatch(vst::effEditOpen, 0, 0, host.parent.Handle());
        const bool shown =
            Settle({&host}, Patience(), [&] { return host.parent.ChildWindows() > 0; });
        if (!shown) {
            report.Fail(answer == 0
                            ? "effEditOpen refused (answered 0, no window within 1 s) " + when
                            : "effEditOpen answered " + std::to_string(answer) +
                                  " but no window appeared in the parent within 1 s " + when);
            windowFault = true;
            // It takes itself for open: closed as a host closes it, nothing judged.
            if (answer != 0)
                host.plugin.Dispatch(vst::effEditClose);
            return false;
        }
        if (answer == 0 && ++silentOpens == 1)
            report.Figure("effEditOpen answers 0 but opens");
        openWindows = std::max(openWindows, host.parent.ChildWindows());
        return true;
    }

    // effEditClose, then the parent must be empty again.
    void Close(EditorHost& host, const std::string& when) {
        context.stage("effEditClose " + when);
        host.plugin.Dispatch(vst::effEditClose);
        ++closes;
        if (Settle({&host}, Patience(), [&] { return host.parent.ChildWindows() == 0; }))
            return;
        // Told once, with how many were left; the closes after it are only counted.
        if (++leftBehind == 1)
            report.Fail(Counted(host.parent.ChildWindows(), "window") +
                        " left in the parent after effEditClose " + when);
        windowFault = true;
    }

    long Closes() const { return closes; }
    int OpenWindows() const { return openWindows; }
    long LeftBehind() const { return leftBehind; }

private:
    // Once windows have misbehaved, waiting for them again would only make the group slow.
    Clock::duration Patience() const {
        return windowFault ? Clock::duration::zero() : Clock::duration(kWindowSettle);
    }

    GroupContext& context;
    GroupReport& report;
    long closes = 0;
    long leftBehind = 0;
    long silentOpens = 0;
    int openWindows = 0;
    bool windowFault = false;
};

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Open and close, `cycles` times or until `budget` has passed, one idle in between; the
// process's objects counted after the first cycle and after the last, so that what an editor
// loads once is not taken for a leak.
void OpenCloseCycles(GroupContext& context, GroupReport& report, EditorChecks& checks,
                     EditorHost& host, int planned, Clock::duration budget) {
    std::vector<double> openTimes;
    std::vector<double> closeTimes;
    long objectsAfterFirst = -1;
    const auto end = Clock::now() + budget;
    int cycles = 0;
    for (int cycle = 0; cycle < planned && (cycle < 2 || Clock::now() < end); ++cycle) {
        const std::string when = "in open/close cycle " + std::to_string(cycle + 1);
        const auto started = Clock::now();
        if (!checks.Open(host, when))
            return;
        openTimes.push_back(Milliseconds(Clock::now() - started));
        context.stage("effEditIdle " + when);
        host.Idle();
        host.parent.Pump();
        const auto closing = Clock::now();
        checks.Close(host, when);
        closeTimes.push_back(Milliseconds(Clock::now() - closing));
        if (cycle == 0)
            objectsAfterFirst = EditorParent::ProcessObjects();
        ++cycles;
    }
    const long objectsAfter = EditorParent::ProcessObjects();
    // A slow editor on a busy machine is not a fault; it only gets fewer cycles.
    const std::string count = cycles < planned ? std::to_string(cycles) + " of " +
                                                     std::to_string(planned) + " (time budget)"
                                               : std::to_string(cycles);
    report.Figure(count + " open/close cycles, open " + Fixed(Median(openTimes), 1) +
                  " ms, close " + Fixed(Median(closeTimes), 1) +
                  " ms (medians, until the window is there or gone)");
    const std::string name = EditorParent::ProcessObjectsName();
    if (objectsAfterFirst < 0 || objectsAfter < 0) {
        report.Figure(name + " not counted by the system");
        return;
    }
    report.Figure(name + " " + std::to_string(objectsAfterFirst) + " after the first cycle, " +
                  std::to_string(objectsAfter) + " after the last");
    // A leak grows with every cycle; a cache filled once or a handle a thread holds for a
    // moment does not.
    const long grown = objectsAfter - objectsAfterFirst;
    if (grown >= std::max(2, (cycles - 1) / 2))
        report.Fail(std::to_string(grown) + " more " + name + " after " +
                    std::to_string(cycles - 1) + " more open/close cycles");
}

// The editor open and idled while another thread renders a held chord, as a host's audio
// thread does while its user looks at the editor; closed while the audio still runs.
void EditorWithAudio(GroupContext& context, GroupReport& report, EditorChecks& checks,
                     EditorHost& host) {
    PluginInstance& plugin = host.plugin;
    context.stage("editor idled while another thread renders");
    if (!checks.Open(host, "while another thread renders"))
        return;
    BlockRunner runner(plugin, kUsualBlock);
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::thread audio([&] {
        const auto blockTime = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(kUsualBlock / kUsualRate));
        EventList events;
        auto next = Clock::now();
        const int parameters = plugin.Parameters();
        for (long b = 0; !stop.load(); ++b) {
            events.Clear();
            if (b == 0)
                Chord(events, 0, true);
            // Automation from the audio thread, each parameter set to its own value: the
            // editor has something to show, the sound stays as it is.
            if (b % 4 == 2 && parameters > 0) {
                const int index = static_cast<int>((b / 4) % parameters);
                plugin.SetParameter(index, plugin.GetParameter(index));
            }
            runner.Render(kUsualBlock, Precision::Single, &events, "audio while the editor idles");
            blocks.fetch_add(1);
            next += blockTime; // at the pace of a sound card
            std::this_thread::sleep_until(next);
        }
        events.Clear();
        Chord(events, 0, false);
        runner.Render(kUsualBlock, Precision::Single, &events, "audio while the editor idles");
    });
    const long idlesBefore = host.idles;
    context.stage("effEditIdle while another thread renders");
    RunEventLoop({&host}, std::chrono::seconds(1));
    checks.Close(host, "while another thread renders");
    // The audio goes on a little after the editor has gone.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop.store(true);
    audio.join();
    report.Faults(runner.Faults(), "audio while the editor idles");
    report.Figure(std::to_string(blocks.load()) + " blocks rendered against " +
                  std::to_string(host.idles - idlesBefore) + " idle calls");
}

// Two instances' editors at once, each in its own window, closed in one order and then in the
// other.
void TwoEditors(GroupContext& context, EditorChecks& checks, EditorHost& first,
                EditorHost& second) {
    for (int order = 0; order < 2; ++order) {
        context.stage(order == 0 ? "two editors, closed first to last"
                                 : "two editors, closed last to first");
        if (!checks.Open(first, "of the first of two instances"))
            return;
        if (!checks.Open(second, "of the second of two instances")) {
            checks.Close(first, "after the other instance's editor was refused");
            return;
        }
        context.stage("effEditIdle of two editors");
        RunEventLoop({&first, &second}, std::chrono::milliseconds(order == 0 ? 1000 : 500));
        EditorHost& closedFirst = order == 0 ? first : second;
        EditorHost& closedLast = order == 0 ? second : first;
        checks.Close(closedFirst, "with the other instance's editor still open");
        context.stage("effEditIdle of the editor left open");
        RunEventLoop({&closedLast}, std::chrono::milliseconds(200));
        checks.Close(closedLast, "after the other instance's editor closed");
    }
}

} // namespace

void RunEditorGroup(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kUsualBlock, kUsualRate))
        return;
    PluginInstance& plugin = *opened.plugin;
    if (!(plugin.Effect()->flags & vst::effFlagsHasEditor)) {
        report.NotApplicable("no editor (effFlagsHasEditor clear)");
        return;
    }

    context.stage("effEditGetRect");
    EditorSize size = AskSize(plugin);
    const bool sizedBeforeOpen = size.Sane();
    std::string why;
    auto parent = EditorParent::Open(sizedBeforeOpen ? size.width : kFallbackWidth,
                                     sizedBeforeOpen ? size.height : kFallbackHeight, &why);
    if (!parent) {
        report.NotApplicable(why);
        return;
    }
    if (sizedBeforeOpen)
        report.Figure(size.Text());
    EditorChecks checks(context, report);
    EditorHost host{plugin, *parent};

    // Open, idle for a second, close.
    context.stage("open and idle");
    if (!checks.Open(host, "at the first open"))
        return;
    if (!sizedBeforeOpen)
        size = AskSize(plugin); // some editors know their size only once they are open
    context.stage("effEditIdle for 1 s after the first open");
    RunEventLoop({&host}, std::chrono::seconds(1));
    if (!sizedBeforeOpen)
        report.Figure(size.answered ? size.Text() : "no size");
    if (!size.Sane())
        report.Fail(size.answered ? "effEditGetRect answers an unusable size: " + size.Text()
                                  : "effEditGetRect answers no rectangle");
    else if (!sizedBeforeOpen)
        report.Figure("size known only after effEditOpen");
    report.Figure(std::to_string(host.idles) + " idle calls in 1 s");
    checks.Close(host, "after a second of idle calls");

    OpenCloseCycles(context, report, checks, host, context.Count(50, 20),
                    context.Quick() ? kQuickCycleBudget : kCycleBudget);
    EditorWithAudio(context, report, checks, host);

    context.stage("closed without any idle");
    if (checks.Open(host, "to be closed without any idle"))
        checks.Close(host, "without any idle call");

    context.stage("a second instance");
    auto secondPlugin = NewInstance(opened.library, report);
    if (secondPlugin) {
        secondPlugin->Start(kUsualRate, kUsualBlock);
        auto secondParent = EditorParent::Open(size.Sane() ? size.width : kFallbackWidth,
                                               size.Sane() ? size.height : kFallbackHeight, &why);
        if (!secondParent) {
            report.Fail("no second window for a second editor: " + why);
        } else {
            EditorHost second{*secondPlugin, *secondParent};
            TwoEditors(context, checks, host, second);
        }
        secondPlugin->Suspend();
        secondPlugin->Close();
    }
    plugin.Suspend();
    plugin.Close();
    report.Figure(std::to_string(checks.Closes()) + " opens and closes, " +
                  Counted(checks.OpenWindows(), "window") + " in the parent while open");
    if (checks.LeftBehind() > 1)
        report.Fail("windows left behind after " + std::to_string(checks.LeftBehind()) + " of " +
                    std::to_string(checks.Closes()) + " closes");
}

} // namespace vorlunda::validate
