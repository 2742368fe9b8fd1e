#include "launch.h"

#include <windows.h>

#include <cwchar>

#include "command_line.h"
#include "engine.h"
#include "timer_state.h"
#include "timer_texts.h"

namespace {

// One box owned by the window: its opening text, then the accepted forms.
void show_forms(const wchar_t* opening, UINT icon) {
    wchar_t text[sizeof timer_texts::bad_argument / sizeof(wchar_t) +
                 sizeof timer_texts::usage / sizeof(wchar_t) +
                 sizeof timer_texts::forms / sizeof(wchar_t)];
    wcscpy(text, opening);
    wcscat(text, timer_texts::forms);
    MessageBoxW(main_window, text, timer_texts::caption, MB_OK | icon);
}

} // namespace

void apply_command_line(const wchar_t* arguments) {
    if (arguments == nullptr || *arguments == L'\0')
        return;
    const LaunchRequest request = parse_command_line(arguments);
    switch (request.action) {
    case LaunchAction::start_time:
        enter_time(request.minutes, request.seconds);
        start_stop();
        break;
    case LaunchAction::set_time:
        enter_time(request.minutes, request.seconds);
        break;
    case LaunchAction::show_help:
        show_forms(timer_texts::usage, MB_ICONINFORMATION);
        break;
    case LaunchAction::warn:
        show_forms(timer_texts::bad_argument, MB_ICONWARNING);
        break;
    case LaunchAction::none:
        break;
    }
}
