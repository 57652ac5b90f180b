// The demo product's data holds together: every language file describes itself
// and has every text the installer asks for, the translations keep the English
// placeholders, and every name in the setup script and in "addons.ini" is a
// file that the packages will hold.
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/LanguageFile.h"
#include "engine/SetupScript.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

using namespace ZUX;
namespace fs = std::filesystem;

namespace {

const char* const kLanguageFiles[] = {"English.lng", "Russian.lng", "German.lng"};
const char16_t* const kMacros[] = {u"$DEST",    u"$TEMP",    u"$LINK",      u"$NAME",
                                   u"$VERSION", u"$DESKTOP", u"$STARTMENU", u"$PROGRAMS"};

std::string Show(StringView s) {
    return ToUtf8(s);
}

// A file of the demo sources; rel uses "/" (or the package's "\").
String DemoPath(const std::string& rel) {
    std::string path = std::string(ZIVR_DEMO_DIR) + "/" + rel;
    for (auto& c : path) {
#ifdef _WIN32
        if (c == '/') c = '\\';
#else
        if (c == '\\') c = '/';
#endif
    }
    return FromUtf8(path);
}

fs::path DemoFsPath(const std::string& rel) {
    return fs::path(ToUtf8(DemoPath(rel)));
}

std::unique_ptr<TZUXIniFile> LoadLanguage(const std::string& name) {
    auto doc = std::make_unique<TZUXIniFile>(DemoPath("setup/" + name));
    EXPECT_FALSE(doc->IsEmpty()) << name;
    return doc;
}

std::unique_ptr<TSetupScript> LoadScript() {
    auto script = std::make_unique<TSetupScript>();
    TZUXFileStream stream(DemoPath("setup/Install.xml"), fmOpenRead | fmShareDenyNone);
    script->LoadFromStream(stream);
    return script;
}

std::set<std::string> Split(const std::string& text) {
    std::set<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('|', start);
        if (end == std::string::npos) end = text.size();
        std::string item = text.substr(start, end - start);
        for (auto& c : item)
            if (c == '/') c = '\\';
        if (!item.empty()) out.insert(item);
        start = end + 1;
    }
    return out;
}

// What a package will hold under a name: a source file or a built program.
bool InProduct(const String& name) {
    static const std::set<std::string> built = Split(ZIVR_DEMO_BUILT_PRODUCT);
    return built.count(ToUtf8(name)) || fs::is_regular_file(DemoFsPath("product/" + ToUtf8(name)));
}

bool InSetup(const String& name) {
    static const std::set<std::string> built = Split(ZIVR_DEMO_BUILT_SETUP);
    return built.count(ToUtf8(name)) || fs::is_regular_file(DemoFsPath("setup/" + ToUtf8(name)));
}

// "%s" and "%d" in order; "%%" is a plain percent sign.
std::string Placeholders(StringView text) {
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'%') continue;
        if (text[i + 1] != u'%') out += char(text[i + 1]);
        ++i;
    }
    return out;
}

// Words that start with "$" and are not one of the macros (a typo such as
// "$DESTINATION" would be expanded to a path followed by "INATION").
std::vector<String> UnknownMacros(StringView text) {
    std::vector<String> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'$') continue;
        size_t end = i + 1;
        while (end < text.size() && text[end] >= u'A' && text[end] <= u'Z') ++end;
        const String word(text.substr(i, end - i));
        bool known = false;
        for (const char16_t* m : kMacros) known = known || word == m;
        if (!known) out.push_back(word);
    }
    return out;
}

// section -> keys of a language document ("File" aside).
std::map<String, std::vector<String>> TextKeys(const TZUXIniFile& doc) {
    std::map<String, std::vector<String>> out;
    for (int i = 0; i < doc.SectionCount(); ++i) {
        const String section = doc.SectionNames(i);
        if (section == u"File") continue;
        TZUXStringList keys;
        doc.ReadKeys(section, keys);
        for (int k = 0; k < keys.Count(); ++k) out[section].push_back(keys.Strings(k));
    }
    return out;
}

} // namespace

TEST(DemoLanguages, EveryFileDescribesItsLanguage) {
    struct Case {
        const char* file;
        String name;
        int langId;
        String family;
    };
    const Case cases[] = {
        {"English.lng", u"English", 1033, u"EN"},
        {"Russian.lng", u"Русский", 1049, u"RU"},
        {"German.lng", u"Deutsch", 1031, u"DE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto doc = LoadLanguage(c.file);
        // Non-ASCII texts need a byte-order mark, or they are read as ANSI.
        EXPECT_EQ(doc->Encoding(), TZUXEncoding::UTF8);
        TZUXLocalizationInfo info;
        Bytes icon;
        LangGetInfo(*doc, info, &icon);
        EXPECT_EQ(info.Name, c.name);
        EXPECT_EQ(info.LangId, c.langId);
        EXPECT_FALSE(info.Author.empty());
        EXPECT_GT(info.VersionId, 0);
        EXPECT_EQ(doc->ReadString(u"File", u"Family", u""), c.family);
        EXPECT_TRUE(LooksLikeIcon(icon));
    }
}

TEST(DemoLanguages, EnglishHasEveryTextTheInstallerShows) {
    std::map<String, std::vector<String>> wanted = {
        {u"Common",
         {u"Caption",    u"bBack", u"bNext",   u"bInstall", u"bUninstall", u"bFinish", u"lBrowse",
          u"lNewFolder", u"lOk",   u"lCancel", u"QM",       u"QM2",        u"A1",      u"A2",
          u"A3",         u"A4",    u"A5",      u"A6",       u"A7",         u"A8",      u"A9",
          u"E1",         u"E2",    u"E3",      u"E4",       u"E5",         u"R1",      u"R2",
          u"R3",         u"R4",    u"R5",      u"R6"}},
        {u"PageWelcome", {u"L1", u"L2"}},
        {u"PageLicense", {u"L1"}},
        {u"PageSetup",
         {u"LB1", u"LB2", u"CB1", u"CB2", u"CB3", u"CB3Hint", u"CB4", u"Browse", u"W1", u"W3",
          u"W4"}},
        {u"PageAddons", {u"L0", u"CB1", u"CB2", u"CB3", u"L1", u"L2"}},
        {u"PageIntegration", {u"LB1", u"LB2", u"CB1", u"CB2", u"CB3", u"CB4", u"CB4Hint", u"CB5"}},
        {u"PageReadyToInstall", {}},
        {u"PageInstall", {u"L1"}},
        {u"PageFinish", {u"L1", u"L2", u"E1", u"E2", u"L3", u"CB1"}},
        {u"PageUninstallParams", {u"CB1", u"CB2"}},
        {u"PageUninstall", {u"L1"}},
        {u"PageUninstallFinish", {u"L1", u"L2", u"E1", u"E2"}},
    };
    for (auto& [section, keys] : wanted) {
        if (section.starts_with(u"Page")) {
            keys.push_back(u"Title");
            keys.push_back(u"Description");
        }
    }
    // The finish page captions each program it offers with the text of its
    // packaged name.
    const auto script = LoadScript();
    ASSERT_GT(script->Actions->Count(), 0);
    for (int i = 0; i < script->Actions->Count(); ++i)
        wanted[u"PageFinish"].push_back(script->Actions->Items(i).GetPackagedName());

    const auto english = LoadLanguage("English.lng");
    for (const auto& [section, keys] : wanted)
        for (const auto& key : keys)
            EXPECT_TRUE(english->ExistsKey(section, key)) << Show(section) << "/" << Show(key);
}

TEST(DemoLanguages, TranslationsKeepEveryEnglishTextAndItsPlaceholders) {
    const auto english = LoadLanguage("English.lng");
    const auto englishKeys = TextKeys(*english);
    for (const char* file : kLanguageFiles) {
        SCOPED_TRACE(file);
        const auto doc = LoadLanguage(file);
        // Nothing falls back to English, and no key exists only in a translation.
        for (const auto& [section, keys] : TextKeys(*doc))
            for (const auto& key : keys)
                EXPECT_TRUE(english->ExistsKey(section, key))
                    << "not in English: " << Show(section) << "/" << Show(key);
        for (const auto& [section, keys] : englishKeys) {
            for (const auto& key : keys) {
                SCOPED_TRACE(Show(section) + "/" + Show(key));
                const String text = doc->ReadString(section, key, u"");
                EXPECT_TRUE(doc->ExistsKey(section, key)) << "missing";
                EXPECT_FALSE(text.empty());
                EXPECT_EQ(Placeholders(text), Placeholders(english->ReadString(section, key, u"")));
                for (const auto& word : UnknownMacros(text)) ADD_FAILURE() << Show(word);
            }
        }
    }
}

TEST(DemoScript, DescribesTheProductVersion) {
    const auto script = LoadScript();
    EXPECT_EQ(script->GetSetting(u"ProductName"), u"ZIVR");
    for (const char16_t* key : {u"Publisher", u"ProductVersionNo", u"BuildDate", u"HomePage"})
        EXPECT_FALSE(script->GetSetting(key).empty()) << Show(key);

    int32_t id = 0;
    ASSERT_TRUE(TryParseInt32(script->GetSetting(u"ProductVersionId"), id));
    // Copies from 3500 to 5499 are updated in place; this build is newer.
    EXPECT_GE(id, 5500);
    // The version text is what the id reads as: V div 1000, ".", (V mod 1000) div 10.
    const int minor = (id % 1000) / 10;
    const String shown = IntToStr(id / 1000) + u"." + (minor < 10 ? u"0" : u"") + IntToStr(minor);
    EXPECT_EQ(script->GetSetting(u"ProductVersion"), shown);
}

TEST(DemoScript, EveryNameIsAPackagedFile) {
    const auto script = LoadScript();

    std::set<String> targets{u"$DEST\\Uninstall.exe"};
    std::set<String> families;
    const auto& components = *script->Components;
    ASSERT_GT(components.Count(), 0);
    for (int i = 0; i < components.Count(); ++i) {
        const auto& f = components.Items(i);
        EXPECT_TRUE(f.Name.starts_with(u"$DEST\\")) << Show(f.Name);
        // Package entries are named with backslashes only.
        EXPECT_EQ(f.GetPackagedName().find(u'/'), String::npos) << Show(f.GetPackagedName());
        EXPECT_TRUE(InProduct(f.GetPackagedName()) || InSetup(f.GetPackagedName()))
            << Show(f.GetPackagedName());
        targets.insert(f.Name);
        families.insert(f.LangFamily);
    }
    EXPECT_EQ(families, (std::set<String>{u"", u"RU"}));

    // Every static product file is installed by some component.
    const fs::path product = DemoFsPath("product");
    for (const auto& entry : fs::recursive_directory_iterator(product)) {
        if (!entry.is_regular_file()) continue;
        String name = FromUtf8(fs::relative(entry.path(), product).generic_string());
        for (auto& c : name)
            if (c == u'/') c = u'\\';
        bool installed = false;
        for (int i = 0; i < components.Count(); ++i)
            installed = installed || components.Items(i).GetPackagedName() == name;
        EXPECT_TRUE(installed) << Show(name);
    }

    // Programs started afterwards and shortcut targets are installed files.
    for (int i = 0; i < script->Actions->Count(); ++i)
        EXPECT_TRUE(targets.count(script->Actions->Items(i).Name))
            << Show(script->Actions->Items(i).Name);
    ASSERT_GT(script->Shortcuts->Count(), 0);
    for (int i = 0; i < script->Shortcuts->Count(); ++i) {
        const auto& s = script->Shortcuts->Items(i);
        EXPECT_TRUE(s.Name.starts_with(u"$DESKTOP\\") || s.Name.starts_with(u"$STARTMENU\\"))
            << Show(s.Name);
        EXPECT_TRUE(targets.count(s.GetPackagedName())) << Show(s.GetPackagedName());
    }

    // A license for every language family, and one for any other.
    const TSetupScriptFile* license = nullptr;
    for (const char16_t* family : {u"EN", u"RU", u"DE", u"FR"}) {
        ASSERT_TRUE(script->License->Find(family, license)) << Show(family);
        EXPECT_TRUE(InSetup(license->GetPackagedName())) << Show(license->GetPackagedName());
    }
    EXPECT_EQ(script->License->Items(0).LangFamily, u"RU");
    ASSERT_TRUE(script->License->Find(u"RU", license));
    EXPECT_EQ(license->Name, u"License_ru.rtf");
}

TEST(DemoAddons, NamesTheInstallerAndItsTexts) {
    TZUXStringList addons;
    TZUXFileStream stream(DemoPath("setup/addons.ini"), fmOpenRead | fmShareDenyNone);
    addons.LoadFromStream(stream);
    for (const char16_t* key : {u"I0", u"L0", u"L1", u"L2", u"P1", u"P2", u"P3", u"P4", u"CL"})
        EXPECT_FALSE(addons.Values(key).empty()) << Show(key);
    EXPECT_TRUE(InSetup(addons.Values(u"P4")));
    EXPECT_TRUE(InSetup(addons.Values(u"I0")));
    EXPECT_EQ(Placeholders(addons.Values(u"CL")), "s");
}
