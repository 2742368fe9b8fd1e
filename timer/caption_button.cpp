#include "caption_button.h"

#include <cwchar>

#include "timer_state.h"

wchar_t CaptionButton::caption_text[32];
bool CaptionButton::image_captions;
HIMAGELIST CaptionButton::face_image_list;

CaptionButton::CaptionButton() : window(nullptr), shown_caption() {
    face_image_list = nullptr;
}

CaptionButton::~CaptionButton() {
    // The slot is shared: the first destructor releases the last face, the others find it
    // empty.
    if (face_image_list != nullptr) {
        ImageList_Destroy(face_image_list);
        face_image_list = nullptr;
    }
}

HWND CaptionButton::create(const wchar_t* text, bool use_image_captions, int control_id,
                           HINSTANCE instance) {
    window = nullptr;
    // The faces made so far stay with the buttons that show them.
    face_image_list = nullptr;
    wcsncpy(caption_text, text, 31);
    caption_text[31] = L'\0';
    image_captions = use_image_captions;
    window = CreateWindowExW(
        WS_EX_NOPARENTNOTIFY, L"BUTTON", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main_window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)), instance, nullptr);
    set_caption(text, 0, 255);
    return window;
}

void CaptionButton::set_caption(const wchar_t* text, BYTE red, BYTE blue) {
    wcsncpy(shown_caption, text, 7);
    shown_caption[7] = L'\0';
    if (image_captions)
        render_caption_face(*this, text, red, blue);
    else
        SetWindowTextW(window, text);
}

