// The ZIVR player as the engine sees it.
#pragma once

#include "engine/ProductInfo.h"

class TProductInfoZIVR : public TSetupProductInfo {
public:
    bool CanUpdate() override { return false; }
    bool IsPortable() override { return false; }
    int32_t GetInstalledVersion() override { return 0; }
    void Load() override {}
    void PopulateActions(const std::function<void(TSetupActionClass)>& callback) override;
    void PopulatePages(const std::function<void(TSetupPageClass)>&) override {}
};
