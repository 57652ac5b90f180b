// The install actions that tie the player into Windows, run against the test
// program's own packages ("Test Player", version id 1230).
#include "product/ActionsIntegration.h"

#include "TestFolder.h"
#include "TestProduct.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/Base/Strings.h"
#include "engine/Setup.h"

#include <gtest/gtest.h>

using namespace ZUX;
using ZUXTest::TTestFolder;

namespace {

using IntegProduct = ZUXTest::TInertProduct;

class ActionInteg : public testing::Test {
protected:
    void SetUp() override {
        saved_ = ProductInfoClass;
        ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new IntegProduct); };
    }
    void TearDown() override {
        setup.reset();
        ProductInfoClass = saved_;
    }
    // The destination has a blank in it.
    void Make(const String& switches) {
        setup.reset();
        dest = folder / u"My Player\\";
        ForceDirectories(dest);
        setup = std::make_unique<TSetup>(u"/AUTO=\"" + dest + u"\" /SILENT " + switches);
        setup->Resources->InitializeLanguages(1033);
    }
    TZUXIniFile& Options() { return *setup->Options; }

    TTestFolder folder;
    String dest;
    std::unique_ptr<TSetup> setup;

private:
    TSetupProductInfoClass saved_ = nullptr;
};

String ReadText(const String& path) {
    std::unique_ptr<TZUXBufferedFileStream> s;
    if (!OpenFileForReading(path, s)) return u"(missing)";
    const Bytes bytes = s->ReadToEnd();
    return String(bytes.begin(), bytes.end());
}

void SetWriteTime(const String& path, const FILETIME& time) {
    const TZUXKernelHandle h(
        CreateFileW(WStr(path), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h);
    SetFileTime(h.Get(), nullptr, nullptr, &time);
}

uint64_t GetWriteTime(const String& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(WStr(path), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

// The demo's registration tool, built beside this program's build tree
// (target demo_elevator).
String DemoElevator() {
    return NormalizePath(GetProgramFolder() + u"..\\..\\demo\\standins\\Elevator.exe");
}

} // namespace

TEST_F(ActionInteg, ConfigRewritesSystemAndKeepsOtherSections) {
    for (const bool portable : {false, true}) {
        SCOPED_TRACE(portable);
        Make(portable ? u"/PORTABLE" : u"");
        ASSERT_EQ(setup->HasFlag(sfPortable), portable);
        const String file = dest + u"ZIVR.ini";
        ZUXTest::WriteFile(file, "[Player]\r\nVolume=70\r\n[System]\r\nID={old}\r\nLegacy=1\r\n"
                                 "[Integration]\r\nShortcutDesktop=1\r\n");
        Options().WriteBool(u"Integration", u"ShortcutDesktop", false);
        Options().WriteBool(u"Integration", u"AssociateWithFiles", true);

        TSetupActionConfig().DoExecute();

        TZUXIniFile config(file);
        EXPECT_EQ(config.ReadString(u"Player", u"Volume", u""), u"70");
        EXPECT_EQ(config.ReadSectionText(u"Integration"),
                  Options().ReadSectionText(u"Integration"));
        TZUXStringList keys;
        config.ReadKeys(u"System", keys);
        EXPECT_EQ(keys.Text(), u"ID\r\nDefaultLang\r\nUserMode\r\nVersion\r\n");
        const String id = config.ReadString(u"System", u"ID", u"");
        EXPECT_EQ(id.size(), 38u);
        EXPECT_TRUE(StartsWith(id, u"{") && EndsWith(id, u"}")) << ToUtf8(id);
        EXPECT_EQ(config.ReadString(u"System", u"DefaultLang", u""), u"English.lng");
        EXPECT_EQ(config.ReadInteger(u"System", u"UserMode", -1), portable ? 0 : 1);
        EXPECT_EQ(config.ReadInteger(u"System", u"Version", 0), 1230);

        // Every run makes a new identity.
        TSetupActionConfig().DoExecute();
        EXPECT_NE(TZUXIniFile(file).ReadString(u"System", u"ID", u""), id);
        setup.reset();
    }
}

TEST_F(ActionInteg, ConfigFailsWhenTheFileCannotBeWritten) {
    Make(u"");
    ForceDirectories(dest + u"ZIVR.ini\\"); // a folder where the file should go
    EXPECT_THROW(TSetupActionConfig().DoExecute(), Exception);
    RemoveDir(dest + u"ZIVR.ini");
    // The new text cannot be written beside: the old file stays whole.
    const std::string before = "[Player]\r\nVolume=70\r\n";
    ZUXTest::WriteFile(dest + u"ZIVR.ini", before);
    ForceDirectories(dest + u"ZIVR.ini.partial\\");
    EXPECT_THROW(TSetupActionConfig().DoExecute(), Exception);
    EXPECT_EQ(ReadText(dest + u"ZIVR.ini"), String(before.begin(), before.end()));
    RemoveDir(dest + u"ZIVR.ini.partial");
    TSetupActionConfig().DoExecute();
    EXPECT_FALSE(FileExists(dest + u"ZIVR.ini.partial"));
}

TEST_F(ActionInteg, ConfigStopsWhenTheFileCannotBeRead) {
    Make(u"");
    const String file = dest + u"ZIVR.ini";
    const std::string before = "[Player]\r\nVolume=70\r\n[System]\r\nVersion=5300\r\n";
    ZUXTest::WriteFile(file, before);
    {
        // Another program holds it so that nobody may read it. (On Windows a
        // file may also be unreadable and still writable; Wine cannot make one.)
        const TZUXKernelHandle holder(CreateFileW(WStr(file), GENERIC_WRITE,
                                                  FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        try {
            TSetupActionConfig().DoExecute();
            ADD_FAILURE() << "the run went on";
        } catch (const EFOpenError& e) {
            // The reason is the reading, not a later writing.
            EXPECT_TRUE(StartsWith(e.Message(), u"Cannot open file \"" + file + u"\"."))
                << ToUtf8(e.Message());
        }
    }
    EXPECT_EQ(ReadText(file), String(before.begin(), before.end()));
}

TEST(ActionIntegSwitches, FollowTheOptions) {
    struct Case {
        bool integrate, menu, associate, ui;
        const char16_t* switches;
    } const cases[] = {
        {true, true, true, true, u" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2 /REG_UI"},
        {true, true, true, false, u" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2"},
        {false, false, true, true, u" /REG=R2 /REG_UI"},
        {false, true, false, true, u" /REG=M1"}, // the dialog only goes with associations
        {false, false, false, true, u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TSetupActionIntegrate::BuildSwitches(c.integrate, c.menu, c.associate, c.ui),
                  c.switches);
}

TEST_F(ActionInteg, IntegrateRunsTheRegistrationTool) {
    const String tool = DemoElevator();
    if (!FileExists(tool)) GTEST_SKIP() << "build demo_elevator first: " << ToUtf8(tool);
    Make(u"");
    const String log = dest + u"Elevator.log";
    // The tool works while the run goes on; Finish waits for it.
    const auto integrate = [] {
        TSetupActionIntegrate action;
        action.DoExecute();
        action.Finish();
    };

    integrate(); // no tool in the destination: nothing happens
    ASSERT_TRUE(CopyFile(tool, dest + u"Elevator.exe", false));

    Options().WriteBool(u"Integration", u"IntegrateToWindows", false);
    Options().WriteBool(u"Integration", u"RegisterContextMenu", false);
    Options().WriteBool(u"Integration", u"AssociateWithFiles", false);
    integrate();
    EXPECT_FALSE(FileExists(log)); // nothing chosen: the tool is not started

    // An unattended run never asks for the default programs.
    Options().WriteBool(u"Integration", u"AssociateWithFiles", true);
    integrate();
    EXPECT_EQ(ReadText(log), u"/REG=R2\n");

    ZUX::DeleteFile(log);
    Options().Clear(); // defaults: everything
    // A program planted where the path splits at its blank is never started.
    ASSERT_TRUE(CopyFile(tool, folder / u"My.exe", false));
    integrate();
    EXPECT_EQ(ReadText(log), u"/REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2\n");
    EXPECT_FALSE(FileExists(folder / u"My.log"));
}

TEST_F(ActionInteg, ShortcutsFollowOptionsAndKeepMatchingLinks) {
    Make(u"");
    ZUXTest::WriteFile(dest + u"Player.exe");
    ForceDirectories(dest + u"Help\\");
    ZUXTest::WriteFile(dest + u"Help\\index.htm");
    TSetupScriptGroup& group = *setup->Resources->Script->Shortcuts;
    const auto add = [&](const String& name, const String& source) {
        TSetupScriptFile& f = group.AddFile();
        f.Name = name;
        f.Source = source;
    };
    add(u"$DESKTOP\\Zivr Test Player.lnk", u"$DEST\\Player.exe");
    add(u"$STARTMENU\\Zivr Test Player\\Player.lnk", u"$DEST\\Player.exe");
    add(u"$STARTMENU\\Zivr Test Player\\Help.lnk", u"$DEST\\Help\\index.htm");
    const String desktop = setup->Resources->CommonDesktop() + u"Zivr Test Player.lnk";
    const String menu = setup->Resources->CommonPrograms() + u"Zivr Test Player\\";
    const auto cleanup = ZUX::ScopeExit([desktop, menu] {
        ZUX::DeleteFile(desktop);
        ZUXTest::RemoveTree(menu);
    });

    Options().WriteBool(u"Integration", u"ShortcutDesktop", false);
    TSetupActionShortcuts action;
    action.DoExecute();
    EXPECT_EQ(action.Progress(), 100);
    EXPECT_FALSE(FileExists(desktop));
    String target;
    ASSERT_TRUE(GetShortcutTarget(menu + u"Player.lnk", target));
    EXPECT_TRUE(SameText(target, dest + u"Player.exe")) << ToUtf8(target);
    // Windows 8 and later keep documents out of the start menu.
    EXPECT_EQ(FileExists(menu + u"Help.lnk"), !IsWindows8OrLater());

    // A link that already points at the target (letter case aside) stays as it is.
    ASSERT_TRUE(CreateShortcut(desktop, UpperCase(dest) + u"PLAYER.EXE"));
    const FILETIME old{0, 0x01C00000}; // in 2001: a rewrite would show
    SetWriteTime(desktop, old);
    Options().WriteBool(u"Integration", u"ShortcutDesktop", true);
    action.DoExecute();
    EXPECT_EQ(GetWriteTime(desktop), (uint64_t(old.dwHighDateTime) << 32) | old.dwLowDateTime);

    // Another target: the link is made anew.
    ASSERT_TRUE(CreateShortcut(desktop, dest + u"Help\\index.htm"));
    action.DoExecute();
    ASSERT_TRUE(GetShortcutTarget(desktop, target));
    EXPECT_TRUE(SameText(target, dest + u"Player.exe")) << ToUtf8(target);
}

TEST_F(ActionInteg, PortableCopiesGetNoShortcutsUnlessAsked) {
    Make(u"/PORTABLE");
    TSetupActionShortcuts action;
    action.PopulateLocations();
    EXPECT_EQ(action.Locations->Count(), 0);
    Options().WriteBool(u"Integration", u"ShortcutStartMenu", true);
    action.PopulateLocations();
    EXPECT_EQ(action.Locations->Text(), u"$STARTMENU\r\n");
}

TEST_F(ActionInteg, SummaryListsOnlyChosenOptions) {
    Make(u"/PORTABLE");
    TZUXIniFile& texts = *setup->Resources->LangTexts;
    texts.WriteString(u"PageIntegration", u"LB1", u"Shortcuts");
    texts.WriteString(u"PageIntegration", u"CB2", u"Start menu");
    texts.WriteString(u"PageIntegration", u"LB2", u"Windows");
    texts.WriteString(u"PageIntegration", u"CB5", u"Context menu");
    texts.WriteString(u"PageAddons", u"Title", u"Add-ons");
    texts.WriteString(u"PageAddons", u"CB1", u"Viewer");
    const auto describe = [](TSetupAction&& action) {
        TSetupSummaryBuilder builder;
        action.Describe(builder);
        return builder.ToString();
    };
    // Portable defaults and no add-ons: not even the headings.
    EXPECT_EQ(describe(TSetupActionShortcuts()), u"");
    EXPECT_EQ(describe(TSetupActionAddonsInstall()), u"");

    Options().WriteBool(u"Integration", u"ShortcutStartMenu", true);
    Options().WriteBool(u"Integration", u"IntegrateToWindows", false);
    Options().WriteBool(u"Integration", u"AssociateWithFiles", false);
    Options().WriteBool(u"Common", u"AddonsViewer", true);
    EXPECT_EQ(describe(TSetupActionShortcuts()), u"Shortcuts:\r\n * Start menu\r\n");
    EXPECT_EQ(describe(TSetupActionIntegrate()), u"Windows:\r\n * Context menu\r\n");
    EXPECT_EQ(describe(TSetupActionAddonsInstall()), u"Add-ons:\r\n * Viewer\r\n");
}

TEST(ActionIntegAddons, ParametersFollowTheChoices) {
    TZUXStringList addons;
    addons.SetText(u"P4=ZIVRExtrasSetup.exe\r\nP1=/NOEXTENSIONS\r\nP2=/VIEWER\r\n"
                   u"P3=/SHORTCUTS\r\nCL=/LANG=ru /SILENT %s");
    struct Case {
        bool viewer, extensions, shortcuts;
        const char16_t* parameters;
    } const cases[] = {
        {true, false, false, u"/LANG=ru /SILENT /NOEXTENSIONS /VIEWER "},
        {false, true, false, u"/LANG=ru /SILENT "},
        {true, true, true, u"/LANG=ru /SILENT /VIEWER /SHORTCUTS "},
        {false, false, true, u"/LANG=ru /SILENT /NOEXTENSIONS /SHORTCUTS "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            TSetupActionAddonsInstall::BuildParameters(addons, c.viewer, c.extensions, c.shortcuts),
            c.parameters);
}

TEST_F(ActionInteg, AddonsNeedTheirDescription) {
    Make(u"");
    TSetupActionAddonsInstall().DoExecute(); // nothing chosen: the package is not read
    setup->Options->WriteBool(u"Common", u"AddonsShortcuts", true);
    try {
        TSetupActionAddonsInstall().DoExecute();
        FAIL();
    } catch (const EInstallerInstallError& e) {
        EXPECT_EQ(e.Message(), u"Cannot locate \"addons.ini\" file in setup archive");
    }
}
