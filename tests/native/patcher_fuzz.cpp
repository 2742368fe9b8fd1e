// The editor's byte work, built natively with the address and undefined-behaviour sanitizers
// and fed random files and texts. Every input lives in a heap block of exactly its own size,
// so a read or write one byte past the data stops the run. Each result is also compared with
// what a file of that size must give: fields beyond the end read as zero, and a write touches
// only the editable fields and grows a short file to the end of the font-name field alone.
//
// Usage: patcher_fuzz [iterations [start]]; the random start is printed so a failure can be
// replayed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "patcher.h"
#include "replace_policy.h"

namespace {

std::mt19937_64 rng;
int failures = 0;

std::size_t uniform(std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(rng);
}
bool one_in(std::size_t n) {
    return uniform(1, n) == 1;
}

#define CHECK(cond, ...)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "FAIL %s:%d %s: ", __FILE__, __LINE__, #cond);                    \
            std::fprintf(stderr, __VA_ARGS__);                                                     \
            std::fprintf(stderr, "\n");                                                            \
            if (++failures > 20)                                                                   \
                std::exit(1);                                                                      \
        }                                                                                          \
    } while (0)

// A file of `size` bytes in a block of exactly that size (new[] of 0 still gives a block that
// no byte of may be read).
struct Buffer {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size;
};

// Sizes: many about the settings block's end, the rest anywhere up to 200 KB.
std::size_t random_size() {
    switch (uniform(0, 9)) {
    case 0:
        return uniform(0, 16);
    case 1:
    case 2:
    case 3:
    case 4:
        return uniform(82640, 82730);
    default:
        return uniform(0, 200 * 1024);
    }
}

Buffer random_file() {
    const std::size_t size = random_size();
    Buffer b{std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size]), size};
    for (std::size_t i = 0; i < b.size; ++i)
        b.bytes[i] = static_cast<std::uint8_t>(uniform(0, 255));
    // Often a plausible block: the shipped record with version 3, or a version near it, and a
    // font name that may or may not end within the field.
    if (one_in(2) && b.size > static_cast<std::size_t>(settings_block::file_offset)) {
        const std::size_t room = b.size - settings_block::file_offset;
        const std::size_t n = room < settings_block::block_size ? room : settings_block::block_size;
        std::memcpy(&b.bytes[settings_block::file_offset], settings_block::shipped, n);
        if (room > 2 && one_in(3))
            b.bytes[version_offset] = static_cast<std::uint8_t>(uniform(2, 4));
        for (std::size_t at = font_name_offset; at < b.size && at < font_field_end; ++at)
            b.bytes[at] = one_in(4) ? 0 : static_cast<std::uint8_t>(uniform(0x20, 0x7E));
    }
    return b;
}

std::uint8_t byte_at(const Buffer& b, std::size_t at) {
    return at < b.size ? b.bytes[at] : 0;
}
std::uint16_t u16_at(const Buffer& b, std::size_t at) {
    return static_cast<std::uint16_t>(byte_at(b, at) | byte_at(b, at + 1) << 8);
}

void check_read_settings(const Buffer& b) {
    const EditorSettings s = read_settings(b.bytes.get(), b.size);
    CHECK(s.version == byte_at(b, version_offset), "size %zu", b.size);
    CHECK(s.always_on_top == byte_at(b, always_on_top_offset), "size %zu", b.size);
    CHECK(s.alarm_time_ms == u16_at(b, alarm_time_ms_offset), "size %zu", b.size);
    CHECK(s.beep_frequency_hz == u16_at(b, beep_frequency_hz_offset), "size %zu", b.size);
    CHECK(s.beep_duration_ms == u16_at(b, beep_duration_ms_offset), "size %zu", b.size);
    CHECK(s.beep_interval_ms == u16_at(b, beep_interval_ms_offset), "size %zu", b.size);
    std::size_t length = 0;
    while (length < font_field_units && u16_at(b, font_name_offset + 2 * length) != 0)
        ++length;
    for (std::size_t i = 0; i < length; ++i)
        CHECK(static_cast<std::uint16_t>(s.font_name[i]) == u16_at(b, font_name_offset + 2 * i),
              "size %zu unit %zu", b.size, i);
    CHECK(s.font_name[length] == L'\0', "size %zu: name of %zu units not terminated", b.size,
          length);
}

void check_copy_out(const Buffer& b) {
    const std::size_t offset = uniform(0, b.size + 100);
    const std::size_t length = uniform(0, 100);
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[length]);
    copy_out(b.bytes.get(), b.size, offset, length, out.get());
    for (std::size_t i = 0; i < length; ++i)
        CHECK(out[i] == byte_at(b, offset + i), "size %zu offset %zu byte %zu", b.size, offset, i);
}

// The write's byte work: the image grows to patched_size, only bytes 82651..82723 change, and
// an image too short for the fields is refused untouched.
void check_patch(const Buffer& b) {
    const std::size_t size = patched_size(b.size);
    const std::size_t expected_size = b.size > font_field_end ? b.size : font_field_end;
    CHECK(size == expected_size, "file of %zu bytes grows to %zu", b.size, size);
    Buffer image{std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size]()), size};
    if (b.size != 0)
        std::memcpy(image.bytes.get(), b.bytes.get(), b.size);

    EditorSettings values{};
    values.always_on_top = static_cast<std::uint8_t>(uniform(0, 255));
    values.alarm_time_ms = static_cast<std::uint16_t>(uniform(0, 65535));
    values.beep_frequency_hz = static_cast<std::uint16_t>(uniform(0, 65535));
    values.beep_duration_ms = static_cast<std::uint16_t>(uniform(0, 65535));
    values.beep_interval_ms = static_cast<std::uint16_t>(uniform(0, 65535));
    wchar_t units[font_field_units] = {};
    const std::size_t name_length = uniform(0, font_field_units - 1);
    for (std::size_t i = 0; i < name_length; ++i)
        units[i] = static_cast<wchar_t>(uniform(1, 0xFFFF));
    if (b.size < font_field_end)
        CHECK(!patch_image(b.bytes.get(), b.size, values, units), "%zu bytes patched", b.size);
    CHECK(patch_image(image.bytes.get(), image.size, values, units), "patch_image");

    std::size_t outside_changed = 0;
    for (std::size_t at = 0; at < image.size; ++at)
        if ((at < always_on_top_offset || at >= font_field_end) &&
            image.bytes[at] != byte_at(b, at))
            ++outside_changed;
    CHECK(outside_changed == 0, "%zu bytes outside the fields changed (size %zu)", outside_changed,
          b.size);
    const EditorSettings back = read_settings(image.bytes.get(), image.size);
    CHECK(back.always_on_top == (values.always_on_top != 0 ? 1 : 0), "always_on_top");
    CHECK(back.alarm_time_ms == values.alarm_time_ms, "alarm_time_ms");
    CHECK(back.beep_frequency_hz == values.beep_frequency_hz, "beep_frequency_hz");
    CHECK(back.beep_duration_ms == values.beep_duration_ms, "beep_duration_ms");
    CHECK(back.beep_interval_ms == values.beep_interval_ms, "beep_interval_ms");
    for (std::size_t i = 0; i < font_field_units; ++i)
        CHECK(u16_at(image, font_name_offset + 2 * i) == static_cast<std::uint16_t>(units[i]),
              "font unit %zu", i);
}

// A terminated wide text of `length` units from `alphabet`, in a block of exactly that size.
std::unique_ptr<wchar_t[]> random_text(std::size_t length, const std::wstring& alphabet) {
    std::unique_ptr<wchar_t[]> text(new wchar_t[length + 1]);
    for (std::size_t i = 0; i < length; ++i)
        text[i] = alphabet[uniform(0, alphabet.size() - 1)];
    text[length] = L'\0';
    return text;
}

void check_parse_number() {
    const std::size_t length = one_in(4) ? uniform(0, 3) : uniform(0, 12);
    const auto text = random_text(length, L"0123456789 \t0123456789-+x.,\x3000\x0661");
    // What the box must mean: blanks around one run of decimal digits, at most 65535.
    const wchar_t* p = text.get();
    while (*p == L' ' || *p == L'\t')
        ++p;
    const wchar_t* digits = p;
    while (*p >= L'0' && *p <= L'9')
        ++p;
    const std::wstring number(digits, p);
    while (*p == L' ' || *p == L'\t')
        ++p;
    const std::wstring significant =
        number.substr(std::min(number.find_first_not_of(L'0'), number.size()));
    const bool fits =
        significant.size() < 5 ||
        (significant.size() == 5 && std::wcstoul(significant.c_str(), nullptr, 10) <= 65535);
    const bool valid = *p == L'\0' && fits;

    std::uint16_t value = 4242;
    const bool accepted = parse_number(text.get(), value);
    CHECK(accepted == valid, "\"%ls\"", text.get());
    if (accepted && valid)
        CHECK(value == (number.empty() ? 0 : std::wcstoul(number.c_str(), nullptr, 10)),
              "\"%ls\" gave %u", text.get(), value);
    if (!accepted)
        CHECK(value == 4242, "\"%ls\" refused but changed the value", text.get());
}

void check_font_units() {
    const std::size_t length = uniform(0, 40);
    const auto text = random_text(length, L"ABCxyz 0-\x3042\x30D5\xFF21\xD83D\xDE00");
    wchar_t units[font_field_units];
    std::fill(units, units + font_field_units, L'?');
    font_units_from_text(text.get(), units);
    std::size_t kept = length < font_field_units - 1 ? length : font_field_units - 1;
    if (kept < length && text[kept - 1] == L'\xD83D' && text[kept] == L'\xDE00')
        --kept; // never half a surrogate pair
    for (std::size_t i = 0; i < font_field_units; ++i)
        CHECK(units[i] == (i < kept ? text[i] : L'\0'), "length %zu unit %zu", length, i);
}

void check_format_decimal() {
    const std::uint32_t edges[] = {0, 9, 10, 65535, 65536, 4294967295u};
    const std::uint32_t value =
        one_in(3) ? edges[uniform(0, 5)] : static_cast<std::uint32_t>(uniform(0, 0xFFFFFFFFu));
    wchar_t text[decimal_capacity];
    const wchar_t* shown = format_decimal(value, text);
    CHECK(shown == text && std::to_wstring(value) == text, "%u shown as \"%ls\"", value, text);
}

void check_timer_path() {
    const std::size_t length = uniform(0, 24);
    const auto arguments = random_text(length, L"ab\\:. \t\"");
    const std::size_t capacity = uniform(1, 30);
    std::unique_ptr<wchar_t[]> path(new wchar_t[capacity]);
    const bool fits = timer_path_from_arguments(arguments.get(), path.get(), capacity);
    std::wstring want(arguments.get());
    const auto first = want.find_first_not_of(L" \t");
    want = first == std::wstring::npos ? L"" : want.substr(first);
    want.erase(want.find_last_not_of(L" \t") + 1);
    if (want.size() >= 2 && want.front() == L'"' && want.back() == L'"')
        want = want.substr(1, want.size() - 2);
    if (want.empty())
        want = L"Plinkett.exe";
    CHECK(fits == (want.size() < capacity), "\"%ls\" in %zu", arguments.get(), capacity);
    if (fits)
        CHECK(want == path.get(), "\"%ls\" gave \"%ls\"", arguments.get(), path.get());
}

void check_append_text() {
    const std::size_t capacity = uniform(1, 24);
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[capacity]);
    const std::size_t had = uniform(0, capacity - 1);
    for (std::size_t i = 0; i < had; ++i)
        buffer[i] = L'a';
    buffer[had] = L'\0';
    const auto text = random_text(uniform(0, 30), L"xyz");
    append_text(buffer.get(), capacity, text.get());
    const std::wstring want = (std::wstring(had, L'a') + text.get()).substr(0, capacity - 1);
    CHECK(want == buffer.get(), "%zu + \"%ls\" in %zu", had, text.get(), capacity);
}

// The temporary file's path, in a block of exactly the room the replace gives it, for paths
// short and far past MAX_PATH (the sanitizer sees any write beyond the block): the folder of
// the path (up to its last "\\", "/" or ":"), then "plk", four hexadecimal digits, ".tmp".
void check_temporary_path() {
    const auto path =
        random_text(uniform(0, 1) == 0 ? uniform(0, 20) : uniform(990, 1100), L"ab.\\/:");
    const std::uint32_t unique = static_cast<std::uint32_t>(uniform(0, 0xFFFFFFFFu));
    const std::size_t folder = folder_length(path.get());
    std::unique_ptr<wchar_t[]> temporary(new wchar_t[temporary_path_units(path.get())]);
    temporary_path(path.get(), unique, temporary.get());
    const std::wstring given(path.get());
    const std::wstring want_folder = given.substr(0, given.find_last_of(L"\\/:") + 1);
    wchar_t digits[5];
    std::swprintf(digits, 5, L"%04X", unique & 0xFFFF);
    const std::wstring want = want_folder + L"plk" + digits + L".tmp";
    CHECK(folder == want_folder.size() && want == temporary.get(), "\"%ls\" gave \"%ls\"",
          path.get(), temporary.get());
}

std::vector<std::uint8_t> random_bytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(uniform(0, 255));
    return bytes;
}

// What counts as written: a file read back in chunks of any length (as short reads give them)
// matches only when it holds exactly the image's bytes.
void check_read_back() {
    const auto image = random_bytes(uniform(0, 64));
    std::vector<std::uint8_t> file = image;
    switch (uniform(0, 3)) {
    case 0:
        if (!file.empty())
            file[uniform(0, file.size() - 1)] ^= static_cast<std::uint8_t>(uniform(1, 255));
        break;
    case 1:
        file.resize(uniform(0, file.size())); // the file ends early
        break;
    default:
        break;
    }
    bool matches = true;
    for (std::size_t done = 0; matches && done < image.size();) {
        const std::size_t left = done < file.size() ? file.size() - done : 0;
        const std::size_t got = uniform(left == 0 ? 0 : 1, std::min(left, image.size() - done));
        std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[got]);
        std::copy(file.begin() + static_cast<std::ptrdiff_t>(done),
                  file.begin() + static_cast<std::ptrdiff_t>(done + got), chunk.get());
        matches = read_back_matches(image.data(), image.size(), done, chunk.get(), got);
        if (got == 0)
            break; // the file ended: a reader that went on would never finish
        done += got;
    }
    CHECK(matches == (file == image), "image of %zu bytes, file of %zu", image.size(), file.size());
}

} // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 1000;
    const unsigned long long random_start =
        argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20240607;
    std::printf("patcher_fuzz: %d files, random start %llu\n", iterations, random_start);
    std::fflush(stdout);
    rng = std::mt19937_64(random_start);
    for (int i = 0; i < iterations; ++i) {
        const Buffer file = random_file();
        check_read_settings(file);
        for (int k = 0; k < 4; ++k)
            check_copy_out(file);
        check_patch(file);
        for (int k = 0; k < 10; ++k) {
            check_parse_number();
            check_font_units();
            check_format_decimal();
            check_timer_path();
            check_append_text();
            check_temporary_path();
            check_read_back();
        }
    }
    std::printf("patcher_fuzz: %s\n", failures == 0 ? "passed" : "FAILED");
    return failures == 0 ? 0 : 1;
}
