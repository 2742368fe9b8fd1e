#include "command_line.h"

#include <cwchar>

namespace {

// Beyond every time that fits, yet far from overflowing when multiplied by 60.
constexpr long too_large = 100000;

bool is_blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

wchar_t lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// The decimal number at `at`, moved past it; false when no digit is there.
bool read_number(const wchar_t*& at, const wchar_t* end, long& value, int& digits) {
    value = 0;
    digits = 0;
    for (; at != end && *at >= L'0' && *at <= L'9'; ++at, ++digits) {
        value = value * 10 + (*at - L'0');
        if (value > too_large)
            value = too_large;
    }
    return digits > 0;
}

// Whether [at, end) is `word`, in either case.
bool is_word(const wchar_t* at, const wchar_t* end, const wchar_t* word) {
    for (; at != end && *word != L'\0'; ++at, ++word)
        if (lower(*at) != *word)
            return false;
    return at == end && *word == L'\0';
}

// `total` seconds as minutes and seconds, carried into the minutes as far as 99 minutes allow;
// false when the rest does not fit the two digits of the seconds.
bool carried(long total, long& minutes, long& seconds) {
    minutes = total / 60 < 99 ? total / 60 : 99;
    seconds = total - minutes * 60;
    return seconds <= 99;
}

// One time form as the minutes and seconds shown, or false when [at, end) is none. "5:60" shows
// as written, 05.60, as keying 5, 6, 0 does; the forms with units are carried ("90s" is 01.30).
bool parse_time(const wchar_t* at, const wchar_t* end, long& minutes, long& seconds) {
    int digits = 0;
    seconds = 0;
    if (!read_number(at, end, minutes, digits))
        return false;
    if (at == end)
        return minutes <= 99;
    const wchar_t unit = lower(*at++);
    if (unit == L's')
        return at == end && carried(minutes, minutes, seconds); // the number was seconds
    if (unit == L':' || unit == L'.') {
        // Exactly two digits: "5.3" could mean 5.03 or 5.30.
        return read_number(at, end, seconds, digits) && digits == 2 && at == end && minutes <= 99;
    }
    if (unit != L'm')
        return false;
    if (at == end)
        return minutes <= 99;
    return read_number(at, end, seconds, digits) && at != end && lower(*at) == L's' &&
           at + 1 == end && minutes <= 99 && carried(minutes * 60 + seconds, minutes, seconds);
}

// The next argument from `at`: up to a blank outside quotes, without one pair of quotes around
// it and the blanks inside them.
void next_argument(const wchar_t*& at, const wchar_t* end, const wchar_t*& first,
                   const wchar_t*& last) {
    while (at != end && is_blank(*at))
        ++at;
    first = at;
    for (bool quoted = false; at != end && (quoted || !is_blank(*at)); ++at)
        quoted = quoted != (*at == L'"');
    last = at;
    if (last - first >= 2 && *first == L'"' && last[-1] == L'"') {
        ++first;
        --last;
    }
    while (first != last && is_blank(*first))
        ++first;
    while (first != last && is_blank(last[-1]))
        --last;
}

} // namespace

LaunchRequest parse_command_line(const wchar_t* arguments) {
    const wchar_t* at = arguments;
    const wchar_t* const end = arguments + wcslen(arguments);
    bool help = false, bad = false, start = true, have_time = false;
    long minutes = 0, seconds = 0;
    while (at != end) {
        const wchar_t *first = nullptr, *last = nullptr;
        next_argument(at, end, first, last);
        if (first == last)
            continue;
        if (*first == L'/' || *first == L'-') {
            if (is_word(first + 1, last, L"?"))
                help = true;
            else if (is_word(first + 1, last, L"nostart"))
                start = false;
            else
                bad = true;
        } else if (!have_time) {
            have_time = true;
            bad = bad || !parse_time(first, last, minutes, seconds);
        } else {
            bad = true; // a second time
        }
    }
    LaunchRequest request;
    if (help)
        request.action = LaunchAction::show_help;
    else if (bad)
        request.action = LaunchAction::warn;
    else if (have_time) {
        request.action = start ? LaunchAction::start_time : LaunchAction::set_time;
        request.minutes = static_cast<int>(minutes);
        request.seconds = static_cast<int>(seconds);
    }
    return request;
}
