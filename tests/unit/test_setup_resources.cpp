// The program's resources: packages, languages, texts, macros.
#include "engine/InstallerErrors.h"
#include "engine/SetupResources.h"

#include <gtest/gtest.h>

using namespace ZUX;

namespace {

using Files = std::vector<std::pair<String, Bytes>>;

Bytes Pack(const Files& files) {
    TSetupPackageBuilder builder;
    for (const auto& [name, data] : files) {
        TZUXMemoryStream source(data);
        builder.Add(source, name);
    }
    TZUXMemoryStream out;
    builder.Commit(out, 0);
    return Bytes(out.Data());
}

struct Macros : ISetupMacroSource {
    String dest = u"C:\\A\\B\\";
    // The product's settings are looked up by name: counted, as a path is
    // expanded for every file.
    mutable int settingsAsked = 0;
    String MacroDestPath() const override { return dest; }
    String MacroHomePage() const override { return ++settingsAsked, u"https://zivr.example"; }
    String MacroProductName() const override { return ++settingsAsked, u"ZIVR"; }
    String MacroVersion() const override { return ++settingsAsked, u"5.62"; }
};

const char* kScript = R"(<i><setup><license>
  <File name="License_ru.rtf" lang-family="RU"/><File name="License_en.rtf" lang-family="EN"/>
</license></setup><product><Settings><s name="ProductName" value="ZIVR"/></Settings></product></i>)";

const Bytes kEnglish = "[File]\r\nName=English\r\nLangId=1033\r\n[Common]\r\nA1=Copying $NAME "
                       "$VERSION\\nnext\r\nE1=Cannot write %s (%d)\r\nOnlyEnglish=en\r\n";
const Bytes kRussian = "[File]\r\nName=Russian\r\nLangId=1049\r\nFamily=RU\r\n[Common]\r\n"
                       "A1=ru-a1\r\nE1=\r\n[RuOnly]\r\nk=v\r\n";
const Bytes kGerman = "[File]\r\nName=Deutsch\r\nLangId=1031\r\nFamily=DE\r\n";

struct Fixture {
    Macros macros;
    Bytes setup, product;
    std::unique_ptr<TSetupResources> resources;

    explicit Fixture(Files setupFiles = {{u"Install.xml", kScript},
                                         {u"russian.LNG", kRussian},
                                         {u"English.lng", kEnglish},
                                         {u"German.lng", kGerman},
                                         {u"License_en.rtf", "EN license"},
                                         {u"License_ru.rtf", "RU license"},
                                         {u"list.txt", "one\r\ntwo"}},
                     Files productFiles = {{u"ZIVR.exe", "MZ"}}) {
        setup = Pack(setupFiles);
        product = Pack(productFiles);
        TZUXMemoryStream s(setup), p(product);
        TSetupKnownFolders folders{u"C:\\Temp\\", u"C:\\Users\\Public\\Desktop\\",
                                   u"C:\\Program Files\\", u"C:\\ProgramData\\Start Menu\\"};
        resources = std::make_unique<TSetupResources>(s, p, folders, &macros);
    }
};

String StreamText(std::unique_ptr<TZUXMemoryStream> s) {
    return s ? FromUtf8(s->Data()) : u"(none)";
}

} // namespace

TEST(SetupResources, LooksUpFilesInBothPackages) {
    Fixture f({{u"Install.xml", kScript}, {u"same.txt", "setup"}, {u"English.lng", kEnglish}},
              {{u"same.txt", "product"}});
    auto& r = *f.resources;
    EXPECT_EQ(StreamText(r.GetStream(u"SAME.TXT")), u"product");
    EXPECT_EQ(StreamText(r.GetStream(u"english.lng")).substr(0, 6), u"[File]");
    try {
        r.GetStream(u"missing.png");
        FAIL();
    } catch (const EInstallerInstallError& e) {
        EXPECT_EQ(e.Message(), u"Cannot locate \"missing.png\" file in setup archive");
    }
    EXPECT_EQ(r.ProgramFilesX86, u"C:\\Program Files (x86)\\");
    EXPECT_EQ(r.Script->GetSetting(u"ProductName"), u"ZIVR");
}

TEST(SetupResources, MissingScriptIsReported) {
    EXPECT_THROW(Fixture({{u"English.lng", kEnglish}}), EInstallerInstallError);
}

// English is the base of every language: a package without it stops the run
// before any language is offered; the product package may hold it as well.
TEST(SetupResources, MissingEnglishIsReportedBeforeAnyLanguageIsOffered) {
    try {
        Fixture({{u"Install.xml", kScript}, {u"German.lng", kGerman}});
        FAIL();
    } catch (const EInstallerInstallError& e) {
        EXPECT_EQ(e.Message(), u"Cannot locate \"English.lng\" file in setup archive");
    }
    Fixture f({{u"Install.xml", kScript}, {u"German.lng", kGerman}}, {{u"English.lng", kEnglish}});
    f.resources->InitializeLanguages(1031);
    EXPECT_EQ(f.resources->Language, u"German");
}

TEST(SetupResources, LanguagesSortedAndChosen) {
    Fixture f;
    auto& r = *f.resources;
    ASSERT_EQ(r.Languages->Count(), 3);
    EXPECT_EQ(r.Languages->Strings(0), u"English.lng");
    EXPECT_EQ(r.Languages->Strings(2), u"russian.LNG");

    const auto items = r.ListLanguages();
    EXPECT_EQ(items[size_t(TSetupResources::PreselectLanguage(items, 1049))].Name, u"Russian");
    EXPECT_EQ(items[size_t(TSetupResources::PreselectLanguage(items, 1041))].Name, u"English");
    EXPECT_EQ(TSetupResources::PreselectLanguage({}, 1033), -1);

    r.InitializeLanguages(1049);
    EXPECT_EQ(r.Language, u"russian");
    EXPECT_EQ(r.GetText(u"A1"), u"ru-a1");
    EXPECT_EQ(r.GetText(u"E1"), u"");            // set empty in the chosen file
    EXPECT_EQ(r.GetText(u"OnlyEnglish"), u"en"); // falls back to English
    EXPECT_EQ(r.GetText(u"RuOnly", u"k"), u"v");
    EXPECT_EQ(r.GetLanguageFamily(), u"RU");
    EXPECT_EQ(StreamText(r.GetLicenseStream()), u"RU license");
}

TEST(SetupResources, TextsMacrosAndFileNames) {
    Fixture f;
    auto& r = *f.resources;
    r.InitializeLanguagesWith(-1);
    EXPECT_EQ(r.Language, u"English");
    EXPECT_EQ(r.GetLanguageFamily(), u"EN");
    EXPECT_EQ(r.GetText(u"A1"), u"Copying ZIVR 5.62\r\nnext");
    EXPECT_EQ(r.FormatText(u"E1", {u"a.dll", 5}), u"Cannot write a.dll (5)");
    EXPECT_EQ(r.FormatText(u"E1", {}), u"Cannot write %s (%d)");
    EXPECT_EQ(
        r.ExpandMacros(u"$dest stays, $TEMPx, $DESKTOP$STARTMENU"),
        u"$dest stays, C:\\Temp\\x, C:\\Users\\Public\\Desktop\\C:\\ProgramData\\Start Menu\\");
    EXPECT_EQ(r.ExpandFileName(u"$DEST..\\x.txt"), u"C:\\A\\B\\x.txt");
    // "\n" in a path is a backslash and a name, never a line break.
    EXPECT_EQ(r.ExpandFileName(u"$DEST\\new\\notes.txt"), u"C:\\A\\B\\new\\notes.txt");
    EXPECT_EQ(r.ExpandFileName(u"$PROGRAMS$NAME\\"), u"C:\\Program Files\\ZIVR\\");
    f.macros.dest = u"";
    EXPECT_EQ(r.ExpandFileName(u"$DEST\\ZIVR.exe"), u"ZIVR.exe");

    auto list = r.GetStrings(u"list.txt");
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Strings(1), u"two");
}

TEST(SetupResources, MacroValuesAskedForOnlyWhereTheTextHoldsThem) {
    Fixture f;
    auto& r = *f.resources;
    EXPECT_EQ(r.ExpandFileName(u"$DEST\\Data\\gen\\file00001.txt"),
              u"C:\\A\\B\\Data\\gen\\file00001.txt");
    EXPECT_EQ(f.macros.settingsAsked, 0);
    EXPECT_EQ(r.ExpandMacros(u"$LINK, $NAME"), u"https://zivr.example, ZIVR");
    EXPECT_EQ(f.macros.settingsAsked, 2);
}

TEST(SetupResources, PathsKeepBackslashN) {
    Fixture f;
    auto& r = *f.resources;
    r.InitializeLanguagesWith(-1);
    f.macros.dest = u"C:\\Users\\nadia\\ZIVR\\";
    // A name after a backslash may start with n: in paths it is no line break,
    // neither in the script's text nor in a value put in.
    EXPECT_EQ(r.ExpandFileName(u"$DEST\\notes\\new.txt"),
              u"C:\\Users\\nadia\\ZIVR\\notes\\new.txt");
    EXPECT_EQ(r.ExpandFileName(u"C:\\Users\\nadia\\ZIVR\\Uninstall.dat"),
              u"C:\\Users\\nadia\\ZIVR\\Uninstall.dat");
    // Texts keep their line breaks; a value put in is not scanned again.
    EXPECT_EQ(r.ExpandMacros(u"Into $DEST\\n$NAME"), u"Into C:\\Users\\nadia\\ZIVR\\\r\nZIVR");
    f.macros.dest = u"C:\\$NAME\\";
    EXPECT_EQ(r.ExpandFileName(u"$DEST$NAME.exe"), u"C:\\$NAME\\ZIVR.exe");
}

TEST(SetupResources, GermanFallsBackToEnglishLicense) {
    Fixture f;
    auto& r = *f.resources;
    r.InitializeLanguages(1031);
    EXPECT_EQ(r.GetLanguageFamily(), u"DE");
    EXPECT_EQ(StreamText(r.GetLicenseStream()), u"EN license");
}
