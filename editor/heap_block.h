// Units in a block of the process heap, freed when the owner ends. Paths live in these: where
// long paths are accepted, no fixed buffer holds every one.
#pragma once

#include <windows.h>

#include <cstddef>

template <typename Unit> class HeapBlock {
  public:
    HeapBlock() = default;
    ~HeapBlock() { release(); }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;

    // Room for `units` units, all zero; false when memory ran out.
    bool allocate(std::size_t units) {
        release();
        text =
            static_cast<Unit*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, units * sizeof(Unit)));
        return text != nullptr;
    }

    Unit* text = nullptr;

  private:
    void release() {
        if (text != nullptr)
            HeapFree(GetProcessHeap(), 0, text);
        text = nullptr;
    }
};
using HeapText = HeapBlock<wchar_t>;
