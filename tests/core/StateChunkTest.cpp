#include "core/StateChunk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace vorlunda {
namespace {

TEST(StateChunk, LittleEndianWithoutPadding) {
    StateChunk c;
    c.Append(std::int32_t{0x01020304});
    c.Append(true);
    c.Append(1.0);
    EXPECT_EQ(c.AppendString("ab"), 4 + 1 + 8 + 4 + 2);
    const std::uint8_t expected[] = {4, 3,    2,    1, 1, 0, 0, 0,   0,  0,
                                     0, 0xF0, 0x3F, 2, 0, 0, 0, 'a', 'b'};
    ASSERT_EQ(c.ByteCount(), static_cast<int>(sizeof expected));
    EXPECT_EQ(std::memcmp(c.Data(), expected, sizeof expected), 0);

    std::int32_t i = 0;
    bool b = false;
    double d = 0;
    std::string s;
    int pos = c.Read(&i, 0);
    pos = c.Read(&b, pos);
    pos = c.Read(&d, pos);
    pos = c.ReadString(&s, pos);
    EXPECT_EQ(pos, c.ByteCount());
    EXPECT_EQ(i, 0x01020304);
    EXPECT_TRUE(b);
    EXPECT_EQ(d, 1.0);
    EXPECT_EQ(s, "ab");
}

TEST(StateChunk, ReadsPastTheEndAnswerMinusOneAndKeepTheValue) {
    StateChunk c;
    c.Append(std::int32_t{7});
    double d = 3.0;
    EXPECT_EQ(c.Read(&d, 0), -1);
    EXPECT_EQ(d, 3.0);
    std::int32_t i = 9;
    EXPECT_EQ(c.Read(&i, -1), -1);
    EXPECT_EQ(c.Read(&i, 1), -1);
    EXPECT_EQ(i, 9);
    EXPECT_EQ(c.Read(&i, std::numeric_limits<int>::max()), -1);
}

TEST(StateChunk, StringLengthsThatLieAreRefused) {
    std::string s = "keep";
    for (std::int32_t n : {-1, -2147483647 - 1, 5, 2147483647}) {
        StateChunk c;
        c.Append(n);
        c.AppendBytes("abcd", 4);
        EXPECT_EQ(c.ReadString(&s, 0), -1) << n;
        EXPECT_EQ(s, "keep");
    }
    StateChunk empty;
    empty.Append(std::int32_t{0});
    EXPECT_EQ(empty.ReadString(&s, 0), 4);
    EXPECT_EQ(s, "");
}

TEST(StateChunk, SetSizeZeroFillsAndAnswersTheOldSize) {
    StateChunk c;
    c.Append(std::int32_t{-1});
    EXPECT_EQ(c.SetSize(8), 4);
    EXPECT_EQ(c.Data()[7], 0);
    EXPECT_EQ(c.Data()[0], 0xFF);
    c.Empty();
    EXPECT_EQ(c.ByteCount(), 0);
}

} // namespace
} // namespace vorlunda
