// snap CLASS OUT.bmp [TIMEOUT_MS [KEYS]]: waits for a visible top-level window of class CLASS,
// optionally types KEYS into it (one WM_KEYDOWN per character), and writes what the screen
// shows of it (frame included) to a 24-bit BMP file. Used to take screenshots under Xvfb.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: snap CLASS OUT.bmp [TIMEOUT_MS [KEYS]]\n");
        return 2;
    }
    const DWORD timeout = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 20000;
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    while ((window = FindWindowW(argv[1], nullptr)) == nullptr || !IsWindowVisible(window)) {
        if (GetTickCount() - start > timeout) {
            std::fprintf(stderr, "snap: no window of that class appeared\n");
            return 1;
        }
        Sleep(100);
    }
    if (argc > 4)
        for (const wchar_t* k = argv[4]; *k; ++k)
            SendMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(*k), 0);
    Sleep(500); // let it finish painting
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h; // bottom-up, as BMP files store it
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();

    const DWORD stride = ((w * 3) + 3) & ~3u;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * h;
    int status = 1;
    if (FILE* out = _wfopen(argv[2], L"wb")) {
        bool ok = std::fwrite(&fh, sizeof fh, 1, out) == 1 &&
                  std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, out) == 1 &&
                  std::fwrite(bits, stride * h, 1, out) == 1;
        status = std::fclose(out) == 0 && ok ? 0 : 1;
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return status;
}
