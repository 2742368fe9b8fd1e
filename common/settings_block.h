// The 74-byte settings record that the timer carries as resource "BINARY" 101 and that the
// editor rewrites inside the timer's executable. One definition of its layout for both programs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace settings_block {

constexpr std::size_t block_size = 74;
constexpr int resource_id = 101;
constexpr const wchar_t* resource_type = L"BINARY";

// Offsets inside the record; all multi-byte fields are little-endian.
constexpr std::size_t magic_at = 0;
constexpr std::size_t version_at = 2;
constexpr std::size_t always_on_top_at = 3;
constexpr std::size_t alarm_time_ms_at = 4;
constexpr std::size_t beep_frequency_hz_at = 6;
constexpr std::size_t beep_duration_ms_at = 8;
constexpr std::size_t beep_interval_ms_at = 10;
constexpr std::size_t font_name_at = 12;
constexpr std::size_t font_name_units = 31; // in the record; no terminator when all are used

constexpr std::uint8_t supported_version = 3;

// Where the build puts the record in Plinkett.exe; the editor addresses fields from here.
constexpr long file_offset = 82648;
// The editor's font-name field is 32 units, one more than the record holds, so its last unit
// lies on the two padding bytes after the record; nothing else may start before this offset.
constexpr std::size_t editor_font_units = 32;
constexpr long field_end_offset = file_offset + font_name_at + 2 * editor_font_units;

extern const std::uint8_t shipped[block_size];

// The values the timer uses, decoded from a record.
struct SettingsFields {
    std::uint8_t always_on_top;
    std::uint16_t alarm_time_ms;
    std::uint16_t beep_frequency_hz;
    std::uint16_t beep_duration_ms;
    std::uint16_t beep_interval_ms;
    wchar_t font_name[font_name_units + 1]; // always terminated
};

// Little-endian 16-bit value at `at`.
inline std::uint16_t read_u16(const std::uint8_t* bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Decodes `size` bytes of a record. Bytes beyond `size` (a short or missing resource) take
// the shipped values, so a damaged record never makes the reader run past its data.
SettingsFields decode(const std::uint8_t* data, std::size_t size);

} // namespace settings_block
