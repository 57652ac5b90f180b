// Where the player keeps each user's settings, and which users of this
// computer have a profile of the installed copy.
#pragma once

#include "ZUX/Base/Strings.h"
#include "engine/Users.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TSetupProfileHelper {
public:
    TSetupProfileHelper() = delete;

    // appData + product name (version id 4000 and later) or "ZIVR3" (older
    // copies), with a trailing backslash; without appData (a portable copy)
    // dest + "Profile\".
    static ZUX::String GetProfilePath(const ZUX::String& appData, int32_t versionId,
                                      const ZUX::String& productName, const ZUX::String& dest);
    // The same for the setup object's destination and product name.
    static ZUX::String GetProfilePath(const ZUX::String& appData, int32_t versionId);
    // The folder this setup's version uses.
    static ZUX::String GetNewProfilePath(const ZUX::String& appData);
    // The folder the installed copy uses.
    static ZUX::String GetOldProfilePath(const ZUX::String& appData);
};

struct TSetupProfileInfo {
    ZUX::String UserName; // "SingleUser" for a portable copy
    ZUX::String Path;     // the folder the new version uses
    ZUX::String OldPath;  // the installed copy's folder; it existed when listed
};

// The profiles of the installed copy, in the order the users were reported.
class TSetupProfileInfoList {
public:
    // Calls back once per user with the name and application-data folder.
    using TEnumerator = std::function<void(const TSetupUsers::TCallback&)>;

    // Portable copies have one user, "SingleUser", whose profile lies in the
    // destination; otherwise every user of the machine is asked.
    void Populate();
    // The same with the users given: a seam for tests.
    void Populate(bool portable, const TEnumerator& enumerateUsers);

    int Count() const { return int(items_.size()); }
    TSetupProfileInfo& Items(int index) const { return *items_.at(size_t(index)); }
    TSetupProfileInfo& Add(TSetupProfileInfo info);
    void Clear() { items_.clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    // Owned; the pointers stay valid while the list lives, so tasks may keep them.
    std::vector<std::unique_ptr<TSetupProfileInfo>> items_;
};
