// The setup script "Install.xml": which packaged files go where, the license
// files, the programs to start afterwards, the shortcuts and the settings.
#pragma once

#include "ZUX/Base/StringList.h"
#include "ZUX/Base/XML.h"

#include <memory>
#include <vector>

class TSetupScriptFile {
public:
    ZUX::String Name;       // target path with macros, program, license file or shortcut
    ZUX::String Source;     // the element's text; the packaged name when not empty
    ZUX::String LangFamily; // empty: every language

    ZUX::String GetPackagedName() const;
    bool Matches(ZUX::StringView family) const;
};

class TSetupScriptGroup {
public:
    TSetupScriptGroup() = default;
    virtual ~TSetupScriptGroup() = default;

    virtual void Load(const ZUX::TZUXXMLNode& node);
    // Reads one child element; the base group takes "File" elements only.
    virtual void LoadItem(const ZUX::TZUXXMLNode& node);

    TSetupScriptFile& AddFile();
    int Count() const { return int(files_.size()); }
    const TSetupScriptFile& Items(int index) const { return *files_.at(size_t(index)); }
    // The first file that matches the language family.
    bool Find(ZUX::StringView family, const TSetupScriptFile*& file) const;

private:
    std::vector<std::unique_ptr<TSetupScriptFile>> files_;
};

class TSetupScript {
public:
    TSetupScript();
    virtual ~TSetupScript() = default;

    // Parses the script; a stream that is not XML leaves what could be read.
    void LoadFromStream(ZUX::TZUXStream& stream);
    // The last setting of that name, ignoring case; empty when absent.
    ZUX::String GetSetting(const ZUX::String& key) const;

    std::unique_ptr<TSetupScriptGroup> Actions;
    std::unique_ptr<TSetupScriptGroup> Components;
    std::unique_ptr<TSetupScriptGroup> License;
    std::unique_ptr<ZUX::TZUXStringList> Settings;
    std::unique_ptr<TSetupScriptGroup> Shortcuts;
};
