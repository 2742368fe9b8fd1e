#include "dpi.h"

#include <cwchar>

#include "system_library.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// user32's DPI functions, or null where the system predates them. Looked up once, on the
// window thread.
struct DpiFunctions {
    GetDpiForWindowFn dpi_for_window = nullptr;
    GetDpiForSystemFn dpi_for_system = nullptr;
    AdjustWindowRectExForDpiFn adjust_for_dpi = nullptr;
    GetSystemMetricsForDpiFn metrics_for_dpi = nullptr;
};

template <typename Fn> Fn find(HMODULE user32, const char* name) {
    return system_function<Fn>(user32, name);
}

const DpiFunctions& functions() {
    static bool looked_up = false;
    static DpiFunctions found;
    if (!looked_up) {
        looked_up = true;
        if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
            found.dpi_for_window = find<GetDpiForWindowFn>(user32, "GetDpiForWindow");
            found.dpi_for_system = find<GetDpiForSystemFn>(user32, "GetDpiForSystem");
            found.adjust_for_dpi =
                find<AdjustWindowRectExForDpiFn>(user32, "AdjustWindowRectExForDpi");
            found.metrics_for_dpi =
                find<GetSystemMetricsForDpiFn>(user32, "GetSystemMetricsForDpi");
        }
    }
    return found;
}

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : base_dpi;
}

// Bold sans serif outline faces that look like the System font, which on Windows is a raster
// font GDI can enlarge only by whole multiples, into blocky glyphs. Tahoma is its closest
// likeness, the same narrow, upright bold sans serif; it and Microsoft Sans Serif come with
// every Windows from 2000 on, and Windows links both to the fonts of its language for
// characters they lack. Where neither is found the stock font's face is named, but as the font
// is asked for from outlines only, the system gives the TrueType face closest to it.
const wchar_t* const scalable_faces[] = {L"Tahoma", L"Microsoft Sans Serif"};

int CALLBACK found_face(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool installed(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    if (HDC screen = GetDC(nullptr)) {
        EnumFontFamiliesExW(screen, &wanted, found_face, reinterpret_cast<LPARAM>(&found), 0);
        ReleaseDC(nullptr, screen);
    }
    return found;
}

} // namespace

int scale_between(int value, int to_dpi, int from_dpi) {
    if (from_dpi <= 0)
        return value;
    const long long product = static_cast<long long>(value) * to_dpi;
    const long long half = from_dpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / from_dpi
                                         : -((-product + half) / from_dpi));
}

int dpi_of_window(HWND window) {
    if (const GetDpiForWindowFn get = functions().dpi_for_window)
        if (const UINT dpi = get(window))
            return static_cast<int>(dpi);
    return system_dpi();
}

int system_dpi() {
    static int dpi = 0;
    if (dpi == 0) {
        const GetDpiForSystemFn get = functions().dpi_for_system;
        dpi = get != nullptr ? static_cast<int>(get()) : screen_dpi();
        if (dpi <= 0)
            dpi = base_dpi;
    }
    return dpi;
}

void adjust_window_rect_for_dpi(RECT& rect, DWORD style, DWORD ex_style, int dpi) {
    if (const AdjustWindowRectExForDpiFn adjust = functions().adjust_for_dpi)
        if (adjust(&rect, style, FALSE, ex_style, static_cast<UINT>(dpi)))
            return;
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
}

int system_metric_for_dpi(int index, int dpi) {
    if (dpi != system_dpi())
        if (const GetSystemMetricsForDpiFn get = functions().metrics_for_dpi)
            return get(index, static_cast<UINT>(dpi));
    return GetSystemMetrics(index);
}

bool stock_font_fits(int window_dpi, int system_dpi) {
    return window_dpi == base_dpi && system_dpi == base_dpi;
}

LOGFONTW design_font(int dpi, const wchar_t* face) {
    LOGFONTW font{};
    font.lfHeight = scale_for_dpi(design_font_height, dpi);
    font.lfWidth = scale_for_dpi(design_font_width, dpi);
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

const wchar_t* first_installed(const wchar_t* const* faces, int count,
                               bool (*installed)(const wchar_t*), const wchar_t* fallback) {
    for (int i = 0; i < count; ++i)
        if (installed(faces[i]))
            return faces[i];
    return fallback;
}

HFONT design_font_for_dpi(int dpi) {
    if (stock_font_fits(dpi, system_dpi()))
        return nullptr;
    // Found at the first call (which fonts are installed does not change while the programs
    // run); only the window thread makes the design's font.
    static wchar_t face[LF_FACESIZE];
    if (face[0] == L'\0') {
        LOGFONTW stock{};
        GetObjectW(GetStockObject(SYSTEM_FONT), sizeof stock, &stock);
        wcsncpy(face,
                first_installed(scalable_faces, sizeof scalable_faces / sizeof *scalable_faces,
                                installed, stock.lfFaceName),
                LF_FACESIZE - 1);
    }
    const LOGFONTW font = design_font(dpi, face);
    return CreateFontIndirectW(&font);
}
