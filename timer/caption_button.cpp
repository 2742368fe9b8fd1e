#include "caption_button.h"

#include <cwchar>

#include "caption_face.h"
#include "contrast.h"
#include "dpi.h"

wchar_t CaptionButton::caption_text[32];
bool CaptionButton::image_captions;
Palette CaptionButton::palette;

namespace {

// The caption drawn into a 32-bit top-down DIB section of its own size in `dc`'s font
// and recoloured, made into a one-image list. Null when any step fails; nothing is left over.
HIMAGELIST make_face(HDC dc, const wchar_t* text, COLORREF ink) {
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
                         ink);

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

// Draws `text` as a coloured image with alpha and puts it on the button (red, green 0, blue),
// then releases the key's previous face. When the face cannot be made the button keeps its
// old one.
void CaptionButton::render_face(const wchar_t* text, BYTE red, BYTE blue) {
    wcsncpy(caption_text, text, 31);
    caption_text[31] = L'\0';

    HDC window_dc = GetDC(window);
    HDC dc = CreateCompatibleDC(window_dc);
    ReleaseDC(window, window_dc);
    if (dc == nullptr)
        return;
    // Where the stock font fits, the memory DC's own is the face font; elsewhere the design's
    // font for the key's DPI, so the caption keeps its proportions and its size relative to
    // the key.
    HFONT font = design_font_for_dpi(face_dpi != 0 ? face_dpi : system_dpi());
    HGDIOBJ previous_font = font != nullptr ? SelectObject(dc, font) : nullptr;
    HIMAGELIST face =
        make_face(dc, caption_text, face_colour(palette, red, blue, GetSysColor(COLOR_BTNTEXT)));
    if (font != nullptr) {
        SelectObject(dc, previous_font);
        DeleteObject(font);
    }
    DeleteDC(dc);
    if (face == nullptr)
        return; // the button keeps the face it shows

    BUTTON_IMAGELIST image{};
    image.himl = face;
    image.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
    SendMessageW(window, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&image));
    // The button does not repaint by itself for a new image list.
    InvalidateRect(window, nullptr, TRUE);
    // The button has just let go of its previous face.
    if (face_list != nullptr)
        ImageList_Destroy(face_list);
    face_list = face;
}

CaptionButton::CaptionButton()
    : window(nullptr), shown_caption(), shown_red(0), shown_blue(255), face_dpi(0),
      face_list(nullptr) {}

CaptionButton::~CaptionButton() {
    if (face_list != nullptr)
        ImageList_Destroy(face_list);
    face_list = nullptr;
}

HWND CaptionButton::create(HWND parent, const wchar_t* text, bool use_image_captions,
                           int control_id, HINSTANCE instance, int dpi) {
    window = nullptr;
    face_dpi = dpi;
    wcsncpy(caption_text, text, 31);
    caption_text[31] = L'\0';
    image_captions = use_image_captions;
    window = CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"BUTTON", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0,
                             0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)),
                             instance, nullptr);
    set_caption(text, 0, 255);
    return window;
}

void CaptionButton::set_caption(const wchar_t* text, BYTE red, BYTE blue) {
    wcsncpy(shown_caption, text, 7);
    shown_caption[7] = L'\0';
    shown_red = red;
    shown_blue = blue;
    if (image_captions)
        render_face(text, red, blue);
    else
        SetWindowTextW(window, text);
}

void CaptionButton::draw_dark(const NMCUSTOMDRAW& draw) const {
    HDC dc = draw.hdc;
    RECT r = draw.rc;
    FillRect(dc, &r, colour_brush(dc, dark_colours::frame));
    InflateRect(&r, -1, -1);
    FillRect(dc, &r, colour_brush(dc, dark_key_colour(draw.uItemState)));
    const bool cues_hidden = (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    if ((draw.uItemState & CDIS_FOCUS) != 0 && !cues_hidden) {
        RECT focus = r;
        InflateRect(&focus, -2, -2);
        FrameRect(dc, &focus, colour_brush(dc, dark_colours::focus));
    }
    if ((draw.uItemState & CDIS_SELECTED) != 0)
        OffsetRect(&r, 1, 1);
    int width = 0, height = 0;
    if (face_list != nullptr && ImageList_GetIconSize(face_list, &width, &height)) {
        ImageList_Draw(face_list, 0, dc, r.left + (r.right - r.left - width) / 2,
                       r.top + (r.bottom - r.top - height) / 2, ILD_NORMAL);
    } else if (!image_captions) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, face_colour(palette, shown_red, shown_blue, 0));
        DrawTextW(dc, shown_caption, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void CaptionButton::set_dpi(int dpi) {
    face_dpi = dpi;
    redraw_face();
}

void CaptionButton::redraw_face() {
    if (image_captions && window != nullptr)
        render_face(shown_caption, shown_red, shown_blue);
}
