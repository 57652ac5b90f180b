// Everything the program carries with it: the setup and product packages, the
// parsed script, the language texts and the known folders; packaged files by
// name, texts by key and the expansion of macros.
#pragma once

#include "ZUX/Base/Format.h"
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/StringList.h"
#include "engine/SetupScript.h"
#include "package/Package.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// The values of the macros that belong to the setup object and the product.
class ISetupMacroSource {
public:
    virtual ~ISetupMacroSource() = default;
    virtual ZUX::String MacroDestPath() const = 0;    // $DEST
    virtual ZUX::String MacroHomePage() const = 0;    // $LINK
    virtual ZUX::String MacroProductName() const = 0; // $NAME
    virtual ZUX::String MacroVersion() const = 0;     // $VERSION
};

// Folders with a trailing backslash.
struct TSetupKnownFolders {
    ZUX::String Temp;
    ZUX::String CommonDesktop;
    ZUX::String ProgramFiles;
    ZUX::String CommonPrograms;
};

// One language file of the setup package as the language choice lists it.
struct TSetupLanguageInfo {
    int Index = -1; // in Languages
    ZUX::String Name;
    int32_t LangId = 0;
    ZUX::Bytes Icon; // ICO bytes, empty when the file has none
};

class TSetupResources {
public:
    // From the program's "SETUP" and "PRODUCT" resources, or, for a program
    // named Uninstall.exe, from the ".dat" file beside it.
    explicit TSetupResources(const ISetupMacroSource* macros);
    // Whether the program carries its "SETUP" package: the stub the vendor's
    // build command starts from does not.
    static bool ProgramHasPackages();
    // From two package streams (read whole, not kept) and given folders.
    TSetupResources(ZUX::TZUXStream& setupPackage, ZUX::TZUXStream& productPackage,
                    const TSetupKnownFolders& folders, const ISetupMacroSource* macros);

    // A new stream with the packaged file: the product package first.
    // Raises EInstallerInstallError "Cannot locate \"%s\" file in setup archive".
    std::unique_ptr<ZUX::TZUXMemoryStream> GetStream(const ZUX::String& name) const;
    // The encoded bytes of a packaged picture; the toolkit decodes them.
    std::unique_ptr<ZUX::TZUXMemoryStream> GetImage(const ZUX::String& name) const {
        return GetStream(name);
    }
    // A new string list loaded from the packaged file, its encoding detected.
    std::unique_ptr<ZUX::TZUXStringList> GetStrings(const ZUX::String& name) const;
    ZUX::String GetLanguageFamily() const;
    // The license that suits the language, else the English one, else none.
    std::unique_ptr<ZUX::TZUXMemoryStream> GetLicenseStream() const;

    ZUX::String GetText(ZUX::StringView section, ZUX::StringView key) const;
    ZUX::String GetText(ZUX::StringView key) const { return GetText(u"Common", key); }
    // The "Common" text as a format; placeholders never read missing arguments.
    ZUX::String FormatText(ZUX::StringView key, std::initializer_list<ZUX::FormatArg> args) const;
    // Line breaks and macros, in one pass.
    ZUX::String ExpandMacros(ZUX::StringView text) const;
    // Macros without the line break, then the path clean-up (".." is dropped,
    // never climbed).
    ZUX::String ExpandFileName(ZUX::StringView text) const;

    // Every language file the setup package can open, in the order of Languages.
    std::vector<TSetupLanguageInfo> ListLanguages() const;
    // The item of the user's interface language, else US English, else the
    // first; -1 for an empty list.
    static int PreselectLanguage(const std::vector<TSetupLanguageInfo>& items, int32_t userLangId);
    // English first, the chosen language merged over it. Without a dialog the
    // preselected language is taken.
    void InitializeLanguages(int32_t userLangId);
    // The same with the choice made elsewhere: an index in Languages, or -1.
    void InitializeLanguagesWith(int languageIndex);

    std::unique_ptr<ZUX::TZUXIniFile> LangTexts;
    ZUX::String Language;
    std::unique_ptr<ZUX::TZUXStringList> Languages;
    std::unique_ptr<TSetupPackageReader> ProductPackage;
    std::unique_ptr<TSetupPackageReader> SetupPackage;
    ZUX::String ProgramFiles;
    ZUX::String ProgramFilesX86;
    std::unique_ptr<TSetupScript> Script;

    // The all-users desktop and start menu. A program reads them at their
    // first use: only the shell knows them, and the first window needs neither.
    const ZUX::String& CommonDesktop() const;
    const ZUX::String& CommonPrograms() const;

private:
    ZUX::String Expand(ZUX::StringView text, bool lineBreaks) const;
    // The product package's content is refused beyond productMaxContent bytes.
    void Initialize(ZUX::TZUXStream& setupPackage, ZUX::TZUXStream& productPackage,
                    const TSetupKnownFolders& folders, uint32_t productMaxContent = UINT32_MAX);

    void ReadSharedFolders() const;

    const ISetupMacroSource* macros_;
    ZUX::String temp_;
    // Fills CommonDesktop and CommonPrograms; none when they were given.
    void (*sharedFolderReader_)(TSetupKnownFolders& folders) = nullptr;
    mutable std::once_flag sharedFoldersRead_;
    mutable TSetupKnownFolders shared_;
};

// Whether the running program is the uninstaller ("Uninstall.exe").
bool IsUninstaller();
