// What the engine asks the product: where to install, what is installed at the
// destination, which actions and pages make up the run; and the descriptive
// settings of the setup script.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <functional>
#include <memory>

class TSetupAction;
class TSetupProductInfo;

// Class references: make a new object of the class.
using TSetupActionClass = std::unique_ptr<TSetupAction> (*)();
// Pages belong to the wizard, above the product: the product names a page
// class ("TSetupPageWelcome") and the wizard's page registry makes it.
using TSetupPageClass = ZUX::StringView;
using TSetupProductInfoClass = std::unique_ptr<TSetupProductInfo> (*)();

template <typename T> std::unique_ptr<TSetupAction> CreateAction() {
    return std::make_unique<T>();
}

// The product class, registered by the product logic before the program runs.
extern TSetupProductInfoClass ProductInfoClass;

class TSetupProductInfo {
public:
    virtual ~TSetupProductInfo() = default;

    virtual ZUX::String GetDefaultPath();
    virtual ZUX::String GetDefaultPortablePath();
    virtual ZUX::String GetHomePage();
    virtual bool CanUpdate() = 0;
    virtual bool IsPortable() = 0;
    virtual int32_t GetInstalledVersion() = 0;
    // Raises EInstallerGeneralError "Setup has wrong config" when empty.
    virtual ZUX::String GetProductName();
    virtual ZUX::String GetPublisher();
    virtual ZUX::String GetProductVersion();
    virtual int32_t GetProductVersionId();
    virtual ZUX::String GetFullVersion();
    virtual void Load() = 0;
    virtual void PopulateActions(const std::function<void(TSetupActionClass)>& callback) = 0;
    virtual void PopulatePages(const std::function<void(TSetupPageClass)>& callback) = 0;
    // After the actions of a run; failed when one raised or the run was
    // cancelled before its end. The product puts back what the run touched
    // and gives one line for the user about it, or nothing.
    virtual ZUX::String EndRun(bool failed) {
        (void)failed;
        return ZUX::String();
    }

    ZUX::String GetProductVersionNo();
    ZUX::String FormatVersion();
    // V div 1000, ".", (V mod 1000) div 10 in two digits.
    static ZUX::String FormatVersionId(int32_t version);
};
