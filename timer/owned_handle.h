// A handle with one owner: made on first use, released when another takes its place and at exit.
#pragma once

template <typename Handle, Handle (*make)(), void (*release)(Handle)> class OwnedHandle {
  public:
    OwnedHandle() = default;
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { replace(nullptr); }

    Handle get() {
        if (handle == nullptr)
            handle = make();
        return handle;
    }
    // Holds `made` (or nothing) from now on; the handle held until now is released.
    void replace(Handle made) {
        if (handle != nullptr)
            release(handle);
        handle = made;
    }

  private:
    Handle handle = nullptr;
};
