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
} // namespace system_error

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
