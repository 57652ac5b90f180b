// The same program started as Uninstall.exe reads the package beside itself
// instead of its "PRODUCT" resource. ctest runs a copy under that name.
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "engine/SetupResources.h"

#include <gtest/gtest.h>

using namespace ZUX;

TEST(UninstallerRole, ReadsThePackageBesideItself) {
    const String program = GetProgramFileName();
    if (!SameText(ExtractFileName(program), u"Uninstall.exe"))
        GTEST_SKIP() << "only as Uninstall.exe";
    {
        TSetupResources resources(nullptr);
        EXPECT_TRUE(resources.ProductPackage->Contains(u"Uninstall.ini"));
        EXPECT_FALSE(resources.ProductPackage->Contains(u"player.bin"));
        EXPECT_TRUE(resources.SetupPackage->Contains(u"Install.xml"));
    }
    // Without its package the uninstaller fails at start with the stream's error.
    const String dat = ChangeFileExt(program, u".dat");
    ASSERT_TRUE(MoveFile(dat, dat + u".away"));
    try {
        TSetupResources resources(nullptr);
        ADD_FAILURE() << "no error without Uninstall.dat";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find(u"Uninstall.dat"), String::npos);
    }
    MoveFile(dat + u".away", dat);
}
