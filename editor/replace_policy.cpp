#include "replace_policy.h"

#include <cstring>
#include <cwchar>

namespace {

void temporary_name(std::uint32_t unique, wchar_t (&name)[temporary_name_units]) {
    const wchar_t digits[] = L"0123456789ABCDEF";
    const wchar_t pattern[temporary_name_units] = L"plk0000.tmp";
    for (std::size_t i = 0; i < temporary_name_units; ++i)
        name[i] = pattern[i];
    for (std::size_t i = 0; i < 4; ++i)
        name[6 - i] = digits[(unique >> (4 * i)) & 0xF];
}

} // namespace

bool try_replace_again(int attempts, std::uint32_t error) {
    const bool may_pass = error == system_error::access_denied ||
                          error == system_error::sharing_violation ||
                          error == system_error::lock_violation;
    return may_pass && attempts < replace_attempts;
}

std::size_t folder_length(const wchar_t* path) {
    std::size_t length = 0;
    for (std::size_t i = 0; path[i] != L'\0'; ++i)
        if (path[i] == L'\\' || path[i] == L'/' || path[i] == L':')
            length = i + 1;
    return length;
}

std::size_t temporary_path_units(const wchar_t* path) {
    return folder_length(path) + temporary_name_units;
}

void temporary_path(const wchar_t* path, std::uint32_t unique, wchar_t* temporary) {
    const std::size_t folder = folder_length(path);
    std::wmemcpy(temporary, path, folder);
    wchar_t name[temporary_name_units];
    temporary_name(unique, name);
    std::wmemcpy(temporary + folder, name, temporary_name_units);
}

bool temporary_name_taken(std::uint32_t error) {
    return error == system_error::file_exists || error == system_error::already_exists;
}

bool read_back_matches(const std::uint8_t* image, std::size_t size, std::size_t done,
                       const std::uint8_t* chunk, std::size_t got) {
    return got != 0 && done <= size && got <= size - done &&
           std::memcmp(chunk, image + done, got) == 0;
}

bool replace_at_path(bool resolved, std::uint32_t attributes) {
    return resolved || attributes == file_attribute::invalid ||
           (attributes & file_attribute::reparse_point) == 0;
}

bool replace_unsupported(std::uint32_t error) {
    return error == system_error::invalid_function || error == system_error::not_supported;
}

std::uint32_t carried_attributes(std::uint32_t old) {
    constexpr std::uint32_t kept =
        file_attribute::hidden | file_attribute::system | file_attribute::not_content_indexed;
    return (old & kept) | file_attribute::archive;
}
