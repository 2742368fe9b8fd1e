// Pixel arithmetic of the key faces and the digits of the live window icon; the colours of the
// light, dark and high-contrast looks.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "caption_face.h"
#include "contrast.h"
#include "test_support.h"
#include "window_icon.h"

namespace {

RGBQUAD bgra(int b, int g, int r, int a) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r),
                   static_cast<BYTE>(a)};
}

std::string str(const RGBQUAD& p) {
    return std::to_string(p.rgbBlue) + "," + std::to_string(p.rgbGreen) + "," +
           std::to_string(p.rgbRed) + "," + std::to_string(p.rgbReserved);
}

} // namespace

TEST(CaptionFace, AlphaFromTheGreyLevelAndColourNotPremultiplied) {
    struct Case {
        RGBQUAD in;
        int alpha;
    } cases[] = {
        {bgra(255, 255, 255, 0), 0},   // white background: fully transparent
        {bgra(0, 0, 0, 0), 255},       // black text: fully opaque
        {bgra(128, 128, 128, 0), 127}, // grey edge: partly
        {bgra(1, 1, 2, 0), 254},       // 4 / 3 truncates to 1
        {bgra(254, 255, 255, 0), 1},   // 764 / 3 truncates to 254
        {bgra(0, 0, 255, 0), 170},     // the channels count alike
        {bgra(255, 0, 0, 0), 170},
        {bgra(255, 255, 255, 255), 0}, // whatever alpha was there is replaced
    };
    for (const auto& colour : {std::make_pair(0, 255), std::make_pair(255, 0)}) {
        const BYTE red = static_cast<BYTE>(colour.first), blue = static_cast<BYTE>(colour.second);
        std::vector<RGBQUAD> pixels;
        for (const Case& c : cases)
            pixels.push_back(c.in);
        recolour_face_pixels(pixels.data(), pixels.size(), red, blue);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const RGBQUAD want = bgra(blue, 0, red, cases[i].alpha);
            EXPECT_EQ(str(pixels[i]), str(want)) << "case " << i << " from " << str(cases[i].in);
        }
    }
}

TEST(CaptionFace, RecolouringStopsAtTheCount) {
    RGBQUAD pixels[3] = {bgra(0, 0, 0, 0), bgra(0, 0, 0, 0), bgra(9, 9, 9, 9)};
    recolour_face_pixels(pixels, 2, 0, 255);
    EXPECT_EQ(str(pixels[1]), "255,0,0,255");
    EXPECT_EQ(str(pixels[2]), "9,9,9,9");
}

TEST(CaptionFace, SizeIsTheTextExtentUpTo256EachWay) {
    struct Case {
        SIZE extent, face;
    } cases[] = {
        {{8, 16}, {8, 16}},     {{256, 256}, {256, 256}},  {{257, 16}, {256, 16}},
        {{40, 300}, {40, 256}}, {{5000, 900}, {256, 256}}, {{0, 16}, {0, 16}},
    };
    for (const Case& c : cases) {
        const SIZE got = face_size(c.extent);
        EXPECT_EQ(got.cx, c.face.cx) << c.extent.cx << "x" << c.extent.cy;
        EXPECT_EQ(got.cy, c.face.cy) << c.extent.cx << "x" << c.extent.cy;
    }
}

TEST(ColourMode, DarkOnlyForTheDwordZeroAnnouncedAsImmersiveColorSetAndHighContrastWins) {
    EXPECT_TRUE(dark_mode_value(ERROR_SUCCESS, REG_DWORD, 4, 0));
    EXPECT_FALSE(dark_mode_value(ERROR_SUCCESS, REG_DWORD, 4, 1) ||
                 dark_mode_value(ERROR_SUCCESS, REG_DWORD, 4, 2) ||
                 dark_mode_value(ERROR_FILE_NOT_FOUND, REG_DWORD, 4, 0) ||
                 dark_mode_value(ERROR_SUCCESS, REG_BINARY, 4, 0));
    EXPECT_TRUE(names_colour_mode(L"ImmersiveColorSet") && !names_colour_mode(nullptr) &&
                !names_colour_mode(L"Policy"));
    EXPECT_EQ(palette_for(false, false), Palette::light);
    EXPECT_EQ(palette_for(false, true), Palette::dark);
    EXPECT_EQ(palette_for(true, true), Palette::high_contrast);
}

TEST(ColourMode, DarkCaptionsKeepTheirRoleAtFourAndAHalfToOneOnKeysInEveryState) {
    EXPECT_NEAR(contrast_ratio(0xFFFFFF, 0), 21.0, 0.01);
    EXPECT_EQ(face_colour(Palette::light, 255, 0, 7), RGB(255, 0, 0));
    EXPECT_EQ(face_colour(Palette::high_contrast, 255, 0, 7), 7u);
    for (const BYTE red : {0, 255}) {
        const COLORREF caption = face_colour(Palette::dark, red, 255 - red, 0);
        EXPECT_EQ(GetRValue(caption) > GetBValue(caption), red == 255) << "the role's hue";
        for (const UINT state : {0, CDIS_HOT, CDIS_SELECTED})
            EXPECT_GE(contrast_ratio(pixel_of(caption), pixel_of(dark_key_colour(state))), 4.5)
                << state << caption;
    }
    EXPECT_GE(contrast_ratio(pixel_of(dark_colours::bar_chunk), pixel_of(dark_colours::bar_empty)),
              3.0);
}

TEST(WindowIconDigits, LastTwoDigitsOfMinutesAndSeconds) {
    struct Case {
        int minutes, seconds;
        int digits[4];
    } cases[] = {
        {5, 30, {0, 5, 3, 0}},   {0, 0, {0, 0, 0, 0}},    {99, 99, {9, 9, 9, 9}},
        {0, 75, {0, 0, 7, 5}},  // seconds 60 to 99 are shown as they are
        {100, 0, {0, 0, 0, 0}}, // count-up past 99 minutes: 100 shows as 00
        {123, 45, {2, 3, 4, 5}}, {1005, 7, {0, 5, 0, 7}}, {9999, 59, {9, 9, 5, 9}},
    };
    for (const Case& c : cases) {
        const IconDigits d = icon_digits(c.minutes, c.seconds);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(d.digit[i], c.digits[i]) << c.minutes << "." << c.seconds << " cell " << i;
    }
}
