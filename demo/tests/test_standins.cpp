// The demo's stand-in programs, called the way the installer calls them, leave
// the records that the end-to-end tests read.
#include "ZUX/Base/Handle.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using ZUX::TZUXKernelHandle;
using ZUX::TZUXModule;

namespace {

using Lines = std::vector<std::string>;

Lines ReadLines(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Top-level windows need a display (under Wine an X server, such as Xvfb).
bool CanCreateTopLevelWindows() {
    HWND w = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
    if (!w) return false;
    DestroyWindow(w);
    return true;
}

// The built stand-ins copied into a fresh folder whose path holds blanks, as
// "C:\Program Files\ZIVR\" does.
class StandIns : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        dir_ = fs::path(temp) / (L"zivr demo " + std::to_wstring(GetCurrentProcessId()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / L"System");
        std::string built = ZIVR_DEMO_STANDINS;
        for (auto& c : built)
            if (c == '/') c = '\\';
        const fs::path from(built);
        for (const wchar_t* name : {L"ZIVR.exe", L"Elevator.exe", L"ZIVRExtrasSetup.exe"})
            fs::copy_file(from / name, dir_ / name);
        fs::copy_file(from / L"zivr_menu64.dll", dir_ / L"System" / L"zivr_menu64.dll");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // As the installer runs its registration tool: the unquoted path, shown
    // normally; wait until it is idle, then until it ends.
    void RunAndWait(const std::wstring& commandLine) {
        std::wstring line = commandLine;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOW;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &si, &pi))
            << GetLastError();
        const TZUXKernelHandle process(pi.hProcess), thread(pi.hThread);
        EXPECT_NE(WaitForInputIdle(process.Get(), 5000), DWORD(WAIT_TIMEOUT));
        ASSERT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
    }

    fs::path dir_;
};

TEST_F(StandIns, ElevatorRecordsTheSwitchesOfEveryStart) {
    const std::wstring exe = (dir_ / L"Elevator.exe").wstring();
    RunAndWait(exe + L" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2 /REG_UI");
    RunAndWait(exe + L" /REG=U");
    EXPECT_EQ(ReadLines(dir_ / L"Elevator.log"),
              (Lines{"/REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2 /REG_UI", "/REG=U"}));
}

TEST_F(StandIns, MenuExtensionRecordsRegistrationCalls) {
    TZUXModule dll(LoadLibraryW((dir_ / L"System" / L"zivr_menu64.dll").c_str()));
    ASSERT_TRUE(dll) << GetLastError();
    using Entry = HRESULT(STDAPICALLTYPE*)();
    // Through a generic function pointer: FARPROC's own signature differs.
    const auto entry = [module = dll.Get()](const char* name) {
        return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    };
    const auto reg = entry("DllRegisterServer");
    const auto unreg = entry("DllUnregisterServer");
    ASSERT_NE(reg, nullptr);
    ASSERT_NE(unreg, nullptr);
    EXPECT_EQ(reg(), S_OK);
    EXPECT_EQ(unreg(), S_OK);
    dll.Close();
    EXPECT_EQ(ReadLines(dir_ / L"System" / L"zivr_menu64.log"),
              (Lines{"DllRegisterServer", "DllUnregisterServer"}));
}

TEST_F(StandIns, PlayerIsFoundByItsWindowClassAndClosed) {
    if (!CanCreateTopLevelWindows()) GTEST_SKIP() << "no display for top-level windows";
    std::wstring line = L"\"" + (dir_ / L"ZIVR.exe").wstring() + L"\" \"D:\\Music\\a song.mp3\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    const TZUXKernelHandle process(pi.hProcess), thread(pi.hThread);
    WaitForInputIdle(process.Get(), 10000);
    HWND window = nullptr;
    for (int i = 0; i < 100 && !window; ++i) {
        window = FindWindowW(L"TZIVRMainForm", nullptr);
        if (!window) Sleep(100);
    }
    ASSERT_NE(window, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    EXPECT_EQ(pid, pi.dwProcessId);

    SendMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadLines(dir_ / L"ZIVR.log"), (Lines{"start \"D:\\Music\\a song.mp3\"", "close"}));
}

TEST_F(StandIns, ExtrasInstallerRecordsItsArgumentsVerbatim) {
    // As the add-ons action starts it: the shell's default verb, no waiting.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    const std::wstring file = (dir_ / L"ZIVRExtrasSetup.exe").wstring();
    info.lpFile = file.c_str();
    info.lpParameters = L"/LANG=ru /SILENT /NOEXTENSIONS /VIEWER ";
    info.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExW(&info)) << GetLastError();
    const TZUXKernelHandle process(info.hProcess);
    ASSERT_TRUE(process);
    EXPECT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadLines(dir_ / L"ZIVRExtrasSetup.log"),
              (Lines{"/LANG=ru /SILENT /NOEXTENSIONS /VIEWER "}));
}

} // namespace
