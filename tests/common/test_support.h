// What the unit and the end-to-end tests share: naming a checking helper's caller in its
// failures, and pictures, such as the committed artwork, as pixel values.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The timer's progress bar in the 334 x 182 design client area.
constexpr RECT design_bar{10, 100, 324, 110};

// Little-endian values of `size` bytes, as the settings record and the PE, bitmap and wave files
// hold them. A write past the end grows the bytes; a read past the end sees zeros.
inline void put_le(Bytes& bytes, std::size_t at, std::uint32_t value, std::size_t size) {
    if (bytes.size() < at + size)
        bytes.resize(at + size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline std::uint32_t le_at(const Bytes& bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size && at + i < bytes.size(); ++i)
        value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}
inline void put_u16(Bytes& bytes, std::size_t at, unsigned value) {
    put_le(bytes, at, value, 2);
}
inline std::uint16_t u16_at(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(le_at(bytes, at, 2));
}
// UTF-16 units one after another from `at`, such as a font name.
inline void put_units(Bytes& bytes, std::size_t at, const std::u16string& units) {
    for (std::size_t i = 0; i < units.size(); ++i)
        put_u16(bytes, at + 2 * i, units[i]);
}

// Where a checking helper was called from. Every helper of the tests that checks something
// inside takes one as its last parameter, defaulted (`const CalledFrom& = {}`): GCC's builtins
// give the caller's file and line, and while the helper runs, a failure in it names that line
// as well as the helper's own.
class CalledFrom {
  public:
    CalledFrom(const char* file = __builtin_FILE(), int line = __builtin_LINE())
        : trace(file, line, "called from here") {}

  private:
    ::testing::ScopedTrace trace;
};

// One 0x00RRGGBB value per pixel (0xAARRGGBB where a test says so), row by row from the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The contrast ratio of two 0x00RRGGBB colours as the accessibility guidelines reckon it, from
// 1 (alike) to 21 (black and white).
inline double contrast_ratio(std::uint32_t a, std::uint32_t b) {
    const auto luminance = [](std::uint32_t px) {
        double sum = 0.05;
        for (const auto& [shift, weight] : {std::pair{16, 0.2126}, {8, 0.7152}, {0, 0.0722}}) {
            const double c = (px >> shift & 0xFF) / 255.0;
            sum += weight * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double la = luminance(a), lb = luminance(b);
    return la > lb ? la / lb : lb / la;
}

// A COLORREF (0x00BBGGRR) as a pixel value.
inline std::uint32_t pixel_of(COLORREF c) {
    return static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

// A committed artwork file, timer/resources/`name`, as Wine sees its path.
inline std::wstring artwork_path(const char* name) {
    const char* root = std::getenv("PLINKETT_SOURCE_DIR");
    const std::string unix_path =
        std::string(root != nullptr ? root : ".") + "/timer/resources/" + name;
    std::wstring path = L"Z:";
    for (char c : unix_path)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

// A committed artwork file (24 or 1 bit per pixel, rows bottom-up) read as plain bytes; empty
// when it cannot be read.
inline Picture read_artwork(const char* name) {
    std::ifstream in(artwork_path(name).c_str(), std::ios::binary);
    const Bytes b(std::istreambuf_iterator<char>(in), {});
    Picture img;
    auto u32 = [&](std::size_t at) { return le_at(b, at, 4); };
    if (b.size() < 62 || (b[28] != 24 && b[28] != 1))
        return img;
    const int bits = b[28];
    const std::uint32_t data = u32(10);
    img.width = static_cast<int>(u32(18));
    img.height = static_cast<int>(u32(22));
    const std::size_t stride = (static_cast<std::size_t>(img.width) * bits + 31) / 32 * 4;
    for (int y = 0; y < img.height; ++y) {
        const std::size_t row = data + stride * static_cast<std::size_t>(img.height - 1 - y);
        for (int x = 0; x < img.width; ++x) {
            if (bits == 24) {
                const std::size_t p = row + 3 * static_cast<std::size_t>(x);
                img.pixels.push_back(b[p] | b[p + 1] << 8 | b[p + 2] << 16);
            } else {
                const int index = b[row + x / 8] >> (7 - x % 8) & 1;
                img.pixels.push_back(u32(14 + b[14] + 4 * index) & 0xFFFFFF);
            }
        }
    }
    return img;
}
