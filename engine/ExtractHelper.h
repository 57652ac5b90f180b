// Writing one packaged file: identical files are left alone, a file in use is
// moved aside as ".bak", and the user is asked when it still cannot be written.
// Without an answer (a silent run, or a question that could not be shown) the
// new file is written beside the old one and replaces it at the next restart.
#pragma once

#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Format.h"

#include <functional>
#include <memory>
#include <unordered_set>

class TSetupFileWriter;
class TSetupScriptFile;

// The answers of the locked-file question.
enum TSetupAnswer : int { saAbort = 3, saRetry = 4, saIgnore = 5 };

class TSetupExtractHelper {
public:
    // Asks the locked-file question on the main thread; tests answer it here.
    std::function<int(const ZUX::String& text)> AskLockedFile;
    // A file of this run only takes its place at the next restart.
    bool RestartRequired = false;

    void ExtractFile(const TSetupScriptFile& entry);
    // Hands the file to the writer's lanes; false when its folder or data
    // fails, for ExtractFile to say why.
    bool QueueFile(TSetupFileWriter& writer, size_t index, const TSetupScriptFile& entry);
    // Raises EInstallerInstallError with "E3" when the folder cannot be made.
    void ForceDirectories(const ZUX::String& path);
    // False when the file is to be skipped. Raises EInstallerInstallError with
    // "E1" when the run is to stop.
    bool CreateTargetStream(const ZUX::String& fileName, ZUX::TZUXStream& source,
                            std::unique_ptr<ZUX::TZUXBufferedFileStream>& target);
    ZUX::String FormatText(ZUX::StringView key, std::initializer_list<ZUX::FormatArg> args) const;

    // The uninstaller: Uninstall.exe, Uninstall.dat with the log, the entry.
    void WriteUninstaller(const ZUX::String& dest,
                          const std::vector<const TSetupScriptFile*>& files);
    // The same in two steps: the log is made at once and packed on a thread
    // of its own while the files are written; then the uninstaller is
    // written with it. The log's thread ends with the job.
    struct TUninstallJob;
    std::unique_ptr<TUninstallJob>
    StartUninstaller(const ZUX::String& dest, const std::vector<const TSetupScriptFile*>& files);
    void WriteUninstaller(TUninstallJob& job);

    // Where a file that cannot be written now waits for the next restart.
    static ZUX::String ReplacementName(const ZUX::String& fileName);

private:
    int Ask(const ZUX::String& text);
    bool CreateReplacement(const ZUX::String& fileName,
                           std::unique_ptr<ZUX::TZUXBufferedFileStream>& target,
                           int64_t bufferSize);

    ZUX::String replacement_; // the file the last target stream writes, when not in place

    // Folders made sure of for earlier files: the next file of the same folder
    // needs no look at the disk.
    std::unordered_set<ZUX::String> madeFolders_;
};
