// The user profiles of this computer and their roaming application-data
// folders, for the steps that back up or remove the product's per-user data.
#pragma once

#include "ZUX/Base/Registry.h"
#include "ZUX/Base/Strings.h"

#include <functional>

class TSetupUsers {
public:
    TSetupUsers() = delete;

    // name: the last component of the profile folder (normally the user
    // name); appData: the profile's roaming application-data folder.
    using TCallback = std::function<void(const ZUX::String& name, const ZUX::String& appData)>;

    // The current user first (appData with a trailing backslash), then every
    // profile of the machine's profile list. The current user is usually
    // reported twice; profiles without a folder or readable shell folders are
    // skipped.
    static void Populate(const TCallback& callback);

    // The profile-list part of Populate: profileList stands for the machine's
    // ProfileList key (one subkey per security identifier), users for
    // HKEY_USERS (the loaded hives, and ".DEFAULT").
    static void PopulateFromProfileList(HKEY profileList, HKEY users, const TCallback& callback);
};
