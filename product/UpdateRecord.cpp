// The record of what an update removes besides the old copy's files.
#include "product/UpdateRecord.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/ActiveX.h"

#include <algorithm>
#include <iterator>

using namespace ZUX;

namespace {

const char16_t* const kRecord = u"Record";

String N(size_t i) {
    return IntToStr(int64_t(i));
}

// A list of names as a count and one numbered key per name.
void WriteList(TZUXIniFile& ini, StringView section, StringView countKey, StringView itemKey,
               const std::vector<String>& items) {
    ini.WriteInteger(section, countKey, int32_t(items.size()));
    for (size_t i = 0; i < items.size(); ++i)
        ini.WriteString(section, String(itemKey) + N(i), items[i]);
}

std::vector<String> ReadList(const TZUXIniFile& ini, StringView section, StringView countKey,
                             StringView itemKey) {
    std::vector<String> items;
    const int32_t count = ini.ReadInteger(section, countKey, 0);
    for (int32_t i = 0; i < count; ++i)
        items.push_back(ini.ReadString(section, String(itemKey) + N(size_t(i)), u""));
    return items;
}

// The bytes the record wrote as hexadecimal digits; none when they are damaged.
Bytes HexBytes(const String& text) {
    Bytes bytes;
    HexDecode(text, bytes);
    return bytes;
}

// The file's bytes; false when it cannot be read.
bool ReadBytes(const String& path, Bytes& bytes) {
    try {
        TZUXFileStream file(path, fmOpenRead | fmShareDenyNone);
        bytes.assign(size_t(file.Size()), '\0');
        file.ReadBuffer(bytes.data(), int64_t(bytes.size()));
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool WriteBytes(const String& path, const Bytes& bytes, String& reason) {
    ForceDirectoriesForFile(path);
    SetFileAttr(path, FILE_ATTRIBUTE_NORMAL);
    try {
        TZUXFileStream file(path, fmCreate);
        file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
        return true;
    } catch (const Exception& e) {
        reason = e.Message();
        return false;
    }
}

void ReadValues(const String& path, const String& subkey, TSetupUpdateRecord::TKey& key) {
    const TZUXRegKey handle = RegOpenKeyRead(HKEY_LOCAL_MACHINE, path + subkey);
    if (!handle) return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = DWORD(std::size(name)), type = 0, size = 0;
        if (RegEnumValueW(handle, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        TSetupUpdateRecord::TKey::TValue value{subkey, FromWStr(name, nameLength), type, {}};
        value.Data.assign(size, '\0');
        if (RegQueryValueExW(handle, name, nullptr, &type,
                             reinterpret_cast<BYTE*>(value.Data.data()), &size) != ERROR_SUCCESS)
            continue;
        value.Data.resize(size);
        key.Values.push_back(std::move(value));
    }
    std::vector<String> children;
    RegEnumKeys(HKEY_LOCAL_MACHINE, path + subkey,
                [&children](const String& child) { children.push_back(child); });
    for (const String& child : children) {
        key.Subkeys.push_back(subkey + child + u"\\");
        ReadValues(path, subkey + child + u"\\", key);
    }
}

// True when folder holds anything; the empty folders below it go to out.
bool CollectEmpty(const String& folder, const String& skip, std::vector<String>& out) {
    TZUXFindFileInfo info;
    if (!FindFirst(folder, String(), fkAny, info)) return false;
    do {
        if (!info.IsFolder || IsLinkFolder(info)) continue;
        const String sub = info.FullPath() + u"\\";
        if (!skip.empty() && SameText(sub, skip)) continue;
        if (!CollectEmpty(sub, skip, out)) out.push_back(sub);
    } while (FindNext(info));
    return true;
}

} // namespace

TSetupUpdateRecord::TKey TSetupUpdateRecord::ReadKey(const String& path) {
    TKey key;
    key.Path = IncludeTrailingPathDelimiter(path);
    key.Existed = bool(RegOpenKeyRead(HKEY_LOCAL_MACHINE, key.Path));
    if (key.Existed) ReadValues(key.Path, String(), key);
    return key;
}

TSetupUpdateRecord::TPath TSetupUpdateRecord::ReadPath(const String& path) {
    TPath record;
    record.Path = path;
    if (path.empty() || path.back() != u'\\') {
        TPath::TFile file;
        record.Existed = FileExists(path) && ReadBytes(path, file.Data);
        if (record.Existed) record.Files.push_back(std::move(file));
        return record;
    }
    record.Existed = DirectoryExists(path);
    if (!record.Existed) return record;
    // Parents before children, so that the folders can be made in list order.
    std::vector<String> folders{path};
    for (size_t i = 0; i < folders.size(); ++i) {
        TZUXFindFileInfo info;
        if (!FindFirst(folders[i], String(), fkAny, info)) continue;
        do {
            const String full = info.FullPath();
            const String relative = full.substr(path.size());
            if (info.IsFolder) {
                if (IsLinkFolder(info)) continue;
                folders.push_back(full + u"\\");
                record.Folders.push_back(relative + u"\\");
            } else {
                TPath::TFile file{relative, {}};
                if (ReadBytes(full, file.Data)) record.Files.push_back(std::move(file));
            }
        } while (FindNext(info));
    }
    return record;
}

void TSetupUpdateRecord::AddEmptyFolders(const String& folder, const String& skip) {
    CollectEmpty(IncludeTrailingPathDelimiter(folder), skip, EmptyFolders);
}

bool TSetupUpdateRecord::Save(const String& fileName) const {
    TZUXIniFile ini;
    ini.WriteInteger(kRecord, u"Keys", int32_t(Keys.size()));
    ini.WriteInteger(kRecord, u"Paths", int32_t(Paths.size()));
    WriteList(ini, kRecord, u"Servers", u"Server", Servers);
    WriteList(ini, kRecord, u"Folders", u"Folder", EmptyFolders);
    for (size_t k = 0; k < Keys.size(); ++k) {
        const TKey& key = Keys[k];
        const String section = u"Key" + N(k);
        ini.WriteString(section, u"Path", key.Path);
        ini.WriteBool(section, u"Existed", key.Existed);
        WriteList(ini, section, u"Subkeys", u"Subkey", key.Subkeys);
        ini.WriteInteger(section, u"Values", int32_t(key.Values.size()));
        for (size_t i = 0; i < key.Values.size(); ++i) {
            const auto& value = key.Values[i];
            ini.WriteString(section, u"Where" + N(i), value.Subkey);
            ini.WriteString(section, u"Name" + N(i), value.Name);
            ini.WriteInteger(section, u"Type" + N(i), int32_t(value.Type));
            ini.WriteString(section, u"Data" + N(i), HexEncode(value.Data));
        }
    }
    for (size_t p = 0; p < Paths.size(); ++p) {
        const TPath& path = Paths[p];
        const String section = u"Path" + N(p);
        ini.WriteString(section, u"Path", path.Path);
        ini.WriteBool(section, u"Existed", path.Existed);
        WriteList(ini, section, u"Folders", u"Folder", path.Folders);
        ini.WriteInteger(section, u"Files", int32_t(path.Files.size()));
        for (size_t i = 0; i < path.Files.size(); ++i) {
            ini.WriteString(section, u"Name" + N(i), path.Files[i].Name);
            ini.WriteString(section, u"Data" + N(i), HexEncode(path.Files[i].Data));
        }
    }
    // Whole or absent, as the marker.
    const String temporary = fileName + u".new";
    return ini.SaveToFile(temporary, TZUXEncoding::UTF16LE) &&
           MoveFileReplacing(temporary, fileName);
}

bool TSetupUpdateRecord::Load(const String& fileName) {
    *this = TSetupUpdateRecord();
    if (!FileExists(fileName)) return false;
    TZUXIniFile ini;
    ini.LoadFromFile(fileName);
    if (!ini.ExistsSection(kRecord)) return false;
    const auto count = [&ini](StringView section, StringView key) {
        return std::max<int32_t>(0, ini.ReadInteger(section, key, 0));
    };
    Servers = ReadList(ini, kRecord, u"Servers", u"Server");
    EmptyFolders = ReadList(ini, kRecord, u"Folders", u"Folder");
    for (int32_t k = 0; k < count(kRecord, u"Keys"); ++k) {
        const String section = u"Key" + N(size_t(k));
        TKey key;
        key.Path = ini.ReadString(section, u"Path", u"");
        key.Existed = ini.ReadBool(section, u"Existed", false);
        key.Subkeys = ReadList(ini, section, u"Subkeys", u"Subkey");
        for (int32_t i = 0; i < count(section, u"Values"); ++i) {
            const String n = N(size_t(i));
            key.Values.push_back({ini.ReadString(section, u"Where" + n, u""),
                                  ini.ReadString(section, u"Name" + n, u""),
                                  uint32_t(ini.ReadInteger(section, u"Type" + n, REG_SZ)),
                                  HexBytes(ini.ReadString(section, u"Data" + n, u""))});
        }
        if (!key.Path.empty()) Keys.push_back(std::move(key));
    }
    for (int32_t p = 0; p < count(kRecord, u"Paths"); ++p) {
        const String section = u"Path" + N(size_t(p));
        TPath path;
        path.Path = ini.ReadString(section, u"Path", u"");
        path.Existed = ini.ReadBool(section, u"Existed", false);
        path.Folders = ReadList(ini, section, u"Folders", u"Folder");
        for (int32_t i = 0; i < count(section, u"Files"); ++i)
            path.Files.push_back({ini.ReadString(section, u"Name" + N(size_t(i)), u""),
                                  HexBytes(ini.ReadString(section, u"Data" + N(size_t(i)), u""))});
        if (!path.Path.empty()) Paths.push_back(std::move(path));
    }
    return true;
}

bool TSetupUpdateRecord::PutBack(String& reason) const {
    bool ok = true;
    const auto fail = [&](const String& why) {
        if (ok) reason = why;
        ok = false;
    };
    for (const String& folder : EmptyFolders)
        if (!DirectoryExists(folder) && !ForceDirectories(folder))
            fail(Format(u"\"%s\": %s", {folder, SysErrorMessage(GetLastError())}));

    // Whatever the run left under a recorded key goes; the key as it was comes back.
    for (const TKey& key : Keys) {
        RegDeleteKeyTree(HKEY_LOCAL_MACHINE, key.Path);
        if (!key.Existed) continue;
        bool written = bool(RegOpenKeyWrite(HKEY_LOCAL_MACHINE, key.Path, true));
        for (const String& subkey : key.Subkeys)
            written = bool(RegOpenKeyWrite(HKEY_LOCAL_MACHINE, key.Path + subkey, true)) && written;
        for (const auto& value : key.Values) {
            const TZUXRegKey handle =
                RegOpenKeyWrite(HKEY_LOCAL_MACHINE, key.Path + value.Subkey, true);
            written = handle &&
                      RegSetValueExW(handle, WStr(value.Name), 0, value.Type,
                                     reinterpret_cast<const BYTE*>(value.Data.data()),
                                     DWORD(value.Data.size())) == ERROR_SUCCESS &&
                      written;
        }
        if (!written) fail(Format(u"The registry key \"HKLM\\%s\" cannot be written", {key.Path}));
    }

    // Likewise for shortcuts: what the run made at a recorded place goes.
    for (const TPath& path : Paths) {
        const bool folder = path.Path.back() == u'\\';
        if (folder) {
            DeleteDirectory(path.Path, true);
        } else {
            SetFileAttr(path.Path, FILE_ATTRIBUTE_NORMAL);
            DeleteFile(path.Path);
        }
        if (!path.Existed) continue;
        if (folder) ForceDirectories(path.Path);
        for (const String& sub : path.Folders)
            if (!ForceDirectories(path.Path + sub))
                fail(Format(u"\"%s\": %s", {path.Path + sub, SysErrorMessage(GetLastError())}));
        for (const auto& file : path.Files) {
            String why;
            if (!WriteBytes(path.Path + file.Name, file.Data, why)) fail(why);
        }
    }

    for (const String& server : Servers)
        if (FileExists(server)) TSetupActiveX::RegisterServer(server);
    return ok;
}
