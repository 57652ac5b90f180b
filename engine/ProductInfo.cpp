#include "engine/ProductInfo.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/StrUtils.h"
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"

#include <shlobj.h>

#include <ctime>

using namespace ZUX;

TSetupProductInfoClass ProductInfoClass = nullptr;

namespace {

String Setting(const char16_t* key) {
    return Setup->Resources->Script->GetSetting(key);
}

// An open registry key, closed on every path.
class TRegKey {
public:
    TRegKey() = default;
    ~TRegKey() {
        if (key_) RegCloseKey(key_);
    }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

String ReadString(HKEY key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return String();
    std::u16string value(size / 2 + 1, u'\0');
    size = DWORD(value.size() * 2);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return String();
    value.resize(size / 2);
    while (!value.empty() && value.back() == u'\0') value.pop_back();
    return value;
}

void WriteString(HKEY key, const wchar_t* name, const String& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * 2));
}

void WriteDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The program of a command line: the quoted path, or the whole text when it
// is not quoted (as older copies wrote it).
String CommandProgram(const String& command) {
    if (command.empty() || command[0] != u'"') return command;
    const size_t end = command.find(u'"', 1);
    return command.substr(1, end == String::npos ? String::npos : end - 1);
}

bool ReadInstallPath(const String& keyPath, REGSAM view, String& path) {
    TRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WStr(keyPath), 0, KEY_READ | view, key.Out()) !=
        ERROR_SUCCESS)
        return false;
    path = IncludeTrailingPathDelimiter(ReadString(key.Get(), L"InstallPath"));
    if (!DirectoryExists(path))
        path = ExtractFilePath(CommandProgram(ReadString(key.Get(), L"UninstallString")));
    if (!DirectoryExists(path)) path = ExtractFilePath(ReadString(key.Get(), L"DisplayIcon"));
    return DirectoryExists(path);
}

String SpecialFolder(int csidl) {
    wchar_t buffer[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return IncludeTrailingPathDelimiter(FromWStr(buffer));
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return IncludeTrailingPathDelimiter(FromWStr(temp, n));
}

} // namespace

String TSetupProductInfo::GetDefaultPath() {
    return IncludeTrailingPathDelimiter(Setup->Resources->ProgramFiles + GetProductName());
}

String TSetupProductInfo::GetDefaultPortablePath() {
    return IncludeTrailingPathDelimiter(SpecialFolder(CSIDL_DESKTOP) + GetProductName());
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

String TSetupAppRepo::GetKeyPath(bool wow6432) {
    return wow6432 ? u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                   : u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
}

String TSetupAppRepo::GetKeyName(const String& name) {
    return RemoveChar(name, u' ');
}

void TSetupAppRepo::Register(const String& name, const String& uninstallExe, const String& version,
                             const String& publisher, const String& homePage) {
    const String key = GetKeyName(name);
    if (key.empty()) return;
    Unregister(name);
    TRegKey k;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, WStr(GetKeyPath(false) + key), 0, nullptr, 0,
                        KEY_READ | KEY_WRITE, nullptr, k.Out(), nullptr) != ERROR_SUCCESS)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[16];
    swprintf(date, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    WriteDword(k.Get(), L"NoModify", 1);
    WriteDword(k.Get(), L"NoRepair", 1);
    WriteString(k.Get(), L"DisplayIcon", uninstallExe);
    WriteString(k.Get(), L"DisplayName", name);
    WriteString(k.Get(), L"DisplayVersion", version);
    WriteString(k.Get(), L"InstallDate", FromWStr(date));
    WriteString(k.Get(), L"InstallPath", ExtractFilePath(uninstallExe));
    WriteString(k.Get(), L"Publisher", publisher);
    // The system runs this as a command line: unquoted, "C:\Program Files\..."
    // would first start a "C:\Program.exe" that someone planted.
    WriteString(k.Get(), L"UninstallString",
                uninstallExe.find(u' ') != String::npos ? u"\"" + uninstallExe + u"\""
                                                        : uninstallExe);
    WriteString(k.Get(), L"URLInfoAbout", homePage);
}

void TSetupAppRepo::Unregister(const String& name) {
    const String key = GetKeyName(name);
    if (key.empty()) return;
    // The key goes with everything below it; a missing key is no error.
    for (const bool wow : {false, true})
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, WStr(GetKeyPath(wow) + key));
}

bool TSetupAppRepo::FindInstallPath(const String& name, String& path) {
    const String keyPath = GetKeyPath(false) + GetKeyName(name);
    return ReadInstallPath(keyPath, 0, path) || ReadInstallPath(keyPath, KEY_WOW64_32KEY, path);
}

void TSetupSummaryBuilder::AddHeader(const String& text) {
    pendingHeader_ = EndsWith(text, u":", false) ? text : text + u":";
}

void TSetupSummaryBuilder::AddHeaderText(StringView section, StringView key) {
    AddHeader(Setup->Resources->GetText(section, key));
}

void TSetupSummaryBuilder::AddItem(const String& text) {
    if (!pendingHeader_.empty()) {
        if (!text_.empty()) text_ += u"\r\n";
        text_ += pendingHeader_ + u"\r\n";
        pendingHeader_.clear();
    }
    text_ += u" * " + text + u"\r\n";
}

void TSetupSummaryBuilder::AddItemText(StringView section, StringView key) {
    AddItem(Setup->Resources->GetText(section, key));
}
