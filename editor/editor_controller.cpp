#include "editor_controller.h"

#include "atomic_replace.h"
#include "editor_state.h"
#include "editor_texts.h"
#include "editor_window.h"
#include "file_image.h"

namespace {

// Room for a path twice: in the message, and in an advice that names its folder.
constexpr std::size_t message_capacity = 4096;

// The editor's own words for an error it gives itself: ERROR_FILE_TOO_LARGE is its refusal of
// a file beyond the size any timer executable has (file_image.cpp), for which the system's
// text speaks of something else or, under Wine, is empty.
const wchar_t* own_error_text(DWORD error) {
    if (error == ERROR_FILE_TOO_LARGE)
        return editor_texts::file_too_large;
    return nullptr;
}

// The text for `error`, with its number, appended to `message`.
void append_system_error(wchar_t* message, DWORD error) {
    const wchar_t* own = own_error_text(error);
    wchar_t text[512] = L"";
    const DWORD length =
        own != nullptr ? 0
                       : FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, 512, nullptr);
    for (DWORD n = length; n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' ||
                                     text[n - 1] == L' ' || text[n - 1] == L'.');
         --n)
        text[n - 1] = L'\0';
    wchar_t number[decimal_capacity];
    append_text(message, message_capacity, own != nullptr ? own : text);
    append_text(message, message_capacity, editor_texts::error_number_open);
    append_text(message, message_capacity, format_decimal(error, number));
    append_text(message, message_capacity, editor_texts::error_number_close);
}

void report_failure(HWND window, const wchar_t* what, DWORD error, const wchar_t* advice) {
    wchar_t message[message_capacity] = L"";
    append_text(message, message_capacity, what);
    append_text(message, message_capacity, L"\n\n");
    append_text(message, message_capacity, timer_path);
    append_text(message, message_capacity, L"\n");
    append_system_error(message, error);
    append_text(message, message_capacity, L"\n\n");
    append_text(message, message_capacity, advice);
    MessageBoxW(window, message, editor_texts::check_caption, MB_ICONWARNING);
}

// The advice when the replace could not make its new file beside the timer's: the folder,
// as a full path (the default path names none), is the cause, not the file.
void compose_folder_advice(wchar_t* advice) {
    append_text(advice, message_capacity, editor_texts::folder_refused_open);
    wchar_t folder[message_capacity];
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(timer_path, message_capacity, folder, &name);
    if (length == 0 || length >= message_capacity || name == nullptr) {
        append_text(advice, message_capacity, timer_path);
    } else {
        // "C:\" keeps its backslash; a deeper folder loses the one before the name.
        *(name - folder > 3 ? name - 1 : name) = L'\0';
        append_text(advice, message_capacity, folder);
    }
    append_text(advice, message_capacity, editor_texts::folder_refused_close);
}

void report_other_version(HWND window) {
    MessageBoxW(window, editor_texts::other_version, editor_texts::check_caption, MB_ICONWARNING);
}

void report_refused_number(HWND window, const wchar_t* field) {
    wchar_t message[message_capacity] = L"";
    append_text(message, message_capacity, editor_texts::number_refused_open);
    append_text(message, message_capacity, field);
    append_text(message, message_capacity, editor_texts::number_refused_close);
    MessageBoxW(window, message, editor_texts::check_caption, MB_ICONWARNING);
}

} // namespace

void report_timer_not_found(bool path_too_long) {
    static_assert(timer_path_capacity == 1024, "the too-long message names 1023 units");
    MessageBoxW(nullptr,
                path_too_long ? editor_texts::timer_path_too_long : editor_texts::timer_not_found,
                editor_texts::not_found_caption, MB_ICONWARNING);
}

void load_from_timer(HWND window) {
    FileImage image;
    const DWORD error = load_file(timer_path);
    if (error != ERROR_SUCCESS) {
        report_failure(window, editor_texts::read_failure, error, editor_texts::read_advice);
        PostQuitMessage(0);
        return;
    }
    editor_settings = read_settings(image_block, image_size);
    fill_controls(editor_settings);
    if (editor_settings.version != settings_block::supported_version) {
        report_other_version(window);
        PostQuitMessage(0);
    }
}

bool write_to_timer(HWND window) {
    const wchar_t* refused_field = nullptr;
    if (HWND refused = take_numbers(editor_settings, &refused_field)) {
        report_refused_number(window, refused_field);
        SetFocus(refused);
        SendMessageW(refused, EM_SETSEL, 0, -1);
        return false;
    }
    editor_settings.always_on_top = take_always_on_top();
    wchar_t font_units[font_field_units];
    take_font_units(font_units);

    MessageBoxW(window, editor_texts::before_write, editor_texts::check_caption, MB_ICONWARNING);

    // The file as it is now, not as it was at start-up, is the base of the write.
    FileImage image;
    DWORD error = load_file(timer_path);
    // The file may have been replaced since start-up: what would not have been opened is not
    // written either, and the editor stays open like after any failed write.
    if (error == ERROR_SUCCESS &&
        read_settings(image_block, image_size).version != settings_block::supported_version) {
        report_other_version(window);
        return false;
    }
    // A file that ends before the fields grows with zeros to their end; only then do they fit.
    const std::size_t size = patched_size(image_size);
    if (error == ERROR_SUCCESS && size != image_size && !resize_image(size))
        error = ERROR_NOT_ENOUGH_MEMORY;
    if (error == ERROR_SUCCESS &&
        !patch_image(image_block, image_size, editor_settings, font_units))
        error = ERROR_NOT_ENOUGH_MEMORY;
    bool replaced = false;
    ReplaceStep step = ReplaceStep::none;
    if (error == ERROR_SUCCESS)
        error = atomic_replace(timer_path, image_block, image_size, replaced, &step);
    // "Unchanged" is said only of a file that nothing replaced.
    if (error != ERROR_SUCCESS && replaced) {
        report_failure(window, editor_texts::unverified_write, error,
                       editor_texts::unverified_advice);
        return false;
    }
    if (error != ERROR_SUCCESS) {
        wchar_t folder_advice[message_capacity] = L"";
        const bool folder_refused =
            step == ReplaceStep::new_file && error != ERROR_NOT_ENOUGH_MEMORY;
        if (folder_refused)
            compose_folder_advice(folder_advice);
        report_failure(window, editor_texts::write_failure, error,
                       folder_refused ? folder_advice : editor_texts::write_advice);
        return false;
    }
    return true;
}
