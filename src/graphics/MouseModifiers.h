#pragma once

namespace vorlunda {

// The buttons and keys held during a pointer event, filled for every mouse event by the window
// layer. For a press, left or right tells which button went down (both false: the middle one).
struct MouseModifiers {
    bool left = false;
    bool right = false;
    bool shift = false;
    bool control = false;
    bool alt = false;

    // Shift or control: the fine-adjustment modifier of knobs, faders and wheels.
    constexpr bool Fine() const { return shift || control; }
};

// The editor's key numbering: space 0, the arrows 1..4, digits 0..9 as 5..14, letters A..Z as
// 15..40. Window layers translate their system's keys into it; other keys are not given to the
// core.
enum KeyCode : int {
    kKeySpace = 0,
    kKeyUp = 1,
    kKeyDown = 2,
    kKeyLeft = 3,
    kKeyRight = 4,
    kKeyDigit0 = 5,   // ... kKeyDigit0 + 9 is the digit 9
    kKeyLetterA = 15, // ... kKeyLetterA + 25 is the letter Z
    kKeyLetterZ = 40,
};

} // namespace vorlunda
