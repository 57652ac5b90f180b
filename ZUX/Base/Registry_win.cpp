// Registry keys and values through the Win32 registry functions.
#include "ZUX/Base/Log.h"
#include "ZUX/Base/Registry.h"

#include "ZUX/Base/Win32.h"

#include <vector>

namespace ZUX {

namespace {

// The longest key name the registry allows, plus the zero.
constexpr DWORD kMaxKeyName = 256;

} // namespace

void TZUXRegKeyCloser::Close(HKEY key) noexcept {
    ::RegCloseKey(key);
}

TZUXRegKey RegOpenKey(HKEY root, const String& path, uint32_t access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, WStr(path), 0, access, &key) != ERROR_SUCCESS) return TZUXRegKey();
    return TZUXRegKey(key);
}

TZUXRegKey RegOpenKeyRead(HKEY root, const String& path) {
    return RegOpenKey(root, path, KEY_READ);
}

TZUXRegKey RegOpenKeyWrite(HKEY root, const String& path, bool create) {
    TZUXRegKey key = RegOpenKey(root, path, KEY_READ | KEY_WRITE);
    if (key || !create) return key;
    HKEY created = nullptr;
    if (RegCreateKeyExW(root, WStr(path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
        return TZUXRegKey();
    return TZUXRegKey(created);
}

void RegCloseKey(TZUXRegKey& key) {
    key.Close();
}

String RegReadStr(HKEY key, const String& name) {
    if (!key) return String();
    // The value may change between the size query and the read; try again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key, WStr(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return String();
        if (type != REG_SZ && type != REG_EXPAND_SZ) return String();
        // Stored data need not end with a zero, nor have an even length.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
        DWORD got = DWORD(buffer.size() * sizeof(wchar_t));
        const LSTATUS rc = RegQueryValueExW(key, WStr(name), nullptr, &type,
                                            reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return String();
        size_t n = got / sizeof(wchar_t);
        while (n > 0 && buffer[n - 1] == 0) --n;
        return FromWStr(buffer.data(), n);
    }
    return String();
}

String RegReadStr(HKEY root, const String& path, const String& name) {
    return RegReadStr(RegOpenKeyRead(root, path), name);
}

int32_t RegReadInt(HKEY key, const String& name, int32_t defaultValue) {
    if (!key) return defaultValue;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key, WStr(name), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return defaultValue;
    return int32_t(value);
}

namespace {

bool Written(LSTATUS status, const String& name, const String& value) {
    if (status == ERROR_SUCCESS)
        LogFmt(u"Registry value written: %s = %s", {name, value});
    else
        LogOSError(u"Registry value not written: " + name, uint32_t(status));
    return status == ERROR_SUCCESS;
}

} // namespace

bool RegWriteStr(HKEY key, const String& name, const String& value) {
    if (!key) return false;
    const DWORD bytes = DWORD((value.size() + 1) * sizeof(char16_t));
    return Written(RegSetValueExW(key, WStr(name), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(value.c_str()), bytes),
                   name, value);
}

bool RegWriteInt(HKEY key, const String& name, int32_t value) {
    if (!key) return false;
    const DWORD data = DWORD(value);
    return Written(RegSetValueExW(key, WStr(name), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&data), sizeof data),
                   name, IntToStr(value));
}

bool RegEnumKeys(HKEY root, const String& path, const std::function<void(const String&)>& proc) {
    const TZUXRegKey key = RegOpenKeyRead(root, path);
    if (!key) return false;
    wchar_t name[kMaxKeyName + 4];
    for (DWORD index = 0;; ++index) {
        DWORD length = DWORD(std::size(name));
        const LSTATUS rc =
            RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        proc(FromWStr(name, length));
    }
    return true;
}

bool RegDeleteKeyTree(HKEY root, const String& path) {
    if (path.empty()) return false; // never the root itself
    if (const TZUXRegKey key = RegOpenKeyRead(root, path)) {
        DWORD count = 0;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            // From the last index down, so deleting does not shift the ones to come.
            for (DWORD index = count; index-- > 0;) {
                wchar_t name[kMaxKeyName + 4];
                DWORD length = DWORD(std::size(name));
                if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                    ERROR_SUCCESS)
                    RegDeleteKeyTree(key, FromWStr(name, length));
            }
        }
    }
    const LSTATUS status = RegDeleteKeyW(root, WStr(path));
    if (status == ERROR_SUCCESS)
        LogFmt(u"Registry key removed: %s", {path});
    else if (status != ERROR_FILE_NOT_FOUND)
        LogOSError(u"Registry key not removed: " + path, uint32_t(status));
    return status == ERROR_SUCCESS;
}

} // namespace ZUX
