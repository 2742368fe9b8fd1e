// A system-wide CBT hook library for the high-contrast tests. Windows loads it into the timer
// at the timer's first window; there it points the timer's import of SystemParametersInfoW at a
// stand-in that reports high contrast on while the test's registry value
// HKCU\Software\PlinkettTests\HighContrast is 1. This Wine reports high contrast always off
// and cannot turn it on.
#include <windows.h>

#include "import_slot.h"

namespace {

decltype(&SystemParametersInfoW) system_parameters_info;

bool contrast_wanted() {
    DWORD value = 0, size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, L"Software\\PlinkettTests", L"HighContrast",
                        RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
           value == 1;
}

BOOL WINAPI reported_parameters(UINT action, UINT parameter, PVOID data, UINT flags) {
    if (action != SPI_GETHIGHCONTRAST || data == nullptr)
        return system_parameters_info(action, parameter, data, flags);
    auto* contrast = static_cast<HIGHCONTRASTW*>(data);
    contrast->dwFlags = HCF_AVAILABLE | (contrast_wanted() ? HCF_HIGHCONTRASTON : 0);
    contrast->lpszDefaultScheme = nullptr;
    return TRUE;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && in_program(L"Plinkett.exe"))
        stand_in(system_parameters_info, "SystemParametersInfoW", reported_parameters,
                 "user32.dll");
    return TRUE;
}
