#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "settings_block.h"

namespace e2e {

std::string env(const char* name) {
    const char* v = getenv(name);
    return v != nullptr ? v : "";
}

std::wstring widen(const std::string& s) {
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

std::wstring windows_path(const std::string& unix_path) {
    std::wstring w = L"Z:" + widen(unix_path);
    for (auto& c : w)
        if (c == L'/')
            c = L'\\';
    return w;
}

std::wstring built_program(const wchar_t* name) {
    return windows_path(env("PLINKETT_BUILD_DIR")) + L"\\" + name;
}

std::wstring beside_driver(const wchar_t* name) {
    wchar_t driver[MAX_PATH];
    GetModuleFileNameW(nullptr, driver, MAX_PATH);
    const std::wstring path = driver;
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

GlobalHook::GlobalHook(const wchar_t* name, const char* procedure)
    : module(LoadLibraryW(beside_driver(name).c_str())) {
    const auto proc =
        module != nullptr
            ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, procedure)))
            : nullptr;
    if (proc != nullptr)
        hook = SetWindowsHookExW(WH_CBT, proc, module, 0);
}

GlobalHook::~GlobalHook() {
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    if (module != nullptr)
        FreeLibrary(module);
}

bool start_unix_shell(std::wstring arguments, const std::wstring& cwd) {
    std::wstring command = L"/bin/sh " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION shell{};
    if (!CreateProcessW(L"Z:\\bin\\sh", &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.c_str(), &si, &shell))
        return false;
    CloseHandle(shell.hThread);
    CloseHandle(shell.hProcess);
    return true;
}

namespace {

void remove_tree(const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

std::wstring scratch_folder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring root = windows_path(env("PLINKETT_BUILD_DIR")) + L"\\e2e-scratch";
    CreateDirectoryW(root.c_str(), nullptr);
    std::wstring folder =
        root + L"\\" + widen(test->test_suite_name()) + L"." + widen(test->name());
    remove_tree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void copy_file_into(const std::wstring& from, const std::wstring& folder, const wchar_t* name,
                    const CalledFrom&) {
    EXPECT_TRUE(CopyFileW(from.c_str(), (folder + L"\\" + name).c_str(), FALSE))
        << "copy failed, error " << GetLastError();
}

std::vector<std::uint8_t> read_file(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Process::Process(const std::wstring& program, const std::wstring& args, const std::wstring& cwd,
                 const std::vector<std::wstring>& extra_env, const CalledFrom&) {
    std::vector<std::pair<std::wstring, std::wstring>> saved;
    for (const auto& e : extra_env) {
        auto eq = e.find(L'=');
        std::wstring name = e.substr(0, eq);
        wchar_t old[4096];
        DWORD n = GetEnvironmentVariableW(name.c_str(), old, 4096);
        saved.emplace_back(name, n ? std::wstring(old, n) : std::wstring());
        SetEnvironmentVariableW(name.c_str(), e.substr(eq + 1).c_str());
    }
    std::wstring command = L"\"" + program + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    BOOL ok = CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             cwd.c_str(), &si, &info);
    for (const auto& s : saved)
        SetEnvironmentVariableW(s.first.c_str(), s.second.empty() ? nullptr : s.second.c_str());
    EXPECT_TRUE(ok) << "CreateProcess failed, error " << GetLastError();
    if (ok)
        WaitForInputIdle(info.hProcess, 20000);
}

Process::Process(HANDLE opened) {
    info.hProcess = opened;
    info.dwProcessId = opened != nullptr ? GetProcessId(opened) : 0;
}

Process::~Process() {
    if (info.hProcess == nullptr)
        return;
    if (running()) {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
    if (info.hThread != nullptr)
        CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

DWORD Process::wait_exit(DWORD timeout_ms) {
    DWORD code = STILL_ACTIVE;
    wait_until([&] { return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0; }, timeout_ms);
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

void pause_ms(DWORD ms) {
    wait_until([] { return false; }, ms);
}

bool wait_until(const std::function<bool()>& done, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeout_ms)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

namespace {

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

// A named CALLBACK function: a lambda does not convert to the 32-bit stdcall WNDENUMPROC.
BOOL CALLBACK collect_window(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == s->pid)
        s->found.push_back(w);
    return TRUE;
}

} // namespace

std::vector<HWND> windows_of(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND wait_for_window(DWORD pid, const wchar_t* cls, DWORD timeout_ms, bool visible_only) {
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND w : windows_of(pid))
                if (class_of(w) == cls && (!visible_only || IsWindowVisible(w)))
                    found = w;
            return found != nullptr;
        },
        timeout_ms);
    return found;
}

std::wstring text_of(HWND window) {
    // WM_GETTEXT answers across processes; GetWindowText would not ask the window.
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_BLOCK, 5000, &length);
    std::vector<wchar_t> buffer(length + 1, L'\0');
    SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_BLOCK, 5000, nullptr);
    return buffer.data();
}

std::wstring class_of(HWND window) {
    wchar_t buffer[256] = L"";
    GetClassNameW(window, buffer, 256);
    return buffer;
}

RECT client_rect(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r;
}

RECT rect_in_parent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

Picture capture_client(HWND window) {
    Picture p;
    RECT r = client_rect(window);
    p.width = r.right;
    p.height = r.bottom;
    if (p.width <= 0 || p.height <= 0)
        return p;
    HDC window_dc = GetDC(window);
    HDC memory = CreateCompatibleDC(window_dc);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(window_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, p.width, p.height, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const std::uint32_t*>(bits);
    p.pixels.assign(px, px + static_cast<std::size_t>(p.width) * p.height);
    for (auto& v : p.pixels)
        v &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, window_dc);
    return p;
}

bool red_ink(std::uint32_t px) {
    const int r = px >> 16 & 0xFF, g = px >> 8 & 0xFF, b = px & 0xFF;
    return r >= 128 && r - std::max(g, b) >= 64;
}

bool blue_ink(std::uint32_t px) {
    const int r = px >> 16 & 0xFF, g = px >> 8 & 0xFF, b = px & 0xFF;
    return b >= 128 && b - std::max(r, g) >= 64;
}

bool face_ink(std::uint32_t px) {
    return blue_ink(px) || red_ink(px);
}

bool text_ink(std::uint32_t px) {
    return (px >> 16 & 0xFF) < 80 && (px >> 8 & 0xFF) < 80 && (px & 0xFF) < 80;
}

RECT ink_box(const Picture& p, const RECT& area, bool (*ink)(std::uint32_t)) {
    RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = std::max(0L, area.top); y < std::min<LONG>(p.height, area.bottom); ++y)
        for (LONG x = std::max(0L, area.left); x < std::min<LONG>(p.width, area.right); ++x)
            if (ink(p.at(x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box.left == LONG_MAX ? RECT{} : box;
}

int grey_level(std::uint32_t px) {
    // In whole numbers: sorting by it must not depend on the floating-point registers' precision.
    return static_cast<int>(2126 * (px >> 16 & 0xFF) + 7152 * (px >> 8 & 0xFF) +
                            722 * (px & 0xFF)) /
           10000;
}

std::uint32_t median_pixel(const Picture& p, const RECT& area) {
    std::vector<std::uint32_t> seen;
    for (LONG y = area.top; y < area.bottom; ++y)
        seen.insert(seen.end(), &p.pixels[y * p.width + area.left],
                    &p.pixels[y * p.width + area.right]);
    std::sort(seen.begin(), seen.end(),
              [](auto a, auto b) { return grey_level(a) < grey_level(b); });
    return seen[seen.size() / 2];
}

const wchar_t* const colour_mode_key =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

void switch_colour_mode(bool dark, HWND window) {
    const DWORD light = dark ? 0 : 1;
    RegSetKeyValueW(HKEY_CURRENT_USER, colour_mode_key, L"AppsUseLightTheme", REG_DWORD, &light,
                    sizeof light);
    SendMessageTimeoutW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
}

std::wstring folder_with_timer(const Patch& patch) {
    const std::wstring folder = scratch_folder();
    auto bytes = read_file(built_program(L"Plinkett.exe"));
    if (patch)
        patch(bytes);
    write_file(folder + L"\\Plinkett.exe", bytes);
    return folder;
}

TimerRun::TimerRun(CopyOnly, const Patch& patch) : folder(folder_with_timer(patch)) {}

TimerRun::TimerRun(const Patch& patch, const std::vector<std::wstring>& extra_env,
                   const std::wstring& arguments, const CalledFrom& from)
    : TimerRun(CopyOnly{}, patch) {
    process =
        std::make_unique<Process>(folder + L"\\Plinkett.exe", arguments, folder, extra_env, from);
    window = wait_for_window(process->id(), L"PlinkettWnd");
    EXPECT_NE(window, nullptr) << "the timer's window did not appear";
}

bool TimerRun::title_becomes(const std::wstring& want, DWORD timeout_ms) const {
    return wait_until([&] { return title() == want; }, timeout_ms);
}

DWORD TimerRun::wait_exit(DWORD timeout_ms) {
    return process != nullptr ? process->wait_exit(timeout_ms) : STILL_ACTIVE;
}

DWORD TimerRun::close() {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return wait_exit(15000);
}

// ---- The settings editor ----

EditorRun::EditorRun(const std::wstring& folder, const std::wstring& args, const CalledFrom& from)
    : process(std::make_unique<Process>(built_program(L"PlinkettProperty.exe"), args, folder,
                                        std::vector<std::wstring>{}, from)) {}

HWND EditorRun::window(DWORD timeout_ms) const {
    return wait_for_window(id(), L"MainApp", timeout_ms, false);
}

std::vector<HWND> EditorRun::controls() const {
    std::vector<HWND> found;
    HWND main = window();
    for (HWND c = GetWindow(main, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
        found.push_back(c);
    return found;
}

void EditorRun::press_write() const {
    HWND main = window();
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(403, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, 403)));
}

DWORD EditorRun::close() const {
    PostMessageW(window(), WM_CLOSE, 0, 0);
    return process->wait_exit(10000);
}

HWND wait_for_message_box(DWORD pid, DWORD timeout_ms) {
    return wait_for_window(pid, L"#32770", timeout_ms);
}

std::wstring message_text(HWND box) {
    for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
        if (_wcsicmp(class_of(c).c_str(), L"Static") == 0 && !text_of(c).empty())
            return text_of(c);
    return {};
}

void press_ok(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    wait_until([&] { return !IsWindow(box); }, 10000);
}

std::vector<std::wstring> folder_entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name != L"." && name != L"..")
                names.push_back(name);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---- The timer's API calls, traced by Wine's relay log ----

namespace {

// Splits "a,b L\"x,y\",c" at the commas outside quoted texts.
std::vector<std::string> split_relay_args(const std::string& text) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && quoted && i + 1 < text.size()) {
            current += c;
            current += text[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            args.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty() || !args.empty())
        args.push_back(current);
    return args;
}

// The tick count of a "+timestamp" prefix ("  12.345:0024:Call ..."), or 0.
std::uint32_t relay_tick(const std::string& line) {
    unsigned long seconds = 0;
    unsigned milliseconds = 0;
    char colon = 0;
    if (std::sscanf(line.c_str(), " %lu.%3u%c", &seconds, &milliseconds, &colon) != 3 ||
        colon != ':')
        return 0;
    return static_cast<std::uint32_t>(seconds * 1000 + milliseconds);
}

std::set<HWND> visible_timer_windows() {
    std::set<HWND> found;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"PlinkettWnd", nullptr); w != nullptr;
         w = FindWindowExW(nullptr, w, L"PlinkettWnd", nullptr))
        if (IsWindowVisible(w))
            found.insert(w);
    return found;
}

std::uint64_t hex_after(const std::string& line, const char* key) {
    const std::size_t at = line.rfind(key);
    if (at == std::string::npos)
        return 0;
    return std::strtoull(line.c_str() + at + std::strlen(key), nullptr, 16);
}

} // namespace

std::string RelayCall::name() const {
    return function.substr(function.find('.') + 1);
}

bool parse_relay_line(const std::string& line, RelayCall& out) {
    std::size_t marker = line.find(":Call ");
    const bool returned = marker == std::string::npos;
    if (returned)
        marker = line.find(":Ret  ");
    if (marker == std::string::npos)
        return false;
    const std::size_t name_at = marker + 6, open = line.find('(', name_at);
    const std::size_t close = line.rfind(')');
    const std::size_t dot = line.find('.', name_at);
    if (open == std::string::npos || close == std::string::npos || close < open ||
        dot == std::string::npos || dot > open || line.find(' ', name_at) < open)
        return false; // window procedures, DLL entry points
    const std::size_t thread_at = line.rfind(':', marker - 1);
    const std::size_t thread_from = thread_at == std::string::npos ? 0 : thread_at + 1;
    out = RelayCall{};
    out.function = line.substr(name_at, open - name_at);
    out.args = split_relay_args(line.substr(open + 1, close - open - 1));
    out.tick = relay_tick(line);
    out.thread = line.substr(thread_from, marker - thread_from);
    out.returned = returned;
    out.result = returned ? hex_after(line, " retval=") : 0;
    out.caller = hex_after(line, " ret=");
    return true;
}

std::vector<RelayCall> relay_calls(const std::string& log) {
    std::vector<RelayCall> calls;
    RelayCall c;
    for (std::size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1)
        if (parse_relay_line(log.substr(at, end - at), c) && !c.returned)
            calls.push_back(c);
    return calls;
}

std::vector<RelayCall> calls_of(const std::vector<RelayCall>& calls, const char* function) {
    std::vector<RelayCall> found;
    const bool with_dll = std::strchr(function, '.') != nullptr;
    for (const auto& c : calls)
        if ((with_dll ? c.function : c.name()) == function)
            found.push_back(c);
    return found;
}

TracedTimerRun::TracedTimerRun(const wchar_t* functions, const Patch& patch,
                               const std::wstring& arguments, const CalledFrom&)
    : TimerRun(CopyOnly{}, patch) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Debug", 0, nullptr, 0, KEY_SET_VALUE,
                    nullptr, &key, nullptr);
    RegSetValueExW(key, L"RelayInclude", 0, REG_SZ, reinterpret_cast<const BYTE*>(functions),
                   static_cast<DWORD>((wcslen(functions) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);

    wchar_t loader[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"WINELOADER", loader, MAX_PATH);
    EXPECT_NE(loader[0], L'\0') << "WINELOADER is not set";
    const std::set<HWND> before = visible_timer_windows();
    SetEnvironmentVariableW(L"WINEDEBUG", relay_debug_channels);
    const bool ok = start_unix_shell(L"-c \"exec \\\"$0\\\" Plinkett.exe " + arguments +
                                         L" 2>relay.log\" \"" + std::wstring(loader) + L"\"",
                                     folder);
    const DWORD error = GetLastError();
    SetEnvironmentVariableW(L"WINEDEBUG", nullptr);
    EXPECT_TRUE(ok) << "starting the shell failed, error " << error;
    if (!ok)
        return;

    wait_until(
        [&] {
            for (HWND w : visible_timer_windows())
                if (before.count(w) == 0)
                    window = w;
            return window != nullptr;
        },
        20000);
    EXPECT_NE(window, nullptr) << "the traced timer's window did not appear";
    if (window == nullptr)
        return;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process = std::make_unique<Process>(OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
    EXPECT_NE(process->handle(), nullptr);
}

std::vector<RelayCall> TracedTimerRun::calls() const {
    const auto bytes = read_file(folder + L"\\relay.log");
    return relay_calls(std::string(bytes.begin(), bytes.end()));
}

// ---- Objects the traced timer holds, counted from its relay log ----

const wchar_t* relay_debug_channels = L"+relay";

namespace {

struct Creator {
    const char* function;
    const char* kind;
};
// Image lists and theme handles are not GDI or USER objects themselves; an image list holds
// bitmaps, and a theme handle is per window station, so they are counted with those.
constexpr Creator creators[] = {
    {"CreateCompatibleDC", "GDI"},
    {"CreateDCW", "GDI"},
    {"GetDC", "GDI"},
    {"GetWindowDC", "GDI"},
    {"CreateCompatibleBitmap", "GDI"},
    {"CreateDIBSection", "GDI"},
    {"CreateBitmap", "GDI"},
    {"CreateBitmapIndirect", "GDI"},
    {"LoadBitmapW", "GDI"},
    {"CreateFontW", "GDI"},
    {"CreateFontIndirectW", "GDI"},
    {"CreateSolidBrush", "GDI"},
    {"CreatePen", "GDI"},
    {"CreateRectRgn", "GDI"},
    {"ImageList_Create", "GDI"},
    {"CreateIconIndirect", "USER"},
    {"CopyIcon", "USER"},
    {"CopyImage", "USER"},
    {"LoadImageW", "USER"},
    {"CreateWindowExW", "USER"},
    {"OpenThemeData", "USER"},
    {"CreateThread", "kernel"},
    {"FindFirstFileW", "kernel"},
    {"CreateFileW", "kernel"},
    {"CreateEventW", "kernel"},
};

struct Releaser {
    const char* function;
    std::size_t handle_arg;
    bool zero_is_success; // an HRESULT
};
constexpr Releaser releasers[] = {
    {"DeleteDC", 0, false},          {"DeleteObject", 0, false},  {"ReleaseDC", 1, false},
    {"DestroyIcon", 0, false},       {"DestroyCursor", 0, false}, {"DestroyWindow", 0, false},
    {"ImageList_Destroy", 0, false}, {"CloseThemeData", 0, true}, {"CloseHandle", 0, false},
    {"FindClose", 0, false},
};

const Creator* creator_of(const std::string& function) {
    for (const auto& c : creators)
        if (function == c.function)
            return &c;
    return nullptr;
}

const Releaser* releaser_of(const std::string& function) {
    for (const auto& r : releasers)
        if (function == r.function)
            return &r;
    return nullptr;
}

// SizeOfImage from a PE file's optional header.
std::uint64_t image_size_of(const std::wstring& exe) {
    const auto bytes = read_file(exe);
    if (bytes.size() < 0x40)
        return 0;
    return le_at(bytes, le_at(bytes, 0x3C, 4) + 24 + 56, 4);
}

} // namespace

std::wstring object_calls(const wchar_t* extra) {
    std::wstring list;
    for (const auto& c : creators)
        list += widen(c.function) + L";";
    for (const auto& r : releasers)
        list += widen(r.function) + L";";
    return list + extra;
}

ObjectLedger::ObjectLedger(std::wstring log_path, std::uint64_t module_base,
                           std::uint64_t module_size)
    : path(std::move(log_path)), base(module_base), size(module_size) {}

ObjectLedger::ObjectLedger(const TracedTimerRun& t, const CalledFrom&)
    : ObjectLedger(t.folder + L"\\relay.log",
                   static_cast<std::uint64_t>(GetWindowLongPtrW(t.window, GWLP_HINSTANCE)),
                   image_size_of(t.folder + L"\\Plinkett.exe")) {
    EXPECT_NE(base, 0u) << "the timer's module was not found";
    EXPECT_NE(size, 0u) << "the timer's image size was not found";
}

void ObjectLedger::update() {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(read_so_far);
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    std::vector<char> chunk(1 << 20);
    DWORD got = 0;
    while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
           got > 0) {
        read_so_far += got;
        partial.append(chunk.data(), got);
        std::size_t start = 0;
        for (std::size_t end; (end = partial.find('\n', start)) != std::string::npos;
             start = end + 1)
            take_line(partial.substr(start, end - start));
        partial.erase(0, start);
    }
    CloseHandle(file);
}

void ObjectLedger::take_line(const std::string& line) {
    RelayCall c;
    if (!parse_relay_line(line, c) || c.caller < base || c.caller >= base + size)
        return;
    auto& stack = open_calls[c.thread];
    const std::string function = c.name();
    if (!c.returned) {
        ++call_count[function];
        stack.push_back(c);
        return;
    }
    // A return: pair it with its call on the same thread.
    auto call = stack.end();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        if (it->name() == function) {
            call = std::next(it).base();
            break;
        }
    if (call == stack.end())
        return;
    const RelayCall pending = *call;
    stack.erase(call);
    if (const Creator* creator = creator_of(function)) {
        const bool failed = c.result == 0 || c.result == 0xFFFFFFFFu || c.result == ~0ULL;
        if (!failed)
            handles[c.result] = creator->function;
    } else if (const Releaser* r = releaser_of(function)) {
        const bool succeeded = r->zero_is_success ? c.result == 0 : c.result != 0;
        if (succeeded && r->handle_arg < pending.args.size()) {
            const auto found =
                handles.find(std::strtoull(pending.args[r->handle_arg].c_str(), nullptr, 16));
            if (found != handles.end()) {
                ++release_count[found->second];
                handles.erase(found);
            }
        }
    }
}

std::map<std::string, long> ObjectLedger::live() const {
    std::map<std::string, long> counts{{"GDI", 0}, {"USER", 0}, {"kernel", 0}};
    for (const auto& h : handles)
        ++counts[creator_of(h.second)->kind];
    return counts;
}

std::string ObjectLedger::describe() const {
    std::map<std::string, long> by_creator;
    for (const auto& h : handles)
        ++by_creator[h.second];
    std::string text;
    for (const auto& c : by_creator)
        text += c.first + " " + std::to_string(c.second) + "; ";
    return text;
}

long ObjectLedger::calls(const std::string& function) const {
    const auto found = call_count.find(function);
    return found != call_count.end() ? found->second : 0;
}

long ObjectLedger::released(const std::string& creator) const {
    const auto found = release_count.find(creator);
    return found != release_count.end() ? found->second : 0;
}

void write_test_wave(const std::wstring& path) {
    const std::uint32_t samples = 800;
    std::vector<std::uint8_t> w;
    auto text = [&](const char* s) { w.insert(w.end(), s, s + 4); };
    auto u32 = [&](std::uint32_t v) { put_le(w, w.size(), v, 4); };
    auto u16 = [&](std::uint16_t v) { put_le(w, w.size(), v, 2); };
    text("RIFF");
    u32(36 + samples);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1);    // PCM
    u16(1);    // mono
    u32(8000); // samples per second
    u32(8000); // bytes per second
    u16(1);    // block align
    u16(8);    // bits per sample
    text("data");
    u32(samples);
    for (std::uint32_t i = 0; i < samples; ++i)
        w.push_back((i / 10) % 2 ? 0xC0 : 0x40);
    write_file(path, w);
}

// ---- A copied timer's settings, its keys, and its objects once it is quiet ----

Patch with_setting(std::size_t field_at, std::uint16_t value) {
    return [=](std::vector<std::uint8_t>& exe) {
        const std::size_t at = settings_block::file_offset + field_at;
        ASSERT_LT(at + 1, exe.size()) << "the executable is shorter than its settings block";
        put_u16(exe, at, value);
    };
}

void send_key(HWND window, WPARAM key) {
    SendMessageTimeoutW(window, WM_KEYDOWN, key, 0, SMTO_BLOCK, 5000, nullptr);
}

void key_in(HWND window, const char* digits) {
    for (const char* d = digits; *d; ++d)
        send_key(window, static_cast<WPARAM>(*d));
}

void post_key(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 0);
}

void click(HWND control) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

void set_text(HWND control, const std::wstring& text) {
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_BLOCK,
                        5000, nullptr);
}

void set_client_size(HWND window, int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}

void run_a_while(const TimerRun& t) {
    send_key(t.window, VK_RETURN);
    pause_ms(1500);
    send_key(t.window, VK_RETURN);
}

std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.x << "," << b.y << " " << b.w << "x" << b.h << ")";
}

Box box(const RECT& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::map<std::string, long> settled_objects(ObjectLedger& ledger, DWORD quiet_ms,
                                            DWORD timeout_ms) {
    std::map<std::string, long> last, now;
    ledger.update();
    wait_until(
        [&] {
            last = ledger.live();
            pause_ms(quiet_ms);
            ledger.update();
            now = ledger.live();
            return now == last;
        },
        timeout_ms);
    return now;
}

// Wine answers GetCursorPos from a cache for 100 ms after a change, and a warp can be refused
// or undone by the timer's pending motion events: the position is read back until it holds.
void move_cursor(int x, int y, const CalledFrom&) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        POINT p{};
        GetCursorPos(&p);
        if (p.x == x && p.y == y)
            return;
        SetCursorPos(x, y);
        pause_ms(150);
    }
    ADD_FAILURE() << "the pointer does not move to " << x << "," << y;
}

void wheel(HWND window, bool left_half, bool away, const CalledFrom& from) {
    RECT r{};
    GetWindowRect(window, &r);
    const int x = left_half ? r.left + (r.right - r.left) / 4 : r.left + (r.right - r.left) * 3 / 4;
    const int y = r.top + (r.bottom - r.top) / 2;
    move_cursor(x, y, from);
    const short delta = away ? WHEEL_DELTA : -WHEEL_DELTA;
    PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), MAKELPARAM(x, y));
}

UserSetting::UserSetting(HKEY root, const wchar_t* key_path, const wchar_t* value_name,
                         const wchar_t* value)
    : name(value_name) {
    set(root, key_path, REG_SZ, reinterpret_cast<const BYTE*>(value),
        static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
}

UserSetting::UserSetting(const wchar_t* key_path, const wchar_t* value_name, DWORD value)
    : name(value_name) {
    set(HKEY_CURRENT_USER, key_path, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
        sizeof value);
}

void UserSetting::set(HKEY root, const wchar_t* key_path, DWORD type, const BYTE* data,
                      DWORD data_size) {
    RegCreateKeyExW(root, key_path, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    DWORD size = 0;
    had_value =
        RegQueryValueExW(key, name.c_str(), nullptr, &old_type, nullptr, &size) == ERROR_SUCCESS;
    old_value.resize(size);
    if (had_value && size > 0)
        RegQueryValueExW(key, name.c_str(), nullptr, &old_type, old_value.data(), &size);
    RegSetValueExW(key, name.c_str(), 0, type, data, data_size);
}

void UserSetting::restore() {
    if (key == nullptr)
        return;
    if (had_value)
        RegSetValueExW(key, name.c_str(), 0, old_type, old_value.data(),
                       static_cast<DWORD>(old_value.size()));
    else
        RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
    key = nullptr;
}

} // namespace e2e
