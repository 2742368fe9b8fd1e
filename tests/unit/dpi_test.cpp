// Display-scale arithmetic: design values at 96 DPI to other scales, and the font of the text
// designed at 96 DPI.
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

TEST(DpiScaling, DesignFontKeepsItsProportionsAtEveryScale) {
    // The stock font is the design only at 96 DPI on a system at 96.
    EXPECT_TRUE(stock_font_fits(96, 96));
    EXPECT_FALSE(stock_font_fits(144, 96));
    EXPECT_FALSE(stock_font_fits(96, 192));
    EXPECT_FALSE(stock_font_fits(192, 192));
    const int want[][3] = {{96, 16, 7}, {120, 20, 9}, {144, 24, 11}, {192, 32, 14}};
    for (const auto& w : want) {
        const LOGFONTW f = design_font(w[0], L"Tahoma");
        EXPECT_EQ(f.lfHeight, w[1]) << w[0];
        EXPECT_EQ(f.lfWidth, w[2]) << w[0];
        EXPECT_EQ(f.lfWeight, FW_BOLD);
        EXPECT_EQ(f.lfOutPrecision, OUT_TT_ONLY_PRECIS); // never a raster font enlarged
        EXPECT_STREQ(f.lfFaceName, L"Tahoma");
    }
}

TEST(DpiScaling, FirstInstalledFaceOrTheFallback) {
    const wchar_t* faces[] = {L"A", L"B"};
    auto only_b = [](const wchar_t* face) { return wcscmp(face, L"B") == 0; };
    auto none = [](const wchar_t*) { return false; };
    EXPECT_STREQ(first_installed(faces, 2, only_b, L"System"), L"B");
    EXPECT_STREQ(first_installed(faces, 2, none, L"System"), L"System");
}
