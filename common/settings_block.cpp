#include "settings_block.h"

#include <cstring>

namespace settings_block {

// "QX", version 3, ordinary window, 10000 ms alarm, 4400 Hz, 100 ms beeps, 20 ms pauses,
// empty font name.
const std::uint8_t shipped[block_size] = {'Q',  'X',  3,    0,    0x10, 0x27,
                                          0x30, 0x11, 0x64, 0x00, 0x14, 0x00};

SettingsFields decode(const std::uint8_t* data, std::size_t size) {
    std::uint8_t record[block_size];
    std::memcpy(record, shipped, block_size);
    if (data != nullptr)
        std::memcpy(record, data, size < block_size ? size : block_size);

    SettingsFields f{};
    f.always_on_top = record[always_on_top_at];
    f.alarm_time_ms = read_u16(record, alarm_time_ms_at);
    f.beep_frequency_hz = read_u16(record, beep_frequency_hz_at);
    f.beep_duration_ms = read_u16(record, beep_duration_ms_at);
    f.beep_interval_ms = read_u16(record, beep_interval_ms_at);
    for (std::size_t k = 0; k < font_name_units; ++k) {
        wchar_t unit = static_cast<wchar_t>(read_u16(record, font_name_at + 2 * k));
        if (unit == 0)
            break;
        f.font_name[k] = unit;
    }
    return f;
}

} // namespace settings_block
