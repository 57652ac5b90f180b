// The summary of a language file.
#include "ZUX/Base/LanguageFile.h"

#include <gtest/gtest.h>

using namespace ZUX;

namespace {

// The smallest well-formed icon file: header and one directory entry.
const Bytes kIcon("\x00\x00\x01\x00\x01\x00"
                  "\x10\x10\x00\x00\x01\x00\x20\x00\x04\x00\x00\x00\x16\x00\x00\x00"
                  "\xDE\xAD\xBE\xEF",
                  26);

String Hex(const Bytes& bytes) {
    TZUXIniFile scratch;
    TZUXMemoryStream stream(bytes);
    scratch.WriteStream(u"S", u"k", stream);
    return scratch.ReadString(u"S", u"k", u"");
}

} // namespace

TEST(Localization, SummaryOfALanguageFile) {
    TZUXIniFile doc;
    doc.LoadFromString(u"[File]\r\nName=Deutsch\r\nAuthor=A. Muster\r\nLangId=1031\r\n"
                       u"VersionId=$10\r\nIcon=" +
                       Hex(kIcon) + u"\r\n[Common]\r\nA1=x\r\n");
    TZUXLocalizationInfo info;
    Bytes icon = "old";
    EXPECT_TRUE(LangGetInfo(doc, info, &icon));
    EXPECT_EQ(info.Name, u"Deutsch");
    EXPECT_EQ(info.Author, u"A. Muster");
    EXPECT_EQ(info.LangId, 1031);
    EXPECT_EQ(info.VersionId, 16);
    EXPECT_EQ(icon, kIcon);
}

TEST(Localization, BrokenDescriptionStillSummarises) {
    TZUXLocalizationInfo info;
    info.Name = u"stale";
    info.LangId = 5;
    TZUXIniFile empty;
    EXPECT_TRUE(LangGetInfo(empty, info)); // no icon asked for
    EXPECT_EQ(info.Name, u"");
    EXPECT_EQ(info.Author, u"");
    EXPECT_EQ(info.LangId, 0);
    EXPECT_EQ(info.VersionId, 0);

    // Whatever is wrong with the icon, the caller gets none.
    Bytes notIcon = kIcon;
    notIcon[2] = 2; // a cursor file
    const String values[] = {u"",
                             u"0",
                             u"zz",
                             Hex("\x89PNG\r\n\x1A\n"),
                             Hex(notIcon),
                             Hex(kIcon.substr(0, 10)),
                             Hex(Bytes("\0\0\1\0\0\0", 6))};
    for (const String& value : values) {
        TZUXIniFile doc;
        doc.WriteString(u"File", u"LangId", u"1033x");
        doc.WriteString(u"File", u"Icon", value);
        Bytes icon = kIcon;
        EXPECT_TRUE(LangGetInfo(doc, info, &icon));
        EXPECT_TRUE(icon.empty()) << ToUtf8(value);
        EXPECT_EQ(info.LangId, 0);
    }
    TZUXIniFile noKey;
    Bytes icon = kIcon;
    LangGetInfo(noKey, info, &icon);
    EXPECT_TRUE(icon.empty());
}
