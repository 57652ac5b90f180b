// Owner of one kernel object handle (process, thread, event, snapshot).
#pragma once

#include "ZUX/Base/Win32.h"

#include <utility>

class TKernelHandle {
public:
    TKernelHandle() = default;
    // INVALID_HANDLE_VALUE, as some functions report failure, is held as none.
    explicit TKernelHandle(HANDLE handle)
        : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~TKernelHandle() { Close(); }
    TKernelHandle(TKernelHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    TKernelHandle& operator=(TKernelHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    TKernelHandle(const TKernelHandle&) = delete;
    TKernelHandle& operator=(const TKernelHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Close() noexcept {
        if (handle_) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};
