// The string list.
#include "ZUX/Base/StringList.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ZUX;

namespace {

std::vector<String> Lines(const TZUXStringList& list) {
    std::vector<String> lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
    return lines;
}

void Fill(TZUXStringList& list, std::initializer_list<const char16_t*> lines) {
    list.Clear();
    for (const char16_t* line : lines) list.Add(line);
}

} // namespace

TEST(StringList, CapacityGrowsInSteps) {
    TZUXStringList list;
    std::vector<int> capacities;
    for (int i = 0; i < 120; ++i) {
        list.Add(u"x");
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    // By 4 up to 8, by 16 up to 64, then by a quarter.
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147}));
    list.SetCapacity(10);
    EXPECT_EQ(list.Capacity(), 120); // never below Count
}

TEST(StringList, AddInsertDeleteAndRanges) {
    TZUXStringList list;
    EXPECT_EQ(list.Add(u"a"), 0);
    EXPECT_EQ(list.Add(u"c"), 1);
    int object = 0;
    list.Insert(1, u"b", 7, &object);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"b", u"c"}));
    EXPECT_EQ(list.Tags(1), 7u);
    EXPECT_EQ(list.Objects(1), &object);

    // Reading out of range is harmless; changing out of range is an error.
    EXPECT_EQ(list.Strings(-1), u"");
    EXPECT_EQ(list.Strings(3), u"");
    EXPECT_EQ(list.Tags(3), 0u);
    EXPECT_EQ(list.Names(9), u"");
    EXPECT_THROW(list.Put(3, u"x"), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.Insert(4, u"x"), EListError);

    list.Add(u"d");
    list.Delete(1, 2);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"d"}));
    list.Delete(1, 100); // clamped to the end
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a"}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

TEST(StringList, NamesAndValues) {
    TZUXStringList list;
    Fill(list, {u"a=1", u"novalue", u"b=x=y", u"=empty", u"A=2", u"c="});
    EXPECT_EQ(list.Names(0), u"a");
    EXPECT_EQ(list.ValueFromIndex(0), u"1");
    EXPECT_EQ(list.Names(1), u"");
    EXPECT_EQ(list.ValueFromIndex(1), u"novalue");
    EXPECT_EQ(list.Names(2), u"b");
    EXPECT_EQ(list.ValueFromIndex(2), u"x=y");
    EXPECT_EQ(list.Names(3), u"");
    EXPECT_EQ(list.ValueFromIndex(5), u"");

    // IndexOfName searches from the end, ignoring case by default.
    EXPECT_EQ(list.IndexOfName(u"a"), 4);
    EXPECT_EQ(list.Values(u"a"), u"2");
    EXPECT_EQ(list.IndexOfName(u"novalue"), -1);
    EXPECT_EQ(list.Values(u"missing"), u"");
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOfName(u"a"), 0);

    list.SetValue(u"a", u"3");
    EXPECT_EQ(list.Strings(0), u"a=3");
    list.SetValue(u"new", u"v");
    EXPECT_EQ(list.Strings(list.Count() - 1), u"new=v");
}

TEST(StringList, TextSplitsAtEveryLineBreak) {
    const struct {
        String text;
        std::vector<String> lines;
    } cases[] = {
        {u"", {}},
        {u"a", {u"a"}},
        {u"a\r\nb\r\n", {u"a", u"b"}},
        {u"\r\n", {u""}},
        {u"a\n\rb", {u"a", u"", u"b"}},
        {u"a\r\r\nb", {u"a", u"", u"b"}},
        {u"a\u2028\r\nb\u2028c\u2028\nd", {u"a", u"b", u"c", u"d"}},
        {u"a\u2028\n\rb", {u"a", u"", u"b"}},
        {u"a\r\n\r\nb", {u"a", u"", u"b"}},
        {String(u"a\0b\nc", 5), {String(u"a\0b", 3), u"c"}},
    };
    TZUXStringList list;
    for (const auto& c : cases) {
        list.SetText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << ToUtf8(c.text);
    }
    Fill(list, {u"x", u"", u"y"});
    EXPECT_EQ(list.Text(), u"x\r\n\r\ny\r\n");
}

TEST(StringList, IndexOfAndRemoveDuplicates) {
    TZUXStringList list;
    Fill(list, {u"One", u"two", u"ONE", u"Two", u"Ölçü", u"three", u"one", u"öLÇÜ"});
    list.SetTag(0, 11);
    EXPECT_EQ(list.IndexOf(u"TWO"), 1);
    EXPECT_EQ(list.IndexOf(u"four"), -1);
    EXPECT_EQ(list.RemoveDuplicates(), 4);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"One", u"two", u"Ölçü", u"three"}));
    EXPECT_EQ(list.Tags(0), 11u); // the first occurrence stays, with its tag

    list.SetCaseSensitive(true);
    Fill(list, {u"a", u"A", u"a"});
    EXPECT_EQ(list.IndexOf(u"A"), 1);
    EXPECT_EQ(list.RemoveDuplicates(), 1);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"A"}));
}

TEST(StringList, SortKeepsTagsWithTheirLines) {
    TZUXStringList list;
    Fill(list, {u"b", u"B", u"a", u"A"});
    for (int i = 0; i < list.Count(); ++i) list.SetTag(i, uint64_t(i));
    list.Sort();
    // Letters ignoring case first, then lower case before upper case.
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"A", u"b", u"B"}));
    EXPECT_EQ(list.Tags(0), 2u);
    EXPECT_EQ(list.Tags(3), 1u);
}

TEST(StringList, SortLogicalComparesDigitRunsByValue) {
    const String longer = u"v1" + String(40, u'0');       // 10^40: no integer holds it
    const String shorter = u"v" + String(40, u'9');       // 10^40 - 1
    const String padded = u"v" + String(60, u'0') + u"7"; // 7 with many zeros
    TZUXStringList list;
    Fill(list, {u"file10.txt", u"File9.txt", u"file1.txt", u"file", u"10", u"\uFF11\uFF12x", u"9x",
                u"abc"});
    list.Add(longer);
    list.Add(shorter);
    list.Add(padded);
    list.SortLogical();
    EXPECT_EQ(Lines(list),
              (std::vector<String>{u"9x", u"10", u"\uFF11\uFF12x", u"abc", u"file", u"file1.txt",
                                   u"File9.txt", u"file10.txt", padded, shorter, longer}));
    EXPECT_EQ(CompareLogical(u"a01", u"a1"), 0);
    EXPECT_LT(CompareLogical(u"a", u"a1"), 0); // a string that runs out first sorts first
    EXPECT_GT(CompareLogical(u"B2", u"a10"), 0);
}

TEST(StringList, StreamsDecodeLikeIniText) {
    const struct {
        Bytes bytes;
        std::optional<TZUXEncoding> encoding;
        String first;
    } cases[] = {
        {"caf\xC3\xA9\r\nx", std::nullopt, u"caf\u00C3\u00A9"}, // no mark: ANSI
        {"caf\xC3\xA9\r\nx", TZUXEncoding::UTF8, u"caf\u00E9"},
        {"\xEF\xBB\xBF"
         "caf\xC3\xA9\r\nx",
         std::nullopt, u"caf\u00E9"},
        {Bytes("\xFF\xFEh\0i\0\n\0x\0", 10), TZUXEncoding::UTF8, u"hi"}, // the mark wins
        {Bytes("h\0i\0\n\0x\0", 8), TZUXEncoding::UTF16LE, u"hi"},
    };
    for (const auto& c : cases) {
        TZUXMemoryStream stream(c.bytes);
        TZUXStringList list;
        list.LoadFromStream(stream, c.encoding);
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(list.Strings(0), c.first);
    }

    TZUXStringList list;
    Fill(list, {u"\u00E9"});
    TZUXMemoryStream out;
    list.SaveToStream(out);
    EXPECT_EQ(out.Data(), Bytes("\xFF\xFE\xE9\0\r\0\n\0", 8));
    TZUXMemoryStream utf8;
    list.SaveToStream(utf8, TZUXEncoding::UTF8);
    EXPECT_EQ(utf8.Data(), "\xEF\xBB\xBF\xC3\xA9\r\n");
}

TEST(StringList, AssignCopiesLinesTagsObjectsAndCaseFlag) {
    TZUXStringList source, target;
    int object = 0;
    source.Insert(0, u"x=1", 5, &object);
    source.SetCaseSensitive(true);
    target.Add(u"old");
    source.AssignTo(target);
    EXPECT_EQ(Lines(target), (std::vector<String>{u"x=1"}));
    EXPECT_EQ(target.Tags(0), 5u);
    EXPECT_EQ(target.Objects(0), &object);
    EXPECT_TRUE(target.CaseSensitive());
    target.Assign(target);
    EXPECT_EQ(target.Count(), 1);
}
