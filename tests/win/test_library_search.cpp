// Libraries loaded by name come from the system folder only, never from the
// program's own folder, where a web page may have planted one.
#include "ChildProcessSupport.h"
#include "TestFolder.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/LibrarySearch.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/Base/Strings.h"

#include <gtest/gtest.h>

using namespace ZUX;
using namespace ZUXTest;

namespace {

// The demo's shell extension, built beside this program's build tree: any
// library does, under a name no system library has.
String AnyLibrary() {
    return NormalizePath(GetProgramFolder() + u"..\\..\\demo\\standins\\zivr_menu64.dll");
}

} // namespace

TEST(LibrarySearch, APlantedLibraryBesideTheProgramIsNotLoaded) {
    const String library = AnyLibrary();
    if (!FileExists(library)) GTEST_SKIP() << "build demo_zivr_menu64 first: " << ToUtf8(library);
    // A copy of this program in a "downloads" folder, with a library planted beside it.
    TTestFolder downloads;
    const String program = downloads / u"Setup.exe";
    ASSERT_TRUE(ZUX::CopyFile(GetProgramFileName(), program, false));
    ASSERT_TRUE(ZUX::CopyFile(library, downloads / u"zivr_planted.dll", false));
    TChildWatchdog watchdog(60000);
    const auto run = [&](bool restrict) {
        // Under a loaded Wine the copy just written is at times not yet ready to start.
        std::optional<uint32_t> code;
        for (int attempt = 0; attempt < 5 && !code; ++attempt) {
            if (attempt) Sleep(500);
            code = RunAndWait(u"\"" + program + u"\" " +
                              ChildTestArguments(u"ChildProcess.DISABLED_LoadPlanted") +
                              u" /RESTRICT=" + (restrict ? u"1" : u"0"));
        }
        return code;
    };
    // Without the restriction the planted library is taken: the test means something.
    EXPECT_EQ(run(false), 1u);
    EXPECT_EQ(run(true), 0u);
    EXPECT_FALSE(watchdog.Fired());
}

// The child: 1 when the planted library was loaded, else 0.
TEST(ChildProcess, DISABLED_LoadPlanted) {
    const String restrict = CommandLineValue(u"RESTRICT");
    if (restrict.empty()) GTEST_SKIP() << "only as the child of the planted-library test";
    if (restrict == u"1") RestrictLibrarySearch();
    ExitProcess(LoadLibraryW(L"zivr_planted.dll") ? 1 : 0);
}
