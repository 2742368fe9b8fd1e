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

    HWND create(const wchar_t* text, bool use_image_captions, int control_id, HINSTANCE instance);
    void set_caption(const wchar_t* text, BYTE red, BYTE blue);
    HWND handle() const { return window; }

    // Shared by all buttons. The face slots hold the most recent face; a button created
    // later starts with empty slots, so earlier buttons keep theirs for the process's life.
    static wchar_t caption_text[32];
    static bool image_captions;
    static HICON face_icon;
    static HIMAGELIST face_image_list;

  private:
    HWND window;
};

// Draws `text` as a coloured image with alpha and puts it on the button (red, green 0, blue).
void render_caption_face(CaptionButton& button, const wchar_t* text, BYTE red, BYTE blue);
