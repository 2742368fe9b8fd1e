// The decisions of the editor's file replace (atomic_replace.h), apart from the system's calls
// that carry them out: which errors are worth another try and how many tries there are, the
// temporary file's name, and what counts as written.
#pragma once

#include <cstddef>
#include <cstdint>

// The system's error codes these decisions speak of, as the system numbers them
// (atomic_replace.cpp checks them against windows.h).
namespace system_error {
constexpr std::uint32_t access_denied = 5;
constexpr std::uint32_t sharing_violation = 32;
constexpr std::uint32_t lock_violation = 33;
constexpr std::uint32_t file_exists = 80;
constexpr std::uint32_t already_exists = 183;
constexpr std::uint32_t invalid_function = 1;
constexpr std::uint32_t not_supported = 50;
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
// causes, and for replace_attempts tries in all.
bool try_replace_again(int attempts, std::uint32_t error);

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
