// Owners of operating-system handles: one move-only template whose close
// function is its policy, and the owners of kernel objects, directory searches,
// loaded modules and POSIX descriptors. A null handle means "none"; where
// Windows also reports failure as INVALID_HANDLE_VALUE, that value is held as
// none as well, and a descriptor's none is -1. Closing never raises.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

namespace ZUX {

// Closer is a type with "static void Close(T handle) noexcept", called once for
// every handle that is not none. None is T() unless the closer names its own
// ("static constexpr T None = -1;").
template <typename T, typename Closer, bool InvalidIsNone = false> class TZUXHandle {
public:
    static constexpr T None = [] {
        if constexpr (requires { Closer::None; })
            return T(Closer::None);
        else
            return T();
    }();

    TZUXHandle() = default;
    explicit TZUXHandle(T handle) noexcept : handle_(Fold(handle)) {}
    ~TZUXHandle() { Close(); }
    TZUXHandle(TZUXHandle&& other) noexcept : handle_(std::exchange(other.handle_, None)) {}
    TZUXHandle& operator=(TZUXHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, None);
        }
        return *this;
    }
    TZUXHandle(const TZUXHandle&) = delete;
    TZUXHandle& operator=(const TZUXHandle&) = delete;

    T Get() const noexcept { return Fold(handle_); }
    explicit operator bool() const noexcept { return Get() != None; }
    // For the functions that hand out a new handle through a pointer: the one
    // held so far is closed first.
    T* Put() noexcept {
        Close();
        return &handle_;
    }
    // Gives the handle up without closing it.
    T Release() noexcept { return Fold(std::exchange(handle_, None)); }
    void Close() noexcept {
        const T handle = Release();
        if (handle != None) Closer::Close(handle);
    }
    // For handles that are interface pointers.
    T operator->() const noexcept requires std::is_pointer_v<T> { return handle_; }

private:
    static T Fold(T handle) noexcept {
        if constexpr (InvalidIsNone) {
            if (handle == reinterpret_cast<T>(intptr_t(-1))) return None;
        }
        return handle;
    }

    T handle_ = None;
};

#ifdef _WIN32
// Kernel objects: processes, threads, events, files, snapshots (CloseHandle).
struct TZUXKernelHandleCloser {
    static void Close(void* handle) noexcept;
};
using TZUXKernelHandle = TZUXHandle<void*, TZUXKernelHandleCloser, true>;

// Directory searches (FindClose).
struct TZUXFindHandleCloser {
    static void Close(void* handle) noexcept;
};
using TZUXFindHandle = TZUXHandle<void*, TZUXFindHandleCloser, true>;

// An open file.
using TZUXFileHandle = TZUXKernelHandle;
#else
// POSIX descriptors (close); a failed open's -1 is none.
struct TZUXDescriptorCloser {
    static constexpr int None = -1;
    static void Close(int fd) noexcept;
};
using TZUXDescriptor = TZUXHandle<int, TZUXDescriptorCloser>;

// An open file.
using TZUXFileHandle = TZUXDescriptor;
#endif

} // namespace ZUX

#ifdef _WIN32
// Declared exactly as <windows.h> declares it, so this header does not need it.
struct HINSTANCE__;

namespace ZUX {

// Loaded libraries (FreeLibrary).
struct TZUXModuleCloser {
    static void Close(HINSTANCE__* module) noexcept;
};
using TZUXModule = TZUXHandle<HINSTANCE__*, TZUXModuleCloser>;

} // namespace ZUX
#endif
