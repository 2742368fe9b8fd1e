// The live icon and the key faces drawn for real (GDI under Wine), in this process: the
// images are read back from the icon and the image list that the drawing code made.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "caption_button.h"
#include "test_support.h"
#include "key_ids.h"
#include "window_icon.h"

namespace {

HBITMAP load_bitmap(const char* name) {
    return static_cast<HBITMAP>(
        LoadImageW(nullptr, artwork_path(name).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

// A bitmap's pixels as 32-bit BGRA, top-down.
std::vector<RGBQUAD> bits_of(HBITMAP bitmap, int width, int height, const CalledFrom& = {}) {
    std::vector<RGBQUAD> px(static_cast<std::size_t>(width) * height);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC dc = CreateCompatibleDC(nullptr);
    const int rows =
        GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), px.data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    EXPECT_EQ(rows, height);
    return px;
}

Picture icon_picture(HICON icon) {
    Picture img;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return img;
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    img.width = bm.bmWidth;
    img.height = bm.bmHeight;
    for (const RGBQUAD& p : bits_of(info.hbmColor, bm.bmWidth, bm.bmHeight))
        img.pixels.push_back(p.rgbBlue | p.rgbGreen << 8 | p.rgbRed << 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return img;
}

// The picture with glyphs d0 d1 d2 d3 in its cells, as the artwork says it should look.
void expect_icon_shows(const Picture& icon, const int (&digits)[4], const CalledFrom& = {}) {
    static const Picture picture = read_artwork("icon_picture.bmp");
    static const Picture strip = read_artwork("icon_digits.bmp");
    ASSERT_EQ(picture.width, 32);
    ASSERT_EQ(strip.width, 60);
    ASSERT_EQ(icon.width, 32);
    ASSERT_EQ(icon.height, 32);
    int wrong = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            std::uint32_t want = picture.at(x, y);
            for (int cell = 0; cell < 4; ++cell) {
                const int gx = x - icon_cell_x[cell], gy = y - icon_cell_y;
                if (gx >= 0 && gx < glyph_width && gy >= 0 && gy < glyph_height)
                    want = strip.at(glyph_width * digits[cell] + gx, gy);
            }
            if (icon.at(x, y) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << "," << y << ") " << std::hex << icon.at(x, y)
                              << " want " << want;
        }
    }
    EXPECT_EQ(icon.at(15, 21), 0u) << "the point between minutes and seconds";
}

struct HiddenWindow {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ~HiddenWindow() { DestroyWindow(window); }
};

} // namespace

TEST(WindowIconDrawing, CellsHoldTheGlyphsOfTheTimeAndEachUpdateReplacesTheIcon) {
    HiddenWindow host;
    ASSERT_NE(host.window, nullptr);
    update_window_icon(5, 30); // not filled yet: nothing happens
    EXPECT_EQ(SendMessageW(host.window, WM_GETICON, ICON_BIG, 0), 0);

    window_icon.window = host.window;
    window_icon.colour_bitmap = load_bitmap("icon_picture.bmp");
    window_icon.mask_bitmap = load_bitmap("icon_mask.bmp");
    window_icon.digit_strip = load_bitmap("icon_digits.bmp");
    ASSERT_NE(window_icon.colour_bitmap, nullptr);

    update_window_icon(5, 30);
    const HICON first = reinterpret_cast<HICON>(SendMessageW(host.window, WM_GETICON, ICON_BIG, 0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, window_icon.icon);
    expect_icon_shows(icon_picture(first), {0, 5, 3, 0});

    update_window_icon(123, 4);
    const HICON second =
        reinterpret_cast<HICON>(SendMessageW(host.window, WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(second, first);
    EXPECT_EQ(second, window_icon.icon);
    expect_icon_shows(icon_picture(second), {2, 3, 0, 4});
    ICONINFO gone{};
    EXPECT_FALSE(GetIconInfo(first, &gone)) << "the previous icon is destroyed";

    // Each update overwrites all four cells of the shared picture.
    update_window_icon(0, 0);
    expect_icon_shows(icon_picture(window_icon.icon), {0, 0, 0, 0});

    DestroyIcon(window_icon.icon);
    DeleteObject(window_icon.colour_bitmap);
    DeleteObject(window_icon.mask_bitmap);
    DeleteObject(window_icon.digit_strip);
    window_icon.icon = nullptr;
    window_icon.colour_bitmap = window_icon.mask_bitmap = window_icon.digit_strip = nullptr;
    window_icon.window = nullptr;
}

namespace {

SIZE stock_font_extent(HWND button, const wchar_t* text) {
    HDC window_dc = GetDC(button);
    HDC dc = CreateCompatibleDC(window_dc);
    ReleaseDC(button, window_dc);
    SIZE s{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &s);
    DeleteDC(dc);
    return s;
}

// The key's face: its size and its pixels, straight from the image list.
struct Face {
    int width = 0, height = 0;
    std::vector<RGBQUAD> pixels;
};
Face current_face(const CaptionButton& key) {
    Face f;
    HIMAGELIST list = key.face();
    if (list == nullptr || ImageList_GetImageCount(list) != 1)
        return f;
    ImageList_GetIconSize(list, &f.width, &f.height);
    IMAGEINFO info{};
    ImageList_GetImageInfo(list, 0, &info);
    BITMAP bm{};
    GetObjectW(info.hbmImage, sizeof bm, &bm);
    const std::vector<RGBQUAD> all = bits_of(info.hbmImage, bm.bmWidth, bm.bmHeight);
    for (int y = info.rcImage.top; y < info.rcImage.bottom; ++y)
        for (int x = info.rcImage.left; x < info.rcImage.right; ++x)
            f.pixels.push_back(all[static_cast<std::size_t>(y) * bm.bmWidth + x]);
    return f;
}

// Opaque where the text is, see-through around it, and every pixel in the one colour.
void expect_face_in(const Face& f, BYTE red, BYTE blue, const CalledFrom& = {}) {
    int opaque = 0, clear = 0, wrong_colour = 0;
    for (const RGBQUAD& p : f.pixels) {
        opaque += p.rgbReserved == 255;
        clear += p.rgbReserved == 0;
        if (p.rgbReserved != 0 && (p.rgbRed != red || p.rgbGreen != 0 || p.rgbBlue != blue))
            ++wrong_colour;
    }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(clear, opaque) << "the background is transparent";
    EXPECT_EQ(wrong_colour, 0);
}

} // namespace

TEST(CaptionFaceDrawing, FacesAreTheTextExtentInTheirColourAndReplaceEachOther) {
    HiddenWindow host;
    ASSERT_NE(host.window, nullptr);
    {
        CaptionButton key;
        HWND button =
            key.create(host.window, L"0", true, digit_button_id(0), GetModuleHandleW(nullptr));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(GetWindowTextLengthW(button), 0) << "the face is the caption";
        const SIZE zero = stock_font_extent(button, L"0");
        ASSERT_GT(zero.cx, 0);
        Face f = current_face(key);
        EXPECT_EQ(f.width, zero.cx);
        EXPECT_EQ(f.height, zero.cy);
        expect_face_in(f, 0, 255);

        key.set_caption(L"STOP", 255, 0);
        const SIZE stop = stock_font_extent(button, L"STOP");
        f = current_face(key);
        EXPECT_EQ(f.width, stop.cx);
        EXPECT_EQ(f.height, stop.cy);
        expect_face_in(f, 255, 0);

        // The longest caption the scratch copy holds, wider than a face may be.
        const wchar_t* wide = L"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW";
        key.set_caption(wide, 0, 255);
        f = current_face(key);
        EXPECT_EQ(f.width, std::min<LONG>(stock_font_extent(button, wide).cx, 256));
        expect_face_in(f, 0, 255);
    }
}
