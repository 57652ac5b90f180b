// The spawn service and the elevated relaunch. Under Wine the "runas" verb
// starts the program without a prompt, so the whole relaunch runs here.
#include "ChildProcessSupport.h"
#include "TestFolder.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/MessageWindow.h"
#include "engine/Elevation.h"
#include "engine/SpawnService.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace ZUX;
using namespace ZUXTest;

namespace {

class SpawnService : public ::testing::Test {
protected:
    void TearDown() override { TSetupSpawnService::Finalize(); }

    // A batch file that leaves name.mark beside itself when it runs: a
    // harmless program whose start can be seen.
    String Starter(const String& name) {
        const String bat = folder / (name + u".bat");
        WriteFile(bat, "@echo started> \"" + ToUtf8(Mark(name)) + "\"\r\n");
        return bat;
    }
    String Mark(const String& name) const { return folder / (name + u".mark"); }
    // The starter ran and has let go of its files.
    bool Started(const String& name) const {
        return FileAppears(Mark(name)) && FileReleased(Mark(name)) &&
               FileReleased(folder / (name + u".bat"));
    }

    TTestFolder folder;
};

LRESULT SendRecord(HWND to, WPARAM sender, ULONG_PTR tag, const void* data, DWORD bytes) {
    COPYDATASTRUCT record{tag, bytes, const_cast<void*>(data)};
    return SendMessageW(to, WM_COPYDATA, sender, reinterpret_cast<LPARAM>(&record));
}

LRESULT SendPath(HWND to, WPARAM sender, const String& path) {
    return SendRecord(to, sender, TSetupSpawnService::MessageId(), path.data(),
                      DWORD(path.size() * 2));
}

bool Exists(const String& path) {
    return GetFileAttributesW(WStr(path)) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST_F(SpawnService, InitializesOnceAsHostOrClient) {
    TSetupSpawnService::Initialize(0);
    const HWND host = TSetupSpawnService::Token();
    EXPECT_TRUE(TSetupSpawnService::IsHost());
    EXPECT_TRUE(IsWindow(host));
    EXPECT_EQ(TSetupSpawnService::MessageId(), RegisterWindowMessageW(L"SpawnToken"));
    for (const uintptr_t token : {uintptr_t(0), uintptr_t(host)}) {
        try {
            TSetupSpawnService::Initialize(token);
            ADD_FAILURE() << "a second Initialize was accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), u"SpawnService is already initialized");
        }
    }
    TSetupSpawnService::Finalize();
    EXPECT_FALSE(IsWindow(host));
    EXPECT_EQ(TSetupSpawnService::Token(), nullptr);

    // A client only knows the host's window; it must not destroy it.
    TZUXMessageWindow other(u"SpawnServiceTestHost", nullptr);
    TSetupSpawnService::Initialize(uintptr_t(other.Handle()));
    EXPECT_FALSE(TSetupSpawnService::IsHost());
    EXPECT_EQ(TSetupSpawnService::Token(), other.Handle());
    TSetupSpawnService::Finalize();
    EXPECT_TRUE(IsWindow(other.Handle()));
}

TEST_F(SpawnService, ClientSendsTheTaggedRecordWithItsProcessId) {
    struct TSeen {
        int count = 0;
        WPARAM sender = 0;
        ULONG_PTR tag = 0;
        String path;
    } seen;
    TZUXMessageWindow host(
        u"SpawnServiceTestHost", [&](UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
            if (message != WM_COPYDATA) return false;
            const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            ++seen.count;
            seen.sender = wParam;
            seen.tag = record->dwData;
            seen.path.assign(static_cast<const char16_t*>(record->lpData), record->cbData / 2);
            return true;
        });
    TSetupSpawnService::Initialize(uintptr_t(host.Handle()));
    for (const String& path : {String(u"C:\\Program Files\\ZIVR\\ZIVR.exe"), String()}) {
        seen = TSeen();
        TSetupSpawnService::Run(path);
        EXPECT_EQ(seen.count, 1);
        EXPECT_EQ(seen.sender, WPARAM(GetCurrentProcessId()));
        EXPECT_EQ(seen.tag, TSetupSpawnService::MessageId());
        EXPECT_EQ(seen.path, path);
    }
}

TEST_F(SpawnService, HostStartsWhatItsClientHandsOverFromAnotherThread) {
    TSetupSpawnService::Initialize(0);
    TSetupSpawnService::AcceptClient(GetCurrentProcessId());
    const String bat = Starter(u"handed");
    const HWND host = TSetupSpawnService::Token();
    const TZUXKernelHandle sent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread client([&] {
        SendPath(host, GetCurrentProcessId(), bat);
        SetEvent(sent.Get());
    });
    // The host's thread must keep serving while the client waits for it.
    const DWORD waited = WaitServingMessages(sent.Get(), 15000);
    client.join();
    ASSERT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_TRUE(Started(u"handed"));
}

TEST_F(SpawnService, HostIgnoresForeignWrongAndMalformedHandOffs) {
    TSetupSpawnService::Initialize(0);
    const HWND host = TSetupSpawnService::Token();
    const UINT tag = TSetupSpawnService::MessageId();
    const WPARAM self = GetCurrentProcessId();
    const String bad = Starter(u"bad");
    const String withZero = bad + String(1, u'\0') + u"x";

    // No client accepted yet: nobody is listened to.
    SendPath(host, self, bad);
    TSetupSpawnService::AcceptClient(GetCurrentProcessId());
    SendPath(host, self + 4, bad);                                      // a foreign sender
    SendRecord(host, self, tag + 1, bad.data(), DWORD(bad.size() * 2)); // another tag
    SendRecord(host, self, tag, bad.data(), DWORD(bad.size() * 2 - 1)); // half a character
    SendRecord(host, self, tag, nullptr, 8);                            // no data
    SendRecord(host, self, tag, withZero.data(), DWORD(withZero.size() * 2));
    SendMessageW(host, WM_COPYDATA, self, 0); // no record at all
    SendPath(host, self, String());           // nothing to start

    // The good hand-off comes last; anything started before it has had its time
    // once the good starter is done and a little more has passed.
    SendPath(host, self, Starter(u"good"));
    ASSERT_TRUE(Started(u"good"));
    Sleep(1000);
    EXPECT_FALSE(Exists(Mark(u"bad")));
}

TEST_F(SpawnService, ElevatedChildHandsItsProgramToTheHost) {
    const String bat = Starter(u"elevated");
    // The child is this program running the disabled test below; it waits for
    // nothing, but a broken one must not keep us waiting forever.
    TChildWatchdog watchdog(60000);
    const bool started =
        RunElevated(ChildTestArguments(u"ChildProcess.DISABLED_SpawnClient") + u" /HANDOFF=" + bat);
    EXPECT_TRUE(started);
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_TRUE(TSetupSpawnService::IsHost());
    EXPECT_TRUE(Started(u"elevated"));
}

// Runs in the child that RunElevated starts: a client that hands one path to
// the host whose window /SKIPUAC names.
TEST(ChildProcess, DISABLED_SpawnClient) {
    const String token = CommandLineValue(u"SKIPUAC");
    const String path = CommandLineValue(u"HANDOFF", true);
    if (token.empty() || path.empty()) GTEST_SKIP() << "only as the child of RunElevated";
    TSetupSpawnService::Initialize(uintptr_t(std::stoull(ToUtf8(token))));
    TSetupSpawnService::Run(path);
    TSetupSpawnService::Finalize();
}
