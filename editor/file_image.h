// The whole timer executable held in one block of the process heap. All growth is
// zero-filled, so every byte the file does not supply is zero.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The block and its length; a FileImage owns the block for its lifetime.
extern std::uint8_t* image_block;
extern std::size_t image_size;

// Scoped owner of the block: takes the process heap and an empty block, and frees the block
// when it ends. At most one exists at a time.
class FileImage {
  public:
    FileImage();
    ~FileImage();
    FileImage(const FileImage&) = delete;
    FileImage& operator=(const FileImage&) = delete;
};

// Sets the image's length to `size` bytes; new bytes are zero. False when memory ran out,
// leaving the image as it was.
bool resize_image(std::size_t size);

// Replaces the image with the whole file at `path`. ERROR_SUCCESS, or the system's error code
// (the image's contents are then unspecified).
DWORD load_file(const wchar_t* path);
