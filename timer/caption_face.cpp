#include "caption_face.h"

#include <cwchar>

#include "caption_button.h"

SIZE face_size(SIZE text_extent) {
    auto limit = [](LONG v) { return v < 0 ? 0 : v > max_face_size ? max_face_size : v; };
    return SIZE{limit(text_extent.cx), limit(text_extent.cy)};
}

void recolour_face_pixels(RGBQUAD* pixels, std::size_t count, BYTE red, BYTE blue) {
    for (std::size_t i = 0; i < count; ++i) {
        RGBQUAD& p = pixels[i];
        const int grey = (p.rgbBlue + p.rgbGreen + p.rgbRed) / 3;
        p.rgbReserved = static_cast<BYTE>(255 - grey);
        p.rgbBlue = blue;
        p.rgbGreen = 0;
        p.rgbRed = red;
    }
}

namespace {

// The caption drawn into a 32-bit top-down DIB section of its own size in `dc`'s stock font
// and recoloured, made into a one-image list. Null when any step fails; nothing is left over.
HIMAGELIST make_face(HDC dc, const wchar_t* text, BYTE red, BYTE blue) {
    const int length = static_cast<int>(wcslen(text));
    SIZE extent{0, 0};
    GetTextExtentPoint32W(dc, text, length, &extent);
    const SIZE size = face_size(extent);
    if (size.cx == 0 || size.cy == 0)
        return nullptr;

    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = size.cx;
    header.bmiHeader.biHeight = -size.cy; // top-down
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (colour == nullptr)
        return nullptr;

    // The device context's defaults, black text on opaque white, cover the whole image.
    HGDIOBJ old_bitmap = SelectObject(dc, colour);
    TextOutW(dc, 0, 0, text, length);
    SelectObject(dc, old_bitmap);
    GdiFlush();
    recolour_face_pixels(static_cast<RGBQUAD*>(bits), static_cast<std::size_t>(size.cx) * size.cy,
                         red, blue);

    // The list copies the pixels, alpha included, straight from the DIB section. Going
    // through an icon made from it gives the same image but costs about 2 ms a face under
    // Wine, a tenth of the timer's start-up for the eleven faces.
    HIMAGELIST list = ImageList_Create(size.cx, size.cy, ILC_COLOR32, 1, 1);
    if (list != nullptr && ImageList_Add(list, colour, nullptr) < 0) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    DeleteObject(colour);
    return list;
}

} // namespace

void render_caption_face(CaptionButton& button, const wchar_t* text, BYTE red, BYTE blue) {
    wcsncpy(CaptionButton::caption_text, text, 31);
    CaptionButton::caption_text[31] = L'\0';

    HWND window = button.handle();
    HDC window_dc = GetDC(window);
    HDC dc = CreateCompatibleDC(window_dc);
    ReleaseDC(window, window_dc);
    if (dc == nullptr)
        return;
    HIMAGELIST face = make_face(dc, CaptionButton::caption_text, red, blue);
    DeleteDC(dc);
    if (face == nullptr)
        return; // the button keeps the face it shows

    BUTTON_IMAGELIST image{};
    image.himl = face;
    image.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
    SendMessageW(window, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&image));
    // The button does not repaint by itself for a new image list.
    InvalidateRect(window, nullptr, TRUE);
    // The slot holds the previous face of this same button (see CaptionButton::create); the
    // button has just let go of it.
    if (CaptionButton::face_image_list != nullptr)
        ImageList_Destroy(CaptionButton::face_image_list);
    CaptionButton::face_image_list = face;
}
