#include "caption_button.h"

// Image faces are not drawn yet; the caption falls back to window text.
void render_caption_face(CaptionButton& button, const wchar_t* text, BYTE, BYTE) {
    SetWindowTextW(button.handle(), text);
}
