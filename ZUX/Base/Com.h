// COM for the modules that use it: COM on the calling thread for one scope,
// memory that COM functions hand out, and the one owner of interface pointers.
// Windows only.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Win32.h"

#include <wrl/client.h>

namespace ZUX {

struct TZUXComUninitializer {
    static void Close(bool) noexcept;
};

// COM on the calling thread (single-threaded apartment) while the object
// lives; it must be dropped on the same thread. A thread that already runs COM
// in the other threading model keeps it and can use it as it is.
class TZUXComInit {
public:
    TZUXComInit() noexcept;
    // COM can be used on this thread.
    bool Ready() const noexcept { return ready_; }

private:
    bool ready_ = false;
    TZUXHandle<bool, TZUXComUninitializer> initialized_; // uninitialised when dropped
};

// Memory handed out by COM functions, such as a known folder's path
// (CoTaskMemFree).
struct TZUXComMemoryCloser {
    static void Close(void* memory) noexcept;
};
template <typename T> using TZUXComMemory = TZUXHandle<T*, TZUXComMemoryCloser>;

// A reference to a COM object: a copy adds a reference, dropping one releases
// it. The system's own pointer, so interfaces convert as COM allows (As()).
template <typename T> using TZUXComPtr = Microsoft::WRL::ComPtr<T>;

} // namespace ZUX
