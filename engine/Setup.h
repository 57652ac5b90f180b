// The setup object: one per run, reachable through the global Setup.
#pragma once

#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/MessageWindow.h"
#include "ZUX/Base/StringList.h"
#include "engine/ExtractHelper.h"
#include "engine/InstallerErrors.h"
#include "engine/ProductInfo.h"
#include "engine/SetupActions.h"
#include "engine/SetupResources.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

enum TSetupMode : uint8_t { smInstall = 0, smUninstall = 1 };
enum TSetupState : uint8_t { ssIdle = 0, ssRunning = 1, ssFinished = 2 };

// Flag bits, named after the switches that set them.
enum TSetupFlag : uint8_t {
    sfAuto = 0,
    sfPortable = 1,
    sfUpdate = 2,
    sfSilent = 3,
    sfRun = 4,
    sfNoBackup = 5,
};
inline constexpr uint8_t FlagBit(TSetupFlag flag) {
    return uint8_t(1u << flag);
}
// AUTO and SILENT never change after the command line was read.
inline constexpr uint8_t FixedFlags = FlagBit(sfAuto) | FlagBit(sfSilent);

class TSetup : public ISetupMacroSource {
public:
    explicit TSetup(const ZUX::String& params);
    ~TSetup() override;
    TSetup(const TSetup&) = delete;
    TSetup& operator=(const TSetup&) = delete;

    void SetDestPath(const ZUX::String& path);
    bool HasFlag(unsigned bit) const { return bit <= 7 && (Flags >> bit) & 1; }
    void SetFlag(unsigned bit, bool on);
    void SetFlags(uint8_t value);
    void CheckFlags();
    bool IsDestInProgramFiles() const;
    void Run(bool wait);
    void AddError(const ZUX::String& text) { Errors->Add(text); }
    bool HasErrors() const { return Errors->Count() > 0; }
    void RunPostInstallActions();
    void FreeThread();

    void AddListener(IInstallerNotify* listener);
    void RemoveListener(IInstallerNotify* listener);
    void SendNotify(int32_t code, intptr_t param);
    void SendNotifyText(int32_t code, const ZUX::String& text);
    // Runs f on the main thread while the calling worker waits.
    void Synchronize(const std::function<void()>& f);

    // Macro values for the resources.
    ZUX::String MacroDestPath() const override { return DestPath; }
    ZUX::String MacroHomePage() const override;
    ZUX::String MacroProductName() const override;
    ZUX::String MacroVersion() const override;

    std::unique_ptr<ZUX::TZUXIniFile> Options;
    ZUX::String DestPath;
    std::unique_ptr<ZUX::TZUXStringList> Errors;
    std::unique_ptr<TSetupExtractHelper> ExtractHelper;
    std::unique_ptr<ZUX::TZUXMessageWindow> NotifyWindow;
    std::vector<IInstallerNotify*> Listeners; // not owned
    std::recursive_mutex Lock;
    // Read by the worker without Lock, which a listener may hold while it
    // waits for the worker.
    std::atomic<size_t> ListenerCount = 0;
    TSetupMode Mode = smInstall;
    uint8_t Flags = 0;
    std::unique_ptr<TSetupProductInfo> ProductInfo;
    std::unique_ptr<TSetupResources> Resources;
    TSetupState State = ssIdle;
    std::unique_ptr<TSetupThread> Thread;

private:
    void ParseCommandLine(const ZUX::String& params);
    bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void DoNotify(int32_t code, intptr_t param);
};

// The one setup object of the run, or none.
extern TSetup* Setup;

class TSetupResources;

// What the user interface adds to the main routine; without it a run shows
// no dialog of its own.
struct TSetupUserInterface {
    // The index in Languages of the chosen language (the preselection when
    // show is false), or -1 for none.
    std::function<int(TSetupResources& resources, bool show)> ChooseLanguage;
    // Runs without SILENT: creates the wizard and serves its messages until
    // it is closed and freed.
    std::function<void()> RunWizard;
};

// The program's main routine; returns the process exit code.
int SetupMain(const TSetupUserInterface& ui = {});
