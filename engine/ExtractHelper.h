// Writing one packaged file: identical files are left alone, a file in use is
// moved aside as ".bak", and the user is asked when it still cannot be written.
#pragma once

#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Format.h"

#include <functional>
#include <memory>
#include <unordered_set>

class TSetupScriptFile;

// The answers of the locked-file question.
enum TSetupAnswer : int { saAbort = 3, saRetry = 4, saIgnore = 5 };

class TSetupExtractHelper {
public:
    // Asks the locked-file question on the main thread; tests answer it here.
    std::function<int(const ZUX::String& text)> AskLockedFile;

    void ExtractFile(const TSetupScriptFile& entry);
    // Raises EInstallerInstallError with "E3" when the folder cannot be made.
    void ForceDirectories(const ZUX::String& path);
    // False when the file is to be skipped.
    bool CreateTargetStream(const ZUX::String& fileName, ZUX::TZUXStream& source,
                            std::unique_ptr<ZUX::TZUXBufferedFileStream>& target);
    ZUX::String FormatText(ZUX::StringView key, std::initializer_list<ZUX::FormatArg> args) const;

    // The uninstaller: Uninstall.exe, Uninstall.dat with the log, the entry.
    void WriteUninstaller(const ZUX::String& dest,
                          const std::vector<const TSetupScriptFile*>& files);

private:
    int Ask(const ZUX::String& text);

    // Folders made sure of for earlier files: the next file of the same folder
    // needs no look at the disk.
    std::unordered_set<ZUX::String> madeFolders_;
};
