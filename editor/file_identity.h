// What a file carries beside its bytes, read from the file a write replaces and given to the
// file that takes its place: its attributes, its creation time and the access list of its
// security settings.
#pragma once

#include <windows.h>

#include "heap_block.h"

struct FileIdentity {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    bool known = false; // whether `data` was read: the file existed
    HeapBlock<BYTE> access_list;
    DWORD access_list_size = 0; // 0 when it could not be read
};

void read_identity(const wchar_t* path, FileIdentity& identity);

// Before the swap, to the new file: its creation time (`file` open for writing) and, by its
// `name`, the attributes that are carried (replace_policy.h). The system's replace merges the
// same ones again; a move or Wine's replace carries neither.
void give_creation_time(HANDLE file, const FileIdentity& identity);
void give_attributes(const wchar_t* name, const FileIdentity& identity);

// After the swap, to the file now at `path`: the old access list, only where the swap did not
// carry it (`carried_by_swap` false: a move) and the list there differs. Only the file's
// owner, or who may change its permissions, can.
void give_access_list(const wchar_t* path, const FileIdentity& identity, bool carried_by_swap);
