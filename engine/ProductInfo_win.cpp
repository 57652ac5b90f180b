// The product-information base: defaults and the script's settings.
#include "engine/ProductInfo.h"

#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "engine/Setup.h"

using namespace ZUX;

TSetupProductInfoClass ProductInfoClass = nullptr;

namespace {

String Setting(const char16_t* key) {
    return Setup->Resources->Script->GetSetting(key);
}

} // namespace

String TSetupProductInfo::GetDefaultPath() {
    return IncludeTrailingPathDelimiter(Setup->Resources->ProgramFiles + GetProductName());
}

String TSetupProductInfo::GetDefaultPortablePath() {
    return IncludeTrailingPathDelimiter(GetDesktopFolder() + GetProductName());
}

String TSetupProductInfo::GetHomePage() {
    return Setting(u"HomePage");
}

String TSetupProductInfo::GetProductName() {
    String name = Setting(u"ProductName");
    if (name.empty()) throw EInstallerGeneralError(u"Setup has wrong config");
    return name;
}

String TSetupProductInfo::GetPublisher() {
    return Setting(u"Publisher");
}
String TSetupProductInfo::GetProductVersion() {
    return Setting(u"ProductVersion");
}

int32_t TSetupProductInfo::GetProductVersionId() {
    const String text = Setting(u"ProductVersionId");
    if (text.empty() || text.size() > 10) return 0;
    int64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return 0;
        value = value * 10 + (c - u'0');
    }
    return value > INT32_MAX ? 0 : int32_t(value);
}

String TSetupProductInfo::GetFullVersion() {
    return GetProductVersion() + u", " + Setting(u"BuildDate");
}

String TSetupProductInfo::GetProductVersionNo() {
    return Setting(u"ProductVersionNo");
}

String TSetupProductInfo::FormatVersion() {
    return FormatVersionId(GetInstalledVersion());
}

String TSetupProductInfo::FormatVersionId(int32_t version) {
    return IntToStr(version / 1000) + u"." + TwoDigits((version % 1000) / 10);
}
