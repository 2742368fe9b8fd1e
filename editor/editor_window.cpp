#include "editor_window.h"

#include "dpi.h"
#include "editor_state.h"
#include "editor_texts.h"

namespace {

constexpr DWORD child_style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int control_left = 10;
constexpr int control_width = 280;
constexpr int button_width = 100;
constexpr int button_height = 30;
constexpr int client_width = 300;
constexpr int space_below_button = 5;

struct ControlRow {
    HWND* handle;
    const wchar_t* window_class;
    const wchar_t* text;
    DWORD ex_style;
    DWORD style;
    int height; // at creation; all but the write button are then fitted
    int id;
    int space_above; // below the previous control, or the client area's top
};

const ControlRow control_rows[] = {
    {&alarm_time_label, L"STATIC", editor_texts::alarm_time_label, 0, 0, 0, 0, 10},
    {&alarm_time_box, L"EDIT", L"100", WS_EX_CLIENTEDGE, ES_NUMBER, 0, 0, 0},
    {&frequency_label, L"STATIC", editor_texts::frequency_label, 0, 0, 0, 0, 5},
    {&frequency_box, L"EDIT", L"100", WS_EX_CLIENTEDGE, ES_NUMBER, 0, 0, 0},
    {&duration_label, L"STATIC", editor_texts::duration_label, 0, 0, 0, 0, 5},
    {&duration_box, L"EDIT", L"100", WS_EX_CLIENTEDGE, ES_NUMBER, 0, 0, 0},
    {&interval_label, L"STATIC", editor_texts::interval_label, 0, 0, 0, 0, 5},
    {&interval_box, L"EDIT", L"100", WS_EX_CLIENTEDGE, ES_NUMBER, 0, 0, 0},
    {&always_on_top_box, L"BUTTON", editor_texts::always_on_top_label, 0, BS_AUTOCHECKBOX, 50, 0,
     5},
    {&font_name_label, L"STATIC", editor_texts::font_name_label, 0, 0, 0, 0, 5},
    {&font_name_box, L"EDIT", L"", WS_EX_CLIENTEDGE, ES_LEFT, 0, 0, 0},
    {&write_button, L"BUTTON", editor_texts::write_label, 0, BS_PUSHBUTTON, button_height,
     write_button_id, 15},
};

struct NumberBox {
    HWND* box;
    const wchar_t* field; // as the refusal names it
    std::uint16_t EditorSettings::*value;
};

const NumberBox number_boxes[] = {
    {&alarm_time_box, editor_texts::alarm_time_field, &EditorSettings::alarm_time_ms},
    {&frequency_box, editor_texts::frequency_field, &EditorSettings::beep_frequency_hz},
    {&duration_box, editor_texts::duration_field, &EditorSettings::beep_duration_ms},
    {&interval_box, editor_texts::interval_field, &EditorSettings::beep_interval_ms},
};

// The window's DPI and, where the stock font does not fit it, the font of its controls: the
// design's font for that DPI (owned here, replaced on WM_DPICHANGED, freed after the message
// loop). Where it fits, the controls keep the system font and are sent no font at all.
int editor_dpi = base_dpi;
HFONT control_font = nullptr;

int scaled(int design_value) {
    return scale_for_dpi(design_value, editor_dpi);
}

// The font the controls draw with: the stock system font when none was set.
HGDIOBJ font_of_controls() {
    return control_font != nullptr ? static_cast<HGDIOBJ>(control_font)
                                   : GetStockObject(SYSTEM_FONT);
}

void send_font(HWND control, BOOL redraw) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(control_font), redraw);
}

// The write button's left edge: centred in the client area of the window as made
// (created_window_size wide, scaled).
int button_left(int created_client_width) {
    return (created_client_width - scaled(button_width)) / 2;
}

// Room for any accepted number with blanks around it; longer texts are refused whole rather
// than cut to something that might parse.
constexpr int number_text_capacity = 64;

RECT rect_in_parent(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

void fit_control_height(HWND control) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font_of_controls());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    const int height = metrics.tmHeight + 2 * system_metric_for_dpi(SM_CYEDGE, editor_dpi);
    const RECT r = rect_in_parent(control);
    MoveWindow(control, r.left, r.top, r.right - r.left, height, TRUE);
}

int create_controls(HINSTANCE instance) {
    editor_dpi = dpi_of_window(editor_window);
    if (editor_dpi != base_dpi)
        SetWindowPos(editor_window, nullptr, 0, 0, scaled(created_window_size),
                     scaled(created_window_size), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    control_font = design_font_for_dpi(editor_dpi);
    int previous_bottom = 0;
    int top = 0;
    for (const ControlRow& row : control_rows) {
        top = previous_bottom + scaled(row.space_above);
        int left = scaled(control_left);
        int width = scaled(control_width);
        const bool fitted = row.id != write_button_id;
        if (!fitted) {
            RECT client{};
            GetClientRect(editor_window, &client);
            left = button_left(client.right);
            width = scaled(button_width);
        }
        const int height = scaled(row.height);
        HWND control = CreateWindowExW(
            row.ex_style, row.window_class, row.text, child_style | row.style, left, top, width,
            height, editor_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance,
            nullptr);
        *row.handle = control;
        if (control == nullptr) {
            previous_bottom = top + height;
            continue;
        }
        if (control_font != nullptr)
            send_font(control, FALSE);
        if (fitted)
            fit_control_height(control);
        previous_bottom = rect_in_parent(control).bottom;
    }
    return top;
}

void set_final_size(int button_top) {
    RECT r{0, 0, scaled(client_width),
           button_top + scaled(button_height) + scaled(space_below_button)};
    adjust_window_rect_for_dpi(r, static_cast<DWORD>(GetWindowLongW(editor_window, GWL_STYLE)),
                               static_cast<DWORD>(GetWindowLongW(editor_window, GWL_EXSTYLE)),
                               editor_dpi);
    SetWindowPos(editor_window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOOWNERZORDER);
}

void apply_dpi(int dpi, const RECT& suggested) {
    editor_dpi = dpi;
    HFONT old_font = control_font;
    control_font = design_font_for_dpi(dpi);
    // The client width of a window made created_window_size wide at this DPI, where the button
    // was centred at start.
    RECT frame{0, 0, 0, 0};
    adjust_window_rect_for_dpi(frame, static_cast<DWORD>(GetWindowLongW(editor_window, GWL_STYLE)),
                               static_cast<DWORD>(GetWindowLongW(editor_window, GWL_EXSTYLE)), dpi);
    const int created_client_width = scaled(created_window_size) - (frame.right - frame.left);
    int previous_bottom = 0;
    for (const ControlRow& row : control_rows) {
        HWND control = *row.handle;
        const int top = previous_bottom + scaled(row.space_above);
        if (control == nullptr) {
            previous_bottom = top + scaled(row.height);
            continue;
        }
        send_font(control, TRUE);
        if (row.id == write_button_id) {
            MoveWindow(control, button_left(created_client_width), top, scaled(button_width),
                       scaled(button_height), TRUE);
        } else {
            MoveWindow(control, scaled(control_left), top, scaled(control_width), 0, FALSE);
            fit_control_height(control);
        }
        previous_bottom = rect_in_parent(control).bottom;
    }
    // The controls have let go of the old font.
    if (old_font != nullptr)
        DeleteObject(old_font);
    SetWindowPos(editor_window, nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void release_control_font() {
    if (control_font != nullptr)
        DeleteObject(control_font);
    control_font = nullptr;
}

void fill_controls(const EditorSettings& values) {
    wchar_t text[decimal_capacity];
    SetWindowTextW(alarm_time_box, format_decimal(values.alarm_time_ms, text));
    SetWindowTextW(frequency_box, format_decimal(values.beep_frequency_hz, text));
    SetWindowTextW(duration_box, format_decimal(values.beep_duration_ms, text));
    SetWindowTextW(interval_box, format_decimal(values.beep_interval_ms, text));
    // Any non-zero byte makes the timer topmost, so any shows as checked.
    SendMessageW(always_on_top_box, BM_SETCHECK,
                 values.always_on_top != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    SetWindowTextW(font_name_box, values.font_name);
    wchar_t title[16] = L"";
    append_text(title, 16, editor_texts::title_prefix);
    append_text(title, 16, format_decimal(values.version, text));
    SetWindowTextW(editor_window, title);
}

HWND take_numbers(EditorSettings& values, const wchar_t** refused_field) {
    for (const NumberBox& number : number_boxes) {
        wchar_t text[number_text_capacity] = L"";
        const bool fits = GetWindowTextLengthW(*number.box) < number_text_capacity;
        GetWindowTextW(*number.box, text, number_text_capacity);
        std::uint16_t value = 0;
        if (!fits || !parse_number(text, value)) {
            *refused_field = number.field;
            return *number.box;
        }
        values.*number.value = value;
    }
    return nullptr;
}

std::uint8_t take_always_on_top() {
    return SendMessageW(always_on_top_box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void take_font_units(wchar_t (&units)[font_field_units]) {
    wchar_t text[2 * font_field_units] = L"";
    GetWindowTextW(font_name_box, text, 2 * font_field_units);
    font_units_from_text(text, units);
}
