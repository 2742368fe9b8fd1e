// The push button behind each of the eleven keys: its caption is either plain window text or
// an image face, decided in one place (set_caption).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "contrast.h"

class CaptionButton {
  public:
    CaptionButton();
    ~CaptionButton();
    CaptionButton(const CaptionButton&) = delete;
    CaptionButton& operator=(const CaptionButton&) = delete;

    // A child of `parent` with the id `control_id`, showing `text` in blue; its face is made
    // for a window at `dpi` (0: the system DPI).
    HWND create(HWND parent, const wchar_t* text, bool use_image_captions, int control_id,
                HINSTANCE instance, int dpi = 0);
    void set_caption(const wchar_t* text, BYTE red, BYTE blue);
    // Makes the face again, same caption and colour, for a window now at `dpi`.
    void set_dpi(int dpi);
    // Makes the face again as it is, after a change of the system's colours or contrast.
    void redraw_face();
    HWND handle() const { return window; }
    // The caption the key shows, as text.
    const wchar_t* caption() const { return shown_caption; }
    // The image list of the face the key shows, or null; the key owns it.
    HIMAGELIST face() const { return face_list; }
    // Draws the whole key in the dark look, for its custom draw's first stage: face, frame,
    // focus and caption, moved a pixel while pressed.
    void draw_dark(const NMCUSTOMDRAW& draw) const;

    // Shared by all buttons: the scratch copy of the caption being drawn, and whether captions
    // are image faces (decided once, at creation).
    static wchar_t caption_text[32];
    static bool image_captions;
    // The look of every face: its own colour, its dark tone, or the system's button text colour.
    static Palette palette;

  private:
    HWND window;
    wchar_t shown_caption[8];
    BYTE shown_red, shown_blue;
    // 0 until a DPI is given: the system DPI.
    int face_dpi;
    // Exactly one face per key: a new one is put on the button before the old is destroyed.
    HIMAGELIST face_list;

    void render_face(const wchar_t* text, BYTE red, BYTE blue);
};
