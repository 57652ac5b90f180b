// The formatted labels' mark-up: tags style their text, unknown brackets stay
// text, bare addresses become links.
#include "wizard/Markup.h"

#include <gtest/gtest.h>

using namespace Wizard;

TEST(Markup, TagsStyleTheirTextAndVanish) {
    const TMarkup m = ParseMarkup(u"a [B]bold[/b] [url=https://x.example/l]license[/url] z");
    EXPECT_EQ(m.Text, u"a bold license z");
    ASSERT_EQ(m.Runs.size(), 5u);
    EXPECT_FALSE(m.Runs[0].Bold);
    EXPECT_TRUE(m.Runs[1].Bold);
    EXPECT_EQ(m.Text.substr(size_t(m.Runs[1].Start), size_t(m.Runs[1].Length)), u"bold");
    EXPECT_EQ(m.Runs[3].Link, u"https://x.example/l");
    EXPECT_EQ(m.Text.substr(size_t(m.Runs[3].Start), size_t(m.Runs[3].Length)), u"license");
}

TEST(Markup, ColoursSizesAndNesting) {
    const TMarkup m = ParseMarkup(u"[color=#FF8000][i]x[/i][/color][big]y[/big][size=14]z[/size]");
    EXPECT_EQ(m.Text, u"xyz");
    ASSERT_EQ(m.Runs.size(), 3u);
    EXPECT_EQ(m.Runs[0].Color, 0xFF8000u);
    EXPECT_TRUE(m.Runs[0].Italic);
    EXPECT_DOUBLE_EQ(m.Runs[1].Scale, 1.1);
    EXPECT_EQ(m.Runs[2].Size, 14);
}

TEST(Markup, UnknownOrUnbalancedBracketsAreText) {
    EXPECT_EQ(ParseMarkup(u"[x]y[/x] [/b] [b").Text, u"[x]y[/x] [/b] [b");
    const TMarkup open = ParseMarkup(u"[b]never closed");
    EXPECT_EQ(open.Text, u"never closed");
    EXPECT_TRUE(open.Runs.at(0).Bold);
    EXPECT_EQ(ParseMarkup(u"").Runs.size(), 0u);
}

TEST(Markup, BareAddressesBecomeLinks) {
    const TMarkup m = ParseMarkup(u"see www.zivr.example, mail me@zivr.example or ftp://h/f.");
    std::vector<std::u16string> links;
    for (const auto& run : m.Runs)
        if (!run.Link.empty()) links.push_back(run.Link);
    EXPECT_EQ(links, (std::vector<std::u16string>{u"https://www.zivr.example",
                                                  u"mailto:me@zivr.example", u"ftp://h/f"}));
    EXPECT_TRUE(IsOpenableLink(u"https://x"));
    EXPECT_FALSE(IsOpenableLink(u"mailto:me@x.y"));
    EXPECT_FALSE(IsOpenableLink(u"://x"));
}
