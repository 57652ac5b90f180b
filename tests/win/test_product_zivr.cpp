// The ZIVR product description: detection of an installed copy, the update
// rule, the options it hands to the wizard, the run's action list, and the
// users' profile folders.
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"
#include "product/ProductZIVR.h"
#include "product/Profiles.h"
#include "tests/win/TestFolder.h"

#include "engine/UninstallEntry.h"
#include "product/ActionCloseApplications.h"
#include "product/ActionPrepare.h"
#include "product/ActionsIntegration.h"
#include "product/ActionsUninstall.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using namespace ZUX;
using ZUXTest::TTestFolder;
using ZUXTest::WriteFile;

namespace {

class Product : public testing::Test {
protected:
    void SetUp() override {
        ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new TProductInfoZIVR); };
        setup = std::make_unique<TSetup>(u"");
        setup->Resources->InitializeLanguages(1033);
    }
    void TearDown() override {
        setup.reset();
        TSetupAppRepo::Unregister(u"ZIVR");
        TSetupAppRepo::Unregister(u"ZIVR3");
    }
    TProductInfoZIVR& Zivr() { return static_cast<TProductInfoZIVR&>(*setup->ProductInfo); }
    // A folder holding one configuration file with the given text.
    String Copy(const String& name, const char* fileName, const std::string& ini) {
        const String folder = root / name + u"\\";
        ForceDirectories(folder);
        WriteFile(folder + FromUtf8(fileName), ini);
        return folder;
    }

    TTestFolder root;
    std::unique_ptr<TSetup> setup;
};

} // namespace

TEST_F(Product, DetectsInstalledCopyFromItsConfiguration) {
    struct Case {
        const char* fileName;
        std::string ini;
        int32_t version;
        bool portable, updatable;
    } cases[] = {
        {"ZIVR3.ini", "[System]\r\nVersion=3900\r\n", 3900, false, true},
        {"ZIVR.ini", "[System]\r\nVersion=5030\r\nUserMode=0\r\n", 5030, true, true},
        {"ZIVR.ini", "[System]\r\nVersion=5300\r\nUserMode=1\r\n", 5300, false, true},
        {"ZIVR.ini", "[System]\r\nVersion=5500\r\nUserMode=0\r\n", 5500, true, false},
        {"ZIVR.ini", "[System]\r\nUserMode=0\r\n", 0, true, false},
        {"ZIVR.ini", "[Player]\r\nVersion=5000\r\n", 0, false, false},
        {"ZIVR.ini", "[System]\r\nVersion=3499\r\n", 3499, false, false},
        {"ZIVR.ini", "[System]\r\nVersion=3500\r\n", 3500, false, true},
        {"ZIVR.ini", "[System]\r\nVersion=5499\r\n", 5499, false, true},
        {"none.txt", "[System]\r\nVersion=5000\r\n", 0, false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        setup->Flags = 0; // the engine only ever adds PORTABLE
        setup->SetDestPath(Copy(u"c" + IntToStr(n++), c.fileName, c.ini));
        EXPECT_EQ(Zivr().GetInstalledVersion(), c.version);
        EXPECT_EQ(Zivr().IsPortable(), c.portable);
        EXPECT_EQ(Zivr().CanUpdate(), c.updatable);
        // The engine seeds UPDATE from the rule and PORTABLE from an updatable portable copy.
        EXPECT_EQ(setup->HasFlag(sfUpdate), c.updatable);
        EXPECT_EQ(setup->HasFlag(sfPortable), c.updatable && c.portable);
    }
}

TEST_F(Product, NewerConfigurationNameWinsAndEachLoadStartsAfresh) {
    const String both = Copy(u"both", "ZIVR3.ini", "[System]\r\nVersion=3900\r\n");
    WriteFile(both + u"ZIVR.ini", "[System]\r\nVersion=5300\r\nUserMode=0\r\n");
    EXPECT_EQ(TProductInfoZIVR::GetConfigFileName(both), both + u"ZIVR.ini");
    setup->SetDestPath(both);
    EXPECT_EQ(Zivr().GetInstalledVersion(), 5300);
    EXPECT_TRUE(Zivr().IsPortable());

    setup->SetDestPath(root / u"empty\\");
    EXPECT_EQ(TProductInfoZIVR::GetConfigFileName(root / u"empty\\"), u"");
    EXPECT_EQ(Zivr().GetInstalledVersion(), 0);
    EXPECT_FALSE(Zivr().IsPortable());
    EXPECT_FALSE(setup->HasFlag(sfUpdate));
}

TEST_F(Product, LoadMirrorsIntegrationSectionIntoOptions) {
    const String withIt = Copy(u"a", "ZIVR.ini",
                               "[System]\r\nVersion=5300\r\n[Integration]\r\nShellMenu=0\r\n"
                               "Assoc.mp3=1\r\n[Player]\r\nVolume=5\r\n");
    const String without = Copy(u"b", "ZIVR.ini", "[System]\r\nVersion=5300\r\n");

    setup->Options->WriteString(u"Integration", u"Stale", u"1");
    setup->SetDestPath(withIt);
    EXPECT_EQ(setup->Options->ReadSectionText(u"Integration"), u"ShellMenu=0\r\nAssoc.mp3=1\r\n");
    EXPECT_FALSE(setup->Options->ExistsSection(u"Player"));

    // Another folder's choices do not leak over: the section is emptied, not removed.
    setup->SetDestPath(without);
    EXPECT_TRUE(setup->Options->ExistsSection(u"Integration"));
    EXPECT_EQ(setup->Options->ReadSectionText(u"Integration"), u"");
}

TEST_F(Product, FindsInstalledCopyThroughUninstallEntries) {
    const String older = Copy(u"old", "ZIVR3.ini", "[System]\r\nVersion=3900\r\n");
    const String newer = Copy(u"new", "ZIVR.ini", "[System]\r\nVersion=5300\r\n");
    String path;

    TSetupAppRepo::Register(u"ZIVR3", older + u"Uninstall.exe", u"3.90", u"p", u"h");
    ASSERT_TRUE(TProductInfoZIVR::FindInstalledPath(path));
    EXPECT_EQ(path, older);

    TSetupAppRepo::Register(u"ZIVR", newer + u"Uninstall.exe", u"5.30", u"p", u"h");
    ASSERT_TRUE(TProductInfoZIVR::FindInstalledPath(path));
    EXPECT_EQ(path, newer);
    EXPECT_EQ(Zivr().GetDefaultPath(), newer);

    // An entry whose folder is gone does not count.
    TSetupAppRepo::Register(u"ZIVR", root / u"gone\\Uninstall.exe", u"5.30", u"p", u"h");
    ASSERT_TRUE(TProductInfoZIVR::FindInstalledPath(path));
    EXPECT_EQ(path, older);

    TSetupAppRepo::Unregister(u"ZIVR3");
    EXPECT_EQ(Zivr().GetDefaultPath(), setup->Resources->ProgramFiles + u"Test Player\\");
}

TEST_F(Product, FindsRunningPlayerByItsWindow) {
    String path;
    // No player runs in the test prefix.
    ASSERT_FALSE(FindWindowW(L"TZIVRMainForm", nullptr));
    EXPECT_FALSE(TProductInfoZIVR::FindInstalledPath(path));

    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TZIVRMainForm";
    RegisterClassW(&wc);
    const HWND window = CreateWindowExW(0, L"TZIVRMainForm", L"ZIVR", WS_OVERLAPPED, 0, 0, 10, 10,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    const auto destroy = ScopeExit([window] {
        if (window) DestroyWindow(window);
    });
    UnregisterClassW(L"TZIVRMainForm", GetModuleHandleW(nullptr)); // after the window is gone
    if (!window) GTEST_SKIP() << "no top-level windows without a display";
    ASSERT_TRUE(TProductInfoZIVR::FindInstalledPath(path));
    EXPECT_EQ(path, GetProgramFolder()); // the window belongs to this test program
}

TEST_F(Product, ActionListFollowsModeFlagsAndLanguage) {
    const std::map<TSetupActionClass, std::string> names{
        {&CreateAction<TSetupActionCloseApplications>, "Close"},
        {&CreateAction<TSetupActionPrepare>, "Prepare"},
        {&CreateAction<TSetupActionAddonsInstall>, "Addons"},
        {&CreateAction<TSetupActionExtract>, "Extract"},
        {&CreateAction<TSetupActionConfig>, "Config"},
        {&CreateAction<TSetupActionIntegrate>, "Integrate"},
        {&CreateAction<TSetupActionShortcuts>, "Shortcuts"},
        {&CreateAction<TSetupActionUpdateShellCache>, "ShellCache"},
        {&CreateAction<TSetupActionUninstallIntegration>, "UninstallIntegration"},
        {&CreateAction<TSetupActionUninstallFiles>, "UninstallFiles"},
    };
    const bool win10 = TProductInfoZIVR::IsWindows10OrLater();
    using V = std::vector<std::string>;
    struct Case {
        TSetupMode mode;
        uint8_t flags;
        const char16_t* language;
        V expected;
    } cases[] = {
        {smInstall,
         0,
         u"English",
         {"Close", "Prepare", "Extract", "Config", "Integrate", "Shortcuts"}},
        {smInstall,
         0,
         u"russian",
         {"Close", "Prepare", "Addons", "Extract", "Config", "Integrate", "Shortcuts"}},
        {smInstall,
         FlagBit(sfAuto),
         u"Russian",
         {"Close", "Prepare", "Extract", "Config", "Integrate", "Shortcuts"}},
        {smInstall,
         FlagBit(sfSilent),
         u"Russian",
         {"Close", "Prepare", "Extract", "Config", "Integrate", "Shortcuts"}},
        {smInstall, FlagBit(sfUpdate), u"English", {"Close", "Prepare", "Extract", "Config"}},
        {smInstall,
         FlagBit(sfPortable),
         u"English",
         {"Close", "Prepare", "Extract", "Config", "Shortcuts"}},
        {smInstall,
         uint8_t(FlagBit(sfUpdate) | FlagBit(sfPortable)),
         u"English",
         {"Close", "Prepare", "Extract", "Config"}},
        {smUninstall, 0, u"Russian", {"Close", "UninstallIntegration", "UninstallFiles"}},
    };
    for (const Case& c : cases) {
        setup->Mode = c.mode;
        setup->Flags = c.flags;
        setup->Resources->Language = c.language;
        V expected = c.expected;
        if (c.mode == smInstall && win10) expected.push_back("ShellCache");
        V actual;
        Zivr().PopulateActions([&](TSetupActionClass cls) {
            const auto it = names.find(cls);
            actual.push_back(it == names.end() ? "?" : it->second);
        });
        EXPECT_EQ(actual, expected) << int(c.mode) << " flags " << int(c.flags);
        // Availability does not look at the mode; only an installation asks for it.
        if (c.mode == smInstall) {
            EXPECT_EQ(TProductInfoZIVR::AddonsAvailable(),
                      std::find(actual.begin(), actual.end(), "Addons") != actual.end());
        }
    }
}

// ---- profiles ----

TEST_F(Product, ProfileFolderFollowsVersionAndPortability) {
    EXPECT_EQ(TSetupProfileHelper::GetProfilePath(u"C:\\A\\", 3999, u"ZIVR", u"D:\\T\\"),
              u"C:\\A\\ZIVR3\\");
    EXPECT_EQ(TSetupProfileHelper::GetProfilePath(u"C:\\A", 4000, u"ZIVR", u"D:\\T\\"),
              u"C:\\A\\ZIVR\\");
    EXPECT_EQ(TSetupProfileHelper::GetProfilePath(u"", 5300, u"ZIVR", u"D:\\T\\"),
              u"D:\\T\\Profile\\");
    EXPECT_EQ(TSetupProfileHelper::GetProfilePath(u"", 3900, u"ZIVR", u"D:\\T"),
              u"D:\\T\\Profile\\");
}

TEST_F(Product, ProfilesListOnlyUsersWithAnOldProfile) {
    // Installed 5300: profiles are named after the product ("Test Player" here).
    const String dest = Copy(u"T", "ZIVR.ini", "[System]\r\nVersion=5300\r\n");
    setup->SetDestPath(dest);
    const String a1 = root / u"u1\\", a2 = root / u"u2\\", a3 = root / u"u3\\";
    ForceDirectories(a1 + u"Test Player\\");
    ForceDirectories(a3 + u"Test Player\\");
    ForceDirectories(a2 + u"ZIVR3\\"); // another version's folder does not count

    TSetupProfileInfoList list;
    list.Populate(false, [&](const TSetupUsers::TCallback& report) {
        report(u"u3", a3);
        report(u"u1", a1);
        report(u"u2", a2);
        report(u"u3", a3); // the current user comes twice
    });
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0).UserName, u"u3");
    EXPECT_EQ(list.Items(0).OldPath, a3 + u"Test Player\\");
    EXPECT_EQ(list.Items(0).Path, TSetupProfileHelper::GetNewProfilePath(a3));
    EXPECT_EQ(list.Items(1).UserName, u"u1");

    // Portable: one user, the profile in the destination, listed only when there.
    list.Populate(true, [](const TSetupUsers::TCallback&) { FAIL() << "users asked"; });
    EXPECT_EQ(list.Count(), 0);
    ForceDirectories(dest + u"Profile\\");
    list.Populate(true, nullptr);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).UserName, u"SingleUser");
    EXPECT_EQ(list.Items(0).OldPath, dest + u"Profile\\");
    EXPECT_EQ(list.Items(0).Path, dest + u"Profile\\");
}
