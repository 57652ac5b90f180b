// Actions, the action list and the worker thread.
#include "engine/SetupActions.h"

#include "ZUX/Base/Log.h"
#include "ZUX/Base/OSError.h"
#include "engine/Setup.h"

#include <chrono>
#include <cxxabi.h>
#include <process.h>
#include <typeinfo>

using namespace ZUX;

TSetupProductInfo& TSetupPersistent::ProductInfo() {
    return *Setup->ProductInfo;
}
TSetupResources& TSetupPersistent::Resources() {
    return *Setup->Resources;
}
TZUXIniFile& TSetupPersistent::Options() {
    return *Setup->Options;
}
TSetupScript& TSetupPersistent::Script() {
    return *Setup->Resources->Script;
}

void TSetupAction::Describe(TSetupSummaryBuilder&) {}

namespace {

// The action's class name, as the log shows it.
String ActionName(const TSetupAction& action) {
    const char* mangled = typeid(action).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    const String name = FromUtf8(status == 0 && plain ? plain : mangled);
    std::free(plain);
    return name;
}

} // namespace

void TSetupAction::Execute() {
    const String name = LogActive() ? ActionName(*this) : String();
    LogFmt(u"Action %s: start", {name});
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count());
    };
    try {
        DoExecute();
    } catch (const Exception& e) {
        LogException(Format(u"Action %s: failed after %d ms", {name, elapsed()}), e);
        throw;
    }
    SetProgress(100);
    LogFmt(u"Action %s: done in %d ms", {name, elapsed()});
}

void TSetupAction::SetProgress(int32_t value) {
    if (value == progress_) return;
    progress_ = value;
    if (OnProgress) OnProgress(*this);
}

void TSetupAction::SetStatus(const String& text) {
    Setup->SendNotifyText(NOTIFY_STATUS, text);
}

String TSetupAction::GetText(StringView section, StringView key) const {
    return Resources().GetText(section, key);
}

String TSetupAction::GetCommonText(StringView key) const {
    return Resources().GetText(key);
}

void TSetupAction::ExtractFile(const TSetupScriptFile& entry) {
    Setup->ExtractHelper->ExtractFile(entry);
}

void TSetupAction::ForceDirectories(const String& path) {
    Setup->ExtractHelper->ForceDirectories(path);
}

int32_t TSetupActionList::AverageProgress() const {
    if (items_.empty()) return 0;
    int64_t sum = 0;
    for (const auto& action : items_) sum += action->Progress();
    return int32_t(sum / int64_t(items_.size()));
}

TSetupThread::TSetupThread() {
    handle_ = TZUXKernelHandle(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &ThreadProc, this, CREATE_SUSPENDED, nullptr)));
    if (!handle_) throw EOSError(u"Cannot create the setup thread", GetLastOSError());
}

TSetupThread::~TSetupThread() {
    Terminate();
    WaitFor();
}

void TSetupThread::Start() {
    ResumeThread(handle_.Get());
}

void TSetupThread::Terminate() {
    if (!terminated_.exchange(true)) {
        // A thread that never started must still run to its end to be waited for.
        DWORD previous;
        do {
            previous = ResumeThread(handle_.Get());
        } while (previous != DWORD(-1) && previous > 1);
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (currentAction_) currentAction_->Cancel();
}

void TSetupThread::WaitFor() {
    WaitServingMessages(handle_.Get());
}

unsigned __stdcall TSetupThread::ThreadProc(void* self) {
    static_cast<TSetupThread*>(self)->Execute();
    return 0;
}

void TSetupThread::PopulateActions() {
    Setup->ProductInfo->PopulateActions([this](TSetupActionClass actionClass) {
        std::unique_ptr<TSetupAction> action = actionClass();
        action->OnProgress = [this](TSetupAction&) { ReportProgress(); };
        Actions.Add(std::move(action));
    });
}

void TSetupThread::Execute() {
    // Whatever escapes an action becomes an error line; the product then puts
    // back what the run touched, and says so on the next line.
    bool completed = false;
    const auto guarded = [](const std::function<void()>& step) {
        try {
            step();
        } catch (const Exception& e) {
            Setup->AddError(e.Message());
        } catch (const std::exception& e) {
            Setup->AddError(FromUtf8(e.what()));
        } catch (...) {
            Setup->AddError(u"Unknown error");
        }
    };
    guarded([&] {
        PopulateActions();
        for (int a = 0; a < Actions.Count(); ++a) Actions.Items(a).Begin();
        int i = 0;
        for (; i < Actions.Count() && !terminated_; ++i) {
            if (Actions.Items(i).WaitsForEarlier()) FinishActions(i);
            SetCurrentAction(&Actions.Items(i));
            Actions.Items(i).Execute();
        }
        completed = i == Actions.Count();
    });
    // Nothing an action started may outlive the run, nor its undoing.
    guarded([&] { FinishActions(Actions.Count()); });
    guarded([&] {
        const String line = Setup->ProductInfo->EndRun(!completed);
        if (!line.empty()) Setup->AddError(line);
    });
    Setup->SendNotify(NOTIFY_FINISHED, terminated_ ? 1 : 0);
}

void TSetupThread::FinishActions(int count) {
    for (int i = 0; i < count; ++i) Actions.Items(i).Finish();
}

void TSetupThread::SetCurrentAction(TSetupAction* action) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        currentAction_ = action;
    }
    // Notified after the lock is released: the main thread may be waiting for
    // it in Terminate while it serves these messages.
    if (action) ReportProgress();
}

void TSetupThread::ReportProgress() {
    int32_t current = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        current = currentAction_ ? currentAction_->Progress() : 0;
    }
    const int32_t average = Actions.AverageProgress();
    Setup->SendNotify(NOTIFY_PROGRESS,
                      intptr_t((uint32_t(average) << 16) | (uint32_t(current) & 0xFFFF)));
    Setup->SendNotify(NOTIFY_PROGRESS_CHANGED, 0);
}
