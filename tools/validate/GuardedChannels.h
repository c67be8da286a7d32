#pragma once

#include "SampleCheck.h"

#include <vector>

namespace vorlunda::validate {

// Audio buffers handed to a plug-in, one per channel, each with guard zones before the first
// sample and after the last possible frame. Before a call the frames the plug-in must write
// hold the "unwritten" marker and everything else the guard marker; after the call every frame
// must be overwritten with a sane sample and every guard sample must be intact, so a plug-in
// that writes past the frame count it was given (or before the start) is caught on the spot.
template <typename Sample>
class GuardedChannels {
public:
    static constexpr int kGuard = 64; // samples on each side of a channel

    GuardedChannels() = default;
    GuardedChannels(int channels, int capacity) { Resize(channels, capacity); }

    void Resize(int channels, int capacity);
    int Channels() const { return static_cast<int>(pointers.size()); }
    int Capacity() const { return capacity; }

    // Output buffers: the first `frames` samples of each channel unwritten, the rest guard.
    void PrepareOutputs(int frames);
    // Buffers with known content in the first `frames` samples (inputs, or outputs of the
    // accumulating call), guard elsewhere.
    void Fill(int frames, Sample value);
    Sample** Pointers() { return pointers.empty() ? nullptr : pointers.data(); }
    const Sample* Channel(int channel) const { return pointers[static_cast<std::size_t>(channel)]; }

    // The output rules over the first `frames` samples (written, finite, normal or zero, within
    // +-limit), the guard over everything else.
    void Check(int frames, double limit, SampleFaults& faults, const char* context) const;
    // Only the guard zones (for inputs, whose content the plug-in may leave alone).
    void CheckGuards(int frames, SampleFaults& faults, const char* context) const;

private:
    int capacity = 0;
    int stride = 0;
    std::vector<Sample> storage;
    std::vector<Sample*> pointers;
};

extern template class GuardedChannels<float>;
extern template class GuardedChannels<double>;

} // namespace vorlunda::validate
