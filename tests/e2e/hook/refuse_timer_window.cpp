// A system-wide CBT hook for one end-to-end test: it refuses to create any window of the
// timer's class, as a system out of window resources would.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    refuse_timer_window(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) {
        const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lparam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && lstrcmpW(name, L"PlinkettWnd") == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
