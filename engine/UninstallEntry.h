// The Windows uninstall entry of a product: written for non-portable copies,
// removed by the uninstaller and the update, read to find an installed copy.
// Registry failures are not reported.
#pragma once

#include "ZUX/Base/Strings.h"

// The machine-wide uninstall entry.
class TSetupAppRepo {
public:
    static ZUX::String GetKeyPath(bool wow6432);
    static ZUX::String GetKeyName(const ZUX::String& name);
    static void Register(const ZUX::String& name, const ZUX::String& uninstallExe,
                         const ZUX::String& version, const ZUX::String& publisher,
                         const ZUX::String& homePage);
    static void Unregister(const ZUX::String& name);
    static bool FindInstallPath(const ZUX::String& name, ZUX::String& path);
};
