// The page classes by name: the product names its pages, the wizard makes them.
#include "wizard/GenericPages.h"
#include "wizard/ProductPages.h"

namespace {

template <typename T> std::unique_ptr<TSetupCustomPage> Make() {
    return std::make_unique<T>();
}

struct TPageClass {
    const char16_t* Name;
    TSetupPageFactory Factory;
};

constexpr TPageClass kPageClasses[] = {
    {u"TSetupPageWelcome", &Make<TSetupPageWelcome>},
    {u"TSetupPageLicense", &Make<TSetupPageLicense>},
    {u"TSetupPageSetup", &Make<TSetupPageSetup>},
    {u"TSetupPageAddons", &Make<TSetupPageAddons>},
    {u"TSetupPageIntegration", &Make<TSetupPageIntegration>},
    {u"TSetupPageReadyToInstall", &Make<TSetupPageReadyToInstall>},
    {u"TSetupPageInstall", &Make<TSetupPageInstall>},
    {u"TSetupPageFinish", &Make<TSetupPageFinish>},
    {u"TSetupPageUninstallParams", &Make<TSetupPageUninstallParams>},
    {u"TSetupPageUninstall", &Make<TSetupPageUninstall>},
    {u"TSetupPageUninstallFinish", &Make<TSetupPageUninstallFinish>},
};

} // namespace

std::unique_ptr<TSetupCustomPage> CreatePageOfClass(ZUX::StringView className, HWND parent) {
    for (const TPageClass& c : kPageClasses) {
        if (className != c.Name) continue;
        auto page = c.Factory();
        page->Construct(parent, className);
        return page;
    }
    return nullptr;
}

bool TSetupPageList::Add(ZUX::StringView className, HWND parent) {
    auto page = CreatePageOfClass(className, parent);
    if (!page) return false;
    TPageList::Add(std::move(page));
    return true;
}
