// The timer's command line: the forms of a time, the carry of seconds, switches and refusals.
#include <gtest/gtest.h>

#include <utility>
#include "command_line.h"

// The time started, as MMSS: minutes and seconds as written, the forms with units carried as
// far as 99 minutes allow.
TEST(CommandLine, TimesInEveryFormStartAsWrittenOrCarried) {
    const std::pair<const wchar_t*, int> cases[] = {
        {L"5", 500},    {L"5:30", 530},   {L"5.30", 530},         {L"05.30", 530},
        {L"90s", 130},  {L"25m", 2500},   {L"1m30s", 130},        {L"1M30S", 130},
        {L"0", 0},      {L"00.00", 0},    {L"  \"5:30\"  ", 530}, {L"\" 5:30 \"", 530},
        {L"5:75", 575}, {L"99.99", 9999}, {L"6039s", 9999},       {L"5:60", 560},
        {L"5.60", 560}, {L"05.99", 599},  {L"1m75s", 215},
    };
    for (const auto& c : cases) {
        const LaunchRequest r = parse_command_line(c.first);
        EXPECT_EQ(r.action == LaunchAction::start_time ? r.minutes * 100 + r.seconds : -1, c.second)
            << testing::PrintToString(c.first);
    }
}

// "5.3" could mean 5.03 or 5.30.
TEST(CommandLine, SwitchesHelpAndRefusals) {
    const LaunchRequest set = parse_command_line(L"0.03 -NoStart");
    EXPECT_TRUE(set.action == LaunchAction::set_time && set.seconds == 3);
    EXPECT_EQ(parse_command_line(L"/nostart 5").action, LaunchAction::set_time);
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
