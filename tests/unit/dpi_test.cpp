// Display-scale arithmetic: design values at 96 DPI to other scales, and the stock font scaled
// from the system DPI to a window's.
#include <gtest/gtest.h>

#include "dpi.h"

namespace {

struct Scaling {
    int value, to, from, want;
};

} // namespace

TEST(DpiScaling, RoundsHalfAwayFromZero) {
    const Scaling cases[] = {
        {334, 96, 96, 334},  {334, 120, 96, 418}, {334, 144, 96, 501},
        {334, 192, 96, 668}, {182, 120, 96, 228}, // 227.5 rounds up
        {5, 120, 96, 6},                          // 6.25
        {15, 120, 96, 19},                        // 18.75
        {-16, 144, 96, -24}, {-7, 120, 96, -9},   // -8.75: negative heights round the same way
        {16, 96, 144, 11},                        // back down from a larger system scale
        {0, 192, 96, 0},     {7, 96, 0, 7},       // no source scale: unchanged
    };
    for (const Scaling& c : cases)
        EXPECT_EQ(scale_between(c.value, c.to, c.from), c.want)
            << c.value << " from " << c.from << " to " << c.to;
    EXPECT_EQ(scale_for_dpi(280, 144), 420);
}

TEST(DpiScaling, StockFontKeepsItsShapeAtAnotherScale) {
    LOGFONTW stock{};
    stock.lfHeight = 16;
    stock.lfWidth = 7;
    stock.lfWeight = FW_BOLD;
    wcscpy(stock.lfFaceName, L"System");
    for (int dpi : {96, 120, 144, 192}) {
        const LOGFONTW f = scaled_font(stock, dpi, 96);
        EXPECT_EQ(f.lfHeight, scale_for_dpi(16, dpi)) << dpi;
        EXPECT_EQ(f.lfWidth, scale_for_dpi(7, dpi)) << dpi;
        EXPECT_EQ(f.lfWeight, FW_BOLD);
        EXPECT_STREQ(f.lfFaceName, L"System");
    }
}
