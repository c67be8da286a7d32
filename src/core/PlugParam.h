#pragma once

#include <string>
#include <vector>

namespace vorlunda {

// Formats a real parameter value into a caller-supplied text buffer of at least 32 bytes.
using FormatterFunc = void (*)(double value, char* text);
// Reads a text that a FormatterFunc wrote back into the real value; false when the text is not
// one it could have written (no number in it).
using ParserFunc = bool (*)(const char* text, double* value);

// One automatable parameter. The host and the editor see normalised values 0..1; the engine
// reads the real value. Conversion goes through a power curve (shape) and, for stepped kinds,
// rounds to the step. No lock of its own: callers hold the plug-in mutex.
class PlugParam {
public:
    enum class Type : int { None = 0, Boolean = 1, Integer = 2, Enumerated = 3, Continuous = 4 };
    static constexpr int kTextSize = 32; // bytes, terminator included

    struct ValueText {
        int value;
        char text[kTextSize];
    };

    void InitContinuous(const char* name, double defaultValue, double min, double max, double step,
                        const char* label = "", const char* group = "", double shape = 1.0);
    void InitInteger(const char* name, int defaultValue, int min, int max, const char* label = "");
    void InitChoice(const char* name, int defaultValue, int count);
    void AddValueText(int value, const char* text);
    // A display of its own; `parse` reads its texts back (host value entry), so that a
    // displayed text set as the value shows the same text again.
    void SetDisplayFunction(FormatterFunc f, ParserFunc parse = nullptr) {
        displayFunction = f;
        displayParser = parse;
    }

    double RealValue() const { return value; }
    void SetReal(double v);
    void SetFromNormalised(double n);
    double ToNormalised() const { return ToNormalised(value); }
    double ToNormalised(double x) const;
    double RealFromNormalised(double n) const;

    Type Kind() const { return type; }
    double Minimum() const { return min; }
    double Maximum() const { return max; }
    double Step() const { return step; }
    double DefaultValue() const { return defaultValue; }
    double Shape() const { return shape; }
    int DisplayPrecision() const { return displayPrecision; }
    bool NegatesDisplay() const { return negateDisplay; }

    const char* NameText() const { return name; }
    const char* LabelText() const;
    // Writes the display text of `v` (a normalised value when `normalized`) into `text`,
    // which must hold at least kTextSize bytes.
    void FormatValue(double v, bool normalized, char* text, bool withDisplayText = true) const;
    int ValueTextCount() const { return static_cast<int>(valueTexts.size()); }
    const ValueText* ValueTextAt(int i) const;
    bool ValueOfText(const char* text, double* result) const;
    // The real value a display text stands for (not clamped): the display function's reading
    // when it has a reader, else the value of the matching display text, else the number in
    // the text (0 without one), negated when the display negates. False when the parameter has
    // display texts and none matches, or its reader refuses the text.
    bool ValueOfDisplay(const char* text, double* result) const;
    // True when the parameter shows its value through a display of its own that can read its
    // texts back (the value the user sees is then not the plain number).
    bool HasDisplayReader() const { return displayFunction && displayParser; }

private:
    // The first display text whose value equals trunc(v), or none.
    const ValueText* FindValueText(double v) const;

    FormatterFunc displayFunction = nullptr;
    ParserFunc displayParser = nullptr;
    Type type = Type::None;
    double value = 0.0;
    double min = 0.0;
    double max = 1.0;
    double step = 1.0;
    double shape = 1.0;
    double defaultValue = 0.0;
    int displayPrecision = 0;
    char name[kTextSize] = {};
    char label[kTextSize] = {};
    char group[kTextSize] = {};
    bool negateDisplay = false;
    std::vector<ValueText> valueTexts;
};

} // namespace vorlunda
