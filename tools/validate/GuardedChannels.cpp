#include "GuardedChannels.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

namespace vorlunda::validate {

namespace {

template <typename Sample>
Sample Pattern(bool guard) {
    if constexpr (sizeof(Sample) == 4)
        return std::bit_cast<float>(guard ? Markers::kFloatGuard : Markers::kFloatUnwritten);
    else
        return std::bit_cast<double>(guard ? Markers::kDoubleGuard : Markers::kDoubleUnwritten);
}

template <typename Sample>
bool IsGuard(Sample value) {
    if constexpr (sizeof(Sample) == 4)
        return std::bit_cast<std::uint32_t>(value) == Markers::kFloatGuard;
    else
        return std::bit_cast<std::uint64_t>(value) == Markers::kDoubleGuard;
}

} // namespace

template <typename Sample>
void GuardedChannels<Sample>::Resize(int channels, int newCapacity) {
    capacity = std::max(newCapacity, 0);
    stride = capacity + 2 * kGuard;
    storage.assign(static_cast<std::size_t>(std::max(channels, 0)) * stride, Pattern<Sample>(true));
    pointers.resize(static_cast<std::size_t>(std::max(channels, 0)));
    for (std::size_t c = 0; c < pointers.size(); ++c)
        pointers[c] = storage.data() + c * stride + kGuard;
}

template <typename Sample>
void GuardedChannels<Sample>::PrepareOutputs(int frames) {
    const Sample guard = Pattern<Sample>(true);
    const Sample unwritten = Pattern<Sample>(false);
    for (Sample* channel : pointers) {
        std::fill(channel - kGuard, channel, guard);
        std::fill(channel, channel + frames, unwritten);
        std::fill(channel + frames, channel + capacity + kGuard, guard);
    }
}

template <typename Sample>
void GuardedChannels<Sample>::Fill(int frames, Sample value) {
    const Sample guard = Pattern<Sample>(true);
    for (Sample* channel : pointers) {
        std::fill(channel - kGuard, channel, guard);
        std::fill(channel, channel + frames, value);
        std::fill(channel + frames, channel + capacity + kGuard, guard);
    }
}

template <typename Sample>
void GuardedChannels<Sample>::CheckGuards(int frames, SampleFaults& faults,
                                          const char* context) const {
    for (std::size_t c = 0; c < pointers.size(); ++c) {
        const Sample* channel = pointers[c];
        for (int i = -kGuard; i < capacity + kGuard; ++i) {
            if (i == 0)
                i = frames; // the block itself is checked elsewhere
            if (i >= capacity + kGuard)
                break;
            if (!IsGuard(channel[i]))
                faults.Note(faults.guardDamage,
                            std::string(context) + ": written " +
                                (i < 0 ? "before the buffer" : "past the block") + " at channel " +
                                std::to_string(c) + " frame " + std::to_string(i));
        }
    }
}

template <typename Sample>
void GuardedChannels<Sample>::Check(int frames, double limit, SampleFaults& faults,
                                    const char* context) const {
    for (std::size_t c = 0; c < pointers.size(); ++c) {
        const Sample* channel = pointers[c];
        for (int i = 0; i < frames; ++i)
            CheckSample(channel[i], limit, faults, context, static_cast<int>(c), i);
    }
    CheckGuards(frames, faults, context);
}

template class GuardedChannels<float>;
template class GuardedChannels<double>;

} // namespace vorlunda::validate
