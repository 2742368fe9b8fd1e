// A system-wide CBT hook library for the high-contrast tests. Windows loads it into the timer
// at the timer's first window; there it points the timer's import of SystemParametersInfoW at a
// stand-in that reports high contrast on while the test's registry value
// HKCU\Software\PlinkettTests\HighContrast is 1. This Wine reports high contrast always off
// and cannot turn it on.
#include <windows.h>

namespace {

using SystemParametersInfoFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
SystemParametersInfoFn system_parameters_info;

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

bool in_the_timer() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const int length = lstrlenW(path);
    return length >= 12 && lstrcmpiW(path + length - 12, L"Plinkett.exe") == 0;
}

// Points the program's import slot of user32's SystemParametersInfoW at the stand-in.
void redirect_import() {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    system_parameters_info = reinterpret_cast<SystemParametersInfoFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoW")));
    if (imports.VirtualAddress == 0 || system_parameters_info == nullptr)
        return;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + dll->Name), "user32.dll") != 0)
            continue;
        const DWORD names_at =
            dll->OriginalFirstThunk != 0 ? dll->OriginalFirstThunk : dll->FirstThunk;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + names_at);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* by_name =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(by_name->Name), "SystemParametersInfoW") !=
                0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                           &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(reported_parameters);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
        }
    }
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && in_the_timer())
        redirect_import();
    return TRUE;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK pass_on(int code, WPARAM wparam, LPARAM lparam) {
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
