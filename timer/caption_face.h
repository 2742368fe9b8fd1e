// Arithmetic of the image faces of the keys, kept apart from the drawing so tests reach it.
#pragma once

#include <windows.h>

#include <cstddef>

// Largest face each way; a longer or taller caption keeps its top-left part.
constexpr int max_face_size = 256;

SIZE face_size(SIZE text_extent);

// Turns a caption drawn black on white into the face: the darker a pixel, the more opaque
// (alpha = 255 - average of blue, green and red, truncated); its colour becomes red, 0, blue,
// not premultiplied by the alpha.
void recolour_face_pixels(RGBQUAD* pixels, std::size_t count, BYTE red, BYTE blue);
// The same in any colour.
void recolour_face_pixels(RGBQUAD* pixels, std::size_t count, COLORREF colour);
