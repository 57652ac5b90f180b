// The free-space check: the run's bytes and the backup archive's in whole
// clusters, against the free space of the destination's nearest existing folder.
#include "product/FreeSpace.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Win32.h"
#include "engine/InstallerErrors.h"
#include "engine/Setup.h"
#include "engine/SetupResources.h"
#include "engine/SetupScript.h"

#include <cmath>

using namespace ZUX;

namespace {

uint64_t RoundUp(uint64_t bytes) {
    return (bytes + TSetupFreeSpace::Cluster - 1) / TSetupFreeSpace::Cluster *
           TSetupFreeSpace::Cluster;
}

const TSetupPackageFileTableItem* FindPackaged(const TSetupResources& resources,
                                               const String& name) {
    for (const TSetupPackageReader* package :
         {resources.ProductPackage.get(), resources.SetupPackage.get()})
        if (package)
            if (const auto* item = package->FileTable().Find(name)) return item;
    return nullptr;
}

} // namespace

std::optional<uint64_t> TSetupFreeSpace::Available(const String& path) {
    // The folder may not exist yet: its nearest existing parent is on the
    // same volume.
    String folder = IncludeTrailingPathDelimiter(path);
    while (!folder.empty() && !DirectoryExists(folder)) {
        const String parent =
            IncludeTrailingPathDelimiter(ExtractFilePath(ExcludeTrailingPathDelimiter(folder)));
        if (parent == folder) break;
        folder = parent;
    }
    ULARGE_INTEGER available{};
    if (folder.empty() || !GetDiskFreeSpaceExW(WStr(folder), &available, nullptr, nullptr))
        return std::nullopt;
    return uint64_t(available.QuadPart);
}

uint64_t TSetupFreeSpace::RunBytes() {
    const TSetupResources& resources = *Setup->Resources;
    const String family = resources.GetLanguageFamily();
    const TSetupScriptGroup& components = *resources.Script->Components;
    uint64_t bytes = 0;
    for (int i = 0; i < components.Count(); ++i) {
        const TSetupScriptFile& entry = components.Items(i);
        if (!entry.Matches(family)) continue;
        const auto* item = FindPackaged(resources, entry.GetPackagedName());
        bytes += RoundUp(item ? uint64_t(item->Size) : 0);
    }
    // The log names every file once, in UTF-16, before it is compressed.
    const uint64_t log = 4096 + uint64_t(components.Count()) * 1024;
    return bytes + RoundUp(GetFileSize(GetProgramFileName())) + RoundUp(log);
}

uint64_t TSetupFreeSpace::ArchiveBytes(const TSetupFileList& files) {
    uint64_t bytes = 0;
    for (int i = 0; i < files.Count(); ++i) {
        const TSetupFileListItem& item = files.Items(i);
        const uint64_t size = GetFileSize(item.FullPath);
        // Stored blocks cost 5 bytes per 16 KiB; local and central headers
        // with the name twice, Zip64 fields included.
        bytes += size + size / 16384 * 5 + 5 + 2 * (46 + 32 + 3 * item.RelativeName.size());
    }
    return files.Count() ? RoundUp(bytes + 22 + 56 + 20) : 0;
}

String TSetupFreeSpace::FormatBytes(uint64_t bytes, bool roundUp) {
    static const char16_t* const units[] = {u"bytes", u"KB", u"MB", u"GB", u"TB"};
    if (bytes < 1024) return Format(u"%d %s", {bytes, units[0]});
    double value = double(bytes);
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    // One decimal: a need is rounded up, a free space down, so that the two
    // figures never look enough when they are not.
    const uint64_t tenths = uint64_t(roundUp ? std::ceil(value * 10) : std::floor(value * 10));
    return Format(u"%d.%d %s", {tenths / 10, tenths % 10, units[unit]});
}

void TSetupFreeSpace::Check(const String& dest, uint64_t needed) {
    const std::optional<uint64_t> available = Available(dest);
    if (!available || *available >= needed) return;
    String drive = ExtractFileDrive(dest);
    if (drive.empty()) drive = dest;
    String text = Setup->Resources->GetText(u"E5");
    if (text.empty())
        text = u"There is not enough free space on drive %s. Setup needs %s, but only %s "
               u"is free. Free some space or choose another folder.";
    throw EInstallerInstallError(
        Format(text, {drive, FormatBytes(needed), FormatBytes(*available, false)}));
}
