#include "taskbar.h"

#include <objbase.h>
#include <shobjidl.h>

#include "system_library.h"
#include "time_math.h"
#include "timer_state.h"

static_assert(static_cast<int>(TaskbarState::none) == TBPF_NOPROGRESS, "TBPF values");
static_assert(static_cast<int>(TaskbarState::normal) == TBPF_NORMAL, "TBPF values");
static_assert(static_cast<int>(TaskbarState::error) == TBPF_ERROR, "TBPF values");
static_assert(static_cast<int>(TaskbarState::paused) == TBPF_PAUSED, "TBPF values");

TaskbarProgress taskbar_progress(const EngineState& engine, const RECT& bar,
                                 const ProgressBarPlan& drawn) {
    // A full chunk runs from one pixel inside the left frame line to the right frame line.
    const int full = bar.right - bar.left - 2;
    const int total = full > 0 ? full : 1;
    if (engine.alarm)
        return TaskbarProgress{TaskbarState::error, total, total};
    if (engine.count_up || !(engine.running || engine.paused))
        return TaskbarProgress{TaskbarState::none, 0, 0};
    int completed = drawn.has_chunk ? drawn.chunk.right - drawn.chunk.left : 0;
    if (completed < 0)
        completed = 0;
    if (completed > total)
        completed = total;
    return TaskbarProgress{engine.running ? TaskbarState::normal : TaskbarState::paused, completed,
                           total};
}

TaskbarCalls taskbar_calls(const TaskbarProgress& shown, const TaskbarProgress& wanted) {
    TaskbarCalls calls{};
    calls.set_state = shown.state != wanted.state;
    if (wanted.state != TaskbarState::none) {
        // The same share in other units (after the window was resized) is the same value.
        const bool same_share = static_cast<long long>(shown.completed) * wanted.total ==
                                static_cast<long long>(wanted.completed) * shown.total;
        calls.set_value = shown.state == TaskbarState::none || !same_share;
    }
    return calls;
}

FlashChange flash_change(bool alarm_was, bool alarm_now, bool timer_in_front, bool flashing) {
    if (alarm_now && !alarm_was)
        return timer_in_front ? FlashChange::none : FlashChange::start;
    if (!alarm_now && alarm_was && flashing)
        return FlashChange::stop;
    return FlashChange::none;
}

namespace {

// CLSID_TaskbarList and IID_ITaskbarList3, defined here rather than taken from a GUID library.
constexpr CLSID clsid_taskbar_list = {
    0x56fdf344, 0xfd6d, 0x11d0, {0x95, 0x8a, 0x00, 0x60, 0x97, 0xc9, 0xa0, 0x90}};
constexpr IID iid_taskbar_list3 = {
    0xea1afb91, 0x9e28, 0x4b86, {0x90, 0xe9, 0x9e, 0x9f, 0x8a, 0x5e, 0xef, 0xaf}};

using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoUninitializeFn = void(WINAPI*)();
using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
using ChangeWindowMessageFilterExFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
constexpr DWORD msgflt_allow = 1;

// The shell's taskbar list and the COM apartment that carries it, made on the window thread the
// first time a progress is to be shown, and held until exit. ole32 is loaded only then, so a
// timer that never shows a progress on its button starts and runs exactly as without it. One
// attempt: where anything fails (no ole32, no taskbar list of the third kind before Windows 7),
// the button simply shows nothing.
class TaskbarList {
  public:
    ITaskbarList3* get() {
        if (!tried) {
            tried = true;
            make();
        }
        return list;
    }

    // Also what a failed attempt leaves behind. Not a destructor: COM must be left on the window
    // thread before the process ends, not while the runtime tears down.
    void release() {
        if (list != nullptr) {
            list->Release();
            list = nullptr;
        }
        if (com_entered) {
            uninitialize();
            com_entered = false;
        }
        if (ole32 != nullptr) {
            FreeLibrary(ole32);
            ole32 = nullptr;
        }
    }

  private:
    void make() {
        ole32 = load_system_library(L"ole32.dll");
        if (ole32 == nullptr)
            return;
        const auto initialize = system_function<CoInitializeExFn>(ole32, "CoInitializeEx");
        const auto create = system_function<CoCreateInstanceFn>(ole32, "CoCreateInstance");
        uninitialize = system_function<CoUninitializeFn>(ole32, "CoUninitialize");
        if (initialize != nullptr && create != nullptr && uninitialize != nullptr)
            com_entered = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
        void* object = nullptr;
        if (com_entered && SUCCEEDED(create(clsid_taskbar_list, nullptr, CLSCTX_INPROC_SERVER,
                                            iid_taskbar_list3, &object))) {
            list = static_cast<ITaskbarList3*>(object);
            if (FAILED(list->HrInit())) {
                list->Release();
                list = nullptr;
            }
        }
        if (list == nullptr)
            release();
    }

    bool tried = false;
    HMODULE ole32 = nullptr;
    CoUninitializeFn uninitialize = nullptr;
    bool com_entered = false;
    ITaskbarList3* list = nullptr;
};

TaskbarList taskbar_list;
UINT button_created_message;
bool button_exists; // the shell has said so: nothing is shown on a button before
TaskbarProgress shown{TaskbarState::none, 0, 0};
RECT drawn_bar;
ProgressBarPlan drawn_plan;
bool alarm_seen;
bool flashing;

EngineState engine_state() {
    return EngineState{running, pause_tick != 0, alarm_thread != nullptr,
                       total_seconds(SetTime{set_minutes, set_seconds}) == 0};
}

void show_progress() {
    if (!button_exists)
        return;
    const TaskbarProgress wanted = taskbar_progress(engine_state(), drawn_bar, drawn_plan);
    const TaskbarCalls calls = taskbar_calls(shown, wanted);
    if (!calls.set_state && !calls.set_value)
        return;
    ITaskbarList3* list = taskbar_list.get();
    if (list == nullptr)
        return;
    if (calls.set_state)
        list->SetProgressState(main_window, static_cast<TBPFLAG>(wanted.state));
    if (calls.set_value)
        list->SetProgressValue(main_window, static_cast<ULONGLONG>(wanted.completed),
                               static_cast<ULONGLONG>(wanted.total));
    shown = wanted;
}

void flash(DWORD flags) {
    FLASHWINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = main_window;
    info.dwFlags = flags;
    FlashWindowEx(&info);
}

// Flashes the caption and the button until the user brings the timer to the front, so that an
// alarm behind other windows is not missed.
void follow_alarm() {
    const bool alarm = alarm_thread != nullptr;
    if (alarm == alarm_seen)
        return;
    const bool in_front = alarm && GetForegroundWindow() == main_window;
    switch (flash_change(alarm_seen, alarm, in_front, flashing)) {
    case FlashChange::start:
        flash(FLASHW_ALL | FLASHW_TIMERNOFG);
        flashing = true;
        break;
    case FlashChange::stop:
        flash(FLASHW_STOP);
        flashing = false;
        break;
    case FlashChange::none:
        break;
    }
    alarm_seen = alarm;
}

} // namespace

void watch_taskbar_button(HWND window) {
    button_created_message = RegisterWindowMessageW(L"TaskbarButtonCreated");
    if (button_created_message == 0)
        return;
    // A timer run with raised rights would not hear the shell otherwise (Windows 7 and later).
    const auto allow = system_function<ChangeWindowMessageFilterExFn>(
        L"user32.dll", "ChangeWindowMessageFilterEx");
    if (allow != nullptr)
        allow(window, button_created_message, msgflt_allow, nullptr);
}

bool is_taskbar_button_created(UINT message) {
    return button_created_message != 0 && message == button_created_message;
}

void taskbar_button_created() {
    // Also after the shell restarts: the new button shows nothing yet.
    button_exists = true;
    shown = TaskbarProgress{TaskbarState::none, 0, 0};
    show_progress();
}

void note_bar_drawn(const RECT& bar, const ProgressBarPlan& plan) {
    drawn_bar = bar;
    drawn_plan = plan;
    show_progress();
}

void update_taskbar_button() {
    follow_alarm();
    show_progress();
}

void release_taskbar() {
    taskbar_list.release();
}
