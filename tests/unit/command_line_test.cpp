// The timer's command line: every accepted form of a time, the carry of seconds, the switches,
// and what is refused.
#include <gtest/gtest.h>

#include "command_line.h"

// 99.99 has no minute left to carry into; 6039 s is 99 minutes and 99 seconds.
TEST(CommandLine, TimesInEveryFormStartWithSecondsCarried) {
    struct Case {
        const wchar_t* arguments;
        int minutes, seconds;
    } cases[] = {
        {L"5", 5, 0},     {L"5:30", 5, 30},   {L"5.30", 5, 30},         {L"05.30", 5, 30},
        {L"90s", 1, 30},  {L"25m", 25, 0},    {L"1m30s", 1, 30},        {L"1M30S", 1, 30},
        {L"0", 0, 0},     {L"00.00", 0, 0},   {L"  \"5:30\"  ", 5, 30}, {L"\" 5:30 \"", 5, 30},
        {L"5:75", 6, 15}, {L"99.99", 99, 99}, {L"6039s", 99, 99},
    };
    for (const auto& c : cases) {
        const LaunchRequest r = parse_command_line(c.arguments);
        EXPECT_EQ(r.action, LaunchAction::start_time) << testing::PrintToString(c.arguments);
        EXPECT_EQ(r.minutes * 100 + r.seconds, c.minutes * 100 + c.seconds)
            << testing::PrintToString(c.arguments);
    }
}

// "5.3" could mean 5.03 or 5.30.
TEST(CommandLine, SwitchesHelpAndRefusals) {
    const LaunchRequest set = parse_command_line(L"/nostart 0.03");
    EXPECT_EQ(set.action, LaunchAction::set_time);
    EXPECT_EQ(set.minutes * 100 + set.seconds, 3);
    EXPECT_EQ(parse_command_line(L"0.03 -NoStart").action, LaunchAction::set_time);
    for (const wchar_t* nothing : {L"", L"   ", L"/nostart"})
        EXPECT_EQ(parse_command_line(nothing).action, LaunchAction::none);
    for (const wchar_t* help : {L"/?", L"-? 5", L"x /?"})
        EXPECT_EQ(parse_command_line(help).action, LaunchAction::show_help);
    for (const wchar_t* bad :
         {L"99m100s", L"100", L"100m", L"99999999999", L"abc", L"5.3", L"5:300", L"5m30", L"5s30",
          L"m", L"-5", L"5 6", L"/start 5", L"\"5:30"})
        EXPECT_EQ(parse_command_line(bad).action, LaunchAction::warn)
            << testing::PrintToString(bad);
}
