// What the toolkit needs for the whole run of the program: COM on the main
// thread, the common controls, and the RichEdit library. Created first in the
// program's entry and destroyed last.
#pragma once

#include "ZUX/Base/Win32.h"

namespace ZUX {

class TZUXApplicationScope {
public:
    TZUXApplicationScope() noexcept;
    ~TZUXApplicationScope();
    TZUXApplicationScope(const TZUXApplicationScope&) = delete;
    TZUXApplicationScope& operator=(const TZUXApplicationScope&) = delete;

private:
    bool com_ = false;
    HMODULE richEdit_ = nullptr;
};

} // namespace ZUX
