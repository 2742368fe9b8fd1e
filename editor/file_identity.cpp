#include "file_identity.h"

#include <cstring>

#include "replace_policy.h"

namespace {

// The access list of the file at `path` into `list`; its size, 0 when it cannot be read.
DWORD read_access_list(const wchar_t* path, HeapBlock<BYTE>& list) {
    DWORD needed = 0;
    GetFileSecurityW(path, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed != 0 && list.allocate(needed) &&
        GetFileSecurityW(path, DACL_SECURITY_INFORMATION, list.text, needed, &needed))
        return needed;
    return 0;
}

} // namespace

void read_identity(const wchar_t* path, FileIdentity& identity) {
    identity.known = GetFileAttributesExW(path, GetFileExInfoStandard, &identity.data) != FALSE;
    identity.access_list_size = read_access_list(path, identity.access_list);
}

void give_creation_time(HANDLE file, const FileIdentity& identity) {
    if (identity.known)
        SetFileTime(file, &identity.data.ftCreationTime, nullptr, nullptr);
}

void give_attributes(const wchar_t* name, const FileIdentity& identity) {
    SetFileAttributesW(name,
                       carried_attributes(identity.known ? identity.data.dwFileAttributes : 0));
}

void give_access_list(const wchar_t* path, const FileIdentity& identity, bool carried_by_swap) {
    if (identity.access_list_size == 0)
        return;
    HeapBlock<BYTE> now;
    const DWORD size = read_access_list(path, now);
    const bool same = size == identity.access_list_size &&
                      std::memcmp(now.text, identity.access_list.text, size) == 0;
    if (write_access_list(carried_by_swap, !same))
        SetFileSecurityW(path, DACL_SECURITY_INFORMATION, identity.access_list.text);
}
