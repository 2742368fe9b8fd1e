// For the hook libraries that Windows loads into a started program: which program they are in,
// pointing one of its imports at a stand-in, and the hook procedure that the tests install
// (each library is one source file that includes this once).
#pragma once

#include <windows.h>

// Whether this process was started from a file named `name` ("Plinkett.exe").
inline bool in_program(const wchar_t* name) {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const int length = lstrlenW(path), wanted = lstrlenW(name);
    return length >= wanted && lstrcmpiW(path + length - wanted, name) == 0;
}

// Points the program's import slot of `function` from `dll` at `stand_in`; returns the
// function the slot held (null when the program does not import it).
inline void* redirect_import(const char* dll, const char* function, void* stand_in) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void* original = nullptr;
    if (imports.VirtualAddress == 0)
        return original;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0)
            continue;
        const DWORD names_at =
            entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + names_at);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* by_name =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(by_name->Name), function) != 0)
                continue;
            original = reinterpret_cast<void*>(slot->u1.Function);
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                           &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(stand_in);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
        }
    }
    return original;
}

// Points the program's import of `function` from `dll` at `replacement`, keeping the function
// it held in `original` for the stand-in to call on.
template <typename Fn>
void stand_in(Fn& original, const char* function, Fn replacement,
              const char* dll = "kernel32.dll") {
    original =
        reinterpret_cast<Fn>(redirect_import(dll, function, reinterpret_cast<void*>(replacement)));
}

// The hook procedure the tests install system-wide: it only passes each event on. What matters
// is that Windows loads the library into every program that makes a window.
extern "C" __declspec(dllexport) LRESULT CALLBACK pass_on(int code, WPARAM wparam, LPARAM lparam) {
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
