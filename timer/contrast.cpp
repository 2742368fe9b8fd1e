#include "contrast.h"

bool high_contrast_on() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

COLORREF face_colour(bool high_contrast, BYTE red, BYTE blue, COLORREF button_text) {
    return high_contrast ? button_text : RGB(red, 0, blue);
}
