// The display font's fit to the window: the band height tried first, the one shrink of a text
// that is too wide, and the centred origin.
#include <gtest/gtest.h>

#include "display.h"

TEST(DisplayFit, BandHeightFollowsTheClientHeightRoundedHalfUp) {
    struct Case {
        int client_height, want;
    } cases[] = {{182, 100}, {364, 200}, {0, 0}, {300, 165}, {91, 50}, {1, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(text_band_height(c.client_height), c.want) << c.client_height;
}

TEST(DisplayFit, OnlyAStrictlyWiderTextIsShrunk) {
    EXPECT_FALSE(text_too_wide(SIZE{334, 100}, 334));
    EXPECT_TRUE(text_too_wide(SIZE{335, 100}, 334));
    EXPECT_FALSE(text_too_wide(SIZE{0, 0}, 0));
}

TEST(DisplayFit, ShrinkScalesTheMeasuredHeightNotTheBand) {
    // A 400-pixel-wide text of cell height 120 in 334 pixels: 120 * 334 / 400 = 100.2.
    EXPECT_EQ(shrunk_font_height(SIZE{400, 120}, 334), 100);
    EXPECT_EQ(shrunk_font_height(SIZE{200, 101}, 100), 51); // 50.5 rounds up
    EXPECT_EQ(shrunk_font_height(SIZE{10, 100}, 0), 0);     // minimised window
}

TEST(DisplayFit, OriginCentresInTheClientWidthAndTheBand) {
    struct Case {
        SIZE measured;
        int client_width, band;
        LONG x, y;
    } cases[] = {
        {{300, 80}, 334, 100, 17, 10},  {{301, 81}, 334, 100, 16, 9}, // odd gaps truncate
        {{337, 90}, 334, 100, -1, 5},   // still too wide: cut equally, truncated toward zero
        {{560, 120}, 668, 200, 54, 40}, // shrunk font: the band stays the first height
        {{200, 110}, 334, 100, 67, -5},
    };
    for (const auto& c : cases) {
        const POINT p = centred_text_origin(c.measured, c.client_width, c.band);
        EXPECT_EQ(p.x, c.x) << c.measured.cx << "x" << c.measured.cy;
        EXPECT_EQ(p.y, c.y) << c.measured.cx << "x" << c.measured.cy;
    }
}
