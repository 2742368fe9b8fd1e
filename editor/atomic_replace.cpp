#include "atomic_replace.h"

#include <cstring>
#include <cwchar>

#include "replace_policy.h"
#include "system_library.h"

static_assert(system_error::access_denied == ERROR_ACCESS_DENIED, "");
static_assert(system_error::sharing_violation == ERROR_SHARING_VIOLATION, "");
static_assert(system_error::lock_violation == ERROR_LOCK_VIOLATION, "");
static_assert(system_error::file_exists == ERROR_FILE_EXISTS, "");
static_assert(system_error::already_exists == ERROR_ALREADY_EXISTS, "");
static_assert(system_error::invalid_function == ERROR_INVALID_FUNCTION, "");
static_assert(system_error::not_supported == ERROR_NOT_SUPPORTED, "");
static_assert(file_attribute::hidden == FILE_ATTRIBUTE_HIDDEN, "");
static_assert(file_attribute::system == FILE_ATTRIBUTE_SYSTEM, "");
static_assert(file_attribute::archive == FILE_ATTRIBUTE_ARCHIVE, "");
static_assert(file_attribute::reparse_point == FILE_ATTRIBUTE_REPARSE_POINT, "");
static_assert(file_attribute::not_content_indexed == FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, "");
static_assert(file_attribute::invalid == INVALID_FILE_ATTRIBUTES, "");

namespace {

// Units in a block of the process heap, freed when it ends. Paths live in these: where long
// paths are accepted, no fixed buffer holds every one.
template <typename Unit> class HeapBlock {
  public:
    HeapBlock() = default;
    ~HeapBlock() { release(); }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;

    // Room for `units` units, all zero; false when memory ran out.
    bool allocate(std::size_t units) {
        release();
        text =
            static_cast<Unit*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, units * sizeof(Unit)));
        return text != nullptr;
    }

    Unit* text = nullptr;

  private:
    void release() {
        if (text != nullptr)
            HeapFree(GetProcessHeap(), 0, text);
        text = nullptr;
    }
};
using HeapText = HeapBlock<wchar_t>;

using GetFinalPathNameByHandleWFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// The path of the file that `path` leads to once links are followed, into `final`. Replacing
// that file, not the link, leaves the link a link and the file it points to written. Windows
// XP has no such call (nor file links); there, and where the file system cannot say, false:
// the path itself is then the file.
bool final_path_of(const wchar_t* path, HeapText& final) {
    const auto get_final_path =
        system_function<GetFinalPathNameByHandleWFn>(L"kernel32.dll", "GetFinalPathNameByHandleW");
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
    if (!name.allocate(temporary_path_units(path))) {
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

// What the old file carries beside its bytes and the new one is given: its attributes, its
// creation time and the access list of its security settings (empty when it cannot be read).
struct Identity {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    bool known = false; // whether `data` was read
    HeapBlock<BYTE> security;
    DWORD security_size = 0;
};

void read_identity(const wchar_t* path, Identity& identity) {
    identity.known = GetFileAttributesExW(path, GetFileExInfoStandard, &identity.data) != FALSE;
    DWORD needed = 0;
    GetFileSecurityW(path, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed != 0 && identity.security.allocate(needed) &&
        GetFileSecurityW(path, DACL_SECURITY_INFORMATION, identity.security.text, needed, &needed))
        identity.security_size = needed;
}

// The access list goes to the replaced file only where the replace has not carried it over
// (the system's replace does; a move, or Wine's replace, gives the folder's): the same list
// is not set again. Only the file's owner, or who may change its permissions, can.
void carry_security(const wchar_t* path, const Identity& identity) {
    if (identity.security_size == 0)
        return;
    HeapBlock<BYTE> now;
    DWORD needed = 0;
    GetFileSecurityW(path, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == identity.security_size && now.allocate(needed) &&
        GetFileSecurityW(path, DACL_SECURITY_INFORMATION, now.text, needed, &needed) &&
        std::memcmp(now.text, identity.security.text, needed) == 0)
        return;
    SetFileSecurityW(path, DACL_SECURITY_INFORMATION, identity.security.text);
}

// The file that the old one was moved to by a failed replace goes back under its name, or,
// where it cannot, the new one takes the name: the user's file is never left without one.
// `replaced` is set when the new one did; the old file then stays under `backup`, which is
// kept while nothing is under the name.
DWORD restore_name(const wchar_t* replacement, const wchar_t* path, const wchar_t* backup,
                   bool& replaced, bool& keep_backup) {
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES ||
        GetFileAttributesW(backup) == INVALID_FILE_ATTRIBUTES)
        return ERROR_SUCCESS;
    if (MoveFileExW(backup, path, MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    replaced = MoveFileExW(replacement, path, MOVEFILE_WRITE_THROUGH) != FALSE;
    keep_backup = !replaced;
    return error;
}

// One try: the writable check, then the replacement put in the original's place by the
// system's replace, which keeps the original's security settings, attributes, creation time
// and named streams; by a move where the volume has no such replace.
DWORD move_into_place(const wchar_t* replacement, const wchar_t* path, const wchar_t* backup,
                      bool& replaced, bool& keep_backup) {
    DWORD error = check_writable(path);
    if (error != ERROR_SUCCESS)
        return error;
    // Given a backup name, a replace that fails leaves each file under a name: the old one
    // under its own or, at worst, under the backup's. Without one, it can leave none.
    if (ReplaceFileW(path, replacement, backup, 0, nullptr, nullptr)) {
        replaced = true;
        return ERROR_SUCCESS;
    }
    error = GetLastError();
    if (replace_unsupported(error)) {
        replaced = MoveFileExW(replacement, path,
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        return replaced ? ERROR_SUCCESS : GetLastError();
    }
    const DWORD restore_error = restore_name(replacement, path, backup, replaced, keep_backup);
    return replaced ? ERROR_SUCCESS : restore_error != ERROR_SUCCESS ? restore_error : error;
}

DWORD replace_with_retries(const wchar_t* replacement, const wchar_t* path, const wchar_t* backup,
                           bool& replaced, bool& keep_backup) {
    int attempts = 0;
    DWORD error = ERROR_SUCCESS;
    do {
        if (attempts > 0)
            Sleep(replace_retry_ms);
        error = move_into_place(replacement, path, backup, replaced, keep_backup);
        ++attempts;
    } while (error != ERROR_SUCCESS && !keep_backup && try_replace_again(attempts, error));
    return error;
}

// A free name beside `path` for the replace's backup of the old file, into `name`: found by
// making a file there and deleting it again, so the replace does not meet one.
DWORD free_backup_name(const wchar_t* path, HeapText& name) {
    DWORD error = ERROR_SUCCESS;
    HANDLE file = create_temporary(path, name, error);
    if (file == INVALID_HANDLE_VALUE)
        return error;
    CloseHandle(file);
    DeleteFileW(name.text);
    return ERROR_SUCCESS;
}

// The backup is gone once deleted; something else that has it open for a moment (a virus
// scanner) is outlasted as a replace is.
void delete_backup(const wchar_t* backup) {
    for (int attempts = 1; !DeleteFileW(backup); ++attempts) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || !try_replace_again(attempts, error))
            return;
        Sleep(replace_retry_ms);
    }
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
                     bool& replaced, ReplaceStep* failed_step) {
    replaced = false;
    ReplaceStep unasked;
    ReplaceStep& step = failed_step != nullptr ? *failed_step : unasked;
    step = ReplaceStep::replace; // a link that cannot be followed is not replaced
    HeapText final;
    const bool resolved = final_path_of(path, final);
    if (!replace_at_path(resolved, GetFileAttributesW(path)))
        return ERROR_CANT_RESOLVE_FILENAME;
    const wchar_t* target = resolved ? final.text : path;
    Identity identity;
    read_identity(target, identity);
    HeapText temporary, backup;
    DWORD error = ERROR_SUCCESS;
    step = ReplaceStep::new_file;
    HANDLE file = create_temporary(target, temporary, error);
    if (file == INVALID_HANDLE_VALUE)
        return error;
    // Attributes and creation time go with the new file into the original's place. Wine's
    // replace carries neither over; the system's merges the same ones again.
    if (identity.known)
        SetFileTime(file, &identity.data.ftCreationTime, nullptr, nullptr);
    step = ReplaceStep::write;
    error = write_bytes_to(file, bytes, size);
    // Found while the temporary file exists, the backup's name is another.
    if (error == ERROR_SUCCESS)
        error = free_backup_name(target, backup);
    const bool backup_named = error == ERROR_SUCCESS;
    if (error == ERROR_SUCCESS)
        SetFileAttributesW(temporary.text,
                           carried_attributes(identity.known ? identity.data.dwFileAttributes : 0));
    bool keep_backup = false;
    if (error == ERROR_SUCCESS) {
        step = ReplaceStep::replace;
        error = replace_with_retries(temporary.text, target, backup.text, replaced, keep_backup);
    }
    if (backup_named && !keep_backup)
        delete_backup(backup.text);
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temporary.text);
        return error;
    }
    carry_security(target, identity);
    // The write counts only when the file the user named now holds the bytes, whatever links
    // or file systems stood between.
    step = ReplaceStep::read_back;
    error = read_back(path, bytes, size);
    if (error == ERROR_SUCCESS)
        step = ReplaceStep::none;
    return error;
}
