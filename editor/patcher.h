// The editor's byte work on the timer's executable: where the settings fields lie in the file,
// how they are read from and written into the bytes of a file, and the checks on what the user
// typed. Plain functions on the buffers they are given, free of the system's calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings_block.h"

// Absolute file offsets of the fields in Plinkett.exe.
constexpr std::size_t field_offset(std::size_t in_record) {
    return static_cast<std::size_t>(settings_block::file_offset) + in_record;
}
constexpr std::size_t version_offset = field_offset(settings_block::version_at);
constexpr std::size_t always_on_top_offset = field_offset(settings_block::always_on_top_at);
constexpr std::size_t alarm_time_ms_offset = field_offset(settings_block::alarm_time_ms_at);
constexpr std::size_t beep_frequency_hz_offset = field_offset(settings_block::beep_frequency_hz_at);
constexpr std::size_t beep_duration_ms_offset = field_offset(settings_block::beep_duration_ms_at);
constexpr std::size_t beep_interval_ms_offset = field_offset(settings_block::beep_interval_ms_at);
constexpr std::size_t font_name_offset = field_offset(settings_block::font_name_at);
// The editor's font-name field is one unit longer than the record's; see settings_block.h.
constexpr std::size_t font_field_units = settings_block::editor_font_units;
constexpr std::size_t font_field_end = static_cast<std::size_t>(settings_block::field_end_offset);

struct EditorSettings {
    std::uint8_t version;
    std::uint8_t always_on_top;
    std::uint16_t alarm_time_ms;
    std::uint16_t beep_frequency_hz;
    std::uint16_t beep_duration_ms;
    std::uint16_t beep_interval_ms;
    wchar_t font_name[font_field_units + 1]; // always terminated
};

// Copies `length` bytes from `offset` of `data`, which holds `size` bytes, to `destination`.
// Bytes beyond the data read as zero; nothing past `size` is touched.
void copy_out(const std::uint8_t* data, std::size_t size, std::size_t offset, std::size_t length,
              void* destination);

// The fields of a file image of `size` bytes. A short file reads as zeros where it ends, so a
// file too short for the version byte has version 0. The font name ends at its first zero
// unit, or after all 32 units of the field.
EditorSettings read_settings(const std::uint8_t* data, std::size_t size);

// The 32 units written for the text of the font-name box: at most 31 units, then zeros. A text
// cut where it would split a surrogate pair keeps 30 units, so no half character is stored.
void font_units_from_text(const wchar_t* text, wchar_t (&units)[font_field_units]);

// The length of a file image of `size` bytes once written: a file that ends before the end of
// the font-name field grows to exactly that end, with zeros; a longer one keeps its length.
constexpr std::size_t patched_size(std::size_t size) {
    return size < font_field_end ? font_field_end : size;
}

// Writes the editable fields into the `size` bytes at `image`: always_on_top as 0 or 1, the
// four numbers, then all 32 font-name units, all little-endian. Magic, version and every byte
// outside the fields are left alone. False, writing nothing, when the image is shorter than
// patched_size(size): the caller grows it first.
bool patch_image(std::uint8_t* image, std::size_t size, const EditorSettings& values,
                 const wchar_t (&font_units)[font_field_units]);

// A number box's text as a field value: a whole decimal number from 0 to 65535, optionally
// surrounded by blanks; an empty (or blank) text is 0. Anything else, signs included, is
// refused (false) and `value` is left alone.
bool parse_number(const wchar_t* text, std::uint16_t& value);

constexpr std::size_t decimal_capacity = 11; // digits of a 32-bit value and the terminator
// `value` in decimal without leading zeros, written to `text`, which is returned.
const wchar_t* format_decimal(std::uint32_t value, wchar_t (&text)[decimal_capacity]);

// The path of the timer's executable from the editor's command-line arguments: leading and
// trailing blanks and one pair of enclosing double quotes are removed (Windows names cannot
// hold quotes; the shell quotes paths with blanks); nothing left means "Plinkett.exe". False
// when the path does not fit `capacity` units with its terminator.
bool timer_path_from_arguments(const wchar_t* arguments, wchar_t* path, std::size_t capacity);

// Appends `text` to the terminated string in `buffer`, cutting it short to stay terminated
// within `capacity` units.
void append_text(wchar_t* buffer, std::size_t capacity, const wchar_t* text);
