#include "caption_face.h"

SIZE face_size(SIZE text_extent) {
    auto limit = [](LONG v) { return v < 0 ? 0 : v > max_face_size ? max_face_size : v; };
    return SIZE{limit(text_extent.cx), limit(text_extent.cy)};
}

void recolour_face_pixels(RGBQUAD* pixels, std::size_t count, BYTE red, BYTE blue) {
    recolour_face_pixels(pixels, count, RGB(red, 0, blue));
}

void recolour_face_pixels(RGBQUAD* pixels, std::size_t count, COLORREF colour) {
    for (std::size_t i = 0; i < count; ++i) {
        RGBQUAD& p = pixels[i];
        const int grey = (p.rgbBlue + p.rgbGreen + p.rgbRed) / 3;
        p.rgbReserved = static_cast<BYTE>(255 - grey);
        p.rgbBlue = GetBValue(colour);
        p.rgbGreen = GetGValue(colour);
        p.rgbRed = GetRValue(colour);
    }
}
