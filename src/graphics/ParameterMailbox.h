#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace vorlunda {

// Parameter values travelling from the plug-in to the editor's controls. Host automation, program
// loads and the host's text entry run on the host's threads (and the MIDI controller map on the
// audio thread) while the editor handles input and paints on its own: those threads only store
// the newest normalised value of a parameter here and raise its flag, lock-free and without
// waiting; the editor's thread takes the values out at its next timer tick or event and only then
// touches the controls. A value overwritten before the editor took it is never shown (the newest
// wins), which is what a display wants.
class ParameterMailbox {
public:
    explicit ParameterMailbox(int parameterCount);

    int Count() const { return count; }

    // Any thread, never blocks. An index out of range, or a value that is not a finite number, is
    // ignored; other values are held to 0..1.
    void Post(int index, double normalised);

    // Editor thread: calls apply(index, normalised) for every parameter posted since the last
    // call, in index order. Answers whether anything was taken.
    template <typename Apply>
    bool Take(Apply&& apply) {
        if (!anyPosted.exchange(false, std::memory_order_acquire))
            return false;
        for (int i = 0; i < count; ++i) {
            Slot& slot = slots[static_cast<std::size_t>(i)];
            if (slot.posted.exchange(false, std::memory_order_acquire))
                apply(i, slot.value.load(std::memory_order_relaxed));
        }
        return true;
    }

    bool AnyPosted() const { return anyPosted.load(std::memory_order_acquire); }

private:
    struct Slot {
        std::atomic<double> value{0.0};
        std::atomic<bool> posted{false};
    };
    static_assert(std::atomic<double>::is_always_lock_free,
                  "the audio thread must never wait on a parameter slot");

    int count = 0;
    std::unique_ptr<Slot[]> slots;
    std::atomic<bool> anyPosted{false};
};

} // namespace vorlunda
