// Just enough of the Windows API for the editor's byte work (patcher.cpp, file_image.cpp,
// editor_state.cpp) to build natively on Linux. The heap gives every block exactly the size
// asked for, so the address sanitizer sees any access past the end of a file image.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

using BOOL = int;
using DWORD = std::uint32_t;
using LONGLONG = long long;
using HANDLE = void*;
using HWND = struct native_window*;
using LPVOID = void*;
using LPCVOID = const void*;

union LARGE_INTEGER {
    LONGLONG QuadPart;
};

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_FILE_INVALID = 1006;
constexpr DWORD HEAP_ZERO_MEMORY = 0x8;
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD FILE_SHARE_READ = 1;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

namespace native_shim {
inline DWORD last_error = 0;
// Size of every live heap block, so a reallocation can zero exactly the new bytes.
inline std::map<void*, std::size_t>& blocks() {
    static std::map<void*, std::size_t> sizes;
    return sizes;
}
struct File {
    int fd;
};
} // namespace native_shim

inline DWORD GetLastError() {
    return native_shim::last_error;
}

inline HANDLE GetProcessHeap() {
    return reinterpret_cast<HANDLE>(std::uintptr_t{1});
}

inline LPVOID HeapAlloc(HANDLE, DWORD flags, std::size_t size) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr)
        return nullptr;
    if (flags & HEAP_ZERO_MEMORY)
        std::memset(block, 0, size);
    native_shim::blocks()[block] = size;
    return block;
}

inline LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID old, std::size_t size) {
    auto found = native_shim::blocks().find(old);
    if (found == native_shim::blocks().end())
        std::abort(); // not a block of this heap
    void* block = HeapAlloc(heap, flags, size);
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, old, found->second < size ? found->second : size);
    native_shim::blocks().erase(found);
    std::free(old);
    return block;
}

inline BOOL HeapFree(HANDLE, DWORD, LPVOID block) {
    if (native_shim::blocks().erase(block) != 1)
        std::abort(); // freed twice, or never allocated here
    std::free(block);
    return 1;
}

// Paths are taken as ASCII, which is all the tests use.
inline HANDLE CreateFileW(const wchar_t* path, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
    std::string narrow;
    for (const wchar_t* p = path; *p != L'\0'; ++p)
        narrow += static_cast<char>(*p);
    const int fd = open(narrow.c_str(), O_RDONLY);
    if (fd < 0) {
        native_shim::last_error = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    return new native_shim::File{fd};
}

inline BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
    struct stat st {};
    if (fstat(static_cast<native_shim::File*>(file)->fd, &st) != 0)
        return 0;
    size->QuadPart = st.st_size;
    return 1;
}

inline BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, DWORD* got, void*) {
    const ssize_t n = read(static_cast<native_shim::File*>(file)->fd, buffer, count);
    if (n < 0) {
        native_shim::last_error = static_cast<DWORD>(errno);
        return 0;
    }
    *got = static_cast<DWORD>(n);
    return 1;
}

inline BOOL CloseHandle(HANDLE file) {
    auto* f = static_cast<native_shim::File*>(file);
    close(f->fd);
    delete f;
    return 1;
}
