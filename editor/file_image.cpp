#include "file_image.h"

#include <cstring>

#include "editor_state.h"

namespace {

// Far beyond any timer executable; keeps a wrong path from filling memory.
constexpr LONGLONG largest_image = 64LL * 1024 * 1024;

DWORD read_whole_file(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        return GetLastError();
    if (size.QuadPart > largest_image)
        return ERROR_FILE_TOO_LARGE;
    if (!resize_image(static_cast<std::size_t>(size.QuadPart)))
        return ERROR_NOT_ENOUGH_MEMORY;
    std::size_t done = 0;
    while (done < image_size) {
        DWORD got = 0;
        if (!ReadFile(file, image_block + done, static_cast<DWORD>(image_size - done), &got,
                      nullptr))
            return GetLastError();
        if (got == 0)
            return ERROR_HANDLE_EOF; // the file shrank while being read
        done += got;
    }
    return ERROR_SUCCESS;
}

} // namespace

FileImage::FileImage() {
    image_heap = GetProcessHeap();
    image_block = static_cast<std::uint8_t*>(HeapAlloc(image_heap, HEAP_ZERO_MEMORY, 0));
    image_size = 0;
}

FileImage::~FileImage() {
    if (image_block != nullptr)
        HeapFree(image_heap, 0, image_block);
    image_block = nullptr;
    image_size = 0;
}

bool resize_image(std::size_t size) {
    void* block = image_block != nullptr
                      ? HeapReAlloc(image_heap, HEAP_ZERO_MEMORY, image_block, size)
                      : HeapAlloc(image_heap, HEAP_ZERO_MEMORY, size);
    if (block == nullptr)
        return false;
    image_block = static_cast<std::uint8_t*>(block);
    image_size = size;
    return true;
}

DWORD load_file(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    const DWORD error = read_whole_file(file);
    CloseHandle(file);
    return error;
}

DWORD compare_file(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        error = GetLastError();
    else if (size.QuadPart != static_cast<LONGLONG>(image_size))
        error = ERROR_FILE_INVALID;
    std::uint8_t chunk[4096];
    for (std::size_t done = 0; error == ERROR_SUCCESS && done < image_size;) {
        const std::size_t rest = image_size - done;
        DWORD got = 0;
        if (!ReadFile(file, chunk, static_cast<DWORD>(rest < sizeof chunk ? rest : sizeof chunk),
                      &got, nullptr))
            error = GetLastError();
        else if (got == 0 || std::memcmp(chunk, image_block + done, got) != 0)
            error = ERROR_FILE_INVALID;
        done += got;
    }
    CloseHandle(file);
    return error;
}

void read_field(std::size_t offset, std::size_t length, void* destination) {
    copy_out(image_block, image_size, offset, length, destination);
}

bool write_field(std::size_t offset, std::size_t length, const void* source) {
    if (image_size < offset + length && !resize_image(offset + length))
        return false;
    std::memcpy(image_block + offset, source, length);
    return true;
}

bool write_font_name(const wchar_t (&units)[font_field_units]) {
    std::uint8_t bytes[2 * font_field_units];
    for (std::size_t i = 0; i < font_field_units; ++i) {
        const auto unit = static_cast<std::uint16_t>(units[i]);
        bytes[2 * i] = static_cast<std::uint8_t>(unit & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(unit >> 8);
    }
    return write_field(font_name_offset, sizeof bytes, bytes);
}
