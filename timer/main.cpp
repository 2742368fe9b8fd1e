// Plinkett: start-up, the main window procedure and the keys' subclass procedure.
#include <windows.h>

#include "alarm.h"
#include "contrast.h"
#include "display.h"
#include "dpi.h"
#include "engine.h"
#include "key_accessible.h"
#include "key_ids.h"
#include "launch.h"
#include "layout.h"
#include "message_loop.h"
#include "progress_bar.h"
#include "settings_loader.h"
#include "step_times.h"
#include "system_library.h"
#include "taskbar.h"
#include "theme.h"
#include "timer_state.h"
#include "window_icon.h"

namespace {

constexpr wchar_t window_class_name[] = L"PlinkettWnd";

void on_size(HWND window) {
    layout_window(window);
    fit_display_font();
    draw_display(window);
}

// Two WM_SIZE messages of the start-up change nothing anyone sees: those of the window's
// creation and sizing, before the keys exist (the start-up lays the window out itself once
// they do, and replaces any back buffer made before), and the one ShowWindow sends, for the
// size just laid out. Handling them cost a quarter of the start-up under Wine.
void on_resize(HWND window, int width, int height) {
    if (start_button.handle() == nullptr)
        return;
    if (back_buffer != nullptr && width == client_width && height == client_height)
        return;
    on_size(window);
}

LRESULT on_ctl_color_button(WPARAM wparam) {
    HDC dc = reinterpret_cast<HDC>(wparam);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(palette == Palette::dark
                                         ? colour_brush(dc, dark_colours::background)
                                         : GetSysColorBrush(COLOR_BTNFACE));
}

const CaptionButton* key_of(HWND button) {
    for (const CaptionButton& key : digit_buttons)
        if (key.handle() == button)
            return &key;
    return start_button.handle() == button ? &start_button : nullptr;
}

// In the dark look the program draws the keys itself: the themed push button has no dark look.
// Otherwise the button draws itself as ever.
LRESULT on_notify(const NMHDR& header) {
    if (palette != Palette::dark || header.code != static_cast<UINT>(NM_CUSTOMDRAW))
        return CDRF_DODEFAULT;
    const auto& draw = reinterpret_cast<const NMCUSTOMDRAW&>(header);
    const CaptionButton* key = key_of(header.hwndFrom);
    if (key == nullptr || draw.dwDrawStage != CDDS_PREPAINT)
        return CDRF_DODEFAULT;
    key->draw_dark(draw);
    return CDRF_SKIPDEFAULT;
}

// The palette from whether high contrast is on and the colour mode kept, for the faces and the
// title bar. The title bar is asked for only once the dark look has been in force: a timer that
// never is dark never loads the window manager's library.
void apply_palette(HWND window, bool contrast) {
    const Palette was = palette;
    palette = palette_for(contrast, dark_mode);
    CaptionButton::palette = palette;
    if ((palette == Palette::dark) != (was == Palette::dark))
        ask_dark_title_bar(window, palette == Palette::dark);
}

// The window has moved to a display of another scale: it takes the rectangle Windows suggests,
// the keys get faces of the new size and the time its font for the new client area. The engine's
// state (a countdown, a pause, an alarm) is not touched.
void on_dpi_changed(HWND window, int dpi, const RECT& suggested) {
    main_window_dpi = dpi;
    for (CaptionButton& key : digit_buttons)
        key.set_dpi(dpi);
    start_button.set_dpi(dpi);
    const int laid_out_width = client_width, laid_out_height = client_height;
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A new size was laid out by its WM_SIZE; an unchanged one brings none, yet the font and
    // the picture must follow the new DPI.
    if (client_width == laid_out_width && client_height == laid_out_height)
        on_size(window);
}

// The system's colours, contrast, visual style or app colour mode changed: faces, time and bar
// are made again in what now applies. Most WM_SETTINGCHANGE messages are about other settings
// and change nothing.
void on_look_changed(HWND window, UINT message, LPARAM lparam) {
    const bool contrast = high_contrast_on();
    const bool dark =
        message == WM_SETTINGCHANGE && names_colour_mode(reinterpret_cast<const wchar_t*>(lparam))
            ? apps_use_dark_mode()
            : dark_mode;
    dark_mode = dark; // kept while high contrast hides it
    if (message == WM_SETTINGCHANGE && palette_for(contrast, dark) == palette)
        return;
    apply_palette(window, contrast);
    if (message == WM_THEMECHANGED) {
        forget_progress_theme();
        themes_available = probe_visual_styles();
    }
    forget_drawn_bar();
    for (CaptionButton& key : digit_buttons)
        key.redraw_face();
    start_button.redraw_face();
    draw_display(window);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        on_resize(window, LOWORD(lparam), HIWORD(lparam));
        return 0;
    case WM_PAINT:
        paint_window(window);
        return 0;
    case WM_ERASEBKGND:
        return 0; // the back buffer covers the whole client area
    case WM_KEYDOWN:
        key_down(wparam);
        return 0;
    case WM_TIMER:
        tick_begin(time_text);
        timer_tick(); // the window timer is set on main_window only
        tick_end(time_text);
        return 0;
    case WM_CTLCOLORBTN:
        return on_ctl_color_button(wparam);
    case WM_NOTIFY:
        return on_notify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_LBUTTONDOWN:
        SetFocus(window); // take the keyboard back from a button that had it
        return 0;
    case WM_LBUTTONDBLCLK:
        reset_display();
        return 0;
    case WM_MOUSEWHEEL:
        wheel_turn(static_cast<short>(HIWORD(wparam)));
        return 0;
    case WM_ALARM_FINISHED:
        finish_alarm();
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        on_look_changed(window, message, lparam);
        return DefWindowProcW(window, message, wparam, lparam);
    case WM_DPICHANGED:
        // Only the system sends it, always with a rectangle; any other sender is ignored.
        if (lparam != 0)
            on_dpi_changed(window, LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    default:
        if (is_taskbar_button_created(message)) {
            taskbar_button_created();
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

// A key acts when the mouse button goes down, so a quick second click (reported as a
// double-click) acts again.
void on_key_pressed(HWND button) {
    if (!running) {
        for (int i = 0; i < 10; ++i)
            if (digit_buttons[i].handle() == button)
                enter_digit(i);
    }
    if (start_button.handle() == button)
        start_stop();
}

// A key with an image face tells screen readers its caption; one with a text caption is named
// by its text as any button is.
LRESULT on_key_object(HWND button, WPARAM flags, LPARAM object_id) {
    const CaptionButton* key = key_of(button);
    if (key == nullptr || !CaptionButton::image_captions)
        return 0;
    return answer_key_object(button, flags, object_id, key->caption());
}

LRESULT CALLBACK button_proc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_GETOBJECT:
        if (const LRESULT object = on_key_object(button, wparam, lparam))
            return object;
        break;
    case WM_KEYDOWN:
        key_down(wparam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        on_key_pressed(button);
        break;
    default:
        break;
    }
    return CallWindowProcW(button_class_proc, button, message, wparam, lparam);
}

void register_window_class(HINSTANCE instance) {
    WNDCLASSW wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(102));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = window_class_name;
    RegisterClassW(&wc);
}

// The design client area at the window's DPI.
void size_window() {
    main_window_dpi = dpi_of_window(main_window);
    RECT r{0, 0, scale_for_dpi(design_width, main_window_dpi),
           scale_for_dpi(design_height, main_window_dpi)};
    adjust_window_rect_for_dpi(r, static_cast<DWORD>(GetWindowLongW(main_window, GWL_STYLE)),
                               static_cast<DWORD>(GetWindowLongW(main_window, GWL_EXSTYLE)),
                               main_window_dpi);
    HWND insert_after = timer_settings.always_on_top != 0 ? HWND_TOPMOST : HWND_TOP;
    SetWindowPos(main_window, insert_after, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOOWNERZORDER | SWP_NOMOVE);
}

void load_icon_bitmaps(HINSTANCE instance) {
    window_icon.window = main_window;
    window_icon.colour_bitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(110));
    window_icon.mask_bitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(111));
    window_icon.digit_strip = LoadBitmapW(instance, MAKEINTRESOURCEW(112));
}

void create_key(CaptionButton& key, const wchar_t* text, bool image_captions, int id,
                HINSTANCE instance) {
    HWND button = key.create(main_window, text, image_captions, id, instance, main_window_dpi);
    button_class_proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_WNDPROC));
    SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(button_proc));
}

void create_keys(HINSTANCE instance) {
    const unsigned version = os_version.dwMajorVersion * 10 + os_version.dwMinorVersion;
    const bool image_captions = version >= 51;
    for (int i = 0; i < 10; ++i) {
        const wchar_t text[2] = {static_cast<wchar_t>(L'0' + i), L'\0'};
        create_key(digit_buttons[i], text, image_captions, digit_button_id(i), instance);
    }
    create_key(start_button, L"START", image_captions, start_button_id, instance);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int show_command) {
    step_done("entry");
    search_system_folder_only();
    os_version.dwOSVersionInfoSize = sizeof os_version;
    GetVersionExW(&os_version);
    register_window_class(instance);
    step_done("class");
    main_window =
        CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE, window_class_name,
                        window_class_name, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                        CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, nullptr);
    step_done("window");
    // Without its window the timer could only linger unseen.
    if (main_window == nullptr)
        return 1;
    load_settings(instance);
    step_done("settings");
    size_window();
    step_done("size");
    load_icon_bitmaps(instance);
    step_done("icon_bitmaps");
    dark_mode = apps_use_dark_mode();
    apply_palette(main_window, high_contrast_on());
    create_keys(instance);
    step_done("keys");
    replace_back_buffer(main_window, 0, 0);
    themes_available = probe_visual_styles();
    step_done("styles_probe");
    // Lay out now rather than rely on ShowWindow's WM_SIZE: the keys, the back buffer and
    // the bar's rectangle must all exist before the first paint.
    on_size(main_window);
    step_done("layout");
    watch_taskbar_button(main_window);
    ShowWindow(main_window, show_command);
    step_done("show");
    UpdateWindow(main_window);
    step_done("paint");
    // A preset time is keyed in (and started) only now, as the user would on the shown window.
    apply_command_line(arguments);

    const int exit_code = run_message_loop();
    stop_alarm_for_exit();
    end_key_objects();
    release_taskbar();
    release_back_buffer();
    free_settings_buffer();
    write_step_times();
    return exit_code;
}
