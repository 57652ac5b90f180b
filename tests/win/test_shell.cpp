// The Windows shell: starting, shell links.
#include "ZUX/Base/Shell.h"

#include "TestFolder.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

using namespace ZUX;
using ZUXTest::TTestFolder;

namespace {

bool ProcessRunning(const wchar_t* exeName) {
    const TZUXKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more && !found;
         more = Process32NextW(snapshot.Get(), &entry))
        found = _wcsicmp(entry.szExeFile, exeName) == 0;
    return found;
}

} // namespace

TEST(Shell, ShortcutsRoundTrip) {
    TTestFolder root;
    const String target = root / u"Player.exe", link = root / u"Player.lnk";
    ZUXTest::WriteFile(target);

    EXPECT_FALSE(CreateShortcut(link, root / u"Missing.exe"));
    EXPECT_FALSE(FileExists(link));

    ASSERT_TRUE(CreateShortcut(link, target));
    EXPECT_TRUE(FileExists(link));
    String read = u"stale";
    EXPECT_TRUE(GetShortcutTarget(link, read));
    EXPECT_TRUE(SameText(read, target)) << ToUtf8(read);

    // Only ".lnk" names, and only links that load.
    EXPECT_FALSE(GetShortcutTarget(target, read));
    EXPECT_EQ(read, u"");
    EXPECT_FALSE(GetShortcutTarget(root / u"Missing.LNK", read));
    ZUXTest::WriteFile(root / u"Broken.lnk", "not a link");
    EXPECT_FALSE(GetShortcutTarget(root / u"Broken.lnk", read));
}

// Under Wine the shell cannot reach the host's browser; ShellOpen starts
// "winebrowser" instead. Its browser list is set to the host's "true" for the
// call, so nothing opens; the list is put back once winebrowser is gone.
TEST(Shell, ShellOpenStartsWinebrowserUnderWine) {
    // Wine passes the host's environment on, its prefix included.
    const bool wine = GetEnvironmentVariableW(L"WINEPREFIX", nullptr, 0) > 0;
    EXPECT_EQ(IsRunningUnderWine(), wine);
    if (!wine) GTEST_SKIP() << "not under Wine";

    const String path = u"Software\\Wine\\WineBrowser";
    const bool existed = bool(RegOpenKeyRead(HKEY_CURRENT_USER, path));
    TZUXRegKey key = RegOpenKeyWrite(HKEY_CURRENT_USER, path, true);
    const String before = RegReadStr(key, u"Browsers");
    const auto restore = ScopeExit([&] {
        // The processes started (CreateProcessW has returned) read the list first.
        for (int i = 0; i < 200 && ProcessRunning(L"winebrowser.exe"); ++i) Sleep(50);
        if (!before.empty())
            RegWriteStr(key, u"Browsers", before);
        else
            RegDeleteValueW(key, L"Browsers");
        key.Close();
        if (!existed) RegDeleteKeyTree(HKEY_CURRENT_USER, path);
    });
    ASSERT_TRUE(RegWriteStr(key, u"Browsers", u"true"));

    EXPECT_TRUE(ShellOpen(u"https://example.invalid/zivr"));
    EXPECT_TRUE(ShellExecute(u"HTTPS://example.invalid/zivr")); // addresses go to ShellOpen
    EXPECT_TRUE(OpenLink(u"example.invalid/zivr"));             // as https://example.invalid/zivr
}
