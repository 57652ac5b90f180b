// What an update takes away besides the old copy's files, written down before
// it goes: whole registry keys (the uninstall entries of both views), shortcut
// files and folders, the shell extensions it unregisters, and the empty
// folders of the old copy, which the archive does not hold. The record lies
// beside the marker, so that the restore after a killed run finds it too, and
// goes with it.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <vector>

struct TSetupUpdateRecord {
    // A key below HKEY_LOCAL_MACHINE with everything below it.
    struct TKey {
        struct TValue {
            ZUX::String Subkey; // relative to the key; empty: the key itself
            ZUX::String Name;
            uint32_t Type = 0;
            ZUX::Bytes Data; // as the registry stores it
        };
        ZUX::String Path;
        bool Existed = false;
        std::vector<ZUX::String> Subkeys; // relative, parents before children
        std::vector<TValue> Values;
    };
    // A file, or a folder (the path ends in a backslash) with its content.
    struct TPath {
        struct TFile {
            ZUX::String Name; // relative to a folder; empty for a file
            ZUX::Bytes Data;
        };
        ZUX::String Path;
        bool Existed = false;
        std::vector<ZUX::String> Folders; // relative, with a trailing backslash
        std::vector<TFile> Files;
    };

    std::vector<TKey> Keys;
    std::vector<TPath> Paths;
    std::vector<ZUX::String> Servers;      // shell extensions, re-registered on restore
    std::vector<ZUX::String> EmptyFolders; // of the old copy and its profiles

    // As they are now.
    static TKey ReadKey(const ZUX::String& path);
    static TPath ReadPath(const ZUX::String& path);
    // The empty folders below folder, skip (a folder inside) aside.
    void AddEmptyFolders(const ZUX::String& folder, const ZUX::String& skip);

    // Written beside fileName and renamed into place; false on failure.
    bool Save(const ZUX::String& fileName) const;
    // An absent file is an empty record; false when it cannot be read.
    bool Load(const ZUX::String& fileName);

    // Puts keys, paths and folders back as recorded, then registers the
    // servers whose files are there again; false with the first reason.
    bool PutBack(ZUX::String& reason) const;
};
