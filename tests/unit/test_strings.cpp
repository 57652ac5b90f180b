// The string type's conversions and small string functions.
#include "ZUX/Base/Strings.h"

#include <gtest/gtest.h>

using namespace ZUX;

TEST(Strings, StartsWithAndEndsWith) {
    struct Case {
        String text, part;
        bool ignoreCase, starts, ends;
    };
    const Case cases[] = {
        {u"Setup.exe", u"Setup", false, true, false},
        {u"Setup.exe", u"setup", false, false, false},
        {u"Setup.exe", u"setup", true, true, false},
        {u"Setup.exe", u".EXE", true, false, true},
        {u"Setup.exe", u".EXE", false, false, false},
        {u"ПРИВЕТ мир", u"привет", true, true, false},
        {u"ab", u"abc", true, false, false}, // the text must be at least as long
        {u"abc", u"", false, true, true},
        {u"", u"", true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text) + " / " + ToUtf8(c.part));
        EXPECT_EQ(StartsWith(c.text, c.part, c.ignoreCase), c.starts);
        EXPECT_EQ(EndsWith(c.text, c.part, c.ignoreCase), c.ends);
    }
}

TEST(Strings, StringReplace) {
    struct Case {
        String text, oldPattern, newPattern;
        bool ignoreCase;
        String expected;
    };
    const Case cases[] = {
        {u"$DEST\\x\\$DEST", u"$DEST", u"C:\\ZIVR", false, u"C:\\ZIVR\\x\\C:\\ZIVR"},
        {u"aaa", u"a", u"aa", false, u"aaaaaa"}, // replaced text is not searched again
        {u"aaaa", u"aa", u"a", false, u"aa"},
        {u"Hello HELLO hello", u"hello", u"bye", false, u"Hello HELLO bye"},
        {u"Hello HELLO hello", u"hello", u"bye", true, u"bye bye bye"},
        {u"Привет ПРИВЕТ", u"привет", u"x", true, u"x x"},
        {u"abc", u"", u"x", false, u"abc"},
        {u"ab", u"abc", u"x", true, u"ab"},
        {u"abc", u"b", u"", false, u"ac"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StringReplace(c.text, c.oldPattern, c.newPattern, c.ignoreCase), c.expected)
            << ToUtf8(c.text);
}

TEST(Strings, RemoveCharAndTrim) {
    EXPECT_EQ(RemoveChar(u"a-b--c-", u'-'), u"abc");
    EXPECT_EQ(RemoveChar(u"", u'-'), u"");
    EXPECT_EQ(Trim(u"\t\r\n  x y \x01"), u"x y");
    EXPECT_EQ(Trim(u"!x!"), u"!x!"); // code 33 stays
    EXPECT_EQ(Trim(String(u"\0 x\0", 4)), u"x");
    EXPECT_EQ(Trim(u" \t "), u"");
    EXPECT_EQ(Trim(u"\u00A0x"), u"\u00A0x"); // only control codes and the blank
}

TEST(Strings, ExplodeStringKeepsEmptyParts) {
    using Parts = std::vector<String>;
    EXPECT_EQ(ExplodeString(u"a;;b;", u";"), (Parts{u"a", u"", u"b", u""}));
    EXPECT_EQ(ExplodeString(u";", u";"), (Parts{u"", u""}));
    EXPECT_EQ(ExplodeString(u"", u";"), (Parts{u""}));
    EXPECT_EQ(ExplodeString(u"abc", u";"), (Parts{u"abc"}));
    EXPECT_EQ(ExplodeString(u"a\r\nb\r\n", u"\r\n"), (Parts{u"a", u"b", u""}));
    EXPECT_EQ(ExplodeString(u"abc", u""), (Parts{u"abc"}));
}

TEST(Strings, TwoDigits) {
    const std::pair<int, String> cases[] = {{0, u"00"},  {7, u"07"},    {9, u"09"},
                                            {10, u"10"}, {123, u"123"}, {-1, u"-1"}};
    for (const auto& [n, expected] : cases) EXPECT_EQ(TwoDigits(n), expected) << n;
}

TEST(Strings, DecodeLineBreaks) {
    EXPECT_EQ(DecodeLineBreaks(u"One\\nTwo\\n"), u"One\r\nTwo\r\n");
    EXPECT_EQ(DecodeLineBreaks(u"C:\\new\\N\\x"), u"C:\r\new\\N\\x");
    EXPECT_EQ(DecodeLineBreaks(u"end\\"), u"end\\");
    EXPECT_EQ(DecodeLineBreaks(u""), u"");
}

TEST(Strings, HexEncode) {
    const unsigned char bytes[] = {0x00, 0x0F, 0xAB, 0xFF, 0x10};
    EXPECT_EQ(HexEncode(bytes, sizeof bytes), u"000fabff10");
    EXPECT_EQ(HexEncode(Bytes("\x7F\x80", 2)), u"7f80");
    EXPECT_EQ(HexEncode(Bytes()), u"");
}
