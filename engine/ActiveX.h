// COM servers that the product once registered.
#pragma once

#include "ZUX/Base/Strings.h"

class TSetupActiveX {
public:
    TSetupActiveX() = delete;

    // Loads the library (from its own folder, without the system's error
    // boxes) and calls its DllUnregisterServer. A library that does not load
    // (a 32-bit one, for instance) or has no such export is skipped; nothing
    // is reported.
    static void UnregisterServer(const ZUX::String& dllPath);
    // The same with DllRegisterServer: what a restore does for a server that
    // was unregistered before its files went.
    static void RegisterServer(const ZUX::String& dllPath);

private:
    static void CallServer(const ZUX::String& dllPath, const char* exportName);
};
