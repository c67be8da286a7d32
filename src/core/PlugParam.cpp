#include "core/PlugParam.h"

#include "core/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vorlunda {

void PlugParam::InitContinuous(const char* nameText, double defaultArg, double minArg,
                               double maxArg, double stepArg, const char* labelText,
                               const char* groupText, double shapeArg) {
    if (type == Type::None)
        type = Type::Continuous;
    CopyText(name, nameText ? nameText : "", kTextSize);
    CopyText(label, labelText ? labelText : "", kTextSize);
    CopyText(group, groupText ? groupText : "", kTextSize);
    min = minArg;
    value = defaultArg;
    step = stepArg;
    defaultValue = defaultArg;
    max = std::max(maxArg, minArg + stepArg);

    // Decimals shown follow the step: 1 -> 0, 0.5 -> 1, 0.01 -> 2, never more than 6.
    displayPrecision = 0;
    double work = step;
    while (work != std::floor(work) && displayPrecision < 6) {
        ++displayPrecision;
        work *= 10.0;
    }
    if (shapeArg != 0.0)
        shape = shapeArg;
}

void PlugParam::InitInteger(const char* nameText, int defaultArg, int minArg, int maxArg,
                            const char* labelText) {
    if (type == Type::None)
        type = Type::Integer;
    InitContinuous(nameText, defaultArg, minArg, maxArg, 1.0, labelText, "", 1.0);
}

void PlugParam::InitChoice(const char* nameText, int defaultArg, int count) {
    if (type == Type::None)
        type = Type::Enumerated;
    InitContinuous(nameText, defaultArg, 0.0, count - 1, 1.0, "", "", 1.0);
}

void PlugParam::AddValueText(int v, const char* text) {
    ValueText entry{v, {}};
    CopyText(entry.text, text ? text : "", kTextSize);
    valueTexts.push_back(entry);
}

void PlugParam::SetReal(double v) {
    // NaN fails both comparisons; it is stored as the minimum so that no NaN reaches the engine.
    if (!(v >= min))
        value = min;
    else
        value = std::min(v, max);
}

void PlugParam::SetFromNormalised(double n) {
    double v = RealFromNormalised(n);
    if (type != Type::Continuous)
        v = std::floor(v / step + 0.5) * step; // multiples of the step counted from 0
    value = std::min(v, max);
}

double PlugParam::ToNormalised(double x) const {
    const double v = x < min ? min : std::min(x, max);
    return std::pow((v - min) / (max - min), 1.0 / shape);
}

double PlugParam::RealFromNormalised(double n) const {
    return std::pow(n, shape) * (max - min) + min;
}

const PlugParam::ValueText* PlugParam::ValueTextAt(int i) const {
    if (i < 0 || i >= ValueTextCount())
        return nullptr;
    return &valueTexts[static_cast<std::size_t>(i)];
}

const PlugParam::ValueText* PlugParam::FindValueText(double v) const {
    // Truncation toward zero as a 32-bit integer; values outside that range match nothing.
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return nullptr;
    const int key = static_cast<int>(v);
    for (const ValueText& entry : valueTexts) {
        if (entry.value == key)
            return &entry;
    }
    return nullptr;
}

const char* PlugParam::LabelText() const {
    const ValueText* entry = FindValueText(value);
    if (entry && entry->text[0] != '\0')
        return "";
    return label;
}

void PlugParam::FormatValue(double v, bool normalized, char* text, bool withDisplayText) const {
    if (normalized)
        v = RealFromNormalised(v);
    if (displayFunction) {
        displayFunction(v, text);
        return;
    }
    if (withDisplayText) {
        const ValueText* entry = FindValueText(v);
        if (entry && entry->text[0] != '\0') {
            CopyText(text, entry->text, kTextSize);
            return;
        }
    }
    if (negateDisplay)
        v = -v;
    if (displayPrecision == 0) {
        // "%d" of the value truncated toward zero (saturated: the text must stay in 32 bytes).
        const double t =
            std::isnan(v) ? 0.0 : std::clamp(std::trunc(v), -2147483648.0, 2147483647.0);
        FormatInt(static_cast<long long>(t), text, kTextSize);
    } else {
        FormatFixed(v, displayPrecision, text, kTextSize);
    }
}

bool PlugParam::ValueOfDisplay(const char* text, double* result) const {
    if (!text)
        return false;
    double v = 0.0;
    if (displayFunction && displayParser) {
        if (!displayParser(text, &v))
            return false;
    } else if (ValueTextCount() > 0) {
        if (!ValueOfText(text, &v))
            return false;
    } else {
        v = ParseDouble(text).value_or(0.0);
        if (negateDisplay)
            v = -v;
    }
    if (result)
        *result = v;
    return true;
}

bool PlugParam::ValueOfText(const char* text, double* result) const {
    if (!text)
        return false;
    for (const ValueText& entry : valueTexts) {
        if (std::strcmp(entry.text, text) == 0) {
            if (result)
                *result = entry.value;
            return true;
        }
    }
    return false;
}

} // namespace vorlunda
