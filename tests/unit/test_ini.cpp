// INI documents: parsing, lookup, encodings, writing.
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/IniFile.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace ZUX;

namespace {

String TempFile(const char* name) {
    return FromUtf8(testing::TempDir() + name);
}

void WriteFileBytes(const String& name, const Bytes& bytes) {
    TZUXFileStream file(name, fmCreate);
    file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

Bytes ReadFileBytes(const String& name) {
    TZUXFileStream file(name, fmOpenRead | fmShareDenyNone);
    return file.ReadToEnd();
}

void RemoveFile(const String& name) {
    SetFileAttr(name, 0);
    std::remove(ToUtf8(name).c_str());
}

void LoadBytes(TZUXIniFile& ini, const Bytes& bytes) {
    TZUXMemoryStream stream(bytes);
    ini.LoadFromStream(stream);
}

Bytes SavedBytes(const TZUXIniFile& ini) {
    TZUXMemoryStream stream;
    ini.SaveToStream(stream, ini.Encoding());
    return Bytes(stream.Data());
}

template <size_t N> Bytes Raw(const char (&bytes)[N]) {
    return Bytes(bytes, N - 1);
}

Bytes Utf16LE(StringView text) {
    return EncodeText(text, TZUXEncoding::UTF16LE).substr(2);
}

} // namespace

TEST(IniFile, ReaderKeepsLinesAsTheyAre) {
    TZUXIniFile ini;
    ini.LoadFromString(u"lost=1\r\n[A]\r\nk=1\r\n[a]\r\nk=2\r\n"
                       u"  k  =  v  \r\n\r\n;note\r\n;x=y\r\nline without\r\na=b=c\r\nempty=\r\n"
                       u"   \r\n[Empty]\r\n\r\n\r\n");
    // Duplicate headers merge; the first line with a key counts.
    EXPECT_EQ(ini.SectionCount(), 2);
    EXPECT_EQ(ini.ReadString(u"a", u"K", u"-"), u"1");
    EXPECT_EQ(ini.ReadSectionText(u"A"),
              u"k=1\r\nk=2\r\n  k  =  v  \r\n;note\r\n;x=y\r\nline without\r\na=b=c\r\nempty=\r\n"
              u"   \r\n");
    // No trimming: the key with blanks is another key.
    EXPECT_EQ(ini.ReadString(u"A", u"  k  ", u"-"), u"  v  ");
    EXPECT_EQ(ini.ReadString(u"A", u";x", u"-"), u"y");
    EXPECT_EQ(ini.ReadString(u"A", u"a", u"-"), u"b=c");
    EXPECT_EQ(ini.ReadString(u"A", u"empty", u"-"), u"");
    // A line without "=" has the empty key; its value is the whole line.
    EXPECT_EQ(ini.ReadString(u"A", u"", u"-"), u";note");
    EXPECT_FALSE(ini.ExistsSection(u"")); // "lost" came before any header
    EXPECT_TRUE(ini.ExistsSection(u"empty"));
    // Saving omits the empty section and the lost line.
    EXPECT_EQ(ini.Text(), u"[A]\r\n" + ini.ReadSectionText(u"A") + u"\r\n");

    TZUXStringList keys;
    ini.ReadKeys(u"A", keys);
    // Lines with an empty key are skipped.
    ASSERT_EQ(keys.Count(), 6);
    EXPECT_EQ(keys.Strings(2), u"  k  ");
    EXPECT_EQ(keys.Strings(3), u";x");
    EXPECT_EQ(keys.Strings(5), u"empty");
}

TEST(IniFile, HeaderNameDropsFirstAndLastCharacter) {
    const struct {
        String header;
        String name;
    } cases[] = {
        {u"[Setup]", u"Setup"}, {u"[Setup] ", u"Setup]"}, {u"[Setup", u"Setu"}, {u"[", u""},
        {u"[]", u""},           {u"[[x]]", u"[x]"},
    };
    for (const auto& c : cases) {
        TZUXIniFile ini;
        ini.LoadFromString(c.header + u"\nk=v");
        ASSERT_EQ(ini.SectionCount(), 1) << ToUtf8(c.header);
        EXPECT_EQ(ini.SectionNames(0), c.name) << ToUtf8(c.header);
    }
}

TEST(IniFile, LineBreaks) {
    TZUXIniFile ini;
    ini.LoadFromString(u"[S]\ra=1\nb=2\u2028c=3\u2028\r\nd=4\n\re=5");
    EXPECT_EQ(ini.ReadSectionText(u"S"), u"a=1\r\nb=2\r\nc=3\r\nd=4\r\ne=5\r\n");
}

TEST(IniFile, Encodings) {
    const String text = u"[S]\r\nk=\u00E9\u20AC\r\n\r\n";
    const struct {
        const char* what;
        Bytes bytes;
        TZUXEncoding encoding;
        String value;
        bool savedAlike; // saving gives the same bytes back
    } cases[] = {
        {"utf-16le", "\xFF\xFE" + Utf16LE(text), TZUXEncoding::UTF16LE, u"\u00E9\u20AC", true},
        {"utf-16be", EncodeText(text, TZUXEncoding::UTF16BE), TZUXEncoding::UTF16BE,
         u"\u00E9\u20AC", true},
        {"utf-8", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\xE2\x82\xAC\r\n\r\n", TZUXEncoding::UTF8,
         u"\u00E9\u20AC", true},
        {"ansi", "[S]\r\nk=\xE9\x80\r\n\r\n", TZUXEncoding::ANSI, u"\u00E9\u20AC", true},
        // UTF-8 without a mark is read in the ANSI code page.
        {"utf-8 unmarked", "[S]\r\nk=\xC3\xA9\r\n\r\n", TZUXEncoding::ANSI, u"\u00C3\u00A9", true},
        // Undecodable after the UTF-8 mark: the whole text in the ANSI code page.
        {"bad utf-8", "\xEF\xBB\xBF[S]\r\nk=\xE9\x80\r\n", TZUXEncoding::UTF8, u"\u00E9\u20AC",
         false},
        {"odd utf-16", "\xFF\xFE" + Utf16LE(u"[S]\nk=v") + "\x41", TZUXEncoding::UTF16LE, u"v",
         false},
        {"odd utf-16be",
         "\xFE\xFF" + EncodeText(u"[S]\nk=v", TZUXEncoding::UTF16BE).substr(2) + "\x41",
         TZUXEncoding::UTF16BE, u"v", false},
        {"mark only", "\xEF\xBB\xBF", TZUXEncoding::UTF8, u"", false},
        {"empty", "", TZUXEncoding::ANSI, u"", false},
    };
    for (const auto& c : cases) {
        TZUXIniFile ini;
        LoadBytes(ini, c.bytes);
        EXPECT_EQ(ini.Encoding(), c.encoding) << c.what;
        EXPECT_EQ(ini.ReadString(u"S", u"k", u""), c.value) << c.what;
        if (c.savedAlike) {
            EXPECT_EQ(SavedBytes(ini), c.bytes) << c.what;
        }
    }
}

TEST(IniFile, NewDocumentSavesUtf16WithMarkAndCrLf) {
    TZUXIniFile ini;
    EXPECT_EQ(ini.Encoding(), TZUXEncoding::UTF16LE);
    ini.WriteString(u"S", u"k", u"v");
    ini.WriteString(u"T", u"x", u"");
    TZUXMemoryStream stream;
    ini.SaveToStream(stream);
    EXPECT_EQ(stream.Data(), "\xFF\xFE" + Utf16LE(u"[S]\r\nk=v\r\n\r\n[T]\r\nx=\r\n\r\n"));
}

TEST(IniFile, LookupsIgnoreCaseAndTakeTheFirstKey) {
    TZUXIniFile ini;
    ini.LoadFromString(u"[Привет]\nКлюч=1\n[Other]\na=1\na=2\nA=3\n");
    EXPECT_EQ(ini.ReadInteger(u"ПРИВЕТ", u"ключ", 0), 1);
    EXPECT_TRUE(ini.ExistsKey(u"other", u"A"));
    EXPECT_FALSE(ini.ExistsKey(u"other", u"b"));
    EXPECT_FALSE(ini.ExistsKey(u"missing", u"a"));
    EXPECT_EQ(ini.ReadString(u"Other", u"a", u""), u"1");

    ini.WriteString(u"other", u"A", u"9"); // replaces the first line, with the key as given
    EXPECT_EQ(ini.ReadSectionText(u"Other"), u"A=9\r\na=2\r\nA=3\r\n");
    EXPECT_TRUE(ini.DeleteKey(u"Other", u"a"));
    EXPECT_EQ(ini.ReadString(u"Other", u"a", u""), u"2");
    EXPECT_FALSE(ini.DeleteKey(u"Other", u"zzz"));

    String value = u"stale";
    EXPECT_FALSE(ini.TryReadString(u"Other", u"zzz", value));
    EXPECT_EQ(value, u"");
    EXPECT_FALSE(ini.TryReadString(u"zzz", u"a", value));
}

TEST(IniFile, CachedHashesFollowChanges) {
    TZUXIniFile ini;
    ini.LoadFromString(u"[S]\nold=1\n[T]\nk=2\n");
    ASSERT_EQ(ini.ReadString(u"S", u"old", u""), u"1"); // caches the key hash
    // Lines changed behind the document's back are found by their new key.
    TZUXIniFileSection* s = ini.GetSection(u"S", false);
    s->Put(0, u"new=3");
    EXPECT_FALSE(ini.ExistsKey(u"S", u"old"));
    EXPECT_EQ(ini.ReadString(u"S", u"new", u""), u"3");
    s->Insert(0, u"first=4", (uint64_t(1) << 32) | 999); // a tag that looks like a cached hash
    EXPECT_EQ(ini.ReadString(u"S", u"first", u""), u"4");

    // The remembered section goes with its deletion.
    EXPECT_TRUE(ini.DeleteSection(u"s"));
    EXPECT_FALSE(ini.DeleteSection(u"S"));
    EXPECT_FALSE(ini.ExistsSection(u"S"));
    ini.WriteString(u"S", u"k", u"5");
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"5");
    EXPECT_EQ(ini.SectionNames(1), u"S");
    ini.Clear();
    EXPECT_TRUE(ini.IsEmpty());
    EXPECT_FALSE(ini.ExistsSection(u"S"));
}

// Large sections look keys up through an index; every kind of change keeps
// its answers those of a search line by line.
TEST(IniFile, LargeSectionLookupsFollowChanges) {
    TZUXIniFile ini;
    TZUXIniFileSection* s = ini.GetSection(u"Uninstall", true);
    const auto check = [&] {
        for (const char16_t* key : {u"0", u"5", u"77", u"199", u"Count", u"x", u"", u"dup"}) {
            int expected = -1;
            for (int i = 0; i < s->Count() && expected < 0; ++i)
                if (SameText(s->Names(i), key)) expected = i;
            ASSERT_EQ(s->IndexOfKey(key), expected) << ToUtf8(key) << " in\n" << ToUtf8(s->Text());
        }
    };
    for (int i = 0; i < 200; ++i) {
        ini.WriteString(u"Uninstall", IntToStr(i), u"Data\\file" + IntToStr(i));
        ini.WriteInteger(u"Uninstall", u"Count", i + 1);
    }
    check();
    ini.WriteString(u"uninstall", u"DUP", u"1");
    s->Add(u"dup=2");
    s->Add(u"no separator");
    check();
    s->Put(3, u"x=renamed"); // "3" becomes "x"
    s->Insert(0, u"77=front");
    check();
    EXPECT_EQ(ini.ReadString(u"Uninstall", u"77", u""), u"front");
    EXPECT_TRUE(ini.DeleteKey(u"Uninstall", u"77"));
    EXPECT_EQ(ini.ReadString(u"Uninstall", u"77", u""), u"Data\\file77");
    s->Delete(0, 10);
    check();
    s->Sort();
    check();
    s->RemoveDuplicates();
    check();
    ini.WriteSectionText(u"Uninstall", u"a=1\r\nb=2\r\n");
    check();
    EXPECT_EQ(ini.ReadString(u"Uninstall", u"b", u""), u"2");
}

TEST(IniFile, ReadIntegerAndBool) {
    const struct {
        String text;
        int32_t value; // -7 is the default
    } cases[] = {
        {u"42", 42},
        {u"  \t42", 42},
        {u"+7", 7},
        {u"-12", -12},
        {u"$1F", 31},
        {u"x1f", 31},
        {u"X1F", 31},
        {u"0x7fffffff", 2147483647},
        {u"-0X10", -16},
        {u"-$80000000", -2147483647 - 1},
        {u"2147483647", 2147483647},
        {u"-2147483648", -2147483647 - 1},
        {u"007", 7},
        {u"2147483648", -7},
        {u"-2147483649", -7},
        {u"$80000000", -7},
        {u"99999999999999999999999", -7},
        {u"12abc", -7},
        {u"42 ", -7},
        {u"- 1", -7},
        {u"", -7},
        {u"$", -7},
        {u"0x", -7},
        {u"1f", -7},
        {u"\uFF14\uFF12", -7}, // full-width digits are not digits here
        {u"true", -7},
    };
    TZUXIniFile ini;
    for (const auto& c : cases) {
        ini.WriteString(u"S", u"k", c.text);
        EXPECT_EQ(ini.ReadInteger(u"S", u"k", -7), c.value) << ToUtf8(c.text);
    }
    EXPECT_EQ(ini.ReadInteger(u"S", u"missing", -7), -7);

    const struct {
        String text;
        bool whenDefaultFalse, whenDefaultTrue;
    } bools[] = {{u"2", true, true},
                 {u"0", false, false},
                 {u"1", true, true},
                 {u"true", false, true},
                 {u"", false, true}};
    for (const auto& c : bools) {
        ini.WriteString(u"B", u"k", c.text);
        EXPECT_EQ(ini.ReadBool(u"B", u"k", false), c.whenDefaultFalse) << ToUtf8(c.text);
        EXPECT_EQ(ini.ReadBool(u"B", u"k", true), c.whenDefaultTrue) << ToUtf8(c.text);
    }
}

TEST(IniFile, WritersWithDefaultsDeleteTheKey) {
    TZUXIniFile ini;
    ini.WriteInteger(u"S", u"n", -5);
    ini.WriteBool(u"S", u"b", true);
    EXPECT_EQ(ini.ReadSectionText(u"S"), u"n=-5\r\nb=1\r\n");
    ini.WriteInteger(u"S", u"n", 5, 5);
    ini.WriteBool(u"S", u"b", false, false);
    EXPECT_EQ(ini.ReadSectionText(u"S"), u"");
    ini.WriteBool(u"S", u"b", false, true);
    EXPECT_EQ(ini.ReadString(u"S", u"b", u""), u"0");
}

TEST(IniFile, SectionText) {
    TZUXIniFile ini;
    ini.WriteString(u"S", u"old", u"1");
    ini.WriteSectionText(u"S", u"a=1\r\n\r\nplain\n");
    ini.WriteSectionText(u"New", u"x=y");
    EXPECT_EQ(ini.ReadSectionText(u"S"), u"a=1\r\n\r\nplain\r\n");
    EXPECT_EQ(ini.ReadSectionText(u"new"), u"x=y\r\n");
    EXPECT_EQ(ini.ReadSectionText(u"missing"), u"");
}

TEST(IniFile, HexStreams) {
    TZUXIniFile ini;
    const Bytes data("\x00\x01\x7F\x80\xFE\xFF", 6);
    TZUXMemoryStream source(data);
    source.Seek(3, SeekOrigin::Begin); // the whole content is written whatever the position
    ini.WriteStream(u"S", u"k", source);
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"00017f80feff");

    TZUXMemoryStream target("ab");
    target.Seek(1, SeekOrigin::Begin);
    ASSERT_TRUE(ini.ReadStream(u"S", u"k", target));
    EXPECT_EQ(target.Data(), "a" + data); // written at the position
    EXPECT_EQ(target.Position(), 0);      // then rewound

    ini.WriteString(u"S", u"upper", u"0A0b");
    TZUXMemoryStream upper;
    ASSERT_TRUE(ini.ReadStream(u"S", u"upper", upper));
    EXPECT_EQ(upper.Data(), "\x0A\x0B");

    // Failures leave the caller's stream as it was.
    ini.WriteString(u"S", u"odd", u"abc");
    ini.WriteString(u"S", u"bad", u"00zz11");
    ini.WriteString(u"S", u"empty", u"");
    for (const char16_t* key : {u"odd", u"bad", u"empty", u"missing"}) {
        TZUXMemoryStream stream("keep");
        stream.Seek(2, SeekOrigin::Begin);
        EXPECT_FALSE(ini.ReadStream(u"S", key, stream)) << ToUtf8(key);
        EXPECT_EQ(stream.Data(), "keep");
        EXPECT_EQ(stream.Position(), 2);
    }

    TZUXMemoryStream empty;
    ini.WriteStream(u"S", u"k", empty);
    EXPECT_FALSE(ini.ExistsKey(u"S", u"k"));
}

TEST(IniFile, ReadObject) {
    TZUXIniFile ini;
    ini.WriteString(u"S", u"k", u"414243");
    ini.WriteString(u"S", u"bad", u"4x");
    Bytes got;
    EXPECT_TRUE(ini.ReadObject(u"S", u"k", [&](TZUXStream& s) { got = s.ReadToEnd(); }));
    EXPECT_EQ(got, "ABC");
    int calls = 0;
    auto count = [&](TZUXStream&) { ++calls; };
    EXPECT_FALSE(ini.ReadObject(u"S", u"bad", count));
    EXPECT_FALSE(ini.ReadObject(u"S", u"missing", count));
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(ini.ReadObject(u"S", u"k", [](TZUXStream&) { throw EReadError(u"broken"); }));
}

TEST(IniFile, ChangeNotification) {
    TZUXIniFile ini;
    int calls = 0;
    ini.SetOnChanged([&](TZUXIniFile& doc) {
        EXPECT_EQ(&doc, &ini);
        ++calls;
    });
    EXPECT_FALSE(ini.Modified());
    ini.WriteString(u"S", u"a", u"1");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(ini.Modified());

    ini.BeginUpdate();
    ini.BeginUpdate();
    ini.WriteString(u"S", u"b", u"2");
    ini.DeleteSection(u"S");
    ini.EndUpdate();
    EXPECT_EQ(calls, 1);
    ini.EndUpdate();
    EXPECT_EQ(calls, 2);

    // A writing operation that changes nothing still counts, and so does an
    // empty update.
    ini.SetModified(false);
    EXPECT_FALSE(ini.DeleteKey(u"none", u"none"));
    EXPECT_TRUE(ini.Modified());
    ini.SetModified(false);
    ini.BeginUpdate();
    ini.EndUpdate();
    EXPECT_TRUE(ini.Modified());

    // Changes made through a section reach the document, once per update.
    calls = 0;
    TZUXIniFileSection* s = ini.GetSection(u"T", true);
    EXPECT_EQ(calls, 1);
    s->Add(u"x=1");
    EXPECT_EQ(calls, 2);
    s->SetText(u"a\nb\nc");
    EXPECT_EQ(calls, 3);

    ini.SetFileName(u"a.ini");
    EXPECT_EQ(calls, 4);
    ini.SetFileName(u"A.INI"); // letter case only: the same file
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(ini.FileName(), u"a.ini");
}

TEST(IniFile, AssignMergeEquals) {
    TZUXIniFile english, chosen;
    english.LoadFromString(u"[File]\nName=English\nFamily=EN\n[Common]\nA1=Copying\nA2=Deleting\n"
                           u"[Empty]\n");
    chosen.LoadFromString(u"[File]\nName=Deutsch\n[Common]\nA1=Kopieren\nA2=\nplain\n"
                          u"[Extra]\nk=v\nno equals\n");

    TZUXIniFile kept;
    kept.Assign(&english);
    kept.Merge(chosen, false);
    EXPECT_EQ(kept.ReadString(u"Common", u"A1", u""), u"Copying");
    EXPECT_EQ(kept.ReadString(u"File", u"Name", u""), u"English");
    EXPECT_EQ(kept.ReadSectionText(u"Extra"), u"k=v\r\nno equals\r\n"); // copied whole

    TZUXIniFile texts;
    texts.Assign(&english);
    EXPECT_EQ(texts.Encoding(), TZUXEncoding::UTF16LE);
    EXPECT_FALSE(texts.ExistsSection(u"Empty")); // not serialised, so not copied
    texts.Merge(chosen, true);
    EXPECT_EQ(texts.ReadString(u"Common", u"A1", u""), u"Kopieren");
    EXPECT_EQ(texts.ReadString(u"Common", u"A2", u"-"), u""); // an empty value wins
    EXPECT_EQ(texts.ReadString(u"File", u"Family", u""), u"EN");
    EXPECT_FALSE(texts.ExistsKey(u"Common", u"")); // lines without "=" of a known section stay out
    EXPECT_EQ(texts.SectionNames(2), u"Extra");

    TZUXIniFile copy;
    copy.Assign(&texts);
    EXPECT_TRUE(copy.Equals(&texts));
    copy.Assign(&copy); // assigning to itself keeps the content
    EXPECT_TRUE(copy.Equals(&texts));
    copy.Merge(copy, true);
    EXPECT_TRUE(copy.Equals(&texts));
    copy.WriteString(u"common", u"a1", u"Kopieren"); // the key's letter case is kept on write
    EXPECT_FALSE(copy.Equals(&texts));
    EXPECT_FALSE(copy.Equals(nullptr));
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.IsEmpty());
}

TEST(IniFile, FilesAndAutoSave) {
    const String name = TempFile("zux_ini_files.ini");
    RemoveFile(name);

    TZUXIniFile missing(name);
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_FALSE(missing.Modified());
    EXPECT_TRUE(missing.UpdateFile()); // nothing to write
    EXPECT_FALSE(FileExists(name));

    {
        TZUXIniFile ini(name, true);
        ini.WriteString(u"S", u"k", u"v");
    } // saved on destruction
    EXPECT_EQ(ReadFileBytes(name), "\xFF\xFE" + Utf16LE(u"[S]\r\nk=v\r\n\r\n"));

    // A file without a mark is written back the same way; a read-only file is
    // made writable first.
    WriteFileBytes(name, "[S]\r\nk=\xE9\r\n\r\n");
    ASSERT_TRUE(SetFileAttr(name, faReadOnly));
    TZUXIniFile ansi(name);
    EXPECT_FALSE(ansi.Modified());
    EXPECT_EQ(ansi.Encoding(), TZUXEncoding::ANSI);
    ansi.WriteString(u"S", u"n", u"\u20AC");
    ASSERT_TRUE(ansi.UpdateFile());
    EXPECT_FALSE(ansi.Modified());
    EXPECT_EQ(ReadFileBytes(name), "[S]\r\nk=\xE9\r\nn=\x80\r\n\r\n");
    EXPECT_EQ(GetFileAttr(name) & faReadOnly, 0u);

    TZUXIniFile merged;
    merged.WriteString(u"S", u"k", u"mine");
    merged.Merge(name, false);
    EXPECT_EQ(merged.ReadSectionText(u"S"), u"k=mine\r\nn=\u20AC\r\n");

    TZUXIniFile reloaded;
    reloaded.WriteString(u"X", u"x", u"x");
    reloaded.LoadFromFile(name);
    EXPECT_FALSE(reloaded.ExistsSection(u"X"));
    EXPECT_FALSE(reloaded.Modified());
    EXPECT_EQ(reloaded.FileName(), u""); // loading does not bind the file

    EXPECT_FALSE(reloaded.UpdateFile()); // no file name
    RemoveFile(name);
}

TEST(IniFile, UnwritableFilesReportFalse) {
    const String name = TempFile("zux-no-such-folder/x.ini");
    TZUXIniFile ini;
    ini.WriteString(u"S", u"k", u"v");
    EXPECT_FALSE(ini.SaveToFile(name));
    EXPECT_FALSE(ini.SaveToFile(FromUtf8(testing::TempDir()))); // a folder
    ini.SetFileName(name);
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_TRUE(ini.Modified());
    {
        TZUXIniFile autoSaved(name, true);
        autoSaved.WriteString(u"S", u"k", u"v");
    } // the failed save on destruction raises nothing
}

TEST(IniFile, AnyBytesLoadWithoutFailure) {
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"odd utf-16", Raw("\xFF\xFE[\0S\0]\0\n\0k\0=\0v")},
        {"odd utf-16be", Raw("\xFE\xFF\0[\0S\0]\0\n\0k\0=\0")},
        {"invalid utf-8", "\xEF\xBB\xBF[S]\n\xC0\x80=\xED\xA0\x80\xF8\xFF"},
        {"lone surrogates", Raw("\xFF\xFE[\0S\0]\0\n\0\x00\xD8=\0\x00\xDC\x00\xD8")},
        {"nul characters", Raw("[S\0]\n\0=\0\n[\0\0\0]\nk=\0")},
        {"binary", Raw("\x00\x01\x02\x03\xFF\xFE\xFD\x80\x0D\x0A\x5B\x5D")},
    };
    for (const auto& c : cases) {
        TZUXIniFile ini;
        EXPECT_NO_THROW({
            LoadBytes(ini, c.bytes);
            TZUXIniFile copy;
            copy.Assign(&ini);
            for (const TZUXEncoding e : {TZUXEncoding::UTF16LE, TZUXEncoding::UTF16BE,
                                         TZUXEncoding::UTF8, TZUXEncoding::ANSI}) {
                TZUXMemoryStream stream;
                ini.SaveToStream(stream, e);
                stream.Seek(0, SeekOrigin::Begin);
                copy.LoadFromStream(stream);
            }
        }) << c.what;
    }

    TZUXIniFile nul;
    LoadBytes(nul, Raw("[S\0]\nk\0=v\0w"));
    EXPECT_EQ(nul.ReadString(String(u"S\0", 2), String(u"k\0", 2), u""), String(u"v\0w", 3));
}

TEST(IniFile, HugeLinesLoad) {
    const Bytes big(10 << 20, 'x');
    TZUXIniFile ini;
    LoadBytes(ini, "\xEF\xBB\xBF[S]\nk=" + big);
    EXPECT_EQ(ini.ReadString(u"S", u"k", u"").size(), big.size());
    TZUXMemoryStream stream;
    ini.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), int64_t(2 + (big.size() + 11) * 2));

    LoadBytes(ini, "[" + big);
    EXPECT_EQ(ini.SectionCount(), 1);
}
