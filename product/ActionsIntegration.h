// The install actions that tie the installed player into Windows: the add-ons
// installer, the configuration file, the registration tool, the shortcuts and
// the shell's association cache.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/StringList.h"
#include "engine/SetupActions.h"

#include <memory>

class TSetupScriptFile;

// Starts the add-ons installer of the setup package, without waiting for it,
// when the user chose at least one add-on.
class TSetupActionAddonsInstall : public TSetupAction {
public:
    void DoExecute() override;
    void Describe(TSetupSummaryBuilder& builder) override;

    // The installer's parameters from the name=value lines of "addons.ini".
    static ZUX::String BuildParameters(const ZUX::TZUXStringList& addons, bool viewer,
                                       bool extensions, bool shortcuts);
};

// Writes "ZIVR.ini" into the destination: the integration choices and the
// "System" section that the next setup and the uninstaller read.
class TSetupActionConfig : public TSetupAction {
public:
    void DoExecute() override;
};

// Runs the product's registration tool with the switches of the chosen
// integration options, and waits for it.
class TSetupActionIntegrate : public TSetupAction {
public:
    // Starts the registration tool; it works while the next actions run.
    void DoExecute() override;
    // Waits until the tool has ended.
    void Finish() override;
    void Describe(TSetupSummaryBuilder& builder) override;

    // " /REG=..." switches, empty when nothing is to be registered.
    static ZUX::String BuildSwitches(bool integrate, bool contextMenu, bool associate,
                                     bool fileUiAllowed);

private:
    ZUX::TZUXKernelHandle tool_;
};

// Creates the script's desktop and start-menu shortcuts the user asked for.
class TSetupActionShortcuts : public TSetupAction {
public:
    TSetupActionShortcuts();
    ~TSetupActionShortcuts() override;

    void DoExecute() override;
    void Describe(TSetupSummaryBuilder& builder) override;

    void PopulateLocations();
    // False when the entry was skipped or could not be made.
    bool MakeShortcut(const TSetupScriptFile& entry);

    // "$DESKTOP" and/or "$STARTMENU"; filled at the start of a run.
    std::unique_ptr<ZUX::TZUXStringList> Locations;
};

// Tells the shell that file associations changed.
class TSetupActionUpdateShellCache : public TSetupAction {
public:
    void DoExecute() override;
    // The shell is told once the registrations are done.
    bool WaitsForEarlier() const override { return true; }
};

// Windows 8 (6.2) or later: the association dialog exists and shortcuts to
// documents are no longer pinned to the start screen.
bool IsWindows8OrLater();
