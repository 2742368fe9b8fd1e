#include "editor_controller.h"

#include <cwchar>

#include "atomic_replace.h"
#include "editor_state.h"
#include "editor_texts.h"
#include "editor_window.h"
#include "file_image.h"

namespace {

// Room for the timer's path and the four paths of the put-back advice beside it, each as long
// as the timer's path may be, with the texts and the system's words around them.
constexpr std::size_t message_capacity = 8 * timer_path_capacity;

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

// `what`, then the path, and the system's words for `error`, into `message`.
void compose_failure(wchar_t* message, const wchar_t* what, DWORD error) {
    append_text(message, message_capacity, what);
    append_text(message, message_capacity, L"\n\n");
    append_text(message, message_capacity, timer_path);
    append_text(message, message_capacity, L"\n");
    append_system_error(message, error);
}

void report_failure(HWND window, const wchar_t* what, DWORD error, const wchar_t* advice) {
    wchar_t message[message_capacity] = L"";
    compose_failure(message, what, error);
    append_text(message, message_capacity, L"\n\n");
    append_text(message, message_capacity, advice);
    MessageBoxW(window, message, editor_texts::check_caption, MB_ICONWARNING);
}

// The first `units` units of `path` as a user writes it, appended to `message`.
void append_shown(wchar_t* message, const wchar_t* path, std::size_t units = ~std::size_t{0}) {
    std::size_t length = std::wcslen(message);
    for (std::size_t at = shown_from(path);
         at < units && path[at] != L'\0' && length + 1 < message_capacity; ++at)
        message[length++] = path[at];
    message[length] = L'\0';
}

// The advice when the replace could not make its new file in the folder of `target`, the file
// it replaces (a link's target): the folder is the cause, not the file.
void append_folder_advice(wchar_t* message, const wchar_t* target) {
    append_text(message, message_capacity, editor_texts::folder_refused_open);
    // "C:\" keeps its backslash; a deeper folder loses the one before the name.
    std::size_t folder = folder_length(target);
    if (folder > 1 && target[folder - 2] != L':')
        --folder;
    append_shown(message, target, folder);
    append_text(message, message_capacity, editor_texts::folder_refused_close);
}

// Where the old and the new file are when neither is under the name, and how to put the timer
// back.
void append_put_back(wchar_t* message, const ReplaceOutcome& outcome) {
    namespace t = editor_texts;
    const wchar_t* name = outcome.target.text + folder_length(outcome.target.text);
    const wchar_t* parts[] = {
        t::old_file_open, outcome.backup.text, t::new_file_open,   outcome.temporary.text,
        t::put_back_open, outcome.backup.text, t::put_back_middle, name,
        t::put_back_close};
    for (std::size_t i = 0; i < sizeof parts / sizeof parts[0]; ++i) {
        if (i % 2 == 0)
            append_text(message, message_capacity, parts[i]);
        else
            append_shown(message, parts[i]);
    }
}

void append_left_over(wchar_t* message, const wchar_t* name) {
    append_text(message, message_capacity, L"\n\n");
    append_text(message, message_capacity, editor_texts::left_over_open);
    append_shown(message, name);
    append_text(message, message_capacity, editor_texts::left_over_close);
}

// Tells the user how the write ended, unless it was written and left nothing behind; true
// when it was written. `as_read` tells whether the file under the name still holds the bytes
// the editor read.
bool report_outcome(HWND window, const ReplaceOutcome& outcome, bool as_read) {
    namespace t = editor_texts;
    const WriteReport report =
        write_report(outcome.error, outcome.old_bytes, outcome.new_bytes, as_read);
    const bool old_left = left_over(outcome.old_bytes, report) || outcome.reserved;
    const bool new_left = left_over(outcome.new_bytes, report);
    if (report == WriteReport::written && !old_left && !new_left)
        return true;
    const wchar_t* const what[] = {t::written, t::unverified_write, t::write_failure,
                                   t::changed_meanwhile, t::under_other_name};
    wchar_t message[message_capacity] = L"";
    if (report == WriteReport::written) {
        append_text(message, message_capacity, t::written);
    } else {
        compose_failure(message, what[static_cast<int>(report)], outcome.error);
        append_text(message, message_capacity, L"\n\n");
    }
    if (report == WriteReport::unverified)
        append_text(message, message_capacity, t::unverified_advice);
    else if (report == WriteReport::changed_meanwhile)
        append_text(message, message_capacity, t::changed_meanwhile_advice);
    else if (report == WriteReport::under_other_name)
        append_put_back(message, outcome);
    else if (report == WriteReport::unchanged && folder_refused(outcome.step, outcome.error))
        append_folder_advice(message, outcome.target.text);
    else if (report == WriteReport::unchanged)
        append_text(message, message_capacity, t::write_advice);
    if (old_left)
        append_left_over(message, outcome.backup.text);
    if (new_left)
        append_left_over(message, outcome.temporary.text);
    MessageBoxW(window, message, t::check_caption, MB_ICONWARNING);
    return report == WriteReport::written;
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

    // The file as it is now, not as it was at start-up, is the base of the write. A moment's
    // hold by something else (another writer's swap) is waited out as in the replace.
    FileImage image;
    DWORD error = load_file(timer_path);
    for (int attempts = 1; try_replace_again(attempts, error, true); ++attempts) {
        Sleep(replace_retry_ms);
        error = load_file(timer_path);
    }
    // The file may have been replaced since start-up: what would not have been opened is not
    // written either, and the editor stays open like after any failed write.
    if (error == ERROR_SUCCESS &&
        read_settings(image_block, image_size).version != settings_block::supported_version) {
        report_other_version(window);
        return false;
    }
    const std::size_t read_size = image_size;
    const std::uint64_t read_digest =
        error == ERROR_SUCCESS ? content_digest(image_block, image_size) : 0;
    // A file that ends before the fields grows with zeros to their end; only then do they fit.
    const std::size_t size = patched_size(image_size);
    if (error == ERROR_SUCCESS && size != image_size && !resize_image(size))
        error = ERROR_NOT_ENOUGH_MEMORY;
    if (error == ERROR_SUCCESS &&
        !patch_image(image_block, image_size, editor_settings, font_units))
        error = ERROR_NOT_ENOUGH_MEMORY;
    ReplaceOutcome outcome;
    outcome.error = error;
    if (error == ERROR_SUCCESS)
        atomic_replace(timer_path, image_block, image_size, outcome);
    // Where the old bytes are said to be under the name, the file there is read again: another
    // writer may have changed it meanwhile. One that cannot be read is not said to be unchanged.
    bool as_read = true;
    if (error == ERROR_SUCCESS && outcome.error != ERROR_SUCCESS &&
        outcome.old_bytes == BytesAt::name && outcome.new_bytes != BytesAt::name)
        as_read = load_file(timer_path) == ERROR_SUCCESS && image_size == read_size &&
                  content_digest(image_block, image_size) == read_digest;
    return report_outcome(window, outcome, as_read);
}
