// The ZIVR player as the engine sees it: where an installed copy lives, what
// it is, whether this setup may update it, and which steps make up a run.
#pragma once

#include "ZUX/Base/IniFile.h"
#include "engine/ProductInfo.h"
#include "product/UpdateRecovery.h"

#include <cstdint>

class TProductInfoZIVR : public TSetupProductInfo {
public:
    // Copies from 3500 up to 5499 can be updated in place.
    static constexpr int32_t MinUpdatableVersion = 3500;
    static constexpr int32_t MaxUpdatableVersion = 5499;

    ZUX::String GetDefaultPath() override;
    bool CanUpdate() override;
    bool IsPortable() override;
    int32_t GetInstalledVersion() override;
    void Load() override;
    void PopulateActions(const std::function<void(TSetupActionClass)>& callback) override;
    void PopulatePages(const std::function<void(TSetupPageClass)>& callback) override;
    ZUX::String EndRun(bool failed) override;

    // The folder of an installed copy (with a trailing backslash): from the
    // uninstall entries "ZIVR", then "ZIVR3", then from a running player.
    // Never raises.
    static bool FindInstalledPath(ZUX::String& path);
    // dest + "ZIVR.ini", else dest + "ZIVR3.ini" (older copies), else empty.
    static ZUX::String GetConfigFileName(const ZUX::String& dest);
    // The add-ons offer is made only to people who install interactively in
    // Russian; it decides both the add-ons page and the add-ons action.
    static bool AddonsAvailable();
    static bool IsWindows10OrLater();
    // The update guard of the run's product, or none when the product is not
    // this one (tests that bring their own).
    static TSetupUpdateRecovery* RunRecovery();

    // The installed configuration of the destination; never saved.
    ZUX::TZUXIniFile Config;
    // The update in flight, and what the last recovery of an interrupted one
    // did (its Notice is for the wizard and the log).
    TSetupUpdateRecovery Recovery;
};
