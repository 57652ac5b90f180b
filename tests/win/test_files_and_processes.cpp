// Deleting files in use, copying with a named error, running tools, and
// unregistering COM servers.
#include "ChildProcessSupport.h"
#include "TestFolder.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/Base/Strings.h"
#include "engine/ActiveX.h"
#include "engine/SetupResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

using namespace ZUX;
using namespace ZUXTest;

// This program stands in for a COM server: the loader finds this export when
// the library to unregister is the program itself.
namespace {
std::atomic<int> gUnregisterCalls{0};
String gUnregisterFolder;
} // namespace
extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    ++gUnregisterCalls;
    gUnregisterFolder = GetCurrentDir();
    return S_OK;
}

namespace {

const wchar_t* const kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The entries of the restart's pending renames: pairs of source and target,
// an empty target meaning "delete".
std::vector<String> PendingRenames() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key)) return {};
    const TZUXRegKey owner(key);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) ||
        type != REG_MULTI_SZ)
        return {};
    std::vector<wchar_t> data(size / 2 + 2, 0);
    RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type,
                     reinterpret_cast<BYTE*>(data.data()), &size);
    std::vector<String> entries;
    for (size_t i = 0; i + 1 < data.size() && (entries.size() % 2 == 1 || data[i]);) {
        const String entry = FromWStr(&data[i]);
        entries.push_back(entry);
        i += entry.size() + 1;
    }
    return entries;
}

// Takes our entry out again: nothing of a test may run at Wine's next start.
void RemovePendingRename(const String& source) {
    std::vector<String> entries = PendingRenames();
    std::vector<wchar_t> data;
    for (size_t i = 0; i + 1 < entries.size(); i += 2) {
        if (SameText(entries[i], source)) continue;
        for (const String& s : {entries[i], entries[i + 1]}) {
            data.insert(data.end(), s.begin(), s.end());
            data.push_back(0);
        }
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key)) return;
    const TZUXRegKey owner(key);
    if (data.empty()) {
        RegDeleteValueW(key, L"PendingFileRenameOperations");
        return;
    }
    data.push_back(0);
    RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size() * 2));
}

std::vector<String> Added(const std::vector<String>& before, const std::vector<String>& after) {
    std::vector<String> added;
    for (const String& e : after)
        if (!e.empty() && std::find(before.begin(), before.end(), e) == before.end())
            added.push_back(e);
    return added;
}

// A copy of this program, running one disabled test that holds it open until
// released: a program whose file is in use the way a running player's is.
class TBusyProgram {
public:
    explicit TBusyProgram(const String& path)
        : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        SetHandleInformation(ready_.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        SetHandleInformation(release_.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        CopyFileW(WStr(GetProgramFileName()), WStr(path), FALSE);
        String line = u"\"" + path + u"\" " + ChildTestArguments(u"ChildProcess.DISABLED_Busy") +
                      u" /READY=" + IntToStr(int64_t(uintptr_t(ready_.Get()))) + u" /RELEASE=" +
                      IntToStr(int64_t(uintptr_t(release_.Get())));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, const_cast<wchar_t*>(WStr(line)), nullptr, nullptr, TRUE, 0,
                           nullptr, nullptr, &startup, &info)) {
            process_ = TZUXKernelHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    ~TBusyProgram() {
        SetEvent(release_.Get());
        if (process_ && WaitForSingleObject(process_.Get(), 15000) == WAIT_TIMEOUT)
            TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 5000);
    }
    TBusyProgram(const TBusyProgram&) = delete;
    TBusyProgram& operator=(const TBusyProgram&) = delete;

    bool Running() const {
        return process_ && WaitForSingleObject(ready_.Get(), 15000) == WAIT_OBJECT_0;
    }

private:
    TZUXKernelHandle ready_, release_, process_;
};

} // namespace

// The child of TBusyProgram: reports that it runs, then waits to be released.
TEST(ChildProcess, DISABLED_Busy) {
    const String ready = CommandLineValue(u"READY"), release = CommandLineValue(u"RELEASE");
    if (ready.empty() || release.empty()) GTEST_SKIP() << "only as the child of TBusyProgram";
    SetEvent(HANDLE(uintptr_t(std::stoull(ToUtf8(ready)))));
    WaitForSingleObject(HANDLE(uintptr_t(std::stoull(ToUtf8(release)))), 30000);
}

TEST(DeleteFileOrSchedule, DeletesReadOnlyFilesAndLeavesWhatIsNoFile) {
    TTestFolder folder;
    const String file = folder / u"read-only.txt";
    WriteFile(file);
    ASSERT_TRUE(SetFileAttr(file, faReadOnly));
    DeleteFileOrSchedule(file);
    EXPECT_FALSE(FileExists(file));

    const String sub = folder / u"sub";
    ASSERT_TRUE(ForceDirectories(sub));
    const std::vector<String> before = PendingRenames();
    DeleteFileOrSchedule(sub);
    DeleteFileOrSchedule(folder / u"missing.txt");
    EXPECT_TRUE(DirectoryExists(sub));
    EXPECT_TRUE(Added(before, PendingRenames()).empty());
}

TEST(DeleteFileOrSchedule, MovesARunningProgramToTempAndDeletesItAtRestart) {
    TTestFolder folder;
    const String program = folder / u"busy.exe";
    std::vector<String> added;
    // Whatever the outcome, nothing of ours may be left for Wine's next start.
    const auto cleanUp = ScopeExit([&added] {
        for (const String& e : added) {
            RemovePendingRename(e);
            if (StartsWith(e, u"\\??\\")) DeleteFileW(WStr(e.substr(4)));
        }
    });

    TBusyProgram busy(program);
    ASSERT_TRUE(busy.Running());
    ASSERT_FALSE(ZUX::DeleteFile(program)) << "the running file should be locked";
    const std::vector<String> before = PendingRenames();

    DeleteFileOrSchedule(program);

    added = Added(before, PendingRenames());
    EXPECT_FALSE(FileExists(program));
    ASSERT_EQ(added.size(), 1u);
    ASSERT_TRUE(StartsWith(added[0], u"\\??\\"));
    const String moved = added[0].substr(4);
    EXPECT_TRUE(SameText(ExtractFilePath(moved), GetTempPath()));
    EXPECT_TRUE(StartsWith(ExtractFileName(moved), u"del", true));
    EXPECT_TRUE(FileExists(moved));
}

// Deleting and moving both need the file opened for deletion, which a handle
// without FILE_SHARE_DELETE denies (on Windows as under Wine): the file stays.
TEST(DeleteFileOrSchedule, LeavesAFileThatCanNeitherBeDeletedNorMoved) {
    TTestFolder folder;
    const String file = folder / u"locked.txt";
    WriteFile(file);
    const TZUXKernelHandle lock(CreateFileW(WStr(file), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    const std::vector<String> before = PendingRenames();
    DeleteFileOrSchedule(file);
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(Added(before, PendingRenames()).empty());
}

TEST(CopyFileOrRaise, OverwritesOrNamesBothEndsInTheError) {
    TTestFolder folder;
    const String source = folder / u"source.txt", target = folder / u"target.txt";
    WriteFile(source, "new");
    WriteFile(target, "old content");
    CopyFileOrRaise(source, target);
    EXPECT_EQ(GetFileSize(target), 3u);

    struct {
        String source, target;
        const char16_t* code;
    } const failures[] = {
        {folder / u"missing.txt", target, u"2"},
        {source, folder / u"no\\such\\folder\\target.txt", u"3"},
    };
    for (const auto& f : failures) {
        try {
            CopyFileOrRaise(f.source, f.target);
            ADD_FAILURE() << "no error for " << ToUtf8(f.source);
        } catch (const EOSError& e) {
            const String prefix = u"System Error.  Code: " + String(f.code) + u".\r\n";
            EXPECT_TRUE(StartsWith(e.Message(), prefix)) << e.what();
            EXPECT_TRUE(EndsWith(e.Message(), f.source + u" -> " + f.target)) << e.what();
            EXPECT_EQ(IntToStr(e.Code()), f.code); // the caller can tell the causes apart
        }
    }
}

TEST(RunAndWait, WaitsForTheProgramAndGivesItsExitCode) {
    TTestFolder folder;
    const String mark = folder / u"ran.txt";
    EXPECT_EQ(RunAndWait(u"cmd.exe /c echo ran>" + mark + u"& exit 7"), 7u);
    EXPECT_TRUE(FileExists(mark)); // written before RunAndWait came back
    EXPECT_EQ(RunAndWait(folder / u"missing.exe /REG=U"), std::nullopt);
}

TEST(IsUninstaller, FollowsTheProgramsNameIgnoringCase) {
    EXPECT_FALSE(IsUninstaller());
    TTestFolder folder;
    const String copy = folder / u"UNINSTALL.EXE";
    ASSERT_TRUE(CopyFileW(WStr(GetProgramFileName()), WStr(copy), FALSE));
    // The child's tests pass (exit code 0) when it sees itself as the uninstaller.
    EXPECT_EQ(RunAndWait(u"\"" + copy + u"\" " +
                         ChildTestArguments(u"ChildProcess.DISABLED_IsUninstaller") +
                         u" /EXPECT=1"),
              0u);
}

TEST(ChildProcess, DISABLED_IsUninstaller) {
    if (CommandLineValue(u"EXPECT").empty()) GTEST_SKIP() << "only as a copy named Uninstall.exe";
    EXPECT_TRUE(IsUninstaller());
}

TEST(SetupActiveX, UnregistersFromTheLibraryFolderAndRestoresTheProcessState) {
    TTestFolder folder;
    WriteFile(folder / u"not-a-library.dll", "MZ but nothing else");
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const String program = GetProgramFileName();

    struct {
        String dll;
        int calls;
    } const cases[] = {
        {program, 1},                             // has the export
        {FromWStr(system) + u"\\version.dll", 0}, // a library without it
        {folder / u"not-a-library.dll", 0},       // does not load
        {folder / u"missing.dll", 0},             // does not exist
    };
    const String savedFolder = GetCurrentDir();
    const UINT savedMode = SetErrorMode(SEM_NOGPFAULTERRORBOX);
    ASSERT_TRUE(SetCurrentDir(folder.Path()));
    for (const auto& c : cases) {
        gUnregisterCalls = 0;
        gUnregisterFolder.clear();
        TSetupActiveX::UnregisterServer(c.dll);
        EXPECT_EQ(gUnregisterCalls, c.calls) << ToUtf8(c.dll);
        if (c.calls) {
            EXPECT_TRUE(SameText(gUnregisterFolder, ExtractFilePath(program)));
        }
        EXPECT_TRUE(SameText(GetCurrentDir(), folder.Path())) << ToUtf8(c.dll);
        EXPECT_EQ(GetErrorMode(), UINT(SEM_NOGPFAULTERRORBOX)) << ToUtf8(c.dll);
    }
    SetErrorMode(savedMode);
    SetCurrentDir(savedFolder);
}
