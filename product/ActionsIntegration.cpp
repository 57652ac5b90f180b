// The install actions that tie the player into Windows.
#include "product/ActionsIntegration.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/FaultPoint.h"
#include "engine/Setup.h"

#include <objbase.h>
#include <versionhelpers.h>

using namespace ZUX;

namespace {

constexpr StringView kIntegration = u"Integration";
constexpr StringView kCommon = u"Common";

bool ReadIntegration(StringView key) {
    return TSetupPersistent::Options().ReadBool(kIntegration, key, true);
}

// Portable copies stay out of the desktop and the start menu unless asked.
bool ReadShortcutOption(StringView key) {
    return TSetupPersistent::Options().ReadBool(kIntegration, key, !Setup->HasFlag(sfPortable));
}

bool ReadAddon(StringView key) {
    return TSetupPersistent::Options().ReadBool(kCommon, key, false);
}

String NewGuidText() {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) RaiseLastOSError();
    wchar_t text[64] = {};
    StringFromGUID2(guid, text, 64);
    return FromWStr(text);
}

} // namespace

bool IsWindows8OrLater() {
    return IsWindows8OrGreater();
}

// ---- add-ons ----

String TSetupActionAddonsInstall::BuildParameters(const TZUXStringList& addons, bool viewer,
                                                  bool extensions, bool shortcuts) {
    String arguments;
    if (!extensions) arguments += addons.Values(u"P1") + u" ";
    if (viewer) arguments += addons.Values(u"P2") + u" ";
    if (shortcuts) arguments += addons.Values(u"P3") + u" ";
    return Format(addons.Values(u"CL"), {arguments});
}

void TSetupActionAddonsInstall::DoExecute() {
    const bool viewer = ReadAddon(u"AddonsViewer");
    const bool extensions = ReadAddon(u"AddonsExtensions");
    const bool shortcuts = ReadAddon(u"AddonsShortcuts");
    if (!viewer && !extensions && !shortcuts) return;

    const auto addons = Resources().GetStrings(u"addons.ini");
    const String packaged = addons->Values(u"P4");
    const auto content = Resources().GetStream(packaged);
    // The name comes from our own package, but it still must not climb out of
    // the temporary folder.
    const String target = GetTempPath() + CleanFileName(packaged);
    ForceDirectoriesForFile(target);
    {
        TZUXFileStream file(target, fmCreate);
        const std::string_view bytes = content->Data();
        file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    }
    // The installer runs on its own beside the rest of the setup; a failed
    // start only means no add-ons.
    ShellExecute(target, BuildParameters(*addons, viewer, extensions, shortcuts));
}

void TSetupActionAddonsInstall::Describe(TSetupSummaryBuilder& builder) {
    builder.AddHeaderText(u"PageAddons", u"Title");
    if (ReadAddon(u"AddonsViewer")) builder.AddItemText(u"PageAddons", u"CB1");
    if (ReadAddon(u"AddonsExtensions")) builder.AddItemText(u"PageAddons", u"CB2");
    if (ReadAddon(u"AddonsShortcuts")) builder.AddItemText(u"PageAddons", u"CB3");
}

// ---- configuration ----

void TSetupActionConfig::DoExecute() {
    SetStatus(GetCommonText(u"A6"));
    // The uninstall entry is the new one from here on.
    FaultPoint("configuring");
    const String fileName = Setup->DestPath + u"ZIVR.ini";
    TZUXIniFile config;
    // The user's own sections must survive: a file that is there but cannot
    // be read stops the run rather than being written anew without them.
    if (FileExists(fileName)) {
        TZUXBufferedFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
        config.LoadFromStream(stream);
    }
    config.WriteSectionText(kIntegration, Options().ReadSectionText(kIntegration));
    // "System" belongs to the setup: keys of older versions do not survive.
    config.DeleteSection(u"System");
    config.WriteString(u"System", u"ID", NewGuidText());
    config.WriteString(u"System", u"DefaultLang", Resources().Language + u".lng");
    config.WriteInteger(u"System", u"UserMode", Setup->HasFlag(sfPortable) ? 0 : 1);
    config.WriteInteger(u"System", u"Version", ProductInfo().GetProductVersionId());
    // Written beside and renamed into place: a failure part-way must not cost
    // the user the settings.
    const String partial = fileName + u".partial";
    if (!config.SaveToFile(partial) || !MoveFileReplacing(partial, fileName)) {
        const uint32_t error = GetLastOSError();
        ZUX::DeleteFile(partial);
        SetLastError(error);
        RaiseLastOSError();
    }
}

// ---- registration tool ----

String TSetupActionIntegrate::BuildSwitches(bool integrate, bool contextMenu, bool associate,
                                            bool fileUiAllowed) {
    String switches;
    if (integrate) switches += u" /REG=L1 /REG=D1 /REG=R1";
    if (contextMenu) switches += u" /REG=M1";
    if (associate) {
        switches += u" /REG=R2";
        if (fileUiAllowed) switches += u" /REG_UI";
    }
    return switches;
}

void TSetupActionIntegrate::DoExecute() {
    const String tool = Setup->DestPath + u"Elevator.exe";
    if (!FileExists(tool)) return;
    // The default-programs dialog of Windows 8 and later needs someone to answer it.
    const String switches = BuildSwitches(
        ReadIntegration(u"IntegrateToWindows"), ReadIntegration(u"RegisterContextMenu"),
        ReadIntegration(u"AssociateWithFiles"), IsWindows8OrLater() && !Setup->HasFlag(sfAuto));
    if (switches.empty()) return;
    // The tool's own result is its business; it only has to be done before
    // the shell is told and before the run ends (Finish).
    // Quoted: with a blank in the path, a program planted at the split
    // ("C:\Program.exe") would run with our rights instead.
    tool_ = StartProgram(u"\"" + tool + u"\"" + switches);
}

void TSetupActionIntegrate::Finish() {
    WaitForProgram(tool_);
    tool_.Close();
}

void TSetupActionIntegrate::Describe(TSetupSummaryBuilder& builder) {
    builder.AddHeaderText(u"PageIntegration", u"LB2");
    if (ReadIntegration(u"IntegrateToWindows")) builder.AddItemText(u"PageIntegration", u"CB4");
    if (ReadIntegration(u"RegisterContextMenu")) builder.AddItemText(u"PageIntegration", u"CB5");
    if (ReadIntegration(u"AssociateWithFiles")) builder.AddItemText(u"PageIntegration", u"CB3");
}

// ---- shortcuts ----

TSetupActionShortcuts::TSetupActionShortcuts() : Locations(std::make_unique<TZUXStringList>()) {}

TSetupActionShortcuts::~TSetupActionShortcuts() = default;

void TSetupActionShortcuts::PopulateLocations() {
    Locations->Clear();
    if (ReadShortcutOption(u"ShortcutDesktop")) Locations->Add(u"$DESKTOP");
    if (ReadShortcutOption(u"ShortcutStartMenu")) Locations->Add(u"$STARTMENU");
}

bool TSetupActionShortcuts::MakeShortcut(const TSetupScriptFile& entry) {
    const String name = UpperCase(entry.Name);
    bool wanted = false;
    for (int i = 0; i < Locations->Count() && !wanted; ++i)
        wanted = name.find(Locations->Strings(i)) != String::npos;
    if (!wanted) return false;
    // Since Windows 8 the start screen shows programs only; links to documents
    // would just clutter the list.
    const String packaged = entry.GetPackagedName();
    if (IsWindows8OrLater() && !SameText(ExtractFileExt(packaged), u".exe")) return false;

    const String link = Resources().ExpandFileName(entry.Name);
    if (!ZUX::ForceDirectories(ExtractFilePath(link))) return false;
    const String target = Resources().ExpandFileName(packaged);
    String current;
    if (FileExists(link) && GetShortcutTarget(link, current) && SameText(current, target))
        return true;
    return CreateShortcut(link, target);
}

void TSetupActionShortcuts::DoExecute() {
    SetStatus(GetCommonText(u"A2"));
    PopulateLocations();
    const TSetupScriptGroup& shortcuts = *Script().Shortcuts;
    const int count = shortcuts.Count();
    for (int i = 0; i < count; ++i) {
        MakeShortcut(shortcuts.Items(i));
        SetProgress((i + 1) * 100 / count);
    }
}

void TSetupActionShortcuts::Describe(TSetupSummaryBuilder& builder) {
    builder.AddHeaderText(u"PageIntegration", u"LB1");
    if (ReadShortcutOption(u"ShortcutDesktop")) builder.AddItemText(u"PageIntegration", u"CB1");
    if (ReadShortcutOption(u"ShortcutStartMenu")) builder.AddItemText(u"PageIntegration", u"CB2");
}

// ---- shell cache ----

void TSetupActionUpdateShellCache::DoExecute() {
    ShellRefresh();
}
