// What the timer is asked on its command line: a time to start at once or only to set (a desktop
// shortcut becomes a preset), or the accepted forms shown. Free of windows, so that tests reach
// every branch; the window code only applies the result.
#pragma once

enum class LaunchAction {
    none,       // no arguments: the timer opens as it always does
    start_time, // set the time and start it, as keying it in and pressing START
    set_time,   // set the time only; the user presses START
    show_help,  // "/?": the accepted forms, as information
    warn,       // an argument not understood: the accepted forms, as a warning
};

struct LaunchRequest {
    LaunchAction action = LaunchAction::none;
    int minutes = 0; // 0 to 99
    int seconds = 0; // 0 to 99, as keyed in
};

// `arguments` is the command line after the program's name. One time, in minutes ("5"),
// minutes and seconds ("5:30", "5.30", "05.30"), with units ("90s", "25m", "1m30s"; either
// case), and the switch "/nostart" (or "-nostart") to set without starting, in any order; blanks
// around them and one pair of quotes around each are ignored. Minutes and seconds show as
// written ("5:60" as 05.60, as the keys give it); with units, seconds above 59 carry into the
// minutes as far as 99 minutes allow. A time that still does not fit MM.SS, a second time, an
// unknown form or switch gives `warn`; "/nostart" alone gives `none`, as no arguments do. "/?"
// (or "-?") anywhere gives `show_help`.
LaunchRequest parse_command_line(const wchar_t* arguments);
