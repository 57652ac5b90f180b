// Writing packaged files, and the uninstaller left behind by the extraction.
#include "engine/ExtractHelper.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/HashMD5.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Log.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "ZUX/UI/MessageDialog.h"
#include "engine/FaultPoint.h"
#include "engine/FileWriter.h"
#include "engine/Setup.h"
#include "engine/UninstallEntry.h"
#include "engine/UninstallLog.h"
#include "package/Package.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>

using namespace ZUX;

namespace {

constexpr int64_t kCopyBlock = 1 << 20;

// Two files created at once keep the system busy while the next ones are
// decoded; more lanes than that gained nothing measurable.
constexpr size_t kWriterLanes = 2;

// A packaged file comes from memory in one piece: a buffer larger than the
// file is only an allocation per file, which counts with thousands of them.
int64_t WriteBufferFor(TZUXStream& source) {
    return std::clamp<int64_t>(source.Size(), 1, TZUXBufferedFileStream::DefaultBufferSize);
}

String FileDigest(const String& fileName) {
    auto state = TZUXHashMD5::Initialize();
    TZUXHashMD5::UpdateFromFile(state, fileName);
    return TZUXHashMD5::Finalize(state);
}

String StreamDigest(TZUXStream& stream) {
    auto state = TZUXHashMD5::Initialize();
    TZUXHashMD5::UpdateFromStream(state, stream);
    return TZUXHashMD5::Finalize(state);
}

} // namespace

String TSetupExtractHelper::FormatText(StringView key,
                                       std::initializer_list<FormatArg> args) const {
    return Setup->Resources->FormatText(key, args);
}

void TSetupExtractHelper::ForceDirectories(const String& path) {
    if (madeFolders_.count(path)) return;
    if (!ZUX::ForceDirectories(path)) throw EInstallerInstallError(FormatText(u"E3", {path}));
    madeFolders_.insert(path);
}

void TSetupExtractHelper::ExtractFile(const TSetupScriptFile& entry) {
    const String target = Setup->Resources->ExpandFileName(entry.Name);
    try {
        ForceDirectories(ExtractFilePath(target));
        std::unique_ptr<TZUXMemoryStream> source =
            Setup->Resources->GetStream(entry.GetPackagedName());
        std::unique_ptr<TZUXBufferedFileStream> stream;
        if (CreateTargetStream(target, *source, stream)) {
            try {
                source->SetPosition(0);
                stream->CopyFrom(*source, source->Size(), kCopyBlock);
                stream->Flush();
            } catch (...) {
                // A part of the file must not replace the old one at the restart.
                if (!replacement_.empty()) {
                    stream.reset();
                    ZUX::DeleteFile(replacement_);
                }
                throw;
            }
            LogFmt(u"File written: %s (%d bytes)",
                   {replacement_.empty() ? target : replacement_, source->Size()});
        }
    } catch (const Exception& e) {
        LogException(u"File not written: " + target, e);
        throw EInstallerInstallError(target + u"\r\n" + e.Message());
    }
}

bool TSetupExtractHelper::QueueFile(TSetupFileWriter& writer, size_t index,
                                    const TSetupScriptFile& entry) {
    TSetupFileWriter::TItem item;
    item.Index = index;
    item.FileName = Setup->Resources->ExpandFileName(entry.Name);
    try {
        ForceDirectories(ExtractFilePath(item.FileName));
        item.Data = Setup->Resources->GetStream(entry.GetPackagedName());
    } catch (const Exception&) {
        return false; // the serial path says why
    }
    writer.Write(std::move(item));
    return true;
}

String TSetupExtractHelper::ReplacementName(const String& fileName) {
    return fileName + u".new";
}

bool TSetupExtractHelper::CreateReplacement(const String& fileName,
                                            std::unique_ptr<TZUXBufferedFileStream>& target,
                                            int64_t bufferSize) {
    const String side = ReplacementName(fileName);
    if (!CreateFileForWriting(side, target, bufferSize)) return false;
    if (MoveFileExW(WStr(LongPathForm(side)), WStr(LongPathForm(fileName)),
                    MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
        RestartRequired = true;
        replacement_ = side;
        LogFmt(u"File in use: the new one waits as %s and replaces it at the next restart", {side});
        return true;
    }
    LogLastError(u"File cannot be replaced at the next restart: " + fileName);
    target.reset();
    ZUX::DeleteFile(side);
    return false;
}

bool TSetupExtractHelper::CreateTargetStream(const String& fileName, TZUXStream& source,
                                             std::unique_ptr<TZUXBufferedFileStream>& target) {
    replacement_.clear();
    const int64_t bufferSize = WriteBufferFor(source);
    if (CreateFileForWriting(fileName, target, bufferSize)) return true;
    // Only now that writing failed is the file worth a digest.
    LogLastError(u"File cannot be opened for writing: " + fileName);
    if (SameText(FileDigest(fileName), StreamDigest(source))) {
        LogFmt(u"File kept, it already has this content: %s", {fileName});
        return false;
    }
    // A ".bak" of an earlier run is no reason to bother the user.
    const String backup = fileName + u".bak";
    SetFileAttr(backup, 0);
    ZUX::DeleteFile(backup);
    if (MoveFile(fileName, backup))
        LogFmt(u"File replaced: %s renamed to %s.bak", {fileName, fileName});
    else
        LogLastError(u"File cannot be renamed to .bak: " + fileName);
    // Nobody is there to answer in a silent run (but the fault tests' script).
    int answer = Setup->HasFlag(sfSilent) ? FaultAnswer() : saRetry;
    while (answer == saRetry) {
        if (CreateFileForWriting(fileName, target, bufferSize)) return true;
        LogLastError(u"File cannot be opened for writing: " + fileName);
        answer = Ask(FormatText(u"QM2", {fileName}));
        LogFmt(u"Asked about the locked file %s: %s", {fileName, answer == saRetry   ? u"retry"
                                                                 : answer == saAbort ? u"abort"
                                                                                     : u"skip"});
    }
    if (answer == saIgnore) return false;
    // Unanswered (a silent run, or a box that could not be shown) is no
    // Ignore: the new file replaces the old one at the next restart, or the
    // run stops.
    if (answer != saAbort && CreateReplacement(fileName, target, bufferSize)) return true;
    throw EInstallerInstallError(FormatText(u"E1", {fileName}));
}

int TSetupExtractHelper::Ask(const String& text) {
    if (AskLockedFile) return AskLockedFile(text);
    if (const int scripted = FaultAnswer()) return scripted;
    int answer = 0;
    Setup->Synchronize([&] {
        // 0 when the question could not be shown: neither Retry nor Abort.
        answer =
            ZUXMessageBox(nullptr, text, u"", MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_DEFBUTTON2);
    });
    return answer;
}

struct TSetupExtractHelper::TUninstallJob {
    explicit TUninstallJob(const TZUXIniFile* options) : Log(options) {}
    ~TUninstallJob() {
        if (Packer.joinable()) Packer.join();
    }
    TUninstallJob(const TUninstallJob&) = delete;
    TUninstallJob& operator=(const TUninstallJob&) = delete;
    // Waits for the packing; raises what it raised.
    TZUXMemoryStream& Packed() {
        if (Packer.joinable()) Packer.join();
        if (Error) std::rethrow_exception(Error);
        return Package;
    }

    String ExePath, DatPath;
    TSetupUninstallLog Log;
    TZUXMemoryStream Package;
    std::exception_ptr Error;
    std::thread Packer;
};

std::unique_ptr<TSetupExtractHelper::TUninstallJob>
TSetupExtractHelper::StartUninstaller(const String& dest,
                                      const std::vector<const TSetupScriptFile*>& files) {
    auto job = std::make_unique<TUninstallJob>(Setup->Options.get());
    job->ExePath = dest + u"Uninstall.exe";
    job->DatPath = ChangeFileExt(job->ExePath, u".dat");
    const auto addPath = [&](const String& name) {
        job->Log.AddFile(Setup->Resources->ExpandFileName(name), dest);
    };
    for (const TSetupScriptFile* file : files) addPath(file->Name);
    addPath(job->DatPath);
    addPath(job->ExePath);
    TUninstallJob& self = *job;
    const auto pack = [&self] {
        try {
            self.Log.SavePackage(self.Package);
        } catch (...) {
            self.Error = std::current_exception();
        }
    };
    try {
        job->Packer = std::thread(pack);
    } catch (const std::system_error&) {
        pack(); // no thread: packed here
    }
    return job;
}

void TSetupExtractHelper::WriteUninstaller(const String& dest,
                                           const std::vector<const TSetupScriptFile*>& files) {
    WriteUninstaller(*StartUninstaller(dest, files));
}

void TSetupExtractHelper::WriteUninstaller(TUninstallJob& job) {
    const String program = GetProgramFileName();
    CopyFileOrRaise(program, job.ExePath);
    LogFmt(u"File written: %s (copy of %s)", {job.ExePath, program});

    // Written beside and renamed into place: a failure part-way must not
    // leave a copy that can no longer be uninstalled.
    const String partial = job.DatPath + u".partial";
    try {
        TZUXMemoryStream& package = job.Packed();
        TZUXFileStream file(partial, fmCreate);
        file.WriteBuffer(package.Memory(), package.Size());
    } catch (...) {
        ZUX::DeleteFile(partial);
        throw;
    }
    if (!MoveFileReplacing(partial, job.DatPath)) {
        const uint32_t error = GetLastOSError();
        ZUX::DeleteFile(partial);
        SetLastError(error);
        RaiseLastOSError();
    }
    LogFmt(u"File written: %s (uninstall log of %d files)",
           {job.DatPath, job.Log.Document().ReadInteger(u"Uninstall", u"Count", 0)});

    if (Setup->HasFlag(sfPortable)) return;
    TSetupProductInfo& product = *Setup->ProductInfo;
    TSetupAppRepo::Register(product.GetProductName(), job.ExePath, product.GetProductVersionNo(),
                            product.GetPublisher(), product.GetHomePage());
}

void TSetupActionExtract::DoExecute() {
    SetStatus(GetCommonText(u"A4"));
    std::vector<const TSetupScriptFile*> files;
    files.reserve(512);
    const String family = Resources().GetLanguageFamily();
    const TSetupScriptGroup& components = *Script().Components;
    for (int i = 0; i < components.Count(); ++i)
        if (components.Items(i).Matches(family)) files.push_back(&components.Items(i));

    TSetupExtractHelper& helper = *Setup->ExtractHelper;
    const auto uninstaller = helper.StartUninstaller(Setup->DestPath, files);
    // Creating a file is mostly the system's work; two lanes keep it busy
    // while the next files are decoded. Without threads, one file at a time.
    std::unique_ptr<TSetupFileWriter> writer;
    try {
        writer = std::make_unique<TSetupFileWriter>(kWriterLanes);
    } catch (const std::exception& e) {
        LogFmt(u"Files written one at a time: %s", {FromUtf8(e.what())});
    }
    // What the lanes could not write takes the serial path, in order.
    const auto settle = [&] {
        if (!writer) return;
        for (const TSetupFileWriter::TItem& item : writer->Drain())
            helper.ExtractFile(*files[item.Index]);
    };
    const size_t count = files.size();
    for (size_t i = 0; i < count; ++i) {
        SetProgress(int32_t((double(i) * 100 + 100) / double(count)));
        if (i == count / 2) {
            settle();
            FaultPoint("extracting");
        }
        if (writer && helper.QueueFile(*writer, i, *files[i])) {
            if (writer->HasReturned()) settle();
            continue;
        }
        settle();
        helper.ExtractFile(*files[i]);
    }
    settle();
    writer.reset();
    SetStatus(GetCommonText(u"A7"));
    helper.WriteUninstaller(*uninstaller);
}
