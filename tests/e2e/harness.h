// Helpers for the end-to-end tests: start the real programs in scratch folders, find their
// windows, drive them with messages and read back what a user would see.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

std::string env(const char* name);
std::wstring windows_path(const std::string& unix_path);
std::wstring widen(const std::string& s);

// A fresh, empty folder for one test, named after it.
std::wstring scratch_folder();
void copy_file_into(const std::wstring& from, const std::wstring& folder, const wchar_t* name);
std::vector<std::uint8_t> read_file(const std::wstring& path);
void write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes);

// The programs as built: the tested Plinkett.exe and PlinkettProperty.exe.
std::wstring built_program(const wchar_t* name);

class Process {
  public:
    // Starts `program` with `args` in folder `cwd`. `extra_env` entries ("NAME=value") are
    // added to this process's environment for the child.
    Process(const std::wstring& program, const std::wstring& args, const std::wstring& cwd,
            const std::vector<std::wstring>& extra_env = {});
    ~Process(); // kills the process if it is still running
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD id() const { return info.dwProcessId; }
    HANDLE handle() const { return info.hProcess; }
    // Exit code, or STILL_ACTIVE when it has not ended within the timeout.
    DWORD wait_exit(DWORD timeout_ms);

  private:
    PROCESS_INFORMATION info{};
};

// Top-level window of class `cls` owned by process `pid`, or null after the timeout.
HWND wait_for_window(DWORD pid, const wchar_t* cls, DWORD timeout_ms = 20000);
// Top-level windows of the process (message boxes included).
std::vector<HWND> windows_of(DWORD pid);

// Keeps this thread's messages flowing while waiting for `done`; false on timeout.
bool wait_until(const std::function<bool()>& done, DWORD timeout_ms);
void pause_ms(DWORD ms);

std::wstring text_of(HWND window);
std::wstring class_of(HWND window);
RECT client_rect(HWND window);
// A child's rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND child);

// The client area as it is on the screen, one 0x00RRGGBB value per pixel, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Picture capture_client(HWND window);

} // namespace e2e

namespace e2e {

// A copy of the built timer in a scratch folder, started and with its window found.
struct TimerRun {
    std::wstring folder;
    std::unique_ptr<Process> process;
    HWND window = nullptr;

    // `patch` may change the copied executable's bytes before it starts.
    explicit TimerRun(const std::function<void(std::vector<std::uint8_t>&)>& patch = nullptr,
                      const std::vector<std::wstring>& extra_env = {});
    HWND key(int control_id) const { return GetDlgItem(window, control_id); }
    HWND digit_key(int digit) const { return key(400 + 4 * digit); }
    HWND start_key() const { return key(410); }
    std::wstring title() const { return text_of(window); }
    // Closes the window as a user would and returns the exit code.
    DWORD close();
};

} // namespace e2e
