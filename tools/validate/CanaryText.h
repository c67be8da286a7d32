#pragma once

#include <array>
#include <string>

namespace vorlunda::validate {

// A text buffer handed to the plug-in (names, labels, displays), filled with a canary byte
// first. After the call the text must end with a terminator inside the buffer and every byte
// after the terminator must still be the canary: a plug-in that pads, or writes a longer text
// and cuts it afterwards, is caught even where it stayed inside the buffer.
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
