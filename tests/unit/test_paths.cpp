// Path functions.
#include "ZUX/Base/Paths.h"

#include <gtest/gtest.h>

using namespace ZUX;

namespace {

std::string Show(const String& s) {
    return ToUtf8(s);
}

} // namespace

TEST(Paths, SplitIntoDrivePathDirAndName) {
    struct Case {
        String p, drive, path, dir, name;
    };
    const Case cases[] = {
        {u"C:\\Users\\John\\file.txt", u"C:", u"C:\\Users\\John\\", u"C:\\Users\\John",
         u"file.txt"},
        {u"C:\\file.txt", u"C:", u"C:\\", u"C:\\", u"file.txt"}, // a root keeps its backslash
        {u"C:file", u"C:", u"C:", u"C:", u"file"},
        {u"\\\\server\\share\\x", u"\\\\server", u"\\\\server\\share\\", u"\\\\server\\share",
         u"x"},
        {u"\\\\server", u"\\\\server", u"\\\\", u"\\\\", u"server"},
        {u"\\\\?\\C:\\x\\y", u"C:", u"\\\\?\\C:\\x\\", u"\\\\?\\C:\\x", u"y"},
        {u"a/b/c.txt", u"", u"a/b/", u"a/b", u"c.txt"},
        {u"a\\b//c", u"", u"a\\b//", u"a\\b//", u"c"},
        {u"\\x", u"", u"\\", u"", u"x"},
        {u"name", u"", u"", u"", u"name"},
        {u"", u"", u"", u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.p));
        EXPECT_EQ(ExtractFileDrive(c.p), c.drive);
        EXPECT_EQ(ExtractFilePath(c.p), c.path);
        EXPECT_EQ(ExtractFileDir(c.p), c.dir);
        EXPECT_EQ(ExtractFileName(c.p), c.name);
    }
}

TEST(Paths, RecognisesUNCPathsAndURLs) {
    struct Case {
        String p;
        bool unc, url;
    };
    const Case cases[] = {
        {u"\\\\server\\share", true, false},
        {u"\\\\?\\C:\\x", true, false},
        {u"C:\\x", false, false},
        {u"C:/x", false, false},
        {u"http://example.com", false, true},
        {u"ftp2://x", false, true},
        {u"file:\\\\host\\x", false, true},
        {u"://x", false, true}, // the scheme may be empty
        {u"a:/\\x", false, false},
        {u"a://", false, true},
        {u"a:/", false, false}, // too short
        {u"svn+ssh://x", false, false},
        {u"mailto:someone@example.com", false, false},
        {u"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUNCPath(c.p), c.unc) << Show(c.p);
        EXPECT_EQ(IsURL(c.p), c.url) << Show(c.p);
    }
}

TEST(Paths, ExtractFileExt) {
    struct Case {
        String p, single, twofold;
    };
    const Case cases[] = {
        {u"archive.tar.gz", u".gz", u".tar.gz"},
        {u"C:\\dir\\archive.tar.gz", u".gz", u".tar.gz"},
        {u"file.txt", u".txt", u".txt"},
        {u"a.b\\c", u"", u""},
        {u"a.b/c", u"", u""},
        {u"name. txt", u"", u""},
        {u"my file.txt", u".txt", u".txt"},
        {u"a.b c.d", u".d", u".d"}, // a blank ends the second extension too
        {u"C:.ext", u".ext", u".ext"},
        {u"file.", u".", u"."},
        {u".profile", u".profile", u".profile"},
        {u"a..gz", u".gz", u".gz"},
        {u"noext", u"", u""},
        {u"", u"", u""},
        // A URL's query is not part of the name, whatever it holds.
        {u"http://host.com/a.zip?v=1.2", u".zip", u".zip"},
        {u"http://host.com/a.tar.gz?q", u".gz", u".tar.gz"},
        {u"http://host.com/a?name=x.txt", u"", u""},
        {u"http://host.com/a.exe", u".exe", u".exe"},
        // Not a URL: "?" is an ordinary character.
        {u"C:\\a?b.txt", u".txt", u".txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.p));
        EXPECT_EQ(ExtractFileExt(c.p), c.single);
        EXPECT_EQ(ExtractFileExt(c.p, true), c.twofold);
    }
}

TEST(Paths, ChangeFileExt) {
    struct Case {
        String p, ext;
        bool twofold;
        String expected;
    };
    const Case cases[] = {
        {u"a.txt", u".bak", false, u"a.bak"},
        {u"a", u".bak", false, u"a.bak"},
        {u"a.tar.gz", u".zip", false, u"a.tar.zip"},
        {u"a.tar.gz", u".zip", true, u"a.zip"},
        {u"a.txt", u"", false, u"a"},
        {u"dir.d\\file", u".x", false, u"dir.d\\file.x"},
        {u"name. txt", u".x", false, u"name. txt.x"},
        {u"", u".x", false, u".x"},
        {u"http://h/a.zip?v=1", u".exe", false, u"http://h/a.exe?v=1"},
        {u"http://h/a?v=1", u".exe", false, u"http://h/a.exe?v=1"},
        {u"http://h/a.tar.gz?v", u"", true, u"http://h/a?v"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChangeFileExt(c.p, c.ext, c.twofold), c.expected) << Show(c.p);
}

TEST(Paths, NamesOfFilesAndFolders) {
    struct Case {
        String p, withoutExt, last, dirName;
    };
    const Case cases[] = {
        {u"C:\\Users\\John\\", u"", u"John", u"John"},
        {u"C:\\Users\\John", u"John", u"John", u"Users"},
        {u"C:/Users/John//", u"", u"John", u"John"},
        {u"C:\\a\\b.tar.gz", u"b.tar", u"b.tar.gz", u"a"},
        {u"C:\\", u"", u"", u""},
        {u"John", u"John", u"John", u""},
        {u"", u"", u"", u""},
        {u"http://h/dl/setup.exe?v=2", u"setup", u"setup.exe?v=2", u"dl"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.p));
        EXPECT_EQ(ExtractFileNameWithoutExt(c.p), c.withoutExt);
        EXPECT_EQ(ExtractLastComponent(c.p), c.last);
        EXPECT_EQ(ExtractFileDirName(c.p), c.dirName);
    }
}

TEST(Paths, TrailingPathDelimiter) {
    EXPECT_EQ(IncludeTrailingPathDelimiter(u"C:\\x"), u"C:\\x\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter(u"C:\\x\\"), u"C:\\x\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter(u""), u"");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u"C:\\x\\"), u"C:\\x");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u"C:\\x"), u"C:\\x");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u"\\"), u"");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u""), u"");
}

TEST(Paths, IsExtInList) {
    struct Case {
        String list, ext;
        bool expected;
    };
    const Case cases[] = {
        {u"*.lng;", u".LNG", true},
        {u"*.lng;", u".lng", true},
        {u"*.lng", u".lng", false}, // every entry ends in ";"
        {u"*.bak;*.lng;*.ini;", u".ini", true},
        {u"*.bak;*.lng;", u".ln", false},
        {u"*.lng;", u".l", false},
        {u"*.tar.gz;", u".gz", false},
        {u"*.ÄÖ;", u".äö", true},
        {u"*.lng;", u"", false},
        {u"*;", u"", false},
        {u"", u".lng", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsExtInList(c.list, c.ext), c.expected) << Show(c.list) << " " << Show(c.ext);
}

TEST(Paths, CleanFileName) {
    struct Case {
        String p, expected;
    };
    const Case cases[] = {
        {u"C:\\Pro*gram Files\\ Z \\", u"C:\\Program Files\\Z\\"},
        {u"C:\\A\\..\\B\\", u"C:\\A\\B\\"}, // ".." is dropped, not resolved
        {u"C:\\A\\.\\B", u"C:\\A\\B"},
        {u"C:", u"C:\\"},
        {u"C:\\", u"C:\\"},
        {u"C:\\x:y\\z", u"C:\\xy\\z"},
        {u"A\\B", u"A\\B"},
        {u"\\\\server\\share\\x", u"\\\\server\\share\\x"},
        {u"C:\\a\\\\b\\\\", u"C:\\a\\b\\"},
        {u"C:\\say \"hi\"\\f<>|?.txt", u"C:\\say 'hi'\\f.txt"},
        {u"C:\\a\tb\x01\\c", u"C:\\ab\\c"},
        {u"C:\\ . \\ .. \\x", u"C:\\x"},
        {u"\\Windows", u"Windows"},
        {u"", u""},
        // "/" separates components just as "\" does; removing it would merge
        // two folder names into one.
        {u"C:/Games/ZIVR/", u"C:\\Games\\ZIVR\\"},
        {u"C:\\Games/ZIVR", u"C:\\Games\\ZIVR"},
        // A long-path prefix stays in front and is not cleaned as a component.
        {u"\\\\?\\C:\\x\\y*", u"\\\\?\\C:\\x\\y"},
        {u"\\\\?\\UNC\\server\\share", u"\\\\?\\UNC\\server\\share"},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanFileName(c.p), c.expected) << Show(c.p);
}

TEST(Paths, CleanFileNameCutsLongComponents) {
    const String longName(300, u'n');
    EXPECT_EQ(CleanFileName(u"C:\\" + longName + u"\\x"), u"C:\\" + String(260, u'n') + u"\\x");
    // A cut never splits a surrogate pair.
    const String emoji = u"\U0001F600";
    const String name = String(259, u'a') + emoji + u"tail";
    EXPECT_EQ(CleanFileName(u"C:\\" + name), u"C:\\" + String(259, u'a'));
    // Nor a blank at the end of the cut name.
    EXPECT_EQ(CleanFileName(u"C:\\" + String(259, u'b') + u" c"), u"C:\\" + String(259, u'b'));
}

TEST(Paths, LongPathForm) {
    const String tail = String(290, u'x');
    const String local = u"C:\\" + tail;
    const String unc = u"\\\\server\\share\\" + tail;
    EXPECT_EQ(LongPathForm(u"C:\\short"), u"C:\\short");
    EXPECT_EQ(LongPathForm(String(259, u'a')), String(259, u'a'));
    EXPECT_EQ(LongPathForm(String(260, u'a')), u"\\\\?\\" + String(260, u'a'));
    EXPECT_EQ(LongPathForm(local), u"\\\\?\\" + local);
    EXPECT_EQ(LongPathForm(unc), u"\\\\?\\UNC\\server\\share\\" + tail);
    EXPECT_EQ(LongPathForm(u"\\\\?\\" + local), u"\\\\?\\" + local);
}
