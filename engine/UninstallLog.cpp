// The uninstall log: written by the extraction, read by the removal.
#include "engine/UninstallLog.h"

#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Streams.h"
#include "ZUX/Base/Strings.h"
#include "package/Package.h"

#include <algorithm>

using namespace ZUX;

TSetupUninstallLog::TSetupUninstallLog(const TZUXIniFile* options) {
    log_.Assign(options);
    log_.DeleteSection(u"Uninstall");
}

void TSetupUninstallLog::AddFile(const String& path, const String& dest) {
    String entry = path;
    const int32_t count = log_.ReadInteger(u"Uninstall", u"Count", 0);
    if (StartsWith(entry, dest, true)) entry.erase(0, dest.size());
    log_.WriteString(u"Uninstall", IntToStr(count), entry);
    log_.WriteInteger(u"Uninstall", u"Count", count + 1);
}

void TSetupUninstallLog::SavePackage(const String& datPath) const {
    TZUXFileStream file(datPath, fmCreate);
    SavePackage(file);
}

void TSetupUninstallLog::SavePackage(TZUXStream& target) const {
    TZUXMemoryStream text;
    log_.SaveToStream(text);
    text.SetPosition(0);
    TSetupPackageBuilder builder(SetupPackageKey);
    builder.Add(text, UninstallLogName);
    builder.Commit(target, 4);
}

std::vector<String> TSetupUninstallLog::ReadFiles(const TZUXIniFile& log) {
    std::vector<String> files;
    const TZUXIniFileSection* section = log.GetSection(u"Uninstall");
    if (!section) return files;
    // A forged count cannot make us spin: there are no more entries than lines.
    const int count = std::min(section->ReadInteger(u"Count", 0), section->Count());
    for (int k = 0; k < count; ++k) {
        String entry;
        if (section->TryReadString(IntToStr(k), entry)) files.push_back(std::move(entry));
    }
    return files;
}
