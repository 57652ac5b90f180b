// A product for tests that drive actions themselves: it detects nothing and
// lists no actions or pages.
#pragma once

#include "engine/ProductInfo.h"

namespace ZUXTest {

struct TInertProduct : TSetupProductInfo {
    bool CanUpdate() override { return false; }
    bool IsPortable() override { return false; }
    int32_t GetInstalledVersion() override { return 0; }
    void Load() override {}
    void PopulateActions(const std::function<void(TSetupActionClass)>&) override {}
    void PopulatePages(const std::function<void(TSetupPageClass)>&) override {}
};

} // namespace ZUXTest
