// Parsing the setup script "Install.xml".
#include "engine/SetupScript.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"

using namespace ZUX;

String TSetupScriptFile::GetPackagedName() const {
    return Source.empty() ? ExtractFileName(Name) : Source;
}

bool TSetupScriptFile::Matches(StringView family) const {
    return LangFamily.empty() || SameText(LangFamily, family);
}

void TSetupScriptGroup::Load(const TZUXXMLNode& node) {
    const auto children = node.Children();
    for (const auto& child : children) LoadItem(child);
    // A group holding only text names one file, valid for every language.
    if (children.empty()) {
        if (String text = node.Text(); !text.empty()) AddFile().Name = std::move(text);
    }
}

void TSetupScriptGroup::LoadItem(const TZUXXMLNode& node) {
    if (!SameText(node.Name(), u"File")) return;
    TSetupScriptFile& file = AddFile();
    file.Source = node.Text();
    file.Name = node.Attribute(u"name");
    file.LangFamily = node.Attribute(u"lang-family");
}

TSetupScriptFile& TSetupScriptGroup::AddFile() {
    files_.push_back(std::make_unique<TSetupScriptFile>());
    return *files_.back();
}

bool TSetupScriptGroup::Find(StringView family, const TSetupScriptFile*& file) const {
    for (const auto& f : files_) {
        if (f->Matches(family)) {
            file = f.get();
            return true;
        }
    }
    file = nullptr;
    return false;
}

TSetupScript::TSetupScript()
    : Actions(std::make_unique<TSetupScriptGroup>()),
      Components(std::make_unique<TSetupScriptGroup>()),
      License(std::make_unique<TSetupScriptGroup>()), Settings(std::make_unique<TZUXStringList>()),
      Shortcuts(std::make_unique<TSetupScriptGroup>()) {}

void TSetupScript::LoadFromStream(TZUXStream& stream) {
    TZUXXMLDocument document;
    document.LoadFromStream(stream);
    const auto top = document.TopLevel();
    if (top.empty()) return;
    const TZUXXMLNode& root = top.front();

    if (const TZUXXMLNode license = root.FindPath({u"setup", u"license"})) License->Load(license);

    const TZUXXMLNode product = root.FindChild(u"product");
    if (!product) return;
    for (const auto& child : product.Children()) {
        const String name = child.Name();
        if (SameText(name, u"Components")) {
            Components->Load(child);
        } else if (SameText(name, u"Actions")) {
            Actions->Load(child);
        } else if (SameText(name, u"Settings")) {
            for (const auto& line : child.Children())
                Settings->Add(line.Attribute(u"name") + u"=" + line.Attribute(u"value"));
        } else if (SameText(name, u"Shortcuts")) {
            Shortcuts->Load(child);
        }
    }
}

String TSetupScript::GetSetting(const String& key) const {
    return Settings->Values(key);
}
