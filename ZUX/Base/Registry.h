// Registry keys and values: open, read, write, enumerate, delete trees. Roots
// are the predefined keys (HKEY_CURRENT_USER, ...); access words are the
// Windows ones, so a caller adds KEY_WOW64_32KEY for the 32-bit view.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <functional>

// Declared exactly as <windows.h> declares it, so this header does not need it.
struct HKEY__;
typedef HKEY__* HKEY;

namespace ZUX {

// Closes a key (RegCloseKey).
struct TZUXRegKeyCloser {
    static void Close(HKEY key) noexcept;
};

// Owns an open key and closes it when dropped. Converts to the raw key, so it
// goes wherever an HKEY is taken; a null key means "none".
class TZUXRegKey : public TZUXHandle<HKEY, TZUXRegKeyCloser> {
public:
    using TZUXHandle::TZUXHandle;
    operator HKEY() const { return Get(); }
};

// The key, or none.
TZUXRegKey RegOpenKey(HKEY root, const String& path, uint32_t access);
TZUXRegKey RegOpenKeyRead(HKEY root, const String& path);
// Read and write access; when that fails and create is set, the key is created
// with full access.
TZUXRegKey RegOpenKeyWrite(HKEY root, const String& path, bool create);
void RegCloseKey(TZUXRegKey& key);

// A string or expandable string value as stored (not expanded); "" otherwise.
String RegReadStr(HKEY key, const String& name);
String RegReadStr(HKEY root, const String& path, const String& name);
// A 32-bit number value, else defaultValue.
int32_t RegReadInt(HKEY key, const String& name, int32_t defaultValue);
// A string value, stored with its terminating zero.
bool RegWriteStr(HKEY key, const String& name, const String& value);
bool RegWriteInt(HKEY key, const String& name, int32_t value);

// Calls proc with each subkey's name in index order; false when the key
// cannot be opened.
bool RegEnumKeys(HKEY root, const String& path, const std::function<void(const String&)>& proc);
// Deletes the subkeys depth first, last index first, then the key itself; the
// result is that of the key's own deletion.
bool RegDeleteKeyTree(HKEY root, const String& path);

} // namespace ZUX
