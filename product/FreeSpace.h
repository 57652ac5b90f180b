// The free-space check made before a run deletes or writes anything: what the
// run will write (the product's files, the uninstaller and its log, the backup
// archive) against the free space of the destination's volume.
#pragma once

#include "ZUX/Base/Strings.h"
#include "engine/SetupFileList.h"

#include <cstdint>
#include <optional>

class TSetupFreeSpace {
public:
    // Bytes a file occupies at least: sizes are rounded up to this.
    static constexpr uint64_t Cluster = 4096;

    // The free bytes, for the caller, of the volume that holds path or its
    // nearest existing parent folder; nothing when the system cannot tell.
    static std::optional<uint64_t> Available(const ZUX::String& path);
    // The product's files of the current language, Uninstall.exe (a copy of
    // the running program) and an upper bound of Uninstall.dat.
    static uint64_t RunBytes();
    // An upper bound of the archive of these files: stored sizes (deflate
    // never grows data by more than a few bytes per block) plus the headers.
    static uint64_t ArchiveBytes(const TSetupFileList& files);
    // "12.3 MB" and the like, for messages; the last digit rounded up or down.
    static ZUX::String FormatBytes(uint64_t bytes, bool roundUp = true);
    // Raises EInstallerInstallError (text "E5" of "Common", English when the
    // language file lacks it) naming the drive, the bytes needed and the bytes
    // free, when the destination's volume cannot take needed bytes. A volume
    // whose free space cannot be read is not refused.
    static void Check(const ZUX::String& dest, uint64_t needed);
};
