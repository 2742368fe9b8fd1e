#include "atomic_replace.h"

#include <cstring>
#include <cwchar>

#include "file_identity.h"
#include "system_library.h"

static_assert(system_error::file_not_found == ERROR_FILE_NOT_FOUND, "");
static_assert(system_error::access_denied == ERROR_ACCESS_DENIED, "");
static_assert(system_error::sharing_violation == ERROR_SHARING_VIOLATION, "");
static_assert(system_error::lock_violation == ERROR_LOCK_VIOLATION, "");
static_assert(system_error::file_exists == ERROR_FILE_EXISTS, "");
static_assert(system_error::already_exists == ERROR_ALREADY_EXISTS, "");
static_assert(system_error::invalid_function == ERROR_INVALID_FUNCTION, "");
static_assert(system_error::not_supported == ERROR_NOT_SUPPORTED, "");
static_assert(system_error::unable_to_remove_replaced == ERROR_UNABLE_TO_REMOVE_REPLACED, "");
static_assert(system_error::unable_to_move_replacement == ERROR_UNABLE_TO_MOVE_REPLACEMENT, "");
static_assert(file_attribute::hidden == FILE_ATTRIBUTE_HIDDEN, "");
static_assert(file_attribute::system == FILE_ATTRIBUTE_SYSTEM, "");
static_assert(file_attribute::archive == FILE_ATTRIBUTE_ARCHIVE, "");
static_assert(file_attribute::reparse_point == FILE_ATTRIBUTE_REPARSE_POINT, "");
static_assert(file_attribute::not_content_indexed == FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, "");
static_assert(file_attribute::invalid == INVALID_FILE_ATTRIBUTES, "");

namespace {

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
// with no one, with a name no file there has yet, and the `security` given (or the folder's).
// Its path goes to `name`.
HANDLE create_temporary(const wchar_t* path, HeapText& name, DWORD& error,
                        SECURITY_ATTRIBUTES* security = nullptr) {
    if (!name.allocate(temporary_path_units(path))) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return INVALID_HANDLE_VALUE;
    }
    const DWORD first = GetTickCount() ^ GetCurrentProcessId();
    for (DWORD n = 0; n < temporary_name_tries; ++n) {
        temporary_path(path, first + n, name.text);
        HANDLE file = CreateFileW(name.text, GENERIC_WRITE, 0, security, CREATE_NEW,
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

// The full path of `path` into `full`, for a path that leads to no link.
bool full_path_of(const wchar_t* path, HeapText& full) {
    const DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    return needed != 0 && full.allocate(needed) &&
           GetFullPathNameW(path, needed, full.text, nullptr) < needed;
}

// Deletes the file `name`; ERROR_SUCCESS once it is gone. Something that has it open for a
// moment (a virus scanner) is outlasted as in a replace.
DWORD delete_file(const wchar_t* name) {
    for (int attempts = 1;; ++attempts) {
        if (DeleteFileW(name))
            return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || !try_replace_again(attempts, error, false))
            return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
        Sleep(replace_retry_ms);
    }
}

// Moves the file `from` to the free name `to`, tried again as a replace is; ERROR_SUCCESS or
// the last try's error.
DWORD move_file(const wchar_t* from, const wchar_t* to) {
    for (int attempts = 1;; ++attempts) {
        if (MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (!try_replace_again(attempts, error, false))
            return error;
        Sleep(replace_retry_ms);
    }
}

// One try of the swap: the writable check, then the new file put in the old one's place by the
// system's replace, which carries the old one's identity (`carried`); by a move where the
// volume has no such replace. The outcome's versions follow what happened.
DWORD swap_once(ReplaceOutcome& outcome, bool& carried) {
    const wchar_t *target = outcome.target.text, *replacement = outcome.temporary.text;
    DWORD error = check_writable(target);
    if (error != ERROR_SUCCESS)
        return error;
    // Given a backup name, a replace that fails leaves each file under a name: the old one
    // under its own or, at worst, under the backup's. Without one, it can leave none.
    carried = ReplaceFileW(target, replacement, outcome.backup.text, 0, nullptr, nullptr) != FALSE;
    if (carried) {
        outcome.reserved = false;
        outcome.old_bytes = BytesAt::other_name;
        outcome.new_bytes = BytesAt::name;
        return ERROR_SUCCESS;
    }
    error = GetLastError();
    if (replace_unsupported(error)) {
        if (!MoveFileExW(replacement, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return GetLastError();
        outcome.old_bytes = BytesAt::gone;
        outcome.new_bytes = BytesAt::name;
        return ERROR_SUCCESS;
    }
    // Both still under their names, or the name taken meanwhile: nothing to put right. The old
    // file is under the backup's name when that holds more than the empty reservation.
    WIN32_FILE_ATTRIBUTE_DATA backup{};
    if (GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES ||
        !GetFileAttributesExW(outcome.backup.text, GetFileExInfoStandard, &backup) ||
        (backup.nFileSizeLow == 0 && backup.nFileSizeHigh == 0))
        return error;
    // The old file went to the backup's name and the new one could not follow (1177): the old
    // one goes back or, where it cannot, the new one takes the name.
    outcome.reserved = false;
    outcome.old_bytes = BytesAt::other_name;
    if (move_file(outcome.backup.text, target) == ERROR_SUCCESS) {
        outcome.old_bytes = BytesAt::name;
        return error;
    }
    error = move_file(replacement, target);
    if (error == ERROR_SUCCESS)
        outcome.new_bytes = BytesAt::name;
    return error;
}

DWORD swap(ReplaceOutcome& outcome, bool existed, bool& carried) {
    for (int attempts = 1;; ++attempts) {
        const DWORD error = swap_once(outcome, carried);
        if (error == ERROR_SUCCESS || outcome.old_bytes != BytesAt::name ||
            !try_replace_again(attempts, error, existed))
            return error;
        Sleep(replace_retry_ms);
    }
}

// A name beside `path` for the replace's backup of the old file, into `name`, reserved by an
// empty file made there: no other writer takes it meanwhile, and the replace writes over it.
DWORD reserve_backup_name(const wchar_t* path, HeapText& name, bool& reserved) {
    DWORD error = ERROR_SUCCESS;
    HANDLE file = create_temporary(path, name, error);
    if (file == INVALID_HANDLE_VALUE)
        return error;
    CloseHandle(file);
    reserved = true;
    return ERROR_SUCCESS;
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

void atomic_replace(const wchar_t* path, const std::uint8_t* bytes, std::size_t size,
                    ReplaceOutcome& outcome) {
    ReplaceOutcome& o = outcome;
    o.old_bytes = BytesAt::name;
    o.new_bytes = BytesAt::gone;
    o.reserved = false;
    o.step = ReplaceStep::replace; // a link that cannot be followed is not replaced
    o.error = ERROR_CANT_RESOLVE_FILENAME;
    const bool resolved = final_path_of(path, o.target);
    if (!replace_at_path(resolved, GetFileAttributesW(path)))
        return;
    o.error = ERROR_NOT_ENOUGH_MEMORY;
    if (!resolved && !full_path_of(path, o.target))
        return;
    const wchar_t* target = o.target.text;
    FileIdentity identity;
    read_identity(target, identity);
    o.step = ReplaceStep::new_file;
    // Made with the old file's access list, the new one grants no more than it from the start;
    // Wine's replace carries no list, and Wine cannot set one again without widening the mode.
    SECURITY_ATTRIBUTES security{sizeof security, identity.access_list.text, FALSE};
    HANDLE file = create_temporary(target, o.temporary, o.error,
                                   identity.access_list_size != 0 ? &security : nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    o.new_bytes = BytesAt::other_name;
    give_creation_time(file, identity);
    o.step = ReplaceStep::write;
    o.error = write_bytes_to(file, bytes, size);
    if (o.error == ERROR_SUCCESS) {
        // Found while the temporary file exists, the backup's name is another.
        o.step = ReplaceStep::replace;
        o.error = reserve_backup_name(target, o.backup, o.reserved);
    }
    if (o.error == ERROR_SUCCESS) {
        give_attributes(o.temporary.text, identity);
        bool carried = false;
        o.error = swap(o, identity.known, carried);
        if (o.error == ERROR_SUCCESS)
            give_access_list(target, identity, carried);
    }
    // The reservation goes, and a version under another name once the other is under the name.
    if (o.reserved && delete_file(o.backup.text) == ERROR_SUCCESS)
        o.reserved = false;
    if (o.new_bytes == BytesAt::name && o.old_bytes == BytesAt::other_name &&
        delete_file(o.backup.text) == ERROR_SUCCESS)
        o.old_bytes = BytesAt::gone;
    if (o.old_bytes == BytesAt::name && o.new_bytes == BytesAt::other_name &&
        delete_file(o.temporary.text) == ERROR_SUCCESS)
        o.new_bytes = BytesAt::gone;
    if (o.error != ERROR_SUCCESS)
        return;
    // The write counts only when the file the user named now holds the bytes, whatever links
    // or file systems stood between; another writer's swap may hold it for a moment.
    o.step = ReplaceStep::read_back;
    for (int attempts = 1; (o.error = read_back(path, bytes, size)) != ERROR_SUCCESS &&
                           try_replace_again(attempts, o.error, true);
         ++attempts)
        Sleep(replace_retry_ms);
    if (o.error == ERROR_SUCCESS)
        o.step = ReplaceStep::none;
}
