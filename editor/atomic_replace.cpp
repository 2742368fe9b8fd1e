#include "atomic_replace.h"

#include <cwchar>

#include "replace_policy.h"

static_assert(system_error::access_denied == ERROR_ACCESS_DENIED, "");
static_assert(system_error::sharing_violation == ERROR_SHARING_VIOLATION, "");
static_assert(system_error::lock_violation == ERROR_LOCK_VIOLATION, "");
static_assert(system_error::file_exists == ERROR_FILE_EXISTS, "");
static_assert(system_error::already_exists == ERROR_ALREADY_EXISTS, "");

namespace {

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
    if (!name.allocate(folder_length(path) + temporary_name_units)) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return INVALID_HANDLE_VALUE;
    }
    const DWORD first = GetTickCount() ^ GetCurrentProcessId();
    for (DWORD n = 0; n < temporary_name_tries; ++n) {
        temporary_path(path, first + n, name.text);
        HANDLE file = CreateFileW(name.text, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        error = GetLastError();
        if (!temporary_name_taken(error))
            return INVALID_HANDLE_VALUE;
    }
    error = ERROR_FILE_EXISTS;
    return INVALID_HANDLE_VALUE;
}

// Writes the `size` bytes to `file`, flushes and closes it.
DWORD write_bytes_to(HANDLE file, const std::uint8_t* bytes, std::size_t size) {
    DWORD error = ERROR_SUCCESS;
    std::size_t done = 0;
    while (error == ERROR_SUCCESS && done < size) {
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, static_cast<DWORD>(size - done), &written, nullptr))
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

// One try: the writable check, then the temporary file moved over the original.
DWORD move_into_place(const wchar_t* replacement, const wchar_t* path) {
    const DWORD error = check_writable(path);
    if (error != ERROR_SUCCESS)
        return error;
    if (MoveFileExW(replacement, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    return GetLastError();
}

DWORD replace_with_retries(const wchar_t* replacement, const wchar_t* path) {
    int attempts = 0;
    DWORD error = ERROR_SUCCESS;
    do {
        if (attempts > 0)
            Sleep(replace_retry_ms);
        error = move_into_place(replacement, path);
        ++attempts;
    } while (error != ERROR_SUCCESS && try_replace_again(attempts, error));
    return error;
}

// ERROR_SUCCESS when the file at `path` holds exactly the `size` bytes; ERROR_FILE_INVALID
// when it holds others, or the system's error code when it cannot be read.
DWORD read_back(const wchar_t* path, const std::uint8_t* bytes, std::size_t size) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file, &length))
        error = GetLastError();
    else if (length.QuadPart != static_cast<LONGLONG>(size))
        error = ERROR_FILE_INVALID;
    std::uint8_t chunk[4096];
    for (std::size_t done = 0; error == ERROR_SUCCESS && done < size;) {
        const std::size_t rest = size - done;
        DWORD got = 0;
        if (!ReadFile(file, chunk, static_cast<DWORD>(rest < sizeof chunk ? rest : sizeof chunk),
                      &got, nullptr))
            error = GetLastError();
        else if (!read_back_matches(bytes, size, done, chunk, got))
            error = ERROR_FILE_INVALID;
        done += got;
    }
    CloseHandle(file);
    return error;
}

} // namespace

DWORD atomic_replace(const wchar_t* path, const std::uint8_t* bytes, std::size_t size,
                     ReplaceStep* failed_step) {
    ReplaceStep unasked;
    ReplaceStep& step = failed_step != nullptr ? *failed_step : unasked;
    HeapText final;
    const wchar_t* target = final_path_of(path, final) ? final.text : path;
    HeapText temporary;
    DWORD error = ERROR_SUCCESS;
    step = ReplaceStep::new_file;
    HANDLE file = create_temporary(target, temporary, error);
    if (file == INVALID_HANDLE_VALUE)
        return error;
    step = ReplaceStep::write;
    error = write_bytes_to(file, bytes, size);
    if (error == ERROR_SUCCESS) {
        step = ReplaceStep::replace;
        error = replace_with_retries(temporary.text, target);
    }
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temporary.text);
        return error;
    }
    // The write counts only when the file the user named now holds the bytes, whatever links
    // or file systems stood between.
    step = ReplaceStep::read_back;
    error = read_back(path, bytes, size);
    if (error == ERROR_SUCCESS)
        step = ReplaceStep::none;
    return error;
}
