// Helpers for tests that start other processes: the test program itself as a
// child (running one disabled test that stands in for a real program), and
// waits that give up instead of hanging.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <tlhelp32.h>

#include <atomic>
#include <functional>

namespace ZUXTest {

using ZUX::String;
using ZUX::TZUXKernelHandle;

// The value of "/NAME=" in this process's command line: the rest of the line
// up to the next blank, or to its end when last is set. Empty when absent.
inline String CommandLineValue(const String& name, bool last = false) {
    const String line = ZUX::FromWStr(GetCommandLineW());
    const String key = u"/" + name + u"=";
    const size_t at = line.find(key);
    if (at == String::npos) return String();
    const size_t start = at + key.size();
    const size_t end = last ? String::npos : line.find(u' ', start);
    return line.substr(start, end == String::npos ? String::npos : end - start);
}

// Arguments that make a copy of this program run just the disabled test
// suite.name.
inline String ChildTestArguments(const String& suiteAndName) {
    return u"--gtest_also_run_disabled_tests --gtest_brief=1 --gtest_filter=" + suiteAndName;
}

// Polls until ready() holds or timeoutMs has passed.
inline bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs = 15000) {
    const ULONGLONG start = GetTickCount64();
    while (!ready()) {
        if (GetTickCount64() - start >= timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

inline bool FileAppears(const String& path, DWORD timeoutMs = 15000) {
    return WaitUntil([&] { return GetFileAttributesW(ZUX::WStr(path)) != INVALID_FILE_ATTRIBUTES; },
                     timeoutMs);
}

// True once nobody holds path open any more (a program that wrote it has let
// go), so that its folder can be removed.
inline bool FileReleased(const String& path, DWORD timeoutMs = 15000) {
    return WaitUntil(
        [&] {
            return bool(TZUXKernelHandle(
                CreateFileW(ZUX::WStr(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
        },
        timeoutMs);
}

// Ends every process this one started that is still running.
inline void TerminateChildren() {
    const TZUXKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId()) continue;
        const TZUXKernelHandle child(OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        if (child) TerminateProcess(child.Get(), 1);
    }
}

// While it lives, a child that is still running after timeoutMs is ended, so
// that a call that waits without limit for it comes back.
class TChildWatchdog {
public:
    explicit TChildWatchdog(DWORD timeoutMs)
        : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), timeoutMs_(timeoutMs) {
        thread_ = TZUXKernelHandle(CreateThread(nullptr, 0, &Watch, this, 0, nullptr));
    }
    ~TChildWatchdog() {
        SetEvent(stop_.Get());
        WaitForSingleObject(thread_.Get(), INFINITE);
    }
    TChildWatchdog(const TChildWatchdog&) = delete;
    TChildWatchdog& operator=(const TChildWatchdog&) = delete;

    bool Fired() const { return fired_; }

private:
    static DWORD WINAPI Watch(void* self) {
        auto* dog = static_cast<TChildWatchdog*>(self);
        if (WaitForSingleObject(dog->stop_.Get(), dog->timeoutMs_) == WAIT_TIMEOUT) {
            dog->fired_ = true;
            TerminateChildren();
        }
        return 0;
    }

    TZUXKernelHandle stop_;
    TZUXKernelHandle thread_;
    DWORD timeoutMs_;
    std::atomic<bool> fired_{false};
};

} // namespace ZUXTest
