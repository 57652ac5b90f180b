// The setup object: construction, modes, flags, notifications.
#include "engine/Setup.h"

#include "ZUX/Base/CommandLine.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "engine/SpawnService.h"
#include "engine/UninstallLog.h"

using namespace ZUX;

TSetup* Setup = nullptr;

TSetup::TSetup(const String& params) {
    Setup = this;
    try {
        Options = std::make_unique<TZUXIniFile>();
        Errors = std::make_unique<TZUXStringList>();
        if (!ProductInfoClass) throw EInstallerGeneralError(u"Setup is malformed");
        ProductInfo = ProductInfoClass();
        Resources = std::make_unique<TSetupResources>(this);
        ExtractHelper = std::make_unique<TSetupExtractHelper>();
        NotifyWindow = std::make_unique<TZUXMessageWindow>(
            u"TSetup", [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
                return WindowProc(message, wParam, lParam, result);
            });
        NotifyWindow->OnHandlerError = [this](const String& message) { AddError(message); };
        ParseCommandLine(params);
    } catch (...) {
        Setup = nullptr;
        throw;
    }
}

TSetup::~TSetup() {
    Thread.reset();
    Options.reset();
    Errors.reset();
    Listeners.clear();
    ProductInfo.reset();
    ExtractHelper.reset();
    Resources.reset();
    NotifyWindow.reset();
    Setup = nullptr;
}

void TSetup::ParseCommandLine(const String& params) {
    if (Resources->ProductPackage->Contains(UninstallLogName)) {
        Mode = smUninstall;
        Flags = 0;
        if (HasSwitch(params, u"AUTO")) {
            Flags |= FlagBit(sfAuto);
            if (HasSwitch(params, u"SILENT")) Flags |= FlagBit(sfSilent);
        }
        return;
    }
    Mode = smInstall;
    String dest;
    if (!HasSwitch(params, u"AUTO", dest)) {
        Flags = FlagBit(sfUpdate);
        SetDestPath(ProductInfo->GetDefaultPath());
        return;
    }
    Flags = FlagBit(sfAuto);
    SetDestPath(dest.empty() ? ProductInfo->GetDefaultPath() : dest);
    if (HasSwitch(params, u"NOBACKUP")) Flags |= FlagBit(sfNoBackup);
    if (HasSwitch(params, u"RUN")) Flags |= FlagBit(sfRun);
    if (HasSwitch(params, u"UPDATE")) {
        if (ProductInfo->CanUpdate()) return;
        throw EInstallerUpdateError(
            Format(u"Cannot install update on v%s", {ProductInfo->FormatVersion()}));
    }
    if (HasSwitch(params, u"PORTABLE")) Flags |= FlagBit(sfPortable);
    if (HasSwitch(params, u"SILENT")) Flags |= FlagBit(sfSilent);
}

void TSetup::SetDestPath(const String& path) {
    if (path == DestPath) return;
    const String normalized = NormalizePath(path);
    DestPath = normalized.empty() ? normalized : IncludeTrailingPathDelimiter(normalized);
    ProductInfo->Load();
    if (ProductInfo->CanUpdate())
        Flags |= FlagBit(sfUpdate);
    else
        Flags &= uint8_t(~FlagBit(sfUpdate));
    if (HasFlag(sfUpdate) && ProductInfo->IsPortable()) Flags |= FlagBit(sfPortable);
    CheckFlags();
}

void TSetup::SetFlag(unsigned bit, bool on) {
    if (bit > 7) return SetFlags(Flags);
    const auto mask = uint8_t(1u << bit);
    SetFlags(on ? uint8_t(Flags | mask) : uint8_t(Flags & ~mask));
}

void TSetup::SetFlags(uint8_t value) {
    if (value == Flags) return;
    if ((value ^ Flags) & FixedFlags) throw EInstallerMysteryError(u"Invalid Arguments");
    Flags = value;
    CheckFlags();
}

void TSetup::CheckFlags() {
    if (!ProductInfo->CanUpdate()) Flags &= uint8_t(~FlagBit(sfUpdate));
    if (IsDestInProgramFiles()) Flags &= uint8_t(~FlagBit(sfPortable));
}

bool TSetup::IsDestInProgramFiles() const {
    return StartsWith(DestPath, Resources->ProgramFiles, true) ||
           StartsWith(DestPath, Resources->ProgramFilesX86, true);
}

void TSetup::Run(bool wait) {
    if (State != ssIdle) return;
    if (DestPath.empty()) throw EInstallerInstallError(u"DestPath is empty");
    CheckFlags();
    State = ssRunning;
    Thread = std::make_unique<TSetupThread>();
    Thread->Start();
    if (wait) Thread->WaitFor();
}

void TSetup::RunPostInstallActions() {
    if (HasErrors() || Mode == smUninstall) return;
    const bool byDefault = HasFlag(sfAuto) && HasFlag(sfUpdate) && HasFlag(sfRun);
    const TSetupScriptGroup& actions = *Resources->Script->Actions;
    for (int i = 0; i < actions.Count(); ++i) {
        const TSetupScriptFile& entry = actions.Items(i);
        if (Options->ReadBool(u"Actions", entry.Name, byDefault))
            TSetupSpawnService::Run(Resources->ExpandFileName(entry.Name));
    }
}

void TSetup::FreeThread() {
    Thread.reset();
}

void TSetup::AddListener(IInstallerNotify* listener) {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Listeners.push_back(listener);
    ListenerCount = Listeners.size();
}

void TSetup::RemoveListener(IInstallerNotify* listener) {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    std::erase(Listeners, listener);
    ListenerCount = Listeners.size();
}

// The end of the run matters to the setup itself; any other report is for
// the listeners alone, and without them (a silent run) not worth the trip to
// the main thread and back for every step of the progress.
void TSetup::SendNotify(int32_t code, intptr_t param) {
    if (code != NOTIFY_FINISHED && ListenerCount == 0) return;
    SendMessageW(NotifyWindow->Handle(), WM_USER, WPARAM(code), LPARAM(param));
}

void TSetup::SendNotifyText(int32_t code, const String& text) {
    if (ListenerCount == 0) return;
    COPYDATASTRUCT data{};
    data.dwData = ULONG_PTR(code);
    data.cbData = DWORD(text.size() * 2);
    data.lpData = const_cast<char16_t*>(text.data());
    const HWND window = NotifyWindow->Handle();
    SendMessageW(window, WM_COPYDATA, WPARAM(window), LPARAM(&data));
}

void TSetup::Synchronize(const std::function<void()>& f) {
    NotifyWindow->Synchronize(f);
}

bool TSetup::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_USER) {
        try {
            DoNotify(int32_t(wParam), intptr_t(lParam));
        } catch (...) {
            // A listener's failure must not unwind through the system's frames;
            // listeners record their own errors.
        }
        result = 0;
        return true;
    }
    if (message == WM_COPYDATA && lParam && HWND(wParam) == NotifyWindow->Handle()) {
        try {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            const String text =
                data->cbData ? String(static_cast<const char16_t*>(data->lpData), data->cbData / 2)
                             : String();
            DoNotify(int32_t(data->dwData), reinterpret_cast<intptr_t>(&text));
        } catch (...) {
            // A listener's failure on a text must not reach the sender.
        }
        result = 1;
        return true;
    }
    return false;
}

void TSetup::DoNotify(int32_t code, intptr_t param) {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    if (code == NOTIFY_FINISHED) {
        State = ssFinished;
        if (param != 0) AddError(Resources->GetText(u"Common", u"E4"));
    }
    // Most recently registered first; a copy, as a listener may unregister.
    const std::vector<IInstallerNotify*> listeners = Listeners;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) (*it)->Notify(code, param);
}

String TSetup::MacroHomePage() const {
    return ProductInfo->GetHomePage();
}
String TSetup::MacroProductName() const {
    return ProductInfo->GetProductName();
}
String TSetup::MacroVersion() const {
    return ProductInfo->GetFullVersion();
}
