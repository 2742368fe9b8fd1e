// PlinkettProperty: start-up, the window procedure and the message loop.
#include <windows.h>

#include "editor_controller.h"
#include "editor_state.h"
#include "editor_window.h"
#include "message_loop.h"
#include "system_library.h"
#include "timer_file.h"

namespace {

constexpr wchar_t window_class_name[] = L"MainApp";

// A failed write leaves the editor open, so the user can fix the cause and write again.
void on_write_button() {
    if (write_to_timer(editor_window))
        PostQuitMessage(0);
}

LRESULT CALLBACK editor_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wparam) == write_button_id)
            on_write_button();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_DPICHANGED:
        // Only the system sends it, always with a rectangle; any other sender is ignored.
        if (lparam != 0)
            apply_dpi(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

void register_editor_class(HINSTANCE instance) {
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = editor_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = window_class_name;
    RegisterClassW(&wc);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int show_command) {
    search_system_folder_only();
    const TimerSearch search = find_timer(arguments);
    if (search != TimerSearch::found) {
        report_timer_not_found(search == TimerSearch::path_too_long);
        return 0;
    }
    register_editor_class(instance);
    editor_window = CreateWindowExW(
        WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE, window_class_name, L"version",
        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CW_USEDEFAULT, CW_USEDEFAULT,
        created_window_size, created_window_size, nullptr, nullptr, instance, nullptr);
    if (editor_window == nullptr)
        return 0;
    set_final_size(create_controls(instance));
    load_from_timer(editor_window);
    ShowWindow(editor_window, show_command);
    UpdateWindow(editor_window);
    const int exit_code = run_message_loop();
    release_control_font();
    return exit_code;
}
