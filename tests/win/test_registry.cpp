// Registry keys and values.
#include "ZUX/Base/Registry.h"

#include "ZUX/Base/Win32.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ZUX;

namespace {

// A key of its own under HKCU for each test, deleted with the raw API after it.
class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = u"Software\\ZIVRSetupTests\\" + IntToStr(GetCurrentProcessId());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, WStr(path_));
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\ZIVRSetupTests");
    }
    const String& Path() const { return path_; }

private:
    String path_;
};

bool KeyExists(const String& path) {
    return bool(RegOpenKeyRead(HKEY_CURRENT_USER, path));
}

} // namespace

TEST_F(Registry, ValuesRoundTripAndTypesAreChecked) {
    EXPECT_FALSE(RegOpenKeyRead(HKEY_CURRENT_USER, Path()));
    EXPECT_FALSE(RegOpenKeyWrite(HKEY_CURRENT_USER, Path(), false));
    {
        TZUXRegKey key = RegOpenKeyWrite(HKEY_CURRENT_USER, Path(), true);
        ASSERT_TRUE(key);
        EXPECT_TRUE(RegWriteStr(key, u"Name", u"ZIVR Player"));
        EXPECT_TRUE(RegWriteStr(key, u"Empty", u""));
        EXPECT_TRUE(RegWriteInt(key, u"Number", -7));
        const wchar_t expand[] = L"%TEMP%\\x";
        RegSetValueExW(key, L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand),
                       sizeof expand);
        // Stored without its zero and with an odd length: still read safely.
        RegSetValueExW(key, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abc"), 7);
        RegCloseKey(key);
        EXPECT_FALSE(key);
    }
    const TZUXRegKey key = RegOpenKeyRead(HKEY_CURRENT_USER, Path());
    ASSERT_TRUE(key);
    EXPECT_EQ(RegReadStr(key, u"Name"), u"ZIVR Player");
    EXPECT_EQ(RegReadStr(HKEY_CURRENT_USER, Path(), u"Name"), u"ZIVR Player");
    EXPECT_EQ(RegReadStr(key, u"Empty"), u"");
    EXPECT_EQ(RegReadStr(key, u"Expand"), u"%TEMP%\\x"); // not expanded
    EXPECT_EQ(RegReadStr(key, u"Bare"), u"abc");
    EXPECT_EQ(RegReadStr(key, u"Number"), u""); // not a string
    EXPECT_EQ(RegReadStr(key, u"Missing"), u"");
    EXPECT_EQ(RegReadInt(key, u"Number", 5), -7);
    EXPECT_EQ(RegReadInt(key, u"Name", 5), 5); // not a number
    EXPECT_EQ(RegReadInt(key, u"Missing", 5), 5);
    EXPECT_EQ(RegReadStr(HKEY_CURRENT_USER, Path() + u"\\Missing", u"Name"), u"");
    EXPECT_FALSE(RegWriteStr(TZUXRegKey(), u"Name", u"x"));
}

TEST_F(Registry, SubkeysAreEnumeratedAndDeletedDepthFirst) {
    const String longName(100, u'k'); // longer than 63 characters
    for (const String& sub : {String(u"A"), String(u"B\\C\\D"), String(u"B\\E"), longName + u"\\F"})
        ASSERT_TRUE(RegOpenKeyWrite(HKEY_CURRENT_USER, Path() + u"\\" + sub, true));

    std::vector<String> names;
    EXPECT_TRUE(
        RegEnumKeys(HKEY_CURRENT_USER, Path(), [&](const String& n) { names.push_back(n); }));
    EXPECT_EQ(names, (std::vector<String>{u"A", u"B", longName}));
    EXPECT_FALSE(RegEnumKeys(HKEY_CURRENT_USER, Path() + u"\\Missing", [](const String&) {}));

    EXPECT_TRUE(RegDeleteKeyTree(HKEY_CURRENT_USER, Path() + u"\\B"));
    EXPECT_FALSE(KeyExists(Path() + u"\\B"));
    EXPECT_TRUE(KeyExists(Path() + u"\\A"));
    EXPECT_TRUE(RegDeleteKeyTree(HKEY_CURRENT_USER, Path()));
    EXPECT_FALSE(KeyExists(Path()));
    EXPECT_FALSE(RegDeleteKeyTree(HKEY_CURRENT_USER, Path())); // already gone
    EXPECT_FALSE(RegDeleteKeyTree(HKEY_CURRENT_USER, u""));    // never a whole root
}
