// An update's safety net, timed under Wine. The guard: the free-space query
// and the marker's round trip (with the record: written, rewritten, removed),
// for a fresh installation and for an update of a 5.30 copy. The way back:
// the 5.30 copy's backup as the preparation writes it, then its restore after
// an update that failed once it had deleted the old program files and written
// the whole new copy. Prints the medians in milliseconds.
//   update_restore.exe FIXTURE PRODUCT WORK [RUNS]
// FIXTURE is the 5.30 fixture (Program\, AppData\ZIVR\), PRODUCT the new
// copy's files, WORK a scratch folder (Windows paths).
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "engine/SetupFileList.h"
#include "product/FreeSpace.h"
#include "product/Profiles.h"
#include "product/UpdateRecovery.h"
#include "product/ZipWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <vector>

using namespace ZUX;

namespace {

using TClock = std::chrono::steady_clock;

double Since(TClock::time_point start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fputs("usage: update_restore FIXTURE PRODUCT WORK [RUNS]\n", stderr);
        return 2;
    }
    const String fixture = IncludeTrailingPathDelimiter(FromWStr(argv[1]));
    const String product = IncludeTrailingPathDelimiter(FromWStr(argv[2]));
    const String work = IncludeTrailingPathDelimiter(FromWStr(argv[3]));
    const int runs = argc > 4 ? std::max(1, int(std::wcstol(argv[4], nullptr, 10))) : 20;
    const String dest = work + u"zivr\\", profile = work + u"profile\\";
    const String backup = dest + u"!Backup\\";
    std::vector<double> guard, updateGuard, backups, restores;
    for (int run = 0; run < runs; ++run) {
        // The guard of a fresh installation.
        const String fresh = work + u"fresh\\";
        DeleteDirectory(fresh, true);
        TClock::time_point start = TClock::now();
        {
            TSetupUpdateRecovery recovery;
            TSetupFreeSpace::Available(fresh);
            recovery.Begin(fresh, String(), false, false, TSetupProfileInfoList());
            recovery.SetState(u"Installing");
            recovery.End(false);
        }
        guard.push_back(Since(start));

        DeleteDirectory(dest, true);
        DeleteDirectory(profile, true);
        CopyDirectory(fixture + u"Program", dest, String(), true);
        CopyDirectory(fixture + u"AppData\\ZIVR", profile, String(), true);

        // The backup, as the preparation writes it.
        start = TClock::now();
        TSetupFileList files;
        files.AddFolder(profile, backup, u"Profiles\\bench\\");
        files.AddFolder(dest, backup, u"Program\\");
        ForceDirectories(backup);
        {
            TSetupZipWriter zip(backup + u"bench.zip");
            for (int i = 0; i < files.Count(); ++i)
                zip.AddFile(files.Items(i).FullPath, files.Items(i).RelativeName);
            zip.Close();
        }
        TSetupUpdateMarker marker;
        marker.Archive = u"bench.zip";
        marker.Profiles.push_back({u"bench", profile, profile, true});
        TSetupUpdateRecord record;
        record.AddEmptyFolders(dest, backup);
        backups.push_back(Since(start));

        start = TClock::now();
        {
            TSetupUpdateRecovery recovery;
            TSetupFreeSpace::Available(dest);
            TSetupFreeSpace::ArchiveBytes(files);
            recovery.Begin(dest, backup + u"bench.zip", false, true, TSetupProfileInfoList());
            recovery.SetState(u"Installing");
            recovery.End(false);
        }
        updateGuard.push_back(Since(start));

        // An update that failed at its end: the program files it deletes are
        // gone (the profile and the content an update keeps are not), and the
        // whole new copy is written.
        for (int i = 0; i < files.Count(); ++i) {
            const String& path = files.Items(i).FullPath;
            bool kept = !StartsWith(path, dest, true);
            for (const char16_t* prefix : {u"Plugins\\", u"Icons\\", u"Skins\\", u"libwebp.dll"})
                kept = kept || StartsWith(path, dest + prefix, true);
            if (!kept) DeleteFile(path);
        }
        CopyDirectory(product, dest, String(), true);

        start = TClock::now();
        String reason;
        if (!TSetupUpdateRecovery::Restore(dest, marker, record, reason)) {
            std::fprintf(stderr, "restore failed: %s\n", ToUtf8(reason).c_str());
            return 1;
        }
        restores.push_back(Since(start));
    }
    DeleteDirectory(work, true);
    std::printf("guard-fresh-ms %.2f\nguard-update-ms %.2f\nbackup-ms %.2f\nrestore-ms %.2f\n",
                Median(guard), Median(updateGuard), Median(backups), Median(restores));
    return 0;
}
