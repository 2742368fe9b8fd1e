#include "patcher.h"

#include <cwchar>

namespace {

std::uint16_t u16_at(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    std::uint8_t bytes[2];
    copy_out(data, size, offset, 2, bytes);
    return settings_block::read_u16(bytes, 0);
}

void put_u16(std::uint8_t* image, std::size_t offset, std::uint16_t value) {
    image[offset] = static_cast<std::uint8_t>(value & 0xFF);
    image[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

bool is_blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool is_high_surrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool is_low_surrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

void copy_out(const std::uint8_t* data, std::size_t size, std::size_t offset, std::size_t length,
              void* destination) {
    auto* out = static_cast<std::uint8_t*>(destination);
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t at = offset + i;
        out[i] = at < size ? data[at] : 0;
    }
}

EditorSettings read_settings(const std::uint8_t* data, std::size_t size) {
    EditorSettings s{};
    copy_out(data, size, version_offset, 1, &s.version);
    copy_out(data, size, always_on_top_offset, 1, &s.always_on_top);
    s.alarm_time_ms = u16_at(data, size, alarm_time_ms_offset);
    s.beep_frequency_hz = u16_at(data, size, beep_frequency_hz_offset);
    s.beep_duration_ms = u16_at(data, size, beep_duration_ms_offset);
    s.beep_interval_ms = u16_at(data, size, beep_interval_ms_offset);
    for (std::size_t i = 0; i < font_field_units; ++i) {
        const std::uint16_t unit = u16_at(data, size, font_name_offset + 2 * i);
        if (unit == 0)
            break;
        s.font_name[i] = static_cast<wchar_t>(unit);
    }
    return s;
}

void font_units_from_text(const wchar_t* text, wchar_t (&units)[font_field_units]) {
    std::size_t length = 0;
    while (length + 1 < font_field_units && text[length] != L'\0')
        ++length;
    // Half a surrogate pair is no character: the timer would ask for a font whose name is not
    // valid text. A cut that would split a pair ends before it.
    if (length > 0 && is_high_surrogate(text[length - 1]) && is_low_surrogate(text[length]))
        --length;
    for (std::size_t i = 0; i < font_field_units; ++i)
        units[i] = i < length ? text[i] : L'\0';
}

bool patch_image(std::uint8_t* image, std::size_t size, const EditorSettings& values,
                 const wchar_t (&font_units)[font_field_units]) {
    if (size < font_field_end)
        return false;
    image[always_on_top_offset] = values.always_on_top != 0 ? 1 : 0;
    put_u16(image, alarm_time_ms_offset, values.alarm_time_ms);
    put_u16(image, beep_frequency_hz_offset, values.beep_frequency_hz);
    put_u16(image, beep_duration_ms_offset, values.beep_duration_ms);
    put_u16(image, beep_interval_ms_offset, values.beep_interval_ms);
    for (std::size_t i = 0; i < font_field_units; ++i)
        put_u16(image, font_name_offset + 2 * i, static_cast<std::uint16_t>(font_units[i]));
    return true;
}

bool parse_number(const wchar_t* text, std::uint16_t& value) {
    const wchar_t* p = text;
    while (is_blank(*p))
        ++p;
    std::uint32_t number = 0;
    while (*p >= L'0' && *p <= L'9') {
        number = number * 10 + static_cast<std::uint32_t>(*p - L'0');
        if (number > 0xFFFF)
            return false;
        ++p;
    }
    while (is_blank(*p))
        ++p;
    if (*p != L'\0')
        return false;
    value = static_cast<std::uint16_t>(number);
    return true;
}

const wchar_t* format_decimal(std::uint32_t value, wchar_t (&text)[decimal_capacity]) {
    wchar_t reversed[decimal_capacity];
    std::size_t n = 0;
    do {
        reversed[n++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (std::size_t i = 0; i < n; ++i)
        text[i] = reversed[n - 1 - i];
    text[n] = L'\0';
    return text;
}

bool timer_path_from_arguments(const wchar_t* arguments, wchar_t* path, std::size_t capacity) {
    const wchar_t* begin = arguments != nullptr ? arguments : L"";
    while (is_blank(*begin))
        ++begin;
    const wchar_t* end = begin + std::wcslen(begin);
    while (end > begin && is_blank(end[-1]))
        --end;
    if (end - begin >= 2 && begin[0] == L'"' && end[-1] == L'"') {
        ++begin;
        --end;
    }
    if (begin == end) {
        begin = L"Plinkett.exe";
        end = begin + std::wcslen(begin);
    }
    const auto length = static_cast<std::size_t>(end - begin);
    if (length + 1 > capacity)
        return false;
    std::wmemcpy(path, begin, length);
    path[length] = L'\0';
    return true;
}

void append_text(wchar_t* buffer, std::size_t capacity, const wchar_t* text) {
    std::size_t length = std::wcslen(buffer);
    while (*text != L'\0' && length + 1 < capacity)
        buffer[length++] = *text++;
    buffer[length] = L'\0';
}
