#pragma once

#include <array>

namespace vorlunda {

// The keys currently held, note number -> velocity, in note order. A fixed table instead of a
// node-based map: it is edited on the audio thread, which must not allocate.
class HeldNotes {
public:
    static constexpr int kNotes = 128;

    void Set(int note, int velocity) {
        if (note >= 0 && note < kNotes)
            velocities[static_cast<unsigned>(note)] = velocity;
    }
    void Erase(int note) { Set(note, kNone); }
    void Clear() { velocities.fill(kNone); }
    bool Contains(int note) const { return Velocity(note) != kNone; }
    bool Empty() const { return Highest() < 0; }
    // The velocity of a held note, or -1.
    int Velocity(int note) const {
        return note >= 0 && note < kNotes ? velocities[static_cast<unsigned>(note)] : kNone;
    }
    // The highest held note, or -1 when no key is held.
    int Highest() const {
        for (int n = kNotes - 1; n >= 0; --n) {
            if (velocities[static_cast<unsigned>(n)] != kNone)
                return n;
        }
        return -1;
    }

private:
    static constexpr int kNone = -1;
    std::array<int, kNotes> velocities = MakeEmpty();
    static constexpr std::array<int, kNotes> MakeEmpty() {
        std::array<int, kNotes> a{};
        a.fill(kNone);
        return a;
    }
};

} // namespace vorlunda
