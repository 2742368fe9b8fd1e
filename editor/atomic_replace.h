// Replacing a file's contents in one step: the new bytes go to a temporary file in the same
// folder, which, complete and flushed, takes the place of the original. The decisions on the
// way (which errors are tried again, the temporary name, what counts as written) are
// replace_policy.h's, what the file carries beside its bytes file_identity.h's; this unit makes
// the system's calls.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "heap_block.h"
#include "replace_policy.h"

// How a replace ended: where the old and the new bytes are, the step that failed and the
// system's error. Each version under another name is under `backup` (the old) or `temporary`
// (the new), full paths beside the file.
struct ReplaceOutcome {
    DWORD error = ERROR_SUCCESS; // ERROR_SUCCESS once the file reads back as the bytes
    ReplaceStep step = ReplaceStep::none;
    BytesAt old_bytes = BytesAt::name;
    BytesAt new_bytes = BytesAt::gone;
    // The backup's name still holds the empty file that reserved it (at the end: one that could
    // not be deleted).
    bool reserved = false;
    HeapText target; // the file replaced, links followed, as a full path (empty when refused)
    HeapText backup;
    HeapText temporary;
};

// Replaces the file at `path` with the `size` bytes at `bytes`. A link is followed: the file
// it leads to is replaced and the link stays; a link that cannot be followed is refused
// (ERROR_CANT_RESOLVE_FILENAME). The new file keeps the old one's security settings,
// attributes, creation time and named streams. Refused while the original cannot be written
// (the timer running from it, a read-only file); tried again for a moment while something
// else has it open, or has it briefly under another name. The read-back failing, or giving
// other bytes, is ERROR_FILE_INVALID. Something is left under the name, unless moving either
// version there failed even when tried again; then both are kept. A file that cannot be
// deleted is named in `outcome`; no other stays behind.
void atomic_replace(const wchar_t* path, const std::uint8_t* bytes, std::size_t size,
                    ReplaceOutcome& outcome);
