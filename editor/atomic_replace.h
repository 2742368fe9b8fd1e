// Replacing a file's contents in one step: the new bytes go to a temporary file in the same
// folder, which, complete and flushed, takes the place of the original. The decisions on the
// way (which errors are tried again, the temporary name, what counts as written) are
// replace_policy.h's; this unit makes the system's calls.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Replaces the file at `path` with the `size` bytes at `bytes`. A link is followed: the file
// it leads to is replaced and the link stays; a link that cannot be followed is refused
// (ERROR_CANT_RESOLVE_FILENAME). The new file keeps the old one's security settings,
// attributes, creation time and named streams. Refused while the original cannot be written
// (the timer running from it, a read-only file); tried again for a moment while something
// else has it open. ERROR_SUCCESS once `path` reads back as the bytes. Otherwise the system's
// error code, with `replaced` telling whether the new bytes had taken the original's place:
// false, the original is untouched; true, the read-back failed, or gave other bytes
// (ERROR_FILE_INVALID). No temporary or backup file is left behind.
//
// When `failed_step` is given, it receives the step that failed, so that a message can name
// the cause (a folder that takes no new file is not a file that cannot be written), or
// ReplaceStep::none.
enum class ReplaceStep { none, new_file, write, replace, read_back };
DWORD atomic_replace(const wchar_t* path, const std::uint8_t* bytes, std::size_t size,
                     bool& replaced, ReplaceStep* failed_step = nullptr);
