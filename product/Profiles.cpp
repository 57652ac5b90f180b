// The users' profiles of the player.
#include "product/Profiles.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "engine/Setup.h"

using namespace ZUX;

String TSetupProfileHelper::GetProfilePath(const String& appData, int32_t versionId,
                                           const String& productName, const String& dest) {
    if (appData.empty()) return IncludeTrailingPathDelimiter(dest) + u"Profile\\";
    // Before version id 4000 the profile folder did not follow the product name.
    const String name = versionId >= 4000 ? productName : String(u"ZIVR3");
    return IncludeTrailingPathDelimiter(appData) + name + u"\\";
}

String TSetupProfileHelper::GetProfilePath(const String& appData, int32_t versionId) {
    return GetProfilePath(appData, versionId, Setup->ProductInfo->GetProductName(),
                          Setup->DestPath);
}

String TSetupProfileHelper::GetNewProfilePath(const String& appData) {
    return GetProfilePath(appData, Setup->ProductInfo->GetProductVersionId());
}

String TSetupProfileHelper::GetOldProfilePath(const String& appData) {
    return GetProfilePath(appData, Setup->ProductInfo->GetInstalledVersion());
}

TSetupProfileInfo& TSetupProfileInfoList::Add(TSetupProfileInfo info) {
    items_.push_back(std::make_unique<TSetupProfileInfo>(std::move(info)));
    return *items_.back();
}

void TSetupProfileInfoList::Populate() {
    Populate(Setup->HasFlag(sfPortable),
             [](const TSetupUsers::TCallback& callback) { TSetupUsers::Populate(callback); });
}

void TSetupProfileInfoList::Populate(bool portable, const TEnumerator& enumerateUsers) {
    Clear();
    const auto consider = [this](const String& name, const String& appData) {
        const String oldPath = TSetupProfileHelper::GetOldProfilePath(appData);
        if (!DirectoryExists(oldPath)) return;
        // The current user is reported twice: once is enough, or the profile
        // would be archived and migrated twice.
        for (const auto& item : items_)
            if (SameText(item->OldPath, oldPath)) return;
        Add({name, TSetupProfileHelper::GetNewProfilePath(appData), oldPath});
    };
    if (portable)
        consider(u"SingleUser", String());
    else
        enumerateUsers(consider);
}
