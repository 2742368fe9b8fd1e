#include "timer_file.h"

#include "editor_state.h"
#include "editor_texts.h"
#include "editor_window.h"
#include "file_image.h"

#include <cwchar>

namespace {

constexpr std::size_t message_capacity = 2048;

// Sharing and access errors that a virus scanner's brief look at a file also causes.
bool may_pass(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}
// Five tries 100 ms apart outlast a lock of about 400 ms.
constexpr int replace_attempts = 5;
constexpr DWORD replace_retry_ms = 100;

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

// A wide text in a block of the process heap, freed when it ends. Paths live in these: where
// long paths are accepted, no fixed buffer holds every one.
class HeapText {
  public:
    HeapText() = default;
    ~HeapText() { release(); }
    HeapText(const HeapText&) = delete;
    HeapText& operator=(const HeapText&) = delete;

    // Room for `units` units, all zero; false when memory ran out.
    bool allocate(std::size_t units) {
        release();
        text = static_cast<wchar_t*>(
            HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, units * sizeof(wchar_t)));
        return text != nullptr;
    }

    wchar_t* text = nullptr;

  private:
    void release() {
        if (text != nullptr)
            HeapFree(GetProcessHeap(), 0, text);
        text = nullptr;
    }
};

using GetFinalPathNameByHandleWFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// The path of the file that `path` leads to once links are followed, into `final`. Replacing
// that file, not the link, leaves the link a link and the file it points to written. Windows
// XP has no such call (nor file links); there, and where the file system cannot say, false:
// the path itself is then the file.
bool final_path_of(const wchar_t* path, HeapText& final) {
    const auto get_final_path =
        reinterpret_cast<GetFinalPathNameByHandleWFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
    if (get_final_path == nullptr)
        return false;
    HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // The first call tells the room needed (with the terminator); the second fills it and
    // returns the length without it, or more, had the name grown meanwhile, or 0.
    constexpr DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    const DWORD needed = get_final_path(file, nullptr, 0, flags);
    DWORD got = 0;
    if (needed != 0 && final.allocate(needed))
        got = get_final_path(file, final.text, needed, flags);
    const bool found = got != 0 && got < needed;
    CloseHandle(file);
    return found;
}

// Creates a temporary file "plkXXXX.tmp" in the folder of `path`, open for writing and shared
// with no one, with a name no file there has yet. Its path goes to `name`.
HANDLE create_temporary(const wchar_t* path, HeapText& name, DWORD& error) {
    const std::size_t folder = folder_length(path);
    if (!name.allocate(folder + temporary_name_units)) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return INVALID_HANDLE_VALUE;
    }
    std::wmemcpy(name.text, path, folder);
    const DWORD first = GetTickCount() ^ GetCurrentProcessId();
    error = ERROR_FILE_EXISTS;
    for (DWORD n = 0; n < 0x10000 && error == ERROR_FILE_EXISTS; ++n) {
        wchar_t unique[temporary_name_units];
        temporary_name(first + n, unique);
        std::wmemcpy(name.text + folder, unique, temporary_name_units);
        HANDLE file = CreateFileW(name.text, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS)
            error = ERROR_FILE_EXISTS;
    }
    return INVALID_HANDLE_VALUE;
}

// Writes the whole image to `file`, flushes and closes it.
DWORD write_image_to(HANDLE file) {
    DWORD error = ERROR_SUCCESS;
    std::size_t done = 0;
    while (error == ERROR_SUCCESS && done < image_size) {
        DWORD written = 0;
        if (!WriteFile(file, image_block + done, static_cast<DWORD>(image_size - done), &written,
                       nullptr))
            error = GetLastError();
        else if (written == 0)
            error = ERROR_WRITE_FAULT;
        done += written;
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file))
        error = GetLastError();
    if (!CloseHandle(file) && error == ERROR_SUCCESS)
        error = GetLastError();
    return error;
}

// A file that a running program was started from cannot be opened for writing (error 32), nor
// can a read-only one (error 5). Asking first keeps the replace from going ahead where it
// would only succeed by moving the running program's file aside. The read-only attribute is
// honoured even where the file system would let an administrator write the file.
DWORD check_writable(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError();
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_ACCESS_DENIED;
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(file);
    return ERROR_SUCCESS;
}

DWORD replace_file(const wchar_t* replacement, const wchar_t* path) {
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < replace_attempts; ++attempt) {
        if (attempt > 0)
            Sleep(replace_retry_ms);
        error = check_writable(path);
        if (error == ERROR_SUCCESS &&
            MoveFileExW(replacement, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        if (error == ERROR_SUCCESS)
            error = GetLastError();
        if (!may_pass(error))
            break;
    }
    return error;
}

} // namespace

bool find_timer(const wchar_t* arguments) {
    if (!timer_path_from_arguments(arguments, timer_path, timer_path_capacity))
        return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(timer_path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

void report_timer_not_found() {
    MessageBoxW(nullptr, editor_texts::timer_not_found, editor_texts::not_found_caption,
                MB_ICONWARNING);
}

DWORD save_image(const wchar_t* path) {
    HeapText final;
    const wchar_t* target = final_path_of(path, final) ? final.text : path;
    HeapText temporary;
    DWORD error = ERROR_SUCCESS;
    HANDLE file = create_temporary(target, temporary, error);
    if (file == INVALID_HANDLE_VALUE)
        return error;
    error = write_image_to(file);
    if (error == ERROR_SUCCESS)
        error = replace_file(temporary.text, target);
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temporary.text);
        return error;
    }
    // The write counts only when the file the user named now holds the image, whatever links
    // or file systems stood between.
    return compare_file(path);
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
    const std::size_t size = patched_size(image_size);
    if (error == ERROR_SUCCESS && size != image_size && !resize_image(size))
        error = ERROR_NOT_ENOUGH_MEMORY;
    if (error == ERROR_SUCCESS)
        patch_image(image_block, image_size, editor_settings, font_units);
    if (error == ERROR_SUCCESS)
        error = save_image(timer_path);
    if (error != ERROR_SUCCESS) {
        report_failure(window, editor_texts::write_failure, error, editor_texts::write_advice);
        return false;
    }
    return true;
}
