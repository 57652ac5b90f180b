// Actions and the worker thread that runs them, and the notifications through
// which the worker reaches the main thread.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/Win32.h"
#include "engine/ProductInfo.h"
#include "engine/SummaryBuilder.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class TSetupResources;
class TSetupScript;
class TSetupScriptFile;

// Notification codes.
enum : int32_t {
    NOTIFY_FINISHED = 1,
    NOTIFY_PROGRESS = 2,
    NOTIFY_STATUS = 4,
    NOTIFY_INPUT_CHANGED = 5,
    NOTIFY_PROGRESS_CHANGED = 6,
};

// Listeners run on the main thread; a code-4 Param is a `const ZUX::String*`
// valid during the call only.
class IInstallerNotify {
public:
    virtual ~IInstallerNotify() = default;
    virtual void Notify(int32_t code, intptr_t param) = 0;
};

// Access to the setup object's parts for actions and update tasks.
class TSetupPersistent {
public:
    virtual ~TSetupPersistent() = default;
    static TSetupProductInfo& ProductInfo();
    static TSetupResources& Resources();
    static ZUX::TZUXIniFile& Options();
    static TSetupScript& Script();
};

class TSetupAction : public TSetupPersistent {
public:
    using TProgressEvent = std::function<void(TSetupAction&)>;

    virtual void DoExecute() = 0;
    virtual void Describe(TSetupSummaryBuilder& builder);
    // The run starts: before the first action, each may start reading, on a
    // thread of its own, what no earlier action changes.
    virtual void Begin() {}
    // The worker's termination request, under its lock. Runs to the end by default.
    virtual void Cancel() {}
    // Waits for what DoExecute left running (a program started, not waited
    // for). The worker calls it before an action that waits for the earlier
    // ones, and at the end of the run however it ended.
    virtual void Finish() {}
    virtual bool WaitsForEarlier() const { return false; }

    void Execute();
    void SetProgress(int32_t value);
    int32_t Progress() const { return progress_; }
    void SetStatus(const ZUX::String& text);
    ZUX::String GetText(ZUX::StringView section, ZUX::StringView key) const;
    ZUX::String GetCommonText(ZUX::StringView key) const;
    void ExtractFile(const TSetupScriptFile& entry);
    void ForceDirectories(const ZUX::String& path);

    TProgressEvent OnProgress;

private:
    int32_t progress_ = 0;
};

class TSetupActionList {
public:
    void Add(std::unique_ptr<TSetupAction> action) { items_.push_back(std::move(action)); }
    int Count() const { return int(items_.size()); }
    TSetupAction& Items(int index) const { return *items_.at(size_t(index)); }
    int32_t AverageProgress() const;

private:
    std::vector<std::unique_ptr<TSetupAction>> items_;
};

// One run of the action list on a thread of its own.
class TSetupThread {
public:
    TSetupThread(); // created suspended
    // Requests termination, then waits, serving sent messages meanwhile.
    ~TSetupThread();
    TSetupThread(const TSetupThread&) = delete;
    TSetupThread& operator=(const TSetupThread&) = delete;

    void Start();
    void Terminate();
    bool Terminated() const { return terminated_; }
    HANDLE Handle() const { return handle_.Get(); }
    // Waits for the end while serving sent messages and main-thread requests.
    void WaitFor();

    TSetupActionList Actions;

private:
    static unsigned __stdcall ThreadProc(void* self);
    void Execute();
    void PopulateActions();
    void FinishActions(int count);
    void SetCurrentAction(TSetupAction* action);
    void ReportProgress();

    TSetupAction* currentAction_ = nullptr;
    std::mutex lock_;
    std::atomic<bool> terminated_{false};
    ZUX::TZUXKernelHandle handle_;
};

// The extraction of the product's files and of the uninstaller.
class TSetupActionExtract : public TSetupAction {
public:
    void DoExecute() override;
};
