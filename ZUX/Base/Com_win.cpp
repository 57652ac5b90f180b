// COM on the calling thread and the memory COM hands out.
#include "ZUX/Base/Com.h"

#include <objbase.h>

namespace ZUX {

void TZUXComUninitializer::Close(bool) noexcept {
    CoUninitialize();
}

TZUXComInit::TZUXComInit() noexcept {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // S_FALSE (already on) needs its CoUninitialize as well; the other model
    // does not, and is left as it is.
    initialized_ = TZUXHandle<bool, TZUXComUninitializer>(SUCCEEDED(hr));
    ready_ = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
}

void TZUXComMemoryCloser::Close(void* memory) noexcept {
    CoTaskMemFree(memory);
}

} // namespace ZUX
