// Libraries loaded by name come from the system folder only, never from the
// program's own folder, where a web page may have planted one under the name
// of a library the program uses.
#include "ChildProcessSupport.h"
#include "TestFolder.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/LibrarySearch.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/Base/Strings.h"

#include <gtest/gtest.h>

using namespace ZUX;
using namespace ZUXTest;

namespace {

// Libraries of the toolkit that are not among the system's known libraries:
// imported by name, the loader looks for them beside the program first.
const char16_t* const kPlantedNames[] = {u"uxtheme.dll", u"msimg32.dll"};

// Under Wine a library of Wine's own is taken from beside a program only
// where the load order prefers native ones: for programs named Setup.exe
// while it lives.
class TPreferNativeLibraries {
public:
    TPreferNativeLibraries() {
        if (!IsRunningUnderWine()) return;
        TZUXRegKey key = RegOpenKeyWrite(HKEY_CURRENT_USER, kKey + u"\\DllOverrides", true);
        for (const char16_t* name : kPlantedNames)
            RegWriteStr(key.Get(), ChangeFileExt(name, String()), u"native,builtin");
    }
    ~TPreferNativeLibraries() {
        if (IsRunningUnderWine()) RegDeleteKeyTree(HKEY_CURRENT_USER, kKey);
    }
    TPreferNativeLibraries(const TPreferNativeLibraries&) = delete;
    TPreferNativeLibraries& operator=(const TPreferNativeLibraries&) = delete;

private:
    inline static const String kKey = u"Software\\Wine\\AppDefaults\\Setup.exe";
};

// A "downloads" folder with program copied into it as Setup.exe and the
// planted library beside it under each name.
class TDownloads {
public:
    explicit TDownloads(const String& program) {
        ok_ = ZUX::CopyFile(program, folder_ / u"Setup.exe", false);
        for (const char16_t* name : kPlantedNames)
            ok_ = ok_ && ZUX::CopyFile(GetProgramFolder() + u"planted.dll", folder_ / name, false);
    }
    bool Ok() const { return ok_; }
    const TTestFolder& Folder() const { return folder_; }
    // The planted libraries that were loaded (they leave a mark).
    String Loaded() const {
        String loaded;
        for (const char16_t* name : kPlantedNames)
            if (FileExists(folder_ / name + u".loaded")) loaded += String(name) + u" ";
        return loaded;
    }
    // Runs Setup.exe with arguments; under a loaded Wine the copy just written
    // is at times not yet ready to start.
    std::optional<uint32_t> Run(const String& arguments) const {
        std::optional<uint32_t> code;
        for (int attempt = 0; attempt < 5 && !code; ++attempt) {
            if (attempt) Sleep(500);
            code = RunAndWait(u"\"" + folder_ / u"Setup.exe" + u"\" " + arguments, 120000);
        }
        return code;
    }

private:
    TTestFolder folder_;
    bool ok_ = false;
};

} // namespace

TEST(LibrarySearch, APlantedLibraryBesideTheProgramIsNotLoaded) {
    const TPreferNativeLibraries preferNative;
    TChildWatchdog watchdog(60000);
    const auto run = [&](bool restrict) {
        const TDownloads downloads(GetProgramFileName());
        EXPECT_TRUE(downloads.Ok());
        EXPECT_EQ(downloads.Run(ChildTestArguments(u"ChildProcess.DISABLED_LoadPlanted") +
                                u" /RESTRICT=" + (restrict ? u"1" : u"0")),
                  0u);
        return downloads.Loaded();
    };
    // Without the restriction the planted libraries are taken: the test means
    // something.
    EXPECT_EQ(run(false), u"uxtheme.dll msimg32.dll ");
    EXPECT_EQ(run(true), u"");
    EXPECT_FALSE(watchdog.Fired());
}

// The program itself: neither what it imports (the loader resolves that before
// the restriction) nor what it loads later comes from beside it.
TEST(LibrarySearch, SetupTakesNoLibraryPlantedBesideIt) {
    const String setup = NormalizePath(GetProgramFolder() + u"..\\..\\Setup.exe");
    ASSERT_TRUE(FileExists(setup)) << ToUtf8(setup);
    const TPreferNativeLibraries preferNative;
    const TDownloads downloads(setup);
    ASSERT_TRUE(downloads.Ok());
    TChildWatchdog watchdog(180000);
    EXPECT_EQ(downloads.Run(u"/AUTO=" + downloads.Folder() / u"ZIVR /PORTABLE /SILENT"), 0u);
    EXPECT_TRUE(FileExists(downloads.Folder() / u"ZIVR\\ZIVR.exe"));
    EXPECT_EQ(downloads.Loaded(), u"");
    EXPECT_FALSE(watchdog.Fired());
}

// The child: loads the planted libraries' names, with or without the
// restriction.
TEST(ChildProcess, DISABLED_LoadPlanted) {
    const String restrict = CommandLineValue(u"RESTRICT");
    if (restrict.empty()) GTEST_SKIP() << "only as the child of the planted-library test";
    if (restrict == u"1") RestrictLibrarySearch();
    for (const char16_t* name : kPlantedNames) LoadLibraryW(WStr(name));
    ExitProcess(0);
}
