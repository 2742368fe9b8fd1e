// The decisions of the editor's file replace (atomic_replace.h), apart from the system's calls
// that carry them out: which errors are worth another try and how many tries there are, the
// temporary file's name, what counts as written, and which message an outcome gets.
#pragma once

#include <cstddef>
#include <cstdint>

// The system's error codes these decisions speak of, as the system numbers them
// (atomic_replace.cpp checks them against windows.h).
namespace system_error {
constexpr std::uint32_t file_not_found = 2;
constexpr std::uint32_t access_denied = 5;
constexpr std::uint32_t sharing_violation = 32;
constexpr std::uint32_t lock_violation = 33;
constexpr std::uint32_t file_exists = 80;
constexpr std::uint32_t already_exists = 183;
constexpr std::uint32_t invalid_function = 1;
constexpr std::uint32_t not_supported = 50;
// The system's replace failed and both files keep their names: the replaced file could not be
// removed (1175), or the replacement not moved in (1176).
constexpr std::uint32_t unable_to_remove_replaced = 1175;
constexpr std::uint32_t unable_to_move_replacement = 1176;
} // namespace system_error

// The file attributes these decisions speak of, as the system numbers them.
namespace file_attribute {
constexpr std::uint32_t hidden = 0x2;
constexpr std::uint32_t system = 0x4;
constexpr std::uint32_t archive = 0x20;
constexpr std::uint32_t reparse_point = 0x400;
constexpr std::uint32_t not_content_indexed = 0x2000;
constexpr std::uint32_t invalid = 0xFFFFFFFF; // the attributes could not be read
} // namespace file_attribute

// Five tries 100 ms apart outlast a lock of about 400 ms.
constexpr int replace_attempts = 5;
constexpr std::uint32_t replace_retry_ms = 100;

// Whether a replace tried `attempts` times, the last failing with `error`, is tried again:
// only after the sharing and access errors that a virus scanner's brief look at a file also
// causes (which the system's replace reports as 1175 or 1176), and for replace_attempts tries
// in all. A file that `existed` when the write began and is not found now is taken to be in
// the middle of another writer's swap, and waited for as a lock is.
bool try_replace_again(int attempts, std::uint32_t error, bool existed);

// The length of the folder part of `path`: up to and including its last separator ("\\", "/"
// or the ":" of a drive), 0 for a bare name.
std::size_t folder_length(const wchar_t* path);

// The temporary file's path beside the file at `path`: its folder, then "plk", the low 16 bits
// of `unique` as four hexadecimal digits, and ".tmp", terminated, into `temporary`, which has
// room for temporary_path_units(path) units.
constexpr std::size_t temporary_name_units = 12;
std::size_t temporary_path_units(const wchar_t* path);
void temporary_path(const wchar_t* path, std::uint32_t unique, wchar_t* temporary);

// Each name of the 16-bit range is tried once; a name is passed over only when a file of that
// name exists.
constexpr std::uint32_t temporary_name_tries = 0x10000;
bool temporary_name_taken(std::uint32_t error);

// The replace counts as written only when the file reads back as the image of `size` bytes:
// of the same length, and each chunk read at `done` holding the image's bytes there. A chunk
// of no bytes (the file ended early) or running past the image does not match.
bool read_back_matches(const std::uint8_t* image, std::size_t size, std::size_t done,
                       const std::uint8_t* chunk, std::size_t got);

// Whether the file at a path is replaced there: when links were followed to the file they lead
// to (`resolved`), or when the path is no link (no reparse point among its `attributes`). A
// link that cannot be followed is not replaced, lest a file take its place while the file it
// points to stays as it was. Unreadable attributes let the replace go on to its own error.
bool replace_at_path(bool resolved, std::uint32_t attributes);

// Whether the system's replace that keeps the old file's identity failed with `error` because
// the volume does not support it; only then is the file moved over the original instead.
bool replace_unsupported(std::uint32_t error);

// The attributes the new file takes from the old file's `old` ones: hidden, system and
// not-indexed as they were, and archive, which a changed file always gets.
std::uint32_t carried_attributes(std::uint32_t old);

// The steps of a write, to name the one that failed.
enum class ReplaceStep { none, new_file, write, replace, read_back };

// Where one version of the file, the old bytes or the new, is when a write ends: under the
// file's own name, under a temporary or backup name beside it, or deleted.
enum class BytesAt { name, other_name, gone };

// What the user is told of a write that ended with `error`, the versions where they are:
// written (the new bytes under the name, the read-back passed), unverified (the new bytes under
// the name, the read-back failed), unchanged or changed_meanwhile (the old bytes under the
// name, `file_as_read` telling whether the file there still holds the bytes the editor read),
// or under_other_name (nothing under the name; the old file is under its backup name).
enum class WriteReport { written, unverified, unchanged, changed_meanwhile, under_other_name };
WriteReport write_report(std::uint32_t error, BytesAt old_bytes, BytesAt new_bytes,
                         bool file_as_read);

// Whether a version left under another name is named to the user as a file that may be
// deleted: always, except while it is what the user needs to put back under the name.
bool left_over(BytesAt version, WriteReport report);

// Whether the folder is named as the cause: only when it refused the new file's creation.
bool folder_refused(ReplaceStep step, std::uint32_t error);

// Whether the old file's access list is written onto the new one: only where the swap did not
// carry it over (a move), and the new file's differs. The system's replace carries it; a
// write of the same list again is not harmless everywhere (Wine widens the file's mode).
bool write_access_list(bool carried_by_swap, bool lists_differ);

// Where a path is shown from: past the "\\?\" that marks a full path of a drive ("\\?\C:\"),
// which users do not write; other paths from their start.
std::size_t shown_from(const wchar_t* path);

// A digest of the `size` bytes at `bytes` (64-bit FNV-1a), to tell whether a file still holds
// what was read from it.
std::uint64_t content_digest(const std::uint8_t* bytes, std::size_t size);
