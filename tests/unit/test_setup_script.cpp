// Parsing the setup script.
#include "engine/SetupScript.h"

#include <gtest/gtest.h>

using namespace ZUX;

namespace {

std::unique_ptr<TSetupScript> Parse(const std::string& xml) {
    auto script = std::make_unique<TSetupScript>();
    TZUXMemoryStream stream(xml);
    script->LoadFromStream(stream);
    return script;
}

String Name(const TSetupScriptGroup& g, int i) {
    return g.Items(i).Name;
}

} // namespace

TEST(SetupScript, ReadsGroupsSettingsAndLicense) {
    const auto script = Parse(R"(<?xml version="1.0" encoding="utf-8"?>
<!-- the demo product -->
<install>
  <SETUP><License>License.rtf</License></SETUP>
  <Product>
    <components>
      <File name="$DEST\ZIVR.exe"/>
      <File name="$DEST\Help\index.htm">help_en.htm</File>
      <File name="$DEST\Langs\Russian.lng" lang-family="RU"/>
      <Folder name="ignored"/>
    </components>
    <Settings>
      <Item name="ProductName" value="ZIVR"/>
      <Setting name="HomePage" value="https://zivr.example/?a=b"/>
      <Item name="productname" value="ZIVR Player"/>
      <Item value="no name"/>
    </Settings>
    <Actions><File name="$DEST\ZIVR.exe"/></Actions>
    <Components><File name="$DEST\second.dll"/></Components>
  </Product>
  <product><Components><File name="never read"/></Components></product>
</install>)");
    const auto& c = *script->Components;
    ASSERT_EQ(c.Count(), 4); // both Components elements of the first product
    EXPECT_EQ(c.Items(0).GetPackagedName(), u"ZIVR.exe");
    EXPECT_EQ(c.Items(1).GetPackagedName(), u"help_en.htm");
    EXPECT_EQ(Name(c, 1), u"$DEST\\Help\\index.htm");
    EXPECT_TRUE(c.Items(2).Matches(u"ru"));
    EXPECT_FALSE(c.Items(2).Matches(u"EN"));
    EXPECT_TRUE(c.Items(0).Matches(u"RU"));
    EXPECT_EQ(Name(c, 3), u"$DEST\\second.dll");

    ASSERT_EQ(script->License->Count(), 1);
    EXPECT_EQ(Name(*script->License, 0), u"License.rtf");
    const TSetupScriptFile* license = nullptr;
    EXPECT_TRUE(script->License->Find(u"DE", license));
    EXPECT_EQ(license, &script->License->Items(0));

    EXPECT_EQ(script->GetSetting(u"PRODUCTNAME"), u"ZIVR Player"); // the later line wins
    EXPECT_EQ(script->GetSetting(u"HomePage"), u"https://zivr.example/?a=b");
    EXPECT_EQ(script->GetSetting(u"Publisher"), u"");
    EXPECT_EQ(script->Actions->Count(), 1);
    EXPECT_EQ(script->Shortcuts->Count(), 0);
}

TEST(SetupScript, LicensePerFamilyFindsFirstMatch) {
    const auto script = Parse(R"(<s><setup><license>
        <File name="License_ru.rtf" lang-family="RU"/>
        <File name="License.rtf"/>
    </license></setup></s>)");
    const TSetupScriptFile* file = nullptr;
    ASSERT_TRUE(script->License->Find(u"RU", file));
    EXPECT_EQ(file->Name, u"License_ru.rtf");
    ASSERT_TRUE(script->License->Find(u"DE", file));
    EXPECT_EQ(file->Name, u"License.rtf");
}

TEST(SetupScript, BadDocumentsLeaveAnEmptyOrPartialScript) {
    const std::string cases[] = {
        "",
        "not xml at all",
        "<?xml version=\"1.0\"?>",
        "<a><product>",
        "\xFF\xFE<\0a\0",
        "<a><product><Components><File name=\"x\"/></Components></product></a>trailing<",
        "<a><product/></a>",
        "<a><setup/></a>",
    };
    for (const auto& xml : cases) {
        const auto script = Parse(xml);
        EXPECT_LE(script->Components->Count(), 1) << xml;
        EXPECT_EQ(script->License->Count(), 0) << xml;
        EXPECT_EQ(script->GetSetting(u"ProductName"), u"") << xml;
    }
}

TEST(SetupScript, Utf16DocumentWithMark) {
    const std::u16string text = u"\uFEFF<a><product><Settings><i name=\"ProductName\" "
                                u"value=\"Плеер\"/></Settings></product></a>";
    const std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    EXPECT_EQ(Parse(bytes)->GetSetting(u"ProductName"), u"Плеер");
}
