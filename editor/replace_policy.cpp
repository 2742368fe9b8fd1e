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

bool try_replace_again(int attempts, std::uint32_t error, bool existed) {
    const bool may_pass =
        error == system_error::access_denied || error == system_error::sharing_violation ||
        error == system_error::lock_violation || error == system_error::unable_to_remove_replaced ||
        error == system_error::unable_to_move_replacement ||
        (existed && error == system_error::file_not_found);
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

WriteReport write_report(std::uint32_t error, BytesAt old_bytes, BytesAt new_bytes,
                         bool file_as_read) {
    if (new_bytes == BytesAt::name)
        return error == 0 ? WriteReport::written : WriteReport::unverified;
    if (old_bytes == BytesAt::name)
        return file_as_read ? WriteReport::unchanged : WriteReport::changed_meanwhile;
    return WriteReport::under_other_name;
}

bool left_over(BytesAt version, WriteReport report) {
    return version == BytesAt::other_name && report != WriteReport::under_other_name;
}

bool folder_refused(ReplaceStep step, std::uint32_t error) {
    return step == ReplaceStep::new_file && error == system_error::access_denied;
}

bool write_access_list(bool carried_by_swap, bool lists_differ) {
    return !carried_by_swap && lists_differ;
}

std::size_t shown_from(const wchar_t* path) {
    const bool marked = path[0] == L'\\' && path[1] == L'\\' && path[2] == L'?' && path[3] == L'\\';
    const bool drive = marked && path[4] != L'\0' && path[5] == L':';
    return drive ? 4 : 0;
}

std::uint64_t content_digest(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t digest = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i)
        digest = (digest ^ bytes[i]) * 1099511628211ull;
    return digest;
}
