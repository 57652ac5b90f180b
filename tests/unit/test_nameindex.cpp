// The name index: equal names found ignoring case, and a hash that agrees with
// SameText.
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/NameIndex.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ZUX;

TEST(NameIndex, FindsEqualNamesIgnoringCaseAndKeepsTheFirst) {
    const std::vector<String> names{u"Data\\a.txt", u"Ärger\\Öl.dll", u"DATA\\A.TXT",
                                    u"data\\b.txt", u"ärger\\öL.DLL", u"x"};
    const auto nameAt = [&](size_t i) -> StringView { return names[i]; };
    TZUXNameIndex index;
    std::vector<ptrdiff_t> earlier;
    for (size_t i = 0; i < names.size(); ++i) earlier.push_back(index.Add(names[i], i, nameAt));
    EXPECT_EQ(earlier, (std::vector<ptrdiff_t>{-1, -1, 0, -1, 1, -1}));
    EXPECT_EQ(index.Count(), 4u);
    EXPECT_EQ(index.Find(u"data\\A.txt", nameAt), 0);
    EXPECT_EQ(index.Find(u"ÄRGER\\öl.dll", nameAt), 1);
    EXPECT_EQ(index.Find(u"Data\\a.tx", nameAt), -1);
    EXPECT_EQ(index.Find(u"y", nameAt), -1);
}

TEST(NameIndex, HashAgreesWithSameText) {
    const std::pair<String, String> equal[] = {
        {u"plugins\\spectrum.ini", u"PLUGINS\\Spectrum.INI"},
        {u"straße", u"STRAßE"},
        {u"ÿ-ölçü", u"Ÿ-ÖLÇÜ"},
        {u"", u""},
    };
    for (const auto& [a, b] : equal) {
        ASSERT_TRUE(SameText(a, b));
        EXPECT_EQ(HashIgnoreCase(a), HashIgnoreCase(b)) << ToUtf8(a);
    }
}

TEST(NameIndex, ManyNamesAreEachFound) {
    std::vector<String> names;
    for (int i = 0; i < 20000; ++i)
        names.push_back(u"Data\\f" + IntToStr(i % 100) + u"\\file" + IntToStr(i) + u".txt");
    const auto nameAt = [&](size_t i) -> StringView { return names[i]; };
    TZUXNameIndex index;
    index.Reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(index.Add(names[i], i, nameAt), -1);
    for (size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(index.Find(UpperCase(names[i]), nameAt), ptrdiff_t(i));
}
