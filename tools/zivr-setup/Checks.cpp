// The checks of a setup folder and a product folder before an installer is
// built from them, each finding listed.
#include "tools/zivr-setup/Checks.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/StringList.h"
#include "ZUX/Base/Strings.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace fs = std::filesystem;
using ZUX::String;
using ZUX::StringView;

namespace zivrsetup {

namespace {

// The files the wizard shows whatever the script says.
const char* const kWizardImages[] = {"header.png", "header_dark.png", "wizard_light.png",
                                     "wizard_dark.png"};
// Settings without which the installer cannot name, register or compare the product.
const char* const kRequiredSettings[] = {"ProductName", "ProductVersionId", "ProductVersionNo"};
const char* const kWantedSettings[] = {"Publisher", "ProductVersion", "BuildDate", "HomePage"};

std::vector<pugi::xml_node> Elements(const pugi::xml_node& node) {
    std::vector<pugi::xml_node> out;
    for (const pugi::xml_node& child : node.children())
        if (child.type() == pugi::node_element) out.push_back(child);
    return out;
}

bool SameAscii(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Quoted(StringView text) {
    return "\"" + ZUX::ToUtf8(text) + "\"";
}

// A folder's files by their package names ("\" between folders), upper case.
struct TFolder {
    std::string Dir;
    std::map<String, std::string> Files; // upper-case name -> name as found
    bool Has(StringView name) const {
        String key = ZUX::UpperCase(name);
        std::replace(key.begin(), key.end(), u'/', u'\\');
        return Files.count(key) != 0;
    }
    std::string PathOf(std::string name) const {
        std::replace(name.begin(), name.end(), '\\', '/');
        return Dir + "/" + name;
    }
};

std::string WithoutSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

class TChecker {
public:
    TChecker(const std::string& setupDir, const std::string& productDir) {
        setup_.Dir = WithoutSlash(setupDir);
        product_.Dir = WithoutSlash(productDir);
    }

    std::vector<TFinding> Run() {
        ListFolder(setup_);
        ListFolder(product_);
        CheckScript();
        CheckLanguages();
        for (const char* image : kWizardImages)
            if (!setup_.Has(ZUX::FromUtf8(image)))
                Error(setup_.PathOf(image), 0, "missing: the wizard shows this image");
        CheckAddons();
        return std::move(findings_);
    }

private:
    void Error(const std::string& file, int line, std::string message) {
        findings_.push_back({true, file, line, std::move(message)});
    }
    void Warning(const std::string& file, int line, std::string message) {
        findings_.push_back({false, file, line, std::move(message)});
    }

    void ListFolder(TFolder& folder) {
        std::error_code ec;
        if (!fs::is_directory(folder.Dir, ec)) {
            Error(folder.Dir, 0, "not a folder");
            return;
        }
        fs::recursive_directory_iterator it(folder.Dir, ec), end;
        std::vector<fs::path> found;
        for (; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec) || it->is_directory(ec)) found.push_back(it->path());
        if (ec) Error(folder.Dir, 0, "cannot be read: " + ec.message());
        std::sort(found.begin(), found.end());
        std::map<String, std::string> seen; // upper-case relative path -> as found
        for (const fs::path& path : found) {
            const fs::path relative = path.lexically_relative(folder.Dir);
            String name;
            bool valid = true;
            for (const fs::path& part : relative) {
                String component;
                if (!ZUX::TryDecodeUtf8(part.native(), component)) {
                    Error(path.string(), 0, "the name is not valid UTF-8");
                    valid = false;
                    break;
                }
                if (!name.empty()) name += u'\\';
                name += component;
            }
            if (!valid) continue;
            const String component = ZUX::FromUtf8(path.filename().native());
            if (const std::string problem = WindowsNameProblem(component); !problem.empty())
                Error(path.string(), 0, "Windows cannot create this name: " + problem);
            const String key = ZUX::UpperCase(name);
            if (const auto [at, added] = seen.emplace(key, path.string()); !added) {
                Error(path.string(), 0,
                      "the same name as " + at->second + " when case is ignored, as Windows does");
                continue;
            }
            if (fs::is_regular_file(path, ec)) folder.Files.emplace(key, ZUX::ToUtf8(name));
        }
    }

    struct TEntry {
        String Name, Source, LangFamily;
        int Line = 0;
        String PackagedName() const {
            if (!Source.empty()) return Source;
            const size_t cut = Name.find_last_of(u"\\/:");
            return cut == String::npos ? Name : Name.substr(cut + 1);
        }
    };

    int LineOf(ptrdiff_t offset) const {
        if (offset < 0) return 0;
        const auto end = script_.begin() + std::min<ptrdiff_t>(offset, ptrdiff_t(script_.size()));
        return 1 + int(std::count(script_.begin(), end, '\n'));
    }

    static String LastText(const pugi::xml_node& node) {
        String text;
        for (const pugi::xml_node& child : node.children())
            if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
                text = ZUX::FromUtf8(child.value());
        return text;
    }

    // The File entries of a group element, or its text as one entry.
    std::vector<TEntry> Group(const pugi::xml_node& group) const {
        std::vector<TEntry> entries;
        if (Elements(group).empty()) {
            if (String text = LastText(group); !text.empty())
                entries.push_back({text, u"", u"", LineOf(group.offset_debug())});
            return entries;
        }
        for (const pugi::xml_node& child : group.children()) {
            if (child.type() != pugi::node_element || !SameAscii(child.name(), "File")) continue;
            entries.push_back({ZUX::FromUtf8(child.attribute("name").value()), LastText(child),
                               ZUX::FromUtf8(child.attribute("lang-family").value()),
                               LineOf(child.offset_debug())});
        }
        return entries;
    }

    static pugi::xml_node Child(const pugi::xml_node& node, const char* name) {
        for (const pugi::xml_node& child : Elements(node))
            if (SameAscii(child.name(), name)) return child;
        return {};
    }

    void CheckScript() {
        const std::string file = setup_.PathOf("Install.xml");
        if (!setup_.Has(u"Install.xml")) {
            Error(file, 0, "missing: the setup folder needs its script");
            return;
        }
        std::ifstream in(fs::path(setup_.Dir) / setup_.Files.at(u"INSTALL.XML"), std::ios::binary);
        script_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        pugi::xml_document document;
        const pugi::xml_parse_result parsed =
            document.load_buffer(script_.data(), script_.size(), pugi::parse_default);
        if (!parsed) {
            Error(file, LineOf(parsed.offset),
                  std::string("the script does not parse: ") + parsed.description());
            return;
        }
        const pugi::xml_node root = document.document_element();
        const pugi::xml_node license = Child(Child(root, "setup"), "license");
        for (const TEntry& entry : Group(license))
            if (!setup_.Has(entry.PackagedName()) && !product_.Has(entry.PackagedName()))
                Error(file, entry.Line,
                      "the license " + Quoted(entry.PackagedName()) + " is in neither folder");

        const pugi::xml_node product = Child(root, "product");
        if (!product) {
            Error(file, 0, "no <product> element: the script lacks the product settings");
            return;
        }
        std::vector<TEntry> components;
        std::map<std::string, std::pair<String, int>> settings; // lower-case name -> value, line
        int settingsLine = LineOf(product.offset_debug());
        for (const pugi::xml_node& child : Elements(product)) {
            if (SameAscii(child.name(), "Components")) {
                const auto group = Group(child);
                components.insert(components.end(), group.begin(), group.end());
            } else if (SameAscii(child.name(), "Settings")) {
                settingsLine = LineOf(child.offset_debug());
                for (const pugi::xml_node& line : Elements(child)) {
                    std::string name = line.attribute("name").value();
                    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
                    settings[name] = {ZUX::FromUtf8(line.attribute("value").value()),
                                      LineOf(line.offset_debug())};
                }
            }
        }
        const auto setting = [&](std::string name) -> const std::pair<String, int>* {
            std::transform(name.begin(), name.end(), name.begin(), ::tolower);
            const auto it = settings.find(name);
            return it == settings.end() || it->second.first.empty() ? nullptr : &it->second;
        };
        for (const char* name : kRequiredSettings)
            if (!setting(name))
                Error(file, settingsLine,
                      std::string("the product settings lack \"") + name + "\"");
        for (const char* name : kWantedSettings)
            if (!setting(name))
                Warning(file, settingsLine,
                        std::string("the product settings lack \"") + name + "\"");
        if (const auto* id = setting("ProductVersionId");
            id &&
            (id->first.size() > 9 || id->first.find_first_not_of(u"0123456789") != String::npos))
            Error(file, id->second, "\"ProductVersionId\" is not a whole number");

        CheckComponents(file, components);
    }

    void CheckComponents(const std::string& file, const std::vector<TEntry>& components) {
        std::set<String> named;
        std::map<std::pair<String, String>, int> targets; // (target, family) -> line
        for (const TEntry& entry : components) {
            const String packaged = entry.PackagedName();
            if (entry.Name.empty()) {
                Error(file, entry.Line, "a Components entry without a \"name\"");
                continue;
            }
            String key = ZUX::UpperCase(packaged);
            std::replace(key.begin(), key.end(), u'/', u'\\');
            named.insert(key);
            if (!product_.Has(packaged) && !setup_.Has(packaged))
                Error(file, entry.Line,
                      "the Components entry names " + Quoted(packaged) +
                          ", which is in neither the product folder nor the setup folder");
            // The target below its macro: every component must be a name Windows takes.
            String target = entry.Name;
            if (!target.empty() && target[0] == u'$') {
                const size_t cut = target.find_first_of(u"\\/");
                target = cut == String::npos ? String() : target.substr(cut + 1);
            }
            size_t start = 0;
            while (start <= target.size() && !target.empty()) {
                const size_t end = std::min(target.find_first_of(u"\\/", start), target.size());
                const String part = target.substr(start, end - start);
                if (const std::string problem = part.empty() ? "" : WindowsNameProblem(part);
                    !problem.empty())
                    Error(file, entry.Line,
                          "Windows cannot create the target " + Quoted(entry.Name) + ": " +
                              problem);
                start = end + 1;
            }
            const auto [at, added] = targets.emplace(
                std::make_pair(ZUX::UpperCase(entry.Name), ZUX::UpperCase(entry.LangFamily)),
                entry.Line);
            if (!added)
                Error(file, entry.Line,
                      "the target " + Quoted(entry.Name) + " is also written by line " +
                          std::to_string(at->second) + " (names are compared ignoring case)");
        }
        for (const auto& [key, name] : product_.Files)
            if (!named.count(key))
                Warning(product_.PathOf(name), 0, "no Components entry installs this file");
    }

    // Section -> key -> line, of the text sections of a language file; false
    // when it cannot be read at all.
    using TKeys = std::map<String, std::map<String, std::pair<String, int>>>;
    bool ReadLanguage(const std::string& name, TKeys& keys) {
        const std::string path = setup_.PathOf(name);
        std::ifstream in(fs::path(setup_.Dir) / name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            Error(path, 0, "cannot be read");
            return false;
        }
        ZUX::TZUXEncoding encoding{};
        const String text = ZUX::DecodeText(bytes, ZUX::TZUXEncoding::ANSI, encoding);
        if (encoding == ZUX::TZUXEncoding::ANSI &&
            std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; }))
            Warning(path, 0,
                    "non-ASCII text without a byte-order mark is read in the ANSI code page "
                    "of the user's system");
        String section;
        int line = 0;
        bool parses = true;
        for (size_t pos = 0; pos < text.size();) {
            StringView current;
            pos = ZUX::NextLine(text, pos, current);
            ++line;
            if (current.empty()) continue;
            if (current.front() == u'[' && current.back() == u']') {
                section = ZUX::UpperCase(current.substr(1, current.size() - 2));
                keys[section];
                continue;
            }
            const size_t eq = current.find(u'=');
            if (eq == StringView::npos || eq == 0 || section.empty()) {
                Error(path, line,
                      section.empty() && eq != StringView::npos && eq != 0
                          ? "the language file does not parse: a key before the first [section]"
                          : "the language file does not parse: neither [section] nor key=value");
                parses = false;
                continue;
            }
            keys[section].emplace(ZUX::UpperCase(current.substr(0, eq)),
                                  std::make_pair(String(current.substr(0, eq)), line));
        }
        keys.erase(u"FILE"); // describes the language; not looked up as texts
        return parses;
    }

    void CheckLanguages() {
        std::vector<std::string> languages;
        for (const auto& [key, name] : setup_.Files)
            if (key.size() > 4 && key.ends_with(u".LNG") && key.find(u'\\') == String::npos)
                languages.push_back(name);
        if (!setup_.Has(u"English.lng")) {
            Error(setup_.PathOf("English.lng"), 0,
                  "missing: English is the language every other one falls back to");
            for (const std::string& name : languages) {
                TKeys keys;
                ReadLanguage(name, keys);
            }
            return;
        }
        const std::string englishName = setup_.Files.at(u"ENGLISH.LNG");
        TKeys english;
        ReadLanguage(englishName, english);
        for (const std::string& name : languages) {
            if (name == englishName) continue;
            TKeys keys;
            if (!ReadLanguage(name, keys)) continue;
            const std::string path = setup_.PathOf(name);
            for (const auto& [section, entries] : keys)
                for (const auto& [key, entry] : entries)
                    if (!english.count(section) || !english.at(section).count(key))
                        Error(path, entry.second,
                              "the key " + Quoted(entry.first) + " of [" + ZUX::ToUtf8(section) +
                                  "] is not in English.lng, which every language falls back to");
            for (const auto& [section, entries] : english)
                for (const auto& [key, entry] : entries)
                    if (!keys.count(section) || !keys.at(section).count(key))
                        Warning(path, 0,
                                "lacks " + Quoted(entry.first) + " of [" + ZUX::ToUtf8(section) +
                                    "] (English.lng line " + std::to_string(entry.second) +
                                    "); the English text is shown");
        }
    }

    // The add-ons description names its picture and its installer.
    void CheckAddons() {
        if (!setup_.Has(u"addons.ini")) return;
        const std::string name = setup_.Files.at(u"ADDONS.INI");
        std::ifstream in(fs::path(setup_.Dir) / name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        ZUX::TZUXEncoding encoding{};
        const String text = ZUX::DecodeText(bytes, ZUX::TZUXEncoding::ANSI, encoding);
        int line = 0;
        for (size_t pos = 0; pos < text.size();) {
            StringView current;
            pos = ZUX::NextLine(text, pos, current);
            ++line;
            for (const StringView key : {StringView(u"I0="), StringView(u"P4=")}) {
                if (!current.starts_with(key)) continue;
                const String file(current.substr(key.size()));
                if (!file.empty() && !setup_.Has(file) && !product_.Has(file))
                    Error(setup_.PathOf(name), line,
                          Quoted(file) + " is in neither the setup folder nor the product folder");
            }
        }
    }

    TFolder setup_, product_;
    std::string script_;
    std::vector<TFinding> findings_;
};

} // namespace

std::string WindowsNameProblem(const std::u16string& component) {
    for (const char16_t c : component) {
        if (c < 0x20) return "it holds a control character";
        if (StringView(u"<>:\"/\\|?*").find(c) != StringView::npos)
            return std::string("it holds the character ") + char(c) +
                   ", which Windows forbids in names";
    }
    if (!component.empty() && (component.back() == u'.' || component.back() == u' '))
        return "it ends with a dot or a blank, which Windows drops";
    // Device names are reserved with any extension ("nul.txt" is the device).
    String stem = ZUX::UpperCase(component.substr(0, component.find(u'.')));
    while (!stem.empty() && stem.back() == u' ') stem.pop_back();
    static const std::set<String> devices = {
        u"CON",  u"PRN",  u"AUX",  u"NUL",  u"COM1", u"COM2", u"COM3",   u"COM4",
        u"COM5", u"COM6", u"COM7", u"COM8", u"COM9", u"LPT1", u"LPT2",   u"LPT3",
        u"LPT4", u"LPT5", u"LPT6", u"LPT7", u"LPT8", u"LPT9", u"CONIN$", u"CONOUT$"};
    if (devices.count(stem)) return "it is the reserved device name " + ZUX::ToUtf8(stem);
    return {};
}

std::vector<TFinding> CheckFolders(const std::string& setupDir, const std::string& productDir) {
    return TChecker(setupDir, productDir).Run();
}

std::string FormatFinding(const TFinding& finding) {
    std::string out = finding.File;
    if (finding.Line > 0) out += ":" + std::to_string(finding.Line);
    out += finding.Error ? ": error: " : ": warning: ";
    return out + finding.Message;
}

} // namespace zivrsetup
