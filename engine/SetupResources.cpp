// The program's packages, languages, texts and macros.
#include "engine/SetupResources.h"

#include "ZUX/Base/LanguageFile.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "engine/InstallerErrors.h"

using namespace ZUX;

namespace {
constexpr const char16_t* kFallbackLanguage = u"English.lng";
} // namespace

TSetupResources::TSetupResources(TZUXStream& setupPackage, TZUXStream& productPackage,
                                 const TSetupKnownFolders& folders, const ISetupMacroSource* macros)
    : macros_(macros) {
    Initialize(setupPackage, productPackage, folders);
}

void TSetupResources::Initialize(TZUXStream& setupPackage, TZUXStream& productPackage,
                                 const TSetupKnownFolders& folders, uint32_t productMaxContent) {
    Script = std::make_unique<TSetupScript>();
    Languages = std::make_unique<TZUXStringList>();
    LangTexts = std::make_unique<TZUXIniFile>();

    SetupPackage = std::make_unique<TSetupPackageReader>(setupPackage);
    ProductPackage =
        std::make_unique<TSetupPackageReader>(productPackage, SetupPackageKey, productMaxContent);

    // An "Install.xml" of the product package would win: it is searched first.
    Script->LoadFromStream(*GetStream(u"Install.xml"));

    const TSetupPackageFileTable& table = SetupPackage->FileTable();
    for (int i = 0; i < table.Count(); ++i)
        if (SameText(ExtractFileExt(table.Items(i).Name), u".lng"))
            Languages->Add(table.Items(i).Name);
    Languages->SortLogical();
    // English is the base every language is merged over: without it no
    // language can be applied, so the run stops before one is offered.
    if (!ProductPackage->Contains(kFallbackLanguage) && !SetupPackage->Contains(kFallbackLanguage))
        throw EInstallerInstallError(
            Format(u"Cannot locate \"%s\" file in setup archive", {kFallbackLanguage}));

    temp_ = folders.Temp;
    shared_.CommonDesktop = folders.CommonDesktop;
    ProgramFiles = folders.ProgramFiles;
    ProgramFilesX86 = ExcludeTrailingPathDelimiter(ProgramFiles) + u" (x86)\\";
    shared_.CommonPrograms = folders.CommonPrograms;
}

void TSetupResources::ReadSharedFolders() const {
    std::call_once(sharedFoldersRead_, [this] {
        if (sharedFolderReader_) sharedFolderReader_(shared_);
    });
}

const String& TSetupResources::CommonDesktop() const {
    ReadSharedFolders();
    return shared_.CommonDesktop;
}

const String& TSetupResources::CommonPrograms() const {
    ReadSharedFolders();
    return shared_.CommonPrograms;
}

std::unique_ptr<TZUXMemoryStream> TSetupResources::GetStream(const String& name) const {
    std::unique_ptr<TZUXMemoryStream> stream;
    if (ProductPackage->Extract(name, stream) || SetupPackage->Extract(name, stream)) return stream;
    throw EInstallerInstallError(Format(u"Cannot locate \"%s\" file in setup archive", {name}));
}

std::unique_ptr<TZUXStringList> TSetupResources::GetStrings(const String& name) const {
    auto list = std::make_unique<TZUXStringList>();
    list->LoadFromStream(*GetStream(name));
    return list;
}

String TSetupResources::GetLanguageFamily() const {
    return LangTexts->ReadString(u"File", u"Family", u"EN");
}

std::unique_ptr<TZUXMemoryStream> TSetupResources::GetLicenseStream() const {
    const TSetupScriptFile* file = nullptr;
    if (Script->License->Find(GetLanguageFamily(), file) || Script->License->Find(u"EN", file))
        return GetStream(file->GetPackagedName());
    return nullptr;
}

String TSetupResources::GetText(StringView section, StringView key) const {
    return ExpandMacros(LangTexts->ReadString(section, key, u""));
}

String TSetupResources::FormatText(StringView key, std::initializer_list<FormatArg> args) const {
    return Format(GetText(key), args);
}

String TSetupResources::ExpandMacros(StringView text) const {
    return Expand(text, true);
}

String TSetupResources::ExpandFileName(StringView text) const {
    // In a path a backslash and n start a name ("\new"), never a line break.
    return CleanFileName(Expand(text, false));
}

String TSetupResources::Expand(StringView text, bool lineBreaks) const {
    // A macro's value is asked for only where the text holds it: the product's
    // settings are looked up by name, and a path is expanded for every file.
    enum Value { LineBreak, Dest, Temp, Link, Name, Version, Desktop, StartMenu, Programs };
    static constexpr std::pair<StringView, Value> macros[] = {
        {u"\\n", LineBreak},    {u"$DEST", Dest},           {u"$TEMP", Temp},
        {u"$LINK", Link},       {u"$NAME", Name},           {u"$VERSION", Version},
        {u"$DESKTOP", Desktop}, {u"$STARTMENU", StartMenu}, {u"$PROGRAMS", Programs},
    };
    const auto value = [this](Value which) -> String {
        switch (which) {
        case LineBreak:
            return u"\r\n";
        case Dest:
            return macros_ ? macros_->MacroDestPath() : String();
        case Temp:
            return temp_;
        case Link:
            return macros_ ? macros_->MacroHomePage() : String();
        case Name:
            return macros_ ? macros_->MacroProductName() : String();
        case Version:
            return macros_ ? macros_->MacroVersion() : String();
        case Desktop:
            return CommonDesktop();
        case StartMenu:
            return CommonPrograms();
        case Programs:
            return ProgramFiles;
        }
        return String();
    };
    const size_t first = lineBreaks ? 0 : 1;
    String result;
    result.reserve(text.size());
    // One pass: a value put in is never scanned again.
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == u'\\' || text[i] == u'$')
            for (size_t m = first; m < std::size(macros) && !replaced; ++m)
                if (text.substr(i, macros[m].first.size()) == macros[m].first) {
                    result += value(macros[m].second);
                    i += macros[m].first.size();
                    replaced = true;
                }
        if (!replaced) result += text[i++];
    }
    return result;
}

std::vector<TSetupLanguageInfo> TSetupResources::ListLanguages() const {
    std::vector<TSetupLanguageInfo> items;
    for (int i = 0; i < Languages->Count(); ++i) {
        std::unique_ptr<TZUXMemoryStream> stream;
        if (!SetupPackage->Extract(Languages->Strings(i), stream)) continue;
        TZUXIniFile document;
        document.LoadFromStream(*stream);
        TZUXLocalizationInfo info;
        TSetupLanguageInfo item;
        LangGetInfo(document, info, &item.Icon);
        item.Index = i;
        item.Name = info.Name;
        item.LangId = info.LangId;
        items.push_back(std::move(item));
    }
    return items;
}

int TSetupResources::PreselectLanguage(const std::vector<TSetupLanguageInfo>& items,
                                       int32_t userLangId) {
    for (const int32_t wanted : {userLangId, int32_t(1033)})
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].LangId == wanted) return int(i);
    return items.empty() ? -1 : 0;
}

void TSetupResources::InitializeLanguages(int32_t userLangId) {
    const auto items = ListLanguages();
    const int item = PreselectLanguage(items, userLangId);
    InitializeLanguagesWith(item < 0 ? -1 : items[size_t(item)].Index);
}

void TSetupResources::InitializeLanguagesWith(int languageIndex) {
    LangTexts->LoadFromStream(*GetStream(kFallbackLanguage));
    Language = languageIndex < 0 ? String(kFallbackLanguage) : Languages->Strings(languageIndex);
    TZUXIniFile chosen;
    chosen.LoadFromStream(*GetStream(Language));
    Language = ExtractFileNameWithoutExt(Language);
    LangTexts->Merge(chosen, true);
}
