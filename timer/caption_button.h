// The push button behind each of the eleven keys: its caption is either plain window text or
// an image face, decided in one place (set_caption).
#pragma once

#include <windows.h>
#include <commctrl.h>

class CaptionButton {
  public:
    CaptionButton();
    ~CaptionButton();
    CaptionButton(const CaptionButton&) = delete;
    CaptionButton& operator=(const CaptionButton&) = delete;

    // A child of `parent` with the id `control_id`, showing `text` in blue.
    HWND create(HWND parent, const wchar_t* text, bool use_image_captions, int control_id,
                HINSTANCE instance);
    void set_caption(const wchar_t* text, BYTE red, BYTE blue);
    HWND handle() const { return window; }
    // The caption the key shows, as text.
    const wchar_t* caption() const { return shown_caption; }

    // Shared by all buttons. The face slot holds the image list of the most recent face; a
    // button created later starts with an empty slot, so earlier buttons keep theirs for the
    // process's life. Only the last button's caption is ever set again, so a new face always
    // replaces that button's own previous one: it keeps exactly one. One slot rather than one
    // per button because only the start key ever changes face: the digit keys' first faces
    // are made once and, like the keys, last until exit, so nothing needs to find them again.
    static wchar_t caption_text[32];
    static bool image_captions;
    static HIMAGELIST face_image_list;

  private:
    HWND window;
    wchar_t shown_caption[8];
};
