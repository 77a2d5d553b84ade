// Owns one Win32 handle (a device or an event) and closes it when it goes away, so that every
// way out of a function that made handles (an early return, an exception) leaves none behind.
// Kept free of <windows.h>: a handle is held as void*, and both "no handle" values (null and
// INVALID_HANDLE_VALUE) are kept as null.
#pragma once

#include <cstdint>
#include <utility>

// CloseHandle, for holders that must not see <windows.h>.
void CloseWin32Handle(void* handle);

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(void* handle) : H(IsNone(handle) ? nullptr : handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : H(std::exchange(other.H, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            H = std::exchange(other.H, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    void* Get() const { return H; }
    bool Valid() const { return H != nullptr; }
    void Reset() {
        if (H) CloseWin32Handle(std::exchange(H, nullptr));
    }

private:
    static bool IsNone(void* h) { return !h || reinterpret_cast<intptr_t>(h) == -1; }
    void* H = nullptr;
};
