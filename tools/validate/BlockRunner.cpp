#include "BlockRunner.h"

#include "EventList.h"
#include "PluginInstance.h"

#include <bit>
#include <cmath>

namespace vorlunda::validate {

BlockRunner::BlockRunner(PluginInstance& plugin, int capacity) : plugin(plugin) {
    Reserve(capacity);
}

void BlockRunner::Reserve(int capacity) {
    if (capacity <= floatOut.Capacity())
        return;
    floatIn.Resize(plugin.Inputs(), capacity);
    floatOut.Resize(plugin.Outputs(), capacity);
    doubleIn.Resize(plugin.Inputs(), capacity);
    doubleOut.Resize(plugin.Outputs(), capacity);
}

void BlockRunner::Render(int count, Precision, EventList* events, const char* context) {
    if (count > Capacity())
        Reserve(count);
    if (events && events->Count() > 0)
        plugin.Deliver(*events);
    const bool useDouble = plugin.SessionPrecision() == Precision::Double && plugin.CanDouble();
    if (useDouble) {
        doubleIn.Fill(count, doubleInput);
        doubleOut.PrepareOutputs(count);
        plugin.ProcessDouble(doubleIn.Pointers(), doubleOut.Pointers(), count);
        doubleOut.Check(count, kPeakLimit, faults, context);
        doubleIn.CheckGuards(count, faults, context);
    } else {
        floatIn.Fill(count, floatInput);
        floatOut.PrepareOutputs(count);
        plugin.Process(floatIn.Pointers(), floatOut.Pointers(), count);
        floatOut.Check(count, kPeakLimit, faults, context);
        floatIn.CheckGuards(count, faults, context);
    }
    Finish(count, useDouble);
}

void BlockRunner::RenderAccumulating(int count, float base, EventList* events,
                                     const char* context) {
    if (count > Capacity())
        Reserve(count);
    if (events && events->Count() > 0)
        plugin.Deliver(*events);
    floatIn.Fill(count, floatInput);
    floatOut.Fill(count, base);
    plugin.Accumulate(floatIn.Pointers(), floatOut.Pointers(), count);
    floatOut.Check(count, kPeakLimit + std::fabs(base), faults, context);
    floatIn.CheckGuards(count, faults, context);
    Finish(count, false);
}

void BlockRunner::Finish(int count, bool doublePrecision) {
    lastDouble = doublePrecision;
    blockPeak = 0.0;
    for (int c = 0; c < plugin.Outputs(); ++c) {
        for (int i = 0; i < count; ++i) {
            const double v = doublePrecision ? doubleOut.Channel(c)[i] : floatOut.Channel(c)[i];
            const double magnitude = std::fabs(v);
            if (magnitude > blockPeak && std::isfinite(magnitude))
                blockPeak = magnitude;
            const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(v));
            for (int b = 0; b < 4; ++b) {
                hash ^= (bits >> (8 * b)) & 0xFFu;
                hash *= 0x100000001B3ull;
            }
        }
    }
    frames += count;
    ++blocks;
    if (loudness > 0.0 && blockPeak >= loudness)
        lastLoud = frames;
}

double BlockRunner::Sample(int channel, int frame) const {
    return lastDouble ? doubleOut.Channel(channel)[frame] : floatOut.Channel(channel)[frame];
}

} // namespace vorlunda::validate
