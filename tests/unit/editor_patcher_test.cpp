// The editor's byte work on the timer's executable, the checks on typed text and the command
// line, and the decisions of the file replace.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "patcher.h"
#include "test_support.h"
#include "replace_policy.h"

using settings_block::file_offset;

namespace {

constexpr std::size_t full_size = 90000;

// A file with the shipped record at its place and no zero byte anywhere else, so that a
// stray write or a zero read from the wrong place shows.
Bytes timer_like_file(std::size_t size = full_size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i % 251 + 1);
    for (std::size_t i = 0; i < settings_block::block_size && file_offset + i < size; ++i)
        bytes[file_offset + i] = settings_block::shipped[i];
    return bytes;
}

// Reads `size` bytes of `data` with guard bytes behind them: a read past the end would see them.
EditorSettings read_guarded(Bytes data, std::size_t size) {
    data.resize(size);
    data.resize(size + 256, 0xA5);
    return read_settings(data.data(), size);
}

// `file` grown as a write grows it and patched with `values` and the font text.
Bytes patched(const Bytes& file, const EditorSettings& values, const wchar_t* font,
              const CalledFrom& = {}) {
    Bytes image = file;
    image.resize(patched_size(file.size()));
    wchar_t units[font_field_units];
    font_units_from_text(font, units);
    EXPECT_TRUE(patch_image(image.data(), image.size(), values, units));
    return image;
}

EditorSettings some_values() {
    EditorSettings v{};
    v.always_on_top = 1;
    v.alarm_time_ms = 1500;
    v.beep_frequency_hz = 0;
    v.beep_duration_ms = 65535;
    v.beep_interval_ms = 7;
    return v;
}

} // namespace

TEST(EditorRead, ShippedFileGivesShippedValues) {
    auto s = read_guarded(timer_like_file(), full_size);
    EXPECT_EQ(s.version, 3);
    EXPECT_EQ(s.always_on_top, 0);
    EXPECT_EQ(s.alarm_time_ms, 10000);
    EXPECT_EQ(s.beep_frequency_hz, 4400);
    EXPECT_EQ(s.beep_duration_ms, 100);
    EXPECT_EQ(s.beep_interval_ms, 20);
    EXPECT_STREQ(s.font_name, L"");
}

TEST(EditorRead, FieldsAtTheirFileOffsetsLittleEndian) {
    auto file = timer_like_file();
    const std::uint8_t fields[] = {2, 255, 0x70, 0x11, 0xFF, 0xFF, 0x01, 0x80, 0x00, 0x00};
    std::memcpy(&file[82650], fields, sizeof fields);
    auto s = read_guarded(file, full_size);
    EXPECT_EQ(s.version, 2);
    EXPECT_EQ(s.always_on_top, 255);
    EXPECT_EQ(s.alarm_time_ms, 4464);
    EXPECT_EQ(s.beep_frequency_hz, 65535);
    EXPECT_EQ(s.beep_duration_ms, 0x8001);
    EXPECT_EQ(s.beep_interval_ms, 0);
}

TEST(EditorRead, FontNameEndsAtItsFirstZeroUnitOrAfterThirtyTwoUnits) {
    auto file = timer_like_file();
    put_units(file, 82660, u"Mono\0Sans");
    EXPECT_STREQ(read_guarded(file, full_size).font_name, L"Mono");

    const std::u16string full(32, u'\x30A2'); // no zero unit in the whole field
    put_units(file, 82660, full);
    EXPECT_EQ(std::wstring(read_guarded(file, full_size).font_name), std::wstring(32, L'\x30A2'));
}

TEST(EditorRead, ShortFilesReadAsZerosWhereTheyEnd) {
    auto file = timer_like_file();
    put_units(file, 82660, u"ABCDEF");
    struct Case {
        std::size_t size;
        int version, alarm_time_ms, beep_interval_ms;
        const wchar_t* font;
    } cases[] = {
        {0, 0, 0, 0, L""},
        {82650, 0, 0, 0, L""},
        {82651, 3, 0, 0, L""},
        {82653, 3, 0x10, 0, L""},
        {82659, 3, 10000, 0x14, L""},
        {82664, 3, 10000, 20, L"AB"},
        {82723, 3, 10000, 20, L"ABCDEF"},
    };
    for (const auto& c : cases) {
        auto s = read_guarded(file, c.size);
        EXPECT_EQ(s.version, c.version) << c.size;
        EXPECT_EQ(s.alarm_time_ms, c.alarm_time_ms) << c.size;
        EXPECT_EQ(s.beep_interval_ms, c.beep_interval_ms) << c.size;
        EXPECT_STREQ(s.font_name, c.font) << c.size;
    }
}

TEST(EditorPatch, WritesTheFieldsAndKeepsEveryOtherByteAndTheLength) {
    auto file = timer_like_file();
    put_units(file, 82660, u"A much longer old font name xyz"); // 31 units
    auto expected = file;
    const std::uint8_t fields[] = {1, 0xDC, 0x05, 0x00, 0x00, 0xFF, 0xFF, 0x07, 0x00};
    std::memcpy(&expected[82651], fields, sizeof fields);
    std::fill(&expected[82660], &expected[82724], 0);
    put_units(expected, 82660, u"Abc");

    EXPECT_EQ(patched(file, some_values(), L"Abc"), expected);
}

TEST(EditorPatch, FontNameIsItsUnitsThenZerosToTheThirtySecond) {
    const std::wstring thirty_one(31, L'\x30D5');
    const std::wstring forty(40, L'W');
    // A character outside the BMP is a surrogate pair: a cut never keeps its first half alone.
    const std::wstring pair = L"\xD83D\xDE00";
    const std::wstring pair_split = std::wstring(30, L'A') + pair;
    const std::wstring pair_fits = std::wstring(29, L'A') + pair + L"B";
    const std::wstring pair_after = std::wstring(31, L'A') + pair;
    struct Case {
        const wchar_t* text;
        std::size_t units;
    } cases[] = {{L"", 0},
                 {L"Abc", 3},
                 {thirty_one.c_str(), 31},
                 {forty.c_str(), 31},
                 {pair_split.c_str(), 30},
                 {pair_fits.c_str(), 31},
                 {pair_after.c_str(), 31}};
    auto file = timer_like_file();
    put_units(file, 82660, std::u16string(32, u'Z'));
    for (const auto& c : cases) {
        auto image = patched(file, some_values(), c.text);
        for (std::size_t i = 0; i < 32; ++i) {
            const unsigned unit = image[82660 + 2 * i] | image[82661 + 2 * i] << 8;
            EXPECT_EQ(unit, i < c.units ? static_cast<unsigned>(c.text[i]) : 0u)
                << c.units << " units, unit " << i;
        }
    }
}

TEST(EditorPatch, AlwaysOnTopIsWrittenAsZeroOrOne) {
    for (int flag : {0, 1, 255}) {
        auto values = some_values();
        values.always_on_top = static_cast<std::uint8_t>(flag);
        EXPECT_EQ(patched(timer_like_file(), values, L"")[82651], flag != 0 ? 1 : 0) << flag;
    }
}

TEST(EditorPatch, ShortFilesGrowWithZerosOnlyToTheEndOfTheFontField) {
    for (std::size_t size : {0u, 100u, 82651u, 82655u, 82723u}) {
        const auto file = timer_like_file(size);
        auto image = patched(file, some_values(), L"Abc");
        ASSERT_EQ(image.size(), 82724u) << size;
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + std::min<std::size_t>(size, 82651),
                               image.begin()))
            << size;
        for (std::size_t i = size; i < 82651; ++i)
            ASSERT_EQ(image[i], 0) << size << " at " << i;
        EXPECT_EQ(image[82652], 0xDC) << size;
        EXPECT_EQ(image[82660], 'A') << size;
    }
}

TEST(EditorNumbers, WholeNumbersFromZeroTo65535AreTaken) {
    struct Case {
        const wchar_t* text;
        std::uint16_t value;
    } cases[] = {{L"", 0},    {L"   ", 0},   {L"0", 0},        {L"65535", 65535},
                 {L"007", 7}, {L" 42 ", 42}, {L"10000", 10000}};
    for (const auto& c : cases) {
        std::uint16_t value = 1234;
        EXPECT_TRUE(parse_number(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(EditorNumbers, AnythingElseIsRefusedAndLeavesTheValue) {
    for (const wchar_t* text : {L"65536", L"70000", L"99999999999999999999", L"-1", L"+1", L"12ab",
                                L"abc", L"1 2", L"1.5", L"\xFF11\xFF12"}) {
        std::uint16_t value = 1234;
        EXPECT_FALSE(parse_number(text, value)) << text;
        EXPECT_EQ(value, 1234) << text;
    }
}

TEST(EditorNumbers, DecimalTextHasNoLeadingZeros) {
    wchar_t text[decimal_capacity];
    for (std::uint32_t value : {0u, 7u, 10u, 4400u, 65535u, 4294967295u})
        EXPECT_EQ(std::wstring(format_decimal(value, text)), std::to_wstring(value));
}

TEST(EditorCommandLine, PathIsTheArgumentsWithoutEnclosingQuotesAndBlanks) {
    struct Case {
        const wchar_t* arguments;
        const wchar_t* path;
    } cases[] = {
        {nullptr, L"Plinkett.exe"},
        {L"", L"Plinkett.exe"},
        {L"   ", L"Plinkett.exe"},
        {L"\"\"", L"Plinkett.exe"},
        {L"C:\\timers\\Plinkett.exe", L"C:\\timers\\Plinkett.exe"},
        {L"C:\\my timers\\Plinkett.exe  ", L"C:\\my timers\\Plinkett.exe"},
        {L"\"C:\\my timers\\Plinkett.exe\"", L"C:\\my timers\\Plinkett.exe"},
        {L"\"C:\\my timers\\Plinkett.exe\" \t ", L"C:\\my timers\\Plinkett.exe"},
        {L"\"..\\x.exe", L"\"..\\x.exe"},             // no pair: kept as typed
        {L"\"a.exe\" \"b.exe\"", L"a.exe\" \"b.exe"}, // one pair only
    };
    for (const auto& c : cases) {
        wchar_t path[64];
        ASSERT_TRUE(timer_path_from_arguments(c.arguments, path, 64)) << c.path;
        EXPECT_STREQ(path, c.path);
    }
    wchar_t small[8];
    EXPECT_TRUE(timer_path_from_arguments(L"\"a.exe\"", small, 6));
    EXPECT_FALSE(timer_path_from_arguments(L"\"ab.exe\"", small, 6));
    EXPECT_FALSE(timer_path_from_arguments(L"", small, 8)); // "Plinkett.exe" does not fit
}

TEST(EditorReplace, OnlySharingAndAccessErrorsAreTriedAgainFiveTriesInAll) {
    for (DWORD error : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION,
                        ERROR_UNABLE_TO_REMOVE_REPLACED, ERROR_UNABLE_TO_MOVE_REPLACEMENT}) {
        for (int attempts = 1; attempts < 5; ++attempts)
            EXPECT_TRUE(try_replace_again(attempts, error, false))
                << error << " after " << attempts;
        EXPECT_FALSE(try_replace_again(5, error, false)) << error;
    }
    for (DWORD error : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_DISK_FULL,
                        ERROR_FILE_EXISTS, ERROR_FILE_INVALID, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2})
        EXPECT_FALSE(try_replace_again(1, error, false)) << error;
    // A file there at the start and missing now is in another writer's swap.
    EXPECT_TRUE(try_replace_again(4, ERROR_FILE_NOT_FOUND, true));
    EXPECT_FALSE(try_replace_again(5, ERROR_FILE_NOT_FOUND, true));
    EXPECT_FALSE(try_replace_again(1, ERROR_PATH_NOT_FOUND, true));
}

TEST(EditorReplace, TheMessageFollowsWhereTheOldAndTheNewBytesAre) {
    using B = BytesAt;
    using R = WriteReport;
    const struct {
        DWORD error;
        B old_bytes, new_bytes;
        bool as_read;
        R report;
        bool old_left, new_left; // named as files that may be deleted
    } cases[] = {
        {ERROR_SUCCESS, B::gone, B::name, true, R::written, false, false},
        {ERROR_SUCCESS, B::other_name, B::name, true, R::written, true, false},
        {ERROR_FILE_INVALID, B::other_name, B::name, false, R::unverified, true, false},
        {ERROR_SHARING_VIOLATION, B::name, B::gone, true, R::unchanged, false, false},
        {ERROR_DISK_FULL, B::name, B::other_name, true, R::unchanged, false, true},
        {ERROR_FILE_NOT_FOUND, B::name, B::gone, false, R::changed_meanwhile, false, false},
        {ERROR_ACCESS_DENIED, B::other_name, B::other_name, true, R::under_other_name, false,
         false},
    };
    for (const auto& c : cases) {
        const R report = write_report(c.error, c.old_bytes, c.new_bytes, c.as_read);
        EXPECT_EQ(report, c.report) << c.error;
        EXPECT_EQ(left_over(c.old_bytes, report), c.old_left) << c.error;
        EXPECT_EQ(left_over(c.new_bytes, report), c.new_left) << c.error;
    }
    // The folder is the cause only of a new file refused for want of access.
    EXPECT_TRUE(folder_refused(ReplaceStep::new_file, ERROR_ACCESS_DENIED));
    for (DWORD error :
         {ERROR_DISK_FULL, ERROR_WRITE_PROTECT, ERROR_FILE_EXISTS, ERROR_NOT_ENOUGH_MEMORY})
        EXPECT_FALSE(folder_refused(ReplaceStep::new_file, error)) << error;
    EXPECT_FALSE(folder_refused(ReplaceStep::replace, ERROR_ACCESS_DENIED));
    // The access list is written only after a move, and only where it differs.
    EXPECT_TRUE(write_access_list(false, true) && !write_access_list(true, true) &&
                !write_access_list(false, false));
}

TEST(EditorReplace, TemporaryFileLiesBesideTheFileAndPassesOverTakenNames) {
    struct Case {
        const wchar_t* path;
        std::uint32_t unique;
        const wchar_t* temporary;
    } cases[] = {
        {L"C:\\timers\\Plinkett.exe", 0x12ABCD, L"C:\\timers\\plkABCD.tmp"},
        {L"Plinkett.exe", 7, L"plk0007.tmp"},
        {L"D:Plinkett.exe", 0xFFFF, L"D:plkFFFF.tmp"},
        {L"a/b\\", 0x10000, L"a/b\\plk0000.tmp"},
    };
    for (const auto& c : cases) {
        wchar_t temporary[64];
        temporary_path(c.path, c.unique, temporary);
        EXPECT_STREQ(temporary, c.temporary);
    }
    EXPECT_TRUE(temporary_name_taken(ERROR_FILE_EXISTS));
    EXPECT_TRUE(temporary_name_taken(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(temporary_name_taken(ERROR_ACCESS_DENIED));
    // Names are shown as users write them; whether a file still holds what was read, by digest.
    EXPECT_EQ(shown_from(L"\\\\?\\C:\\timers\\plk0001.tmp"), 4u);
    for (const wchar_t* path : {L"\\\\?\\UNC\\host\\share\\x", L"\\\\?\\", L"C:\\x", L""})
        EXPECT_EQ(shown_from(path), 0u) << path;
    const std::uint8_t a[] = {'a', 'b'}, b[] = {'a', 'c'};
    EXPECT_EQ(content_digest(a, 0), 0xCBF29CE484222325u);
    EXPECT_EQ(content_digest(a, 1), 0xAF63DC4C8601EC8Cu);
    EXPECT_NE(content_digest(a, 2), content_digest(b, 2));
}

TEST(EditorReplace, AnUnfollowedLinkIsNotReplacedAndOnlyHarmlessAttributesAreCarried) {
    EXPECT_FALSE(replace_at_path(false, FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(replace_at_path(true, FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_TRUE(replace_at_path(false, FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(replace_at_path(false, INVALID_FILE_ATTRIBUTES)) << "left to the replace's error";
    // Never read-only (a file that could not be written again), a link or a folder.
    EXPECT_EQ(carried_attributes(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY |
                                 FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY),
              std::uint32_t{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
}
