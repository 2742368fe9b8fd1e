// Decoding the settings record as the timer reads it from its resource.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings_block.h"
#include "test_support.h"

using namespace settings_block;

namespace {

std::vector<std::uint8_t> shipped_record() {
    return {shipped, shipped + block_size};
}

void put_name(Bytes& record, const std::u16string& name) {
    put_units(record, font_name_at, name);
}

} // namespace

TEST(SettingsDecode, ShippedRecordGivesShippedValues) {
    auto f = decode(shipped, block_size);
    EXPECT_EQ(f.always_on_top, 0);
    EXPECT_EQ(f.alarm_time_ms, 10000);
    EXPECT_EQ(f.beep_frequency_hz, 4400);
    EXPECT_EQ(f.beep_duration_ms, 100);
    EXPECT_EQ(f.beep_interval_ms, 20);
    EXPECT_STREQ(f.font_name, L"");
}

TEST(SettingsDecode, CommittedResourceFileIsTheShippedRecord) {
    std::string path = std::string(getenv("PLINKETT_SOURCE_DIR")) + "/timer/resources/settings.bin";
    std::ifstream in("Z:" + path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes, shipped_record());
}

TEST(SettingsDecode, SixteenBitFieldsAreUnsignedLittleEndian) {
    auto record = shipped_record();
    record[alarm_time_ms_at] = 0xFF;
    record[alarm_time_ms_at + 1] = 0xFF;
    record[beep_frequency_hz_at] = 0x01;
    record[beep_frequency_hz_at + 1] = 0x80;
    record[always_on_top_at] = 255;
    auto f = decode(record.data(), record.size());
    EXPECT_EQ(f.alarm_time_ms, 65535);
    EXPECT_EQ(f.beep_frequency_hz, 0x8001);
    EXPECT_EQ(f.always_on_top, 255);
}

TEST(SettingsDecode, FontNameOfAllThirtyOneUnitsIsTakenWhole) {
    auto record = shipped_record();
    std::u16string name(31, u'W');
    name[0] = u'\u30E1'; // a unit above 0xFF must keep its high byte
    put_name(record, name);
    auto f = decode(record.data(), record.size());
    ASSERT_EQ(std::wcslen(f.font_name), 31u);
    EXPECT_EQ(f.font_name[0], L'\u30E1');
    EXPECT_EQ(f.font_name[30], L'W');
}

TEST(SettingsDecode, FontNameEndsAtItsFirstZeroUnit) {
    auto record = shipped_record();
    put_name(record, u"Arial");
    record[font_name_at + 2 * 6] = 'J'; // behind the zero unit
    auto f = decode(record.data(), record.size());
    EXPECT_STREQ(f.font_name, L"Arial");
}

TEST(SettingsDecode, ShortOrMissingRecordNeverReadsPastItsData) {
    // Only the first five bytes are present: the rest comes from the shipped values, even
    // where the bytes after the data would say otherwise.
    std::vector<std::uint8_t> buffer(block_size, 0xEE);
    std::memcpy(buffer.data(), "QX\x03\x01\x34", 5);
    auto f = decode(buffer.data(), 5);
    EXPECT_EQ(f.always_on_top, 1);
    EXPECT_EQ(f.alarm_time_ms, 0x2734); // low byte from the data, high byte shipped
    EXPECT_EQ(f.beep_frequency_hz, 4400);
    EXPECT_STREQ(f.font_name, L"");

    auto missing = decode(nullptr, 0);
    EXPECT_EQ(missing.alarm_time_ms, 10000);
    EXPECT_EQ(missing.beep_interval_ms, 20);

    // A longer resource is read only as far as the record goes.
    std::vector<std::uint8_t> longer(200, 'A');
    auto f2 = decode(longer.data(), longer.size());
    EXPECT_EQ(std::wcslen(f2.font_name), 31u);
}
