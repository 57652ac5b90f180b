// The uninstall log "Uninstall.ini": the options chosen at installation and,
// in its section "Uninstall", the files to remove ("Count", then "0", "1", ...),
// relative to the destination where they lie below it. The installation saves
// it as the one entry of the uninstaller's package "Uninstall.dat"; the
// uninstaller finds it there.
#pragma once

#include "ZUX/Base/IniFile.h"

#include <cstdint>

#include <vector>

// The log's name in the uninstaller's package.
inline constexpr const char16_t* UninstallLogName = u"Uninstall.ini";
// The most the uninstaller's package may hold once unpacked. It lies in the
// installation's folder, which a portable copy leaves writable to every user;
// the bound relative to its packed size still lets a few forged megabytes
// claim gigabytes. A log of 100,000 files is about 10 MiB of UTF-16 text, so
// no real one comes near.
inline constexpr uint32_t UninstallPackageMaxContent = 256u << 20;

class TSetupUninstallLog {
public:
    // A log that carries a copy of options (when given) and no files yet.
    explicit TSetupUninstallLog(const ZUX::TZUXIniFile* options);

    // Appends a file; a path below dest (compared ignoring case) is stored
    // relative to it.
    void AddFile(const ZUX::String& path, const ZUX::String& dest);
    // Saves the log, UTF-16LE text with its byte-order mark, as the one entry
    // of a new package at datPath (created or replaced, level 4). Raises what
    // the package builder raises.
    void SavePackage(const ZUX::String& datPath) const;
    void SavePackage(ZUX::TZUXStream& target) const;
    const ZUX::TZUXIniFile& Document() const { return log_; }

    // The file entries of a loaded log, in order, as stored; missing numbers
    // are left out, and a count larger than the section is cut to it.
    static std::vector<ZUX::String> ReadFiles(const ZUX::TZUXIniFile& log);

private:
    ZUX::TZUXIniFile log_;
};
