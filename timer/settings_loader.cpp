#include "settings_loader.h"

#include <cstring>

#include "timer_state.h"

namespace {
void* settings_buffer;
}

// The record is decoded from a copy in the process heap, not from the locked resource: a
// zero-length block grown to the resource's size. Nothing reads the copy after the decode, yet
// it is kept until the message loop ends: that is the timer's start-up as it has always been,
// and dropping or freeing it earlier would change the calls the timer makes, not what it shows.
void load_settings(HINSTANCE instance) {
    HANDLE heap = GetProcessHeap();
    settings_buffer = HeapAlloc(heap, HEAP_ZERO_MEMORY, 0);

    DWORD size = 0;
    const void* data = nullptr;
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(settings_block::resource_id),
                                settings_block::resource_type);
    if (found != nullptr) {
        size = SizeofResource(instance, found);
        HGLOBAL loaded = LoadResource(instance, found);
        data = loaded != nullptr ? LockResource(loaded) : nullptr;
    }
    if (data != nullptr && size > 0) {
        void* grown = HeapReAlloc(heap, HEAP_ZERO_MEMORY, settings_buffer, size);
        if (grown != nullptr) {
            settings_buffer = grown;
            std::memcpy(settings_buffer, data, size);
        } else {
            size = 0;
        }
    } else {
        size = 0;
    }
    // A missing or short record is completed from the shipped values, never read past.
    timer_settings =
        settings_block::decode(static_cast<const std::uint8_t*>(settings_buffer), size);
}

void free_settings_buffer() {
    if (settings_buffer != nullptr)
        HeapFree(GetProcessHeap(), 0, settings_buffer);
    settings_buffer = nullptr;
}
