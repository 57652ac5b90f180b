// The uninstall log: what the installation writes is what the removal reads.
#include "ZUX/Base/FileStream.h"
#include "engine/UninstallLog.h"
#include "package/Package.h"

#include <gtest/gtest.h>

using namespace ZUX;

TEST(UninstallLog, SavedPackageHoldsTheLogThatReadsBack) {
    TZUXIniFile options;
    options.WriteString(u"Options", u"Portable", u"0");
    options.WriteString(u"Uninstall", u"0", u"left over from the options");
    TSetupUninstallLog log(&options);
    const String dest = u"C:\\Program Files\\ZIVR\\";
    log.AddFile(u"c:\\program files\\zivr\\Skins\\Default.zsk4", dest);
    log.AddFile(u"C:\\Windows\\Fonts\\zivr.ttf", dest);

    const String dat = FromUtf8(testing::TempDir() + "Uninstall.dat");
    log.SavePackage(dat);
    TZUXBufferedFileStream file(dat, fmOpenRead | fmShareDenyNone);
    TSetupPackageReader package(file);
    std::unique_ptr<TZUXMemoryStream> text;
    ASSERT_TRUE(package.Extract(UninstallLogName, text));
    ASSERT_GE(text->Size(), 2);
    const auto* bytes = static_cast<const unsigned char*>(text->Memory());
    EXPECT_EQ(bytes[0], 0xFF); // UTF-16LE with its byte-order mark
    EXPECT_EQ(bytes[1], 0xFE);

    TZUXIniFile read;
    text->SetPosition(0);
    read.LoadFromStream(*text);
    EXPECT_EQ(read.ReadString(u"Options", u"Portable", u""), u"0");
    const std::vector<String> files = TSetupUninstallLog::ReadFiles(read);
    EXPECT_EQ(files,
              (std::vector<String>{u"Skins\\Default.zsk4", u"C:\\Windows\\Fonts\\zivr.ttf"}));
}

TEST(UninstallLog, ReadsOnlyTheEntriesThatExistUpToTheLines) {
    TZUXIniFile log;
    log.WriteInteger(u"Uninstall", u"Count", 1000000);
    log.WriteString(u"Uninstall", u"0", u"a.txt");
    log.WriteString(u"Uninstall", u"2", u"c.txt"); // "1" missing
    EXPECT_EQ(TSetupUninstallLog::ReadFiles(log), (std::vector<String>{u"a.txt", u"c.txt"}));
    EXPECT_TRUE(TSetupUninstallLog::ReadFiles(TZUXIniFile()).empty());
}

// The uninstaller's package lies where any user of a portable copy may write:
// a header claiming more than any log reaches is refused before a byte of
// the stream is decoded, even where the packed stream is large enough to make
// the claim plausible.
TEST(UninstallLog, APackageClaimingMoreThanAnyLogIsRefusedUnread) {
    const auto crafted = [](uint32_t size) {
        Bytes bytes = "IPK5";
        bytes.append(4, '\0'); // checksum
        for (int i = 0; i < 4; ++i) bytes += char(uint8_t(size >> (8 * i)));
        bytes.append(size_t(UninstallPackageMaxContent / 1024), '\x5D'); // packed "stream"
        return bytes;
    };
    for (const uint32_t claim : {UninstallPackageMaxContent + 1, uint32_t(UINT32_MAX)}) {
        TZUXMemoryStream dat(crafted(claim));
        EXPECT_THROW(TSetupPackageReader(dat, SetupPackageKey, UninstallPackageMaxContent),
                     ESetupPackageReadError)
            << claim;
        EXPECT_EQ(dat.Position(), 12) << "the stream was read: " << claim;
    }
    // At the bound the header alone does not refuse it: the stream is decoded
    // (and found damaged).
    TZUXMemoryStream dat(crafted(UninstallPackageMaxContent));
    EXPECT_ANY_THROW(TSetupPackageReader(dat, SetupPackageKey, UninstallPackageMaxContent));
    EXPECT_GT(dat.Position(), 12);
}
