// The engine inside this test program: it carries a small setup and product
// package as its own resources, as Setup.exe does.
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"
#include "engine/SummaryBuilder.h"
#include "engine/UninstallEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace ZUX;

namespace {

// A product whose action list a test chooses.
struct TestProduct : TSetupProductInfo {
    static inline std::vector<TSetupActionClass> actions;
    static inline bool canUpdate = false;
    bool CanUpdate() override { return canUpdate; }
    bool IsPortable() override { return false; }
    int32_t GetInstalledVersion() override { return canUpdate ? 5301 : 0; }
    void Load() override {}
    void PopulateActions(const std::function<void(TSetupActionClass)>& callback) override {
        for (auto a : actions) callback(a);
    }
    void PopulatePages(const std::function<void(TSetupPageClass)>&) override {}
};

struct Recorder : IInstallerNotify {
    std::vector<std::pair<int32_t, String>> seen;
    String tag;
    std::vector<String>* order = nullptr;
    void Notify(int32_t code, intptr_t param) override {
        if (order) order->push_back(tag);
        seen.emplace_back(code, code == NOTIFY_STATUS ? *reinterpret_cast<const String*>(param)
                                                      : IntToStr(int64_t(param)));
    }
};

struct HalfAction : TSetupAction {
    void DoExecute() override {
        SetStatus(u"half");
        SetProgress(50);
        SetProgress(50); // unchanged: nothing is sent
    }
};
struct FailingAction : TSetupAction {
    void DoExecute() override { throw EInstallerInstallError(u"boom"); }
};
struct NeverRun : TSetupAction {
    static inline int runs = 0;
    void DoExecute() override { ++runs; }
};
// Actions that leave work running, and one that needs it done: the steps in
// the order they happen.
struct Steps {
    static inline std::vector<std::string> seen;
};
struct LeavesWork : TSetupAction {
    void DoExecute() override { Steps::seen.push_back("started"); }
    void Finish() override { Steps::seen.push_back("finished"); }
};
struct NeedsWorkDone : TSetupAction {
    void DoExecute() override { Steps::seen.push_back("needs it done"); }
    bool WaitsForEarlier() const override { return true; }
};

class Engine : public testing::Test {
protected:
    void SetUp() override {
        ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new TestProduct); };
        TestProduct::actions.clear();
        TestProduct::canUpdate = false;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root = FromWStr(temp) + u"zivr-engine-test\\";
        DeleteDirectory(root, true);
        ForceDirectories(root);
    }
    void TearDown() override {
        DeleteDirectory(root, true);
        TSetupAppRepo::Unregister(u"Test Player");
    }
    std::unique_ptr<TSetup> Make(const String& params) {
        auto setup = std::make_unique<TSetup>(params);
        setup->Resources->InitializeLanguages(1033);
        return setup;
    }
    String root;
};

Bytes ReadFileBytes(const String& path) {
    std::unique_ptr<TZUXBufferedFileStream> s;
    return OpenFileForReading(path, s) ? s->ReadToEnd() : Bytes("(missing)");
}

String RegValue(const String& key, const wchar_t* name) {
    wchar_t buffer[512];
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, WStr(key), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return u"(missing)";
    return FromWStr(buffer);
}

} // namespace

TEST_F(Engine, CommandLineDecidesModeFlagsAndDestination) {
    auto setup = Make(u"/auto=\"" + root + u"My Player\" /silent /NOBACKUP /PORTABLE");
    EXPECT_EQ(::Setup, setup.get());
    EXPECT_EQ(setup->Mode, smInstall);
    EXPECT_EQ(setup->DestPath, root + u"My Player\\");
    EXPECT_EQ(setup->Flags,
              FlagBit(sfAuto) | FlagBit(sfSilent) | FlagBit(sfNoBackup) | FlagBit(sfPortable));
    try {
        setup->SetFlag(sfAuto, false);
        FAIL();
    } catch (const EInstallerMysteryError& e) {
        EXPECT_EQ(e.Message(), u"Invalid Arguments");
    }
    setup->SetFlag(sfUpdate, true); // nothing to update: cleared again
    EXPECT_FALSE(setup->HasFlag(sfUpdate));
    setup->SetDestPath(setup->Resources->ProgramFiles + u"X");
    EXPECT_FALSE(setup->HasFlag(sfPortable)); // never portable under Program Files
    setup.reset();
    EXPECT_EQ(::Setup, nullptr);

    auto plain = Make(u"");
    EXPECT_EQ(plain->DestPath, plain->Resources->ProgramFiles + u"Test Player\\");
    EXPECT_EQ(plain->Flags, 0); // UPDATE was only a seed
    plain.reset();

    try {
        Make(u"/AUTO /UPDATE /SILENT");
        FAIL();
    } catch (const EInstallerUpdateError& e) {
        EXPECT_EQ(e.Message(), u"Cannot install update on v0.00");
    }
    EXPECT_EQ(::Setup, nullptr);
}

TEST_F(Engine, RunNotifiesListenersInReverseOrder) {
    TestProduct::actions = {&CreateAction<HalfAction>, &CreateAction<NeverRun>};
    auto setup = Make(u"/AUTO=\"" + root + u"\" /SILENT");
    Recorder a, b;
    std::vector<String> order;
    a.tag = u"A", b.tag = u"B";
    a.order = b.order = &order;
    setup->AddListener(&a);
    setup->AddListener(&b);
    setup->Run(true);
    setup->Run(true); // a second run does nothing
    EXPECT_EQ(setup->State, ssFinished);
    EXPECT_FALSE(setup->HasErrors());
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], u"B");
    EXPECT_EQ(order[1], u"A");
    const std::vector<std::pair<int32_t, String>> expected = {
        {NOTIFY_PROGRESS, IntToStr(0)}, // first action starts
        {NOTIFY_PROGRESS_CHANGED, u"0"},
        {NOTIFY_STATUS, u"half"},
        {NOTIFY_PROGRESS, IntToStr((25 << 16) | 50)}, // (50 + 0) / 2
        {NOTIFY_PROGRESS_CHANGED, u"0"},
        {NOTIFY_PROGRESS, IntToStr((50 << 16) | 100)},
        {NOTIFY_PROGRESS_CHANGED, u"0"},
        {NOTIFY_PROGRESS, IntToStr((50 << 16) | 0)}, // second action starts
        {NOTIFY_PROGRESS_CHANGED, u"0"},
        {NOTIFY_PROGRESS, IntToStr((100 << 16) | 100)},
        {NOTIFY_PROGRESS_CHANGED, u"0"},
        {NOTIFY_FINISHED, u"0"},
    };
    EXPECT_EQ(b.seen, expected);
    setup->RemoveListener(&a);
    setup->RemoveListener(&b);
}

TEST_F(Engine, FailingActionStopsTheListAndTerminationAddsE4) {
    NeverRun::runs = 0;
    TestProduct::actions = {&CreateAction<FailingAction>, &CreateAction<NeverRun>};
    auto setup = Make(u"/AUTO=\"" + root + u"\" /SILENT");
    setup->Run(true);
    ASSERT_EQ(setup->Errors->Count(), 1);
    EXPECT_EQ(setup->Errors->Strings(0), u"boom");
    EXPECT_EQ(NeverRun::runs, 0);
    setup.reset();

    // Termination before the first action: nothing runs, the run is cancelled.
    TestProduct::actions = {&CreateAction<NeverRun>};
    setup = Make(u"/AUTO=\"" + root + u"\" /SILENT");
    setup->Thread = std::make_unique<TSetupThread>();
    setup->State = ssRunning;
    setup->Thread->Terminate();
    setup->Thread->WaitFor();
    EXPECT_EQ(setup->State, ssFinished);
    EXPECT_EQ(NeverRun::runs, 0);
    ASSERT_EQ(setup->Errors->Count(), 1);
    EXPECT_EQ(setup->Errors->Strings(0), u"Cancelled by the user");
}

// What an action left running is done before an action that waits for the
// earlier ones, and before the run ends, a failed one too.
TEST_F(Engine, WorkLeftRunningIsFinishedBeforeItIsNeededAndAtTheEnd) {
    using V = std::vector<std::string>;
    const struct {
        std::vector<TSetupActionClass> actions;
        V expected;
    } cases[] = {
        {{&CreateAction<LeavesWork>, &CreateAction<NeedsWorkDone>},
         {"started", "finished", "needs it done", "finished"}},
        {{&CreateAction<LeavesWork>, &CreateAction<HalfAction>}, {"started", "finished"}},
        {{&CreateAction<LeavesWork>, &CreateAction<FailingAction>, &CreateAction<NeedsWorkDone>},
         {"started", "finished"}},
    };
    for (const auto& c : cases) {
        Steps::seen.clear();
        TestProduct::actions = c.actions;
        auto setup = Make(u"/AUTO=\"" + root + u"\" /SILENT");
        setup->Run(true);
        EXPECT_EQ(Steps::seen, c.expected);
    }
}

TEST_F(Engine, SilentInstallExtractsAndLeavesTheUninstaller) {
    TestProduct::actions = {&CreateAction<TSetupActionExtract>};
    const String dest = root + u"Test Player\\";
    auto setup = Make(u"/AUTO=\"" + dest + u"\" /SILENT");
    setup->Options->WriteBool(u"Common", u"RemoveContent", false);
    setup->Options->WriteString(u"Uninstall", u"0", u"dropped");
    setup->Run(true);
    ASSERT_FALSE(setup->HasErrors()) << ToUtf8(setup->Errors->Strings(0));
    EXPECT_EQ(ReadFileBytes(dest + u"Player.exe"), "player v1");
    EXPECT_EQ(ReadFileBytes(dest + u"Plugins\\a.dll"), "plugin a");
    EXPECT_FALSE(FileExists(dest + u"Langs\\readme_ru.txt")); // another language family
    EXPECT_EQ(ReadFileBytes(dest + u"Uninstall.exe"), ReadFileBytes(GetProgramFileName()));

    TZUXBufferedFileStream dat(dest + u"Uninstall.dat", fmOpenRead);
    TSetupPackageReader reader(dat);
    ASSERT_EQ(reader.FileTable().Count(), 1);
    std::unique_ptr<TZUXMemoryStream> ini;
    ASSERT_TRUE(reader.Extract(u"Uninstall.ini", ini));
    const std::u16string expected = u"\uFEFF[Common]\r\nRemoveContent=0\r\n\r\n[Uninstall]\r\n"
                                    u"0=Player.exe\r\nCount=4\r\n1=Plugins\\a.dll\r\n"
                                    u"2=Uninstall.dat\r\n3=Uninstall.exe\r\n\r\n";
    EXPECT_EQ(ini->Data(), std::string_view(reinterpret_cast<const char*>(expected.data()),
                                            expected.size() * 2));

    const String key = TSetupAppRepo::GetKeyPath(false) + u"TestPlayer";
    EXPECT_EQ(RegValue(key, L"DisplayName"), u"Test Player");
    EXPECT_EQ(RegValue(key, L"UninstallString"), u"\"" + dest + u"Uninstall.exe\"");
    EXPECT_EQ(RegValue(key, L"InstallPath"), dest);
    EXPECT_EQ(RegValue(key, L"DisplayVersion"), u"1.23.0");
    String found;
    ASSERT_TRUE(TSetupAppRepo::FindInstallPath(u"Test Player", found));
    EXPECT_EQ(found, dest);
}

TEST_F(Engine, UninstallLogIsReplacedWholeOrNotAtAll) {
    auto setup = Make(u"/AUTO=\"" + root + u"\" /SILENT /PORTABLE");
    const String dat = root + u"Uninstall.dat";
    {
        TZUXFileStream old(dat, fmCreate);
        old.WriteBuffer("old log", 7);
    }
    // The new log cannot be written: the old one stays whole.
    ASSERT_TRUE(ForceDirectories(dat + u".partial\\"));
    EXPECT_THROW(setup->ExtractHelper->WriteUninstaller(root, {}), Exception);
    EXPECT_EQ(ReadFileBytes(dat), "old log");
    ASSERT_TRUE(RemoveDir(dat + u".partial"));
    // Written: in place, and nothing left beside it.
    setup->ExtractHelper->WriteUninstaller(root, {});
    TZUXBufferedFileStream written(dat, fmOpenRead);
    TSetupPackageReader reader(written);
    std::unique_ptr<TZUXMemoryStream> ini;
    EXPECT_TRUE(reader.Extract(u"Uninstall.ini", ini));
    EXPECT_FALSE(FileExists(dat + u".partial"));
}

TEST_F(Engine, PortableInstallHasNoUninstallEntry) {
    TestProduct::actions = {&CreateAction<TSetupActionExtract>};
    const String dest = root + u"Portable\\";
    auto setup = Make(u"/AUTO=\"" + dest + u"\" /SILENT /PORTABLE");
    ASSERT_TRUE(setup->HasFlag(sfPortable));
    setup->Run(true);
    ASSERT_FALSE(setup->HasErrors());
    EXPECT_TRUE(FileExists(dest + u"Uninstall.dat"));
    String found;
    EXPECT_FALSE(TSetupAppRepo::FindInstallPath(u"Test Player", found));
}

// The pairs of names Windows will rename at the next restart.
String PendingRenames() {
    TZUXRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, key.Put()) != ERROR_SUCCESS)
        return String();
    std::vector<wchar_t> buffer(1 << 20);
    DWORD size = DWORD(buffer.size() * 2);
    const LONG result = RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (result != ERROR_SUCCESS) return String();
    String text = FromWStr(buffer.data(), size / 2);
    std::replace(text.begin(), text.end(), u'\0', u'|');
    return text;
}

TEST_F(Engine, LockedTargets) {
    // Interactive: the user is asked.
    auto setup = Make(u"/AUTO=\"" + root + u"\"");
    ASSERT_FALSE(setup->HasFlag(sfSilent));
    TSetupExtractHelper& helper = *setup->ExtractHelper;
    int asked = 0, answer = saIgnore;
    const auto ask = [&](const String& text) {
        ++asked;
        EXPECT_NE(text.find(u"Cannot write"), String::npos);
        return answer;
    };
    helper.AskLockedFile = ask;
    const auto lock = [](const String& path, DWORD share) {
        return TZUXKernelHandle(
            CreateFileW(WStr(path), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    };
    const auto write = [](const String& path, const char* text) {
        TZUXFileStream f(path, fmCreate);
        f.WriteBuffer(text, int64_t(strlen(text)));
    };
    std::unique_ptr<TZUXBufferedFileStream> target;

    // Identical content: left alone, no question, no ".bak".
    const String same = root + u"same.bin";
    write(same, "payload");
    TZUXKernelHandle h = lock(same, FILE_SHARE_READ);
    TZUXMemoryStream payload("payload");
    EXPECT_FALSE(helper.CreateTargetStream(same, payload, target));
    h.Close();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(FileExists(same + u".bak"));

    // Different content, file can be moved aside: ".bak" and a new file, also
    // over the ".bak" of an earlier run.
    const String moved = root + u"moved.bin";
    write(moved, "old");
    write(moved + u".bak", "older");
    h = lock(moved, FILE_SHARE_READ | FILE_SHARE_DELETE);
    payload.SetPosition(0);
    EXPECT_TRUE(helper.CreateTargetStream(moved, payload, target));
    target.reset();
    h.Close();
    EXPECT_EQ(ReadFileBytes(moved + u".bak"), "old");
    EXPECT_EQ(asked, 0);

    // Cannot be moved either: the user decides.
    const String stuck = root + u"stuck.bin";
    write(stuck, "old");
    h = lock(stuck, FILE_SHARE_READ);
    payload.SetPosition(0);
    EXPECT_FALSE(helper.CreateTargetStream(stuck, payload, target)); // Ignore
    EXPECT_EQ(asked, 1);
    answer = saAbort;
    payload.SetPosition(0);
    try {
        helper.CreateTargetStream(stuck, payload, target);
        FAIL();
    } catch (const EInstallerInstallError& e) {
        EXPECT_EQ(e.Message(), u"Installation of " + stuck + u" was aborted");
    }
    EXPECT_FALSE(helper.RestartRequired);

    // A question that could not be shown is no Ignore: the new file waits
    // beside the old one for the next restart.
    answer = 0;
    payload.SetPosition(0);
    ASSERT_TRUE(helper.CreateTargetStream(stuck, payload, target));
    target->WriteBuffer("new", 3);
    target->Flush();
    target.reset();
    EXPECT_TRUE(helper.RestartRequired);
    const String side = TSetupExtractHelper::ReplacementName(stuck);
    EXPECT_EQ(ReadFileBytes(side), "new");
    EXPECT_NE(PendingRenames().find(side + u"|!"), String::npos) << ToUtf8(PendingRenames());
    EXPECT_EQ(ReadFileBytes(stuck), "old");

    // A silent run asks nobody; where nothing can be written beside either,
    // it stops.
    setup.reset();
    setup = Make(u"/AUTO=\"" + root + u"\" /SILENT");
    setup->ExtractHelper->AskLockedFile = ask; // helper went with the first setup
    asked = 0;
    ZUX::DeleteFile(side);
    ASSERT_TRUE(ForceDirectories(side + u"\\")); // a folder where the file would go
    payload.SetPosition(0);
    EXPECT_THROW(setup->ExtractHelper->CreateTargetStream(stuck, payload, target),
                 EInstallerInstallError);
    RemoveDir(side);
    payload.SetPosition(0);
    EXPECT_TRUE(setup->ExtractHelper->CreateTargetStream(stuck, payload, target));
    target.reset();
    EXPECT_TRUE(setup->ExtractHelper->RestartRequired);
    EXPECT_EQ(asked, 0);
    h.Close();
}

TEST(EngineParts, VersionsAndSummary) {
    const std::pair<int32_t, const char16_t*> versions[] = {
        {5301, u"5.30"}, {4009, u"4.00"}, {0, u"0.00"}, {4520, u"4.52"}};
    for (auto [v, text] : versions) EXPECT_EQ(TSetupProductInfo::FormatVersionId(v), text);

    TSetupSummaryBuilder empty;
    empty.AddHeader(u"Nothing follows");
    EXPECT_EQ(empty.ToString(), u"");
    TSetupSummaryBuilder b;
    b.AddHeader(u"ignored");
    b.AddHeader(u"Header one:");
    b.AddItem(u"item one");
    b.AddHeader(u"Header two");
    b.AddItem(u"item two");
    EXPECT_EQ(b.ToString(), u"Header one:\r\n * item one\r\n\r\nHeader two:\r\n * item two\r\n");
    EXPECT_EQ(TSetupAppRepo::GetKeyName(u"My Player"), u"MyPlayer");
}

TEST(EngineParts, UninstallCommandWithABlankIsQuoted) {
    const String folder = GetTempPath() + u"Test Player Quoted\\";
    ASSERT_TRUE(ForceDirectories(folder));
    TSetupAppRepo::Register(u"Quoted Player Test", folder + u"Uninstall.exe", u"1.0", u"Team",
                            u"https://example.invalid/");
    const String key = TSetupAppRepo::GetKeyPath(false) + u"QuotedPlayerTest";
    EXPECT_EQ(RegValue(key, L"UninstallString"), u"\"" + folder + u"Uninstall.exe\"");
    // Found through the quoted command alone as well.
    TZUXRegKey k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WStr(key), 0, KEY_WRITE, k.Put()), ERROR_SUCCESS);
    RegDeleteValueW(k, L"InstallPath");
    k.Close();
    String found;
    EXPECT_TRUE(TSetupAppRepo::FindInstallPath(u"Quoted Player Test", found));
    EXPECT_EQ(found, folder);
    TSetupAppRepo::Unregister(u"Quoted Player Test");
    RemoveDir(folder);
}

TEST(EngineParts, UninstallEntryFoundThroughThe32BitView) {
    // A 32-bit installation registered itself under the Wow6432Node path.
    TZUXRegKey k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              WStr(TSetupAppRepo::GetKeyPath(true) + u"OldPlayerTest"), 0, nullptr,
                              0, KEY_WRITE, nullptr, k.Put(), nullptr),
              ERROR_SUCCESS);
    const String folder = GetTempPath();
    const String exe = folder + u"Uninstall.exe";
    RegSetValueExW(k, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(exe.c_str()),
                   DWORD((exe.size() + 1) * 2));
    k.Close();
    String found;
    EXPECT_TRUE(TSetupAppRepo::FindInstallPath(u"Old Player Test", found));
    EXPECT_EQ(found, folder);
    TSetupAppRepo::Unregister(u"Old Player Test");
    EXPECT_FALSE(TSetupAppRepo::FindInstallPath(u"Old Player Test", found));
}
