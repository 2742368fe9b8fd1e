// The live window icon of the running timer: after a time is keyed in, its cells hold that
// time's glyphs from the digit strip, on the picture with its point, with the mask's shape.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

using namespace e2e;

namespace {

// What the icon should show: glyphs `digits` of bitmap 112 in the four 6 x 19 cells of bitmap
// 110, as 0xAARRGGBB, opaque where the mask (bitmap 111) is black.
Picture expected_icon(const int (&digits)[4]) {
    const Picture picture = read_artwork("icon_picture.bmp");
    const Picture mask = read_artwork("icon_mask.bmp");
    const Picture strip = read_artwork("icon_digits.bmp");
    Picture want = picture;
    const int cell_x[4] = {2, 9, 17, 24};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            std::uint32_t px = picture.at(x, y);
            for (int cell = 0; cell < 4; ++cell)
                if (x >= cell_x[cell] && x < cell_x[cell] + 6 && y >= 8 && y < 27)
                    px = strip.at(6 * digits[cell] + x - cell_x[cell], y - 8);
            const bool opaque = mask.at(x, y) == 0;
            want.pixels[static_cast<std::size_t>(y) * 32 + x] = opaque ? 0xFF000000u | px : 0;
        }
    }
    return want;
}

// The window's 32 x 32 icon as the X server holds it (_NET_WM_ICON, which Wine sets from
// WM_SETICON), transparent pixels as 0. Empty when it cannot be read. A WM_GETICON sent from
// another process answers nothing under Wine, and an icon handle does not cross processes.
Picture icon_from_x_server(HWND window, const std::wstring& folder) {
    Picture icon;
    const auto xid = reinterpret_cast<UINT_PTR>(GetPropW(window, L"__wine_x11_whole_window"));
    if (xid == 0)
        return icon;
    // Wine cannot wait for a Unix process to end: the output appears under its final name only
    // once it is complete.
    const std::wstring result = folder + L"\\icon.txt";
    DeleteFileW(result.c_str());
    std::wstring out = folder.substr(2) + L"\\icon"; // "Z:" + the Unix path
    for (auto& c : out)
        if (c == L'\\')
            c = L'/';
    if (!start_unix_shell(L"-c \"xprop -id " + std::to_wstring(xid) +
                              L" -notype -f _NET_WM_ICON 32c ' $0+' _NET_WM_ICON > '" + out +
                              L".part' && mv '" + out + L".part' '" + out + L".txt'\"",
                          folder) ||
        !wait_until([&] { return GetFileAttributesW(result.c_str()) != INVALID_FILE_ATTRIBUTES; },
                    5000))
        return icon;

    // "_NET_WM_ICON 32, 32, v, v, ..., 16, 16, v, ..." : images one after the other.
    const auto bytes = read_file(result);
    std::string text(bytes.begin(), bytes.end());
    const std::size_t at = text.find("_NET_WM_ICON");
    if (at == std::string::npos)
        return icon;
    std::istringstream in(text.substr(at + 12));
    std::vector<std::uint32_t> values;
    std::string item;
    while (std::getline(in, item, ','))
        values.push_back(static_cast<std::uint32_t>(std::strtoul(item.c_str(), nullptr, 10)));
    for (std::size_t i = 0; i + 2 <= values.size();) {
        const std::size_t w = values[i], h = values[i + 1];
        if (i + 2 + w * h > values.size())
            break;
        if (w == 32 && h == 32) {
            icon.width = icon.height = 32;
            for (std::size_t k = 0; k < w * h; ++k) {
                const std::uint32_t argb = values[i + 2 + k];
                icon.pixels.push_back(argb >> 24 == 0 ? 0 : argb);
            }
            break;
        }
        i += 2 + w * h;
    }
    return icon;
}

::testing::AssertionResult same_icon(const Picture& got, const Picture& want) {
    if (got.width != 32 || got.height != 32)
        return ::testing::AssertionFailure() << "no 32 x 32 icon";
    int wrong = 0;
    std::ostringstream first;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (got.at(x, y) != want.at(x, y) && wrong++ < 3)
                first << " (" << x << "," << y << ") " << std::hex << got.at(x, y) << " want "
                      << want.at(x, y) << std::dec;
    if (wrong > 0)
        return ::testing::AssertionFailure() << wrong << " pixels differ:" << first.str();
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(LiveIcon, CellsHoldTheGlyphsOfTheKeyedTimeOnThePicture) {
    if (GetFileAttributesW(L"Z:\\usr\\bin\\xprop") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "xprop (x11-utils) is needed to read the icon from the X server";
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    for (WPARAM key : {'0', '5', '3', '0'})
        post_key(t.window, key);
    ASSERT_TRUE(t.title_becomes(L"05.30"));

    const Picture want = expected_icon({0, 5, 3, 0});
    ASSERT_EQ(want.at(15, 21), 0xFF000000u) << "the artwork's point";
    Picture got;
    wait_until(
        [&] {
            got = icon_from_x_server(t.window, t.folder);
            return same_icon(got, want);
        },
        3000);
    if (got.width == 0)
        GTEST_SKIP() << "the X server holds no icon for the window";
    EXPECT_TRUE(same_icon(got, want));

    // Each new time redraws all four cells.
    post_key(t.window, '9');
    ASSERT_TRUE(t.title_becomes(L"53.09"));
    const Picture want_next = expected_icon({5, 3, 0, 9});
    wait_until(
        [&] {
            got = icon_from_x_server(t.window, t.folder);
            return same_icon(got, want_next);
        },
        3000);
    EXPECT_TRUE(same_icon(got, want_next));
}
