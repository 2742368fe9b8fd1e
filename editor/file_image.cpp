#include "file_image.h"

std::uint8_t* image_block;
std::size_t image_size;

namespace {

HANDLE image_heap; // the process heap, taken by each FileImage

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
