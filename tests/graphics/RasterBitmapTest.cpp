#include "graphics/RasterMemBitmap.h"
#include "graphics/RasterSysBitmap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vorlunda {
namespace {

TEST(RasterMemBitmap, RowsAreAlignedAndRoundedUpToFourPixels) {
    for (int w : {1, 3, 4, 5, 63, 1080}) {
        RasterMemBitmap b(w, 3);
        ASSERT_NE(b.Pixels(), nullptr);
        EXPECT_EQ(b.Width(), w);
        EXPECT_EQ(b.Height(), 3);
        EXPECT_EQ(b.RowSpan(), (w + 3) / 4 * 4);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.Pixels()) % 64, 0u);
        EXPECT_EQ(b.Row(2), b.Pixels() + 2 * b.RowSpan());
        EXPECT_FALSE(b.BottomUp());
        EXPECT_EQ(b.DeviceContext(), nullptr);
        EXPECT_EQ(b.ExtendedQuery(1, nullptr), 0);
        // The last pixel of the last row is writable (ASan checks the allocation).
        b.Row(2)[b.RowSpan() - 1] = 0xFFFFFFFFu;
    }
}

TEST(RasterMemBitmap, ZeroOrNegativeSizesAllocateNothing) {
    for (auto [w, h] : {std::pair{0, 0}, {0, 5}, {5, 0}, {-1, 4}, {4, -1}}) {
        RasterMemBitmap b(w, h);
        EXPECT_EQ(b.Pixels(), nullptr);
        EXPECT_EQ(b.Width(), 0);
        EXPECT_EQ(b.Height(), 0);
        EXPECT_EQ(b.AllocatedBytes(), 0u);
        EXPECT_FALSE(b.HasPixels());
    }
}

TEST(RasterMemBitmap, ResizeKeepsOrGrowsTheBuffer) {
    RasterMemBitmap b(8, 8);
    EXPECT_EQ(b.AllocatedBytes(), 8u * 8 * 4);
    EXPECT_FALSE(b.Resize(8, 8)) << "equal size";
    EXPECT_TRUE(b.Resize(4, 4));
    EXPECT_EQ(b.AllocatedBytes(), 8u * 8 * 4) << "a smaller size keeps the buffer";
    EXPECT_EQ(b.Width(), 4);
    // 16 x 10 pixels need 640 bytes: the buffer grows to 5/4 of that.
    EXPECT_TRUE(b.Resize(16, 10));
    EXPECT_GE(b.AllocatedBytes(), 800u);
    EXPECT_TRUE(b.Resize(0, 10));
    EXPECT_EQ(b.Pixels(), nullptr);
    EXPECT_EQ(b.AllocatedBytes(), 0u);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_TRUE(b.Resize(3, 1));
    EXPECT_EQ(b.AllocatedBytes(), 4u * 4) << "a missing buffer is made at the exact size";
}

TEST(RasterSysBitmap, MakesPixelsOfTheRoundedWidth) {
    RasterSysBitmap b(1081, 396);
    ASSERT_NE(b.Pixels(), nullptr);
    EXPECT_EQ(b.Width(), 1081);
    EXPECT_EQ(b.Height(), 396);
    EXPECT_EQ(b.RowSpan(), 1084);
    EXPECT_FALSE(b.BottomUp());
    b.Row(395)[1083] = 0x12345678u;
#ifdef _WIN32
    EXPECT_NE(b.DeviceContext(), nullptr) << "a DIB section in a memory device context";
#else
    EXPECT_EQ(b.DeviceContext(), nullptr);
#endif
}

TEST(RasterSysBitmap, ResizeRules) {
    RasterSysBitmap b(64, 64);
    RasterPixel* first = b.Pixels();
    EXPECT_FALSE(b.Resize(64, 64));
    EXPECT_TRUE(b.Resize(30, 20)) << "fits: only the size changes";
    EXPECT_EQ(b.Pixels(), first);
    EXPECT_EQ(b.RowSpan(), 64);
    EXPECT_TRUE(b.Resize(100, 20));
    EXPECT_EQ(b.RowSpan(), 100);
    EXPECT_FALSE(b.Resize(0, 20)) << "below 1 leaves no pixels";
    EXPECT_EQ(b.Pixels(), nullptr);
    EXPECT_EQ(b.Width(), 0);
    RasterSysBitmap none;
    EXPECT_EQ(none.Pixels(), nullptr);
    EXPECT_FALSE(none.HasPixels());
}

} // namespace
} // namespace vorlunda
