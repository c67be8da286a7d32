#include "core/TextFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace vorlunda {
namespace {

// A host may run with a locale whose decimal separator is a comma; our texts never follow it.
class CommaLocale {
public:
    CommaLocale() {
        const char* old = std::setlocale(LC_ALL, nullptr);
        saved = old ? old : "C";
        for (const char* name :
             {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252"}) {
            if (std::setlocale(LC_ALL, name)) {
                active = true;
                break;
            }
        }
    }
    ~CommaLocale() { std::setlocale(LC_ALL, saved.c_str()); }
    bool active = false;

private:
    std::string saved;
};

TEST(TextFormat, FixedAndIntegerIgnoreTheLocale) {
    CommaLocale locale;
    char text[32];
    FormatFixed(0.5, 2, text, sizeof text);
    EXPECT_STREQ(text, "0.50");
    FormatFixed(-1234.5678, 3, text, sizeof text);
    EXPECT_STREQ(text, "-1234.568");
    FormatInt(-42, text, sizeof text);
    EXPECT_STREQ(text, "-42");
    EXPECT_EQ(ParseDouble("0.5"), 0.5);
    EXPECT_EQ(ParseDouble("  -2.25xyz"), -2.25);
    if (!locale.active)
        GTEST_SKIP() << "no comma locale installed; checked in the C locale only";
}

TEST(TextFormat, ParseRejectsNonNumbersAndSaturates) {
    EXPECT_FALSE(ParseDouble("").has_value());
    EXPECT_FALSE(ParseDouble("abc").has_value());
    EXPECT_FALSE(ParseDouble("--1").has_value());
    EXPECT_EQ(ParseDouble("+3"), 3.0);
    EXPECT_TRUE(std::isinf(*ParseDouble("1e999")));
    EXPECT_EQ(ParseDouble("1e-999"), 0.0);
}

TEST(TextFormat, CopyTextAlwaysTerminates) {
    char text[4] = {'x', 'x', 'x', 'x'};
    CopyText(text, "abcdef", sizeof text);
    EXPECT_STREQ(text, "abc");
}

} // namespace
} // namespace vorlunda
