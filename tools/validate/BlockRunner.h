#pragma once

#include "GuardedChannels.h"
#include "PluginInstance.h"
#include "SampleCheck.h"

#include <cstdint>

namespace vorlunda::vsthost {
class EventList;
}

namespace vorlunda::validate {

using vsthost::EventList;
class PluginInstance;

// Renders blocks through one instance the way a host does (the block's events first, then the
// audio call) into guarded buffers, and checks every output rule on every call: each frame
// overwritten, nothing written outside the block, no NaN, infinity or subnormal, within
// +-kPeakLimit. The buffers are sized up front; rendering allocates nothing.
class BlockRunner {
public:
    static constexpr double kPeakLimit = 16.0;

    BlockRunner(PluginInstance& plugin, int capacity);
    // Grows the buffers to at least `capacity` frames (not during measured work).
    void Reserve(int capacity);
    int Capacity() const { return floatOut.Capacity(); }

    // Renders in the precision of the plug-in's session (PluginInstance::SetPrecision), as a
    // host keeps one precision from effMainsChanged(1) to effMainsChanged(0); `precision` is
    // the one the caller expects, and a different one is not sent. Single precision for
    // plug-ins without processDoubleReplacing.
    void Render(int frames, Precision precision = Precision::Single, EventList* events = nullptr,
                const char* context = "block");
    // The old accumulating `process` call: the outputs start at `base` and must end at base
    // plus the plug-in's output.
    void RenderAccumulating(int frames, float base, EventList* events, const char* context);
    // Input samples for the next blocks, for each precision (0 unless a group wants
    // something else, such as subnormal values of each type).
    void SetInputValue(float single, double twice) {
        floatInput = single;
        doubleInput = twice;
    }

    double BlockPeak() const { return blockPeak; } // largest magnitude of the last block
    // Frames rendered up to the end of the last block whose peak reached `threshold`
    // (SetLoudness), 0 when none did.
    void SetLoudness(double threshold) { loudness = threshold; }
    long long LastLoudFrame() const { return lastLoud; }
    const SampleFaults& Faults() const { return faults; }
    long long FramesRendered() const { return frames; }
    long Blocks() const { return blocks; }
    // FNV-1a over the bits of every output sample rendered so far (in single precision).
    std::uint64_t Hash() const { return hash; }
    // A sample of the last block, as a double whatever the precision.
    double Sample(int channel, int frame) const;

private:
    void Finish(int frames, bool doublePrecision);

    PluginInstance& plugin;
    GuardedChannels<float> floatIn;
    GuardedChannels<float> floatOut;
    GuardedChannels<double> doubleIn;
    GuardedChannels<double> doubleOut;
    SampleFaults faults;
    float floatInput = 0.0f;
    double doubleInput = 0.0;
    double blockPeak = 0.0;
    double loudness = 0.0;
    long long lastLoud = 0;
    bool lastDouble = false;
    long long frames = 0;
    long blocks = 0;
    std::uint64_t hash = 0xCBF29CE484222325ull;
};

} // namespace vorlunda::validate
