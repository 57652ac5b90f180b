// Formatting of language-file texts.
#include "ZUX/Base/Format.h"

#include <gtest/gtest.h>

using namespace ZUX;

TEST(Format, PlaceholdersAndArguments) {
    const struct {
        const char16_t* format;
        String expected;
    } cases[] = {
        {u"Cannot open file \"%s\". %s", u"Cannot open file \"a.txt\". denied"},
        {u"%d%% done", u"42% done"},
        {u"no placeholders", u"no placeholders"},
        {u"", u""},
    };
    EXPECT_EQ(Format(cases[0].format, {u"a.txt", u"denied"}), cases[0].expected);
    EXPECT_EQ(Format(cases[1].format, {42}), cases[1].expected);
    EXPECT_EQ(Format(cases[2].format, {u"extra", 1}), cases[2].expected);
    EXPECT_EQ(Format(cases[3].format), cases[3].expected);
}

TEST(Format, HostileTextsNeverReadMissingArguments) {
    // Texts come from language files: too many, too few or unknown
    // placeholders must stay harmless.
    EXPECT_EQ(Format(u"%s %s %s", {u"one"}), u"one %s %s");
    EXPECT_EQ(Format(u"%x %n %p %", {u"a"}), u"%x %n %p %");
    EXPECT_EQ(Format(u"%d", {u"text"}), u"text");
    EXPECT_EQ(Format(u"%s", {-7}), u"-7");
    EXPECT_EQ(Format(u"100%"), u"100%");
    EXPECT_EQ(Format(u"%%s", {u"a"}), u"%s");
}
