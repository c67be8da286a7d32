#pragma once

#include <array>
#include <string>

namespace vorlunda::validate {

// A text buffer handed to the plug-in (names, labels, displays), filled with a canary byte
// first. After the call it tells whether the text ends with a terminator inside the buffer,
// how far the plug-in wrote (zero padding and bytes written after the terminator included,
// so that a text cut after it was written longer shows) and what it wrote after the
// terminator.
class CanaryText {
public:
    static constexpr int kBytes = 512;
    static constexpr char kCanary = '\xA7';

    CanaryText() { Reset(); }
    void Reset() { bytes.fill(kCanary); }
    char* Data() { return bytes.data(); }

    struct Verdict {
        bool terminated = false; // a terminator within the buffer
        bool clean = false;      // nothing written after it
        bool zeroPadded = false; // only zeros written after it (a strncpy into a fixed field)
        int reach = 0;           // bytes from the start to the last one written
        int length = 0;          // characters before the terminator
        bool untouched = false;  // the call wrote nothing at all
    };
    Verdict Check() const;
    // The text up to the terminator (empty when there is none).
    std::string Text() const;

private:
    std::array<char, kBytes> bytes;
};

} // namespace vorlunda::validate
