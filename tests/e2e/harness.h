// Helpers for the end-to-end tests: start the real programs in scratch folders, find their
// windows, drive them with messages and read back what a user would see.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "key_ids.h"
#include "test_support.h"

namespace e2e {

// A change to a copied executable's bytes before it starts.
using Patch = std::function<void(std::vector<std::uint8_t>&)>;

std::string env(const char* name);
std::wstring windows_path(const std::string& unix_path);
std::wstring widen(const std::string& s);

// A fresh, empty folder for one test, named after it.
std::wstring scratch_folder();
void copy_file_into(const std::wstring& from, const std::wstring& folder, const wchar_t* name,
                    const CalledFrom& = {});
std::vector<std::uint8_t> read_file(const std::wstring& path);
void write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes);

// The programs as built: the tested Plinkett.exe and PlinkettProperty.exe.
std::wstring built_program(const wchar_t* name);
// A file beside this driver, such as a library it built.
std::wstring beside_driver(const wchar_t* name);

// A system-wide WH_CBT hook with `procedure` of the library `name` beside the driver, while this
// lives: Windows loads the library into each program that makes a window meanwhile.
class GlobalHook {
  public:
    GlobalHook(const wchar_t* name, const char* procedure);
    ~GlobalHook();
    GlobalHook(const GlobalHook&) = delete;
    GlobalHook& operator=(const GlobalHook&) = delete;
    bool installed() const { return hook != nullptr; }

  private:
    HMODULE module = nullptr;
    HHOOK hook = nullptr;
};
// A fresh scratch folder (scratch_folder()) holding Plinkett.exe, a copy of the built timer
// changed by `patch`.
std::wstring folder_with_timer(const Patch& patch = nullptr);
// Starts the Unix shell with `arguments` (such as -c "...") in `cwd`. Wine gives no usable
// handle for a Unix process: what the shell does is seen by its effects.
bool start_unix_shell(std::wstring arguments, const std::wstring& cwd);

class Process {
  public:
    // Starts `program` with `args` in folder `cwd`. `extra_env` entries ("NAME=value") are
    // added to this process's environment for the child.
    Process(const std::wstring& program, const std::wstring& args, const std::wstring& cwd,
            const std::vector<std::wstring>& extra_env = {}, const CalledFrom& = {});
    // Takes over `opened`, a handle of a process started elsewhere.
    explicit Process(HANDLE opened);
    ~Process(); // kills the process if it is still running
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD id() const { return info.dwProcessId; }
    HANDLE handle() const { return info.hProcess; }
    bool running() const { return WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
    // Exit code, or STILL_ACTIVE when it has not ended within the timeout.
    DWORD wait_exit(DWORD timeout_ms);

  private:
    PROCESS_INFORMATION info{};
};

// A visible top-level window of class `cls` owned by process `pid` (or one shown or not, when
// not `visible_only`), or null after the timeout.
HWND wait_for_window(DWORD pid, const wchar_t* cls, DWORD timeout_ms = 20000,
                     bool visible_only = true);
// Top-level windows of the process (message boxes included).
std::vector<HWND> windows_of(DWORD pid);

// Keeps this thread's messages flowing while waiting for `done`; false on timeout.
//
// The rule of every wait here: never wait for a state that may last less than the polling
// interval (a few milliseconds, and far more on a busy machine). A title such as "00.00" when
// the alarm time is 0 can come and go between two polls: wait for an event that stays seen
// instead (the alarm thread's start in the relay log, a later title), or give the state a
// length (an alarm time of at least 300 ms). The window is repainted just after its title
// changes: a pixel check after a title change waits for the picture too.
bool wait_until(const std::function<bool()>& done, DWORD timeout_ms);
void pause_ms(DWORD ms);

std::wstring text_of(HWND window);
std::wstring class_of(HWND window);
RECT client_rect(HWND window);
// A child's rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND child);

// The client area as it is on the screen.
Picture capture_client(HWND window);

// Ink: which pixels of a captured picture belong to drawn text, and where they lie. The key
// faces are blue, or red for "STOP"; the time and the editor's labels dark.
bool red_ink(std::uint32_t px);
bool blue_ink(std::uint32_t px);
bool face_ink(std::uint32_t px); // blue or red
bool text_ink(std::uint32_t px);
// The bounding box of the pixels of `area` that `ink` accepts; empty when there are none.
RECT ink_box(const Picture& p, const RECT& area, bool (*ink)(std::uint32_t));
// A pixel's grey level (0 to 255); the pixel of `area` whose grey level is the median.
int grey_level(std::uint32_t px);
std::uint32_t median_pixel(const Picture& p, const RECT& area);

// Windows' app colour mode: the DWORD AppsUseLightTheme under this key of HKEY_CURRENT_USER,
// 0 for dark. A UserSetting of it starts the programs in that mode; switch_colour_mode sets it
// and announces the switch as Windows does, to `window` or to every top-level window.
extern const wchar_t* const colour_mode_key;
void switch_colour_mode(bool dark, HWND window = HWND_BROADCAST);

// A copy of the built timer (folder_with_timer), started (with `arguments`), its window found.
struct TimerRun {
    std::wstring folder;
    std::unique_ptr<Process> process; // null when it did not start
    HWND window = nullptr;

    explicit TimerRun(const Patch& patch = nullptr, const std::vector<std::wstring>& extra_env = {},
                      const std::wstring& arguments = L"", const CalledFrom& = {});
    HWND key(int control_id) const { return GetDlgItem(window, control_id); }
    HWND digit_key(int digit) const { return key(digit_button_id(digit)); }
    HWND start_key() const { return key(start_button_id); }
    std::wstring title() const { return text_of(window); }
    // Whether the title reads `want` within the timeout.
    bool title_becomes(const std::wstring& want, DWORD timeout_ms = 3000) const;
    bool running() const { return process != nullptr && process->running(); }
    // Exit code, or STILL_ACTIVE when it has not ended within the timeout.
    DWORD wait_exit(DWORD timeout_ms);
    // Closes the window as a user would and returns the exit code.
    DWORD close();

  protected:
    // The copy alone, for a run type that starts it in its own way.
    struct CopyOnly {};
    TimerRun(CopyOnly, const Patch& patch);
};

// ---- The settings editor ----

// PlinkettProperty.exe started in `folder` with `args` as its command-line arguments.
struct EditorRun {
    std::unique_ptr<Process> process;

    explicit EditorRun(const std::wstring& folder, const std::wstring& args = L"",
                       const CalledFrom& = {});
    DWORD id() const { return process->id(); }
    bool running() const { return process->running(); }
    // The "MainApp" window, shown or not yet shown; null after the timeout.
    HWND window(DWORD timeout_ms = 20000) const;
    // The window's child controls in creation order.
    std::vector<HWND> controls() const;
    // Posts the write button's command, as a click on it does.
    void press_write() const;
    // Closes the window and returns the exit code (STILL_ACTIVE when it has not ended in 10 s).
    DWORD close() const;
};

// A message box ("#32770") of process `pid`, or null after the timeout.
HWND wait_for_message_box(DWORD pid, DWORD timeout_ms = 20000);
// The message of a message box (its non-empty static text).
std::wstring message_text(HWND box);
// Closes a message box with its OK button and waits until it is gone.
void press_ok(HWND box);
// The names in `folder`, without "." and "..", sorted.
std::vector<std::wstring> folder_entries(const std::wstring& folder);

// ---- The timer's API calls, traced by Wine's relay log ----

// One line of a relay log: "Call DLL.Function(args) ret=CALLER", or the call's end
// "Ret  DLL.Function() retval=RESULT ret=CALLER"; each may follow "TICK:" and starts with the
// thread's id, "0024:".
struct RelayCall {
    std::string function; // e.g. "KERNEL32.Beep"
    // As printed: a hexadecimal value, for strings followed by the text.
    std::vector<std::string> args;
    // Wine's tick count (the clock of GetTickCount) when the line was logged, from the
    // "123.456:" prefix that relay_debug_channels "+timestamp,+relay" gives; 0 without one.
    std::uint32_t tick = 0;
    std::string thread;
    bool returned = false;    // a "Ret" line, with the `result`
    std::uint64_t result = 0; // what the call returned
    std::uint64_t caller = 0; // the address it returns to, in the calling module
    std::string name() const; // the function without its DLL, e.g. "Beep"
    std::uint64_t value(std::size_t i) const { return std::stoull(args.at(i), nullptr, 16); }
};
// False for other lines: window procedures, DLL entry points, other debug channels.
bool parse_relay_line(const std::string& line, RelayCall& out);
// The calls (not their returns) of the log's complete lines.
std::vector<RelayCall> relay_calls(const std::string& log);
// The calls of `function` among `calls`: "KERNEL32.Beep" names the DLL too, "Beep" any DLL's.
std::vector<RelayCall> calls_of(const std::vector<RelayCall>& calls, const char* function);

// A copy of the built timer whose calls of `functions` ("dll.Function;...") Wine traces into
// the file "relay.log" in its folder. Wine writes a process's trace to the Unix standard error
// it was started with, which a Windows parent cannot redirect: the timer is therefore started
// through a Unix shell (which reads `arguments` as its own words). The shell gives no process
// handle, so the timer is found by its window.
struct TracedTimerRun : TimerRun {
    explicit TracedTimerRun(const wchar_t* functions, const Patch& patch = nullptr,
                            const std::wstring& arguments = L"", const CalledFrom& = {});
    std::vector<RelayCall> calls() const; // the traced calls so far
};

// ---- Objects the traced timer holds, counted from its relay log ----

// Wine's debug channels for the next TracedTimerRun; "+timestamp,+relay" prefixes each line
// with the milliseconds of the tick count (same clock as GetTickCount), as "123.456:".
extern const wchar_t* relay_debug_channels;

// The calls that make and release the GDI, USER and kernel objects the timer uses, as a
// TracedTimerRun filter (function names alone, whichever DLL exports them). `extra` entries
// ("SetTimer;Beep") may be added.
std::wstring object_calls(const wchar_t* extra = L"");

// Reads a relay log as it grows and keeps the handles that calls made from one module (the
// traced program's own code) returned and that no successful releasing call from it has given
// back yet. Handles are tracked by value: a value the system hands out again after a release
// counts again. Work that system DLLs do on their own account is not seen, nor needed: an
// object is leaked by whoever made it.
class ObjectLedger {
  public:
    ObjectLedger(std::wstring log_path, std::uint64_t module_base, std::uint64_t module_size);
    // The ledger of a traced timer's own code (its window's module).
    explicit ObjectLedger(const TracedTimerRun& t, const CalledFrom& = {});

    // Takes in the lines written since the last call.
    void update();

    // Live objects by kind: "GDI" (device contexts, bitmaps, fonts, brushes, image lists),
    // "USER" (icons, windows, theme handles) and "kernel" (threads, file searches).
    std::map<std::string, long> live() const;
    // The live handles with the function that made each, for failure messages.
    std::string describe() const;
    // Calls of `function` (e.g. "CreateThread") from the module so far.
    long calls(const std::string& function) const;
    // Handles made by `creator` and released again so far (e.g. alarm threads closed).
    long released(const std::string& creator) const;

  private:
    void take_line(const std::string& line);

    std::wstring path;
    std::uint64_t base, size;
    std::uint64_t read_so_far = 0;
    std::string partial;
    std::map<std::string, std::vector<RelayCall>> open_calls; // by thread
    std::map<std::uint64_t, std::string> handles;             // value -> creating function
    std::map<std::string, long> call_count, release_count;
};

// A short valid PCM wave (8 kHz, 8 bits, mono, a tenth of a second of a square tone), for a
// timer folder whose alarm should play a file.
void write_test_wave(const std::wstring& path);

// ---- A copied timer's settings, its keys, and its objects once it is quiet ----

// A TimerRun or TracedTimerRun patch that sets the 16-bit setting at `field_at` (one of
// settings_block's *_at offsets) in the copied executable.
Patch with_setting(std::size_t field_at, std::uint16_t value);

// A key press sent to `window`; returns once it has been handled (or after 5 s).
void send_key(HWND window, WPARAM key);
// Each of `digits` ("0130") sent as a key press.
void key_in(HWND window, const char* digits);
// A key press posted to `window`; returns at once.
void post_key(HWND window, WPARAM key);
// A left click on `control` (sent: handled when this returns).
void click(HWND control);
// A control's text set as a user's typing leaves it.
void set_text(HWND control, const std::wstring& text);
// Resizes `window` so that its client area is `width` x `height`.
void set_client_size(HWND window, int width, int height);
// The timer started, run for 1.5 s (the live icon changes, the bar grows) and paused again.
void run_a_while(const TimerRun& t);

// A rectangle as position and size, which reads better in failure messages.
struct Box {
    int x, y, w, h;
    bool operator==(const Box& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};
std::ostream& operator<<(std::ostream& os, const Box& b);
Box box(const RECT& r);

// A string value under HKEY_CURRENT_USER of the test's prefix, set while this lives, for the
// programs started meanwhile; restore() (or the end) puts the previous value, or none, back.
// The end-to-end tests run one at a time, so no other program of the run sees the change.
class UserSetting {
  public:
    UserSetting(const wchar_t* key_path, const wchar_t* value_name, const wchar_t* value)
        : UserSetting(HKEY_CURRENT_USER, key_path, value_name, value) {}
    // The same under another root, such as HKEY_CLASSES_ROOT (Wine has no per-user classes).
    UserSetting(HKEY root, const wchar_t* key_path, const wchar_t* name, const wchar_t* value);
    // A REG_DWORD value, e.g. the display scale: "Control Panel\\Desktop", "LogPixels", 144
    // (Wine reads it when a program starts).
    UserSetting(const wchar_t* key_path, const wchar_t* name, DWORD value);
    ~UserSetting() { restore(); }
    UserSetting(const UserSetting&) = delete;
    UserSetting& operator=(const UserSetting&) = delete;
    void restore();

  private:
    void set(HKEY root, const wchar_t* key_path, DWORD type, const BYTE* data, DWORD size);
    HKEY key = nullptr;
    std::wstring name;
    bool had_value = false;
    DWORD old_type = REG_SZ;
    std::vector<BYTE> old_value;
};

// Moves the mouse pointer and waits until the position is the pointer's real one.
void move_cursor(int x, int y, const CalledFrom& = {});
// One wheel notch (posted) with the pointer on the left (minutes) or right (seconds) half of the
// timer's window. `away` turns the wheel away from the user (a positive delta).
void wheel(HWND window, bool left_half, bool away, const CalledFrom& = {});

// The ledger's live objects once the counts have held still for `quiet_ms`; after `timeout_ms`,
// the last counts seen.
std::map<std::string, long> settled_objects(ObjectLedger& ledger, DWORD quiet_ms = 200,
                                            DWORD timeout_ms = 5000);

} // namespace e2e
