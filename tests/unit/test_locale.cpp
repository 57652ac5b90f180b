// Locale comparisons and upper-casing.
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Strings.h"

#include <gtest/gtest.h>

using namespace ZUX;

TEST(Locale, IgnoreCaseAgreesWithUpperCase) {
    // The INI name hash is taken over UpperCase: names that compare equal must
    // upper-case alike, beyond ASCII too.
    const std::pair<String, String> equal[] = {
        {u"Setup", u"SETUP"}, {u"straße", u"STRAßE"}, {u"привет", u"ПРИВЕТ"}, {u"Ωmega", u"ωMEGA"}};
    for (const auto& [a, b] : equal) {
        EXPECT_TRUE(SameText(a, b)) << ToUtf8(a);
        EXPECT_EQ(UpperCase(a), UpperCase(b)) << ToUtf8(a);
        EXPECT_EQ(UpperCase(a).size(), a.size());
    }
    EXPECT_FALSE(SameText(u"a", u"ab"));
    EXPECT_LT(CompareTextIgnoreCase(u"apple", u"Banana"), 0);
    EXPECT_GT(CompareTextIgnoreCase(u"b", u"A"), 0);
}

TEST(Locale, AnsiCodePageRoundTrip) {
    // Windows-1252 is what the host stands in for, and what an English
    // Windows uses as its ANSI code page.
    const Bytes bytes = "Caf\xE9 \x80 \x93x\x94";
    const String text = AnsiToString(bytes);
    EXPECT_EQ(text, u"Café € “x”");
    EXPECT_EQ(StringToAnsi(text), bytes);
}

TEST(Strings, Utf8Conversions) {
    EXPECT_EQ(FromUtf8("A\xC3\xA9\xF0\x9F\x98\x80"), u"Aé\U0001F600");
    EXPECT_EQ(ToUtf8(u"Aé\U0001F600"), "A\xC3\xA9\xF0\x9F\x98\x80");
    String out;
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\xFF"})
        EXPECT_FALSE(TryDecodeUtf8(bad, out)) << bad;
    EXPECT_EQ(ToUtf8(String(1, char16_t(0xD800))), "\xEF\xBF\xBD"); // lone surrogate
}
