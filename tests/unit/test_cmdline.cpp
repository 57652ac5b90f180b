// The command-line tokenizer, parser and switch readers.
#include "ZUX/Base/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ZUX;

namespace {

using Kind = TZUXParser::TTokenKind;

std::vector<std::pair<Kind, String>> Tokens(TZUXParser& parser, const String& text) {
    parser.SetText(text);
    std::vector<std::pair<Kind, String>> out;
    TZUXParser::TToken token;
    while (parser.Next(token)) out.emplace_back(token.Kind, String(token.Text));
    return out;
}

// The parsed commands as text: NAME[p1|p2] per command, nameless ones as [..].
std::string Commands(const String& params) {
    const TZUXCommandLineProcessor processor(params);
    String out;
    for (int i = 0; i < processor.Count(); ++i) {
        const auto& command = processor.Commands(i);
        if (i > 0) out += u' ';
        out += command.Name + u'[';
        for (int k = 0; k < command.Params.Count(); ++k)
            out += (k > 0 ? u"|" : u"") + command.Params.Strings(k);
        out += u']';
    }
    return ToUtf8(out);
}

} // namespace

TEST(CmdLineTokenizer, FiveKindsOfTokens) {
    TZUXParser parser(u"-/=; \r\n", u"\"", u" ", {});
    const std::vector<std::pair<Kind, String>> expected = {
        {Kind::Delimiter, u"/"},    {Kind::Word, u"a"},       {Kind::Delimiter, u"="},
        {Kind::QuotedText, u"b c"}, {Kind::WhiteSpace, u" "}, {Kind::Word, u"x\"y:\\z"},
        {Kind::WhiteSpace, u" "},   {Kind::LoneQuote, u"\""}, {Kind::Word, u"q"},
    };
    EXPECT_EQ(Tokens(parser, u"/a=\"b c\" x\"y:\\z \"q"), expected);
    EXPECT_TRUE(Tokens(parser, u"").empty());
}

TEST(CmdLineTokenizer, OptionsAndPrecedence) {
    // A character in several sets: white space wins over quotes and
    // delimiters, quotes win over delimiters.
    TZUXParser precedence(u" '", u"'", u" ", {});
    EXPECT_EQ(Tokens(precedence, u" 'a b'"),
              (std::vector<std::pair<Kind, String>>{{Kind::WhiteSpace, u" "},
                                                    {Kind::QuotedText, u"a b"}}));

    TZUXParser keepQuotes(u" ", u"\"'", u"", {.RemoveQuotes = false});
    EXPECT_EQ(Tokens(keepQuotes, u"'a \"b' \"c"),
              (std::vector<std::pair<Kind, String>>{{Kind::QuotedText, u"'a \"b'"},
                                                    {Kind::Delimiter, u" "},
                                                    {Kind::LoneQuote, u"\""},
                                                    {Kind::Word, u"c"}}));

    TZUXParser quotesAreText(u" ", u"\"", u"", {.QuotedTextIsToken = false});
    EXPECT_EQ(Tokens(quotesAreText, u"\"a b\""),
              (std::vector<std::pair<Kind, String>>{
                  {Kind::Word, u"\"a"}, {Kind::Delimiter, u" "}, {Kind::Word, u"b\""}}));

    TZUXParser skipping(u";", u"\"", u" ",
                        {.SkipWhiteSpace = true, .SkipDelimiters = true, .SkipLoneQuotes = true});
    EXPECT_EQ(
        Tokens(skipping, u" a ;; \"b\" \""),
        (std::vector<std::pair<Kind, String>>{{Kind::Word, u"a "}, {Kind::QuotedText, u"b"}}));
}

TEST(CmdLine, GetParamsDropsTheProgramPath) {
    const std::pair<String, String> cases[] = {
        {u"C:\\Setup.exe /AUTO /SILENT", u"/AUTO /SILENT"},
        {u"\"C:\\Program Files\\ZIVR\\Setup.exe\" /AUTO", u"/AUTO"},
        {u"'C:\\Program Files\\ZIVR\\Setup.exe' /AUTO", u"/AUTO"},
        {u"\"C:\\Program Files\\ZIVR\\Setup.exe\"/AUTO", u"/AUTO"},
        {u"\"C:\\x y\\Setup.exe\"", u""},
        {u"  Setup.exe   ", u""},
        {u"", u""},
        {u" \t\r\n", u""},
        {String(u"Setup.exe /AUTO\0\0", 17), u"/AUTO"},
        // The rest is kept as it stands, quotes included, for HasSwitch.
        {u"Setup.exe  /PATH=\"C:\\a b\\\" /AUTO ", u"/PATH=\"C:\\a b\\\" /AUTO"},
        {u"Setup.exe\r\n/AUTO", u"/AUTO"},
    };
    for (const auto& [commandLine, params] : cases)
        EXPECT_EQ(GetParams(commandLine), params) << ToUtf8(commandLine);
}

TEST(CmdLine, ParsesIntoCommands) {
    const std::pair<String, std::string> cases[] = {
        {u"", ""},
        {u"/AUTO /SILENT", "AUTO[] SILENT[]"},
        {u"-AUTO -SILENT", "AUTO[] SILENT[]"},
        {u"/AUTO -SILENT", "AUTO[] SILENT[]"},
        {u"foo -AUTO", "[foo -AUTO]"}, // free text first: "-" is a hyphen
        {u"foo /AUTO", "[foo] AUTO[]"},
        {u"/A=x -B", "A[x] B[]"},
        {u"/AUTO=C:\\Program Files\\ZIVR", "AUTO[C:\\Program] [Files\\ZIVR]"},
        {u"/AUTO=\"C:\\Program Files\\ZIVR\"", "AUTO[C:\\Program Files\\ZIVR]"},
        {u"/PATH=\"C:\\Program Files\\ZIVR\\\" /AUTO", "PATH[C:\\Program Files\\ZIVR\\] AUTO[]"},
        {u"/X=a;b", "X[a|b]"},
        {u"/X=a;;b;", "X[a|b]"},
        {u"/X=a-b/c=d", "X[a-b/c=d]"},
        {u"/X=http://host/?q=1", "X[http://host/?q=1]"},
        {u"/X=\"a b\"c", "X[a b|c]"},
        {u"/X=\"ab", "X[ab]"},   // a lone quote in a value is dropped
        {u"/X=a\"b", "X[a\"b]"}, // inside a word a quote is text
        {u"/X= /Y", "X[] Y[]"},
        {u"/X=a /X=b", "X[a] X[b]"},
        {u"/X=a b  c", "X[a] [b  c]"},
        {u"foo C:\\x \\\\srv\\share\\y", "[foo|C:\\x|\\\\srv\\share\\y]"}, // a drive starts a path
        {u"a\rb\nc", "[a|b|c]"},
        {u"\"a b\" c", "[a b|c]"},
        {u"/", ""},
        {u"/ /AUTO", "[/] AUTO[]"},
        {u"//AUTO", "[//AUTO]"},
        {u"/=x", "[/=x]"},
        {u"\"", "[\"]"},
        {u"/AUTO \"x\" y", "AUTO[x|y]"}, // text after a bare switch name joins it
        {u"/SKIPUAC=1234 /AUTO /SILENT", "SKIPUAC[1234] AUTO[] SILENT[]"},
    };
    for (const auto& [params, expected] : cases)
        EXPECT_EQ(Commands(params), expected) << ToUtf8(params);
}

TEST(CmdLine, HasSwitch) {
    struct Case {
        String params, name;
        bool found;
        String value;
    };
    const Case cases[] = {
        {u"/AUTO /SILENT", u"AUTO", true, u""},
        {u"/AUTO /SILENT", u"SILENT", true, u""},
        {u"/auto /silent", u"AUTO", true, u""},
        {u"-Auto", u"aUTO", true, u""},
        {u"/AUTOX", u"AUTO", false, u""},
        {u"/AUTO", u"AUTOX", false, u""},
        {u"foo -AUTO", u"AUTO", false, u""},
        {u"/AUTO=\"C:\\Program Files\\ZIVR\"", u"AUTO", true, u"C:\\Program Files\\ZIVR"},
        {u"/AUTO=C:\\Program Files\\ZIVR", u"AUTO", true, u"C:\\Program"},
        {u"/PATH=\"C:\\Program Files\\ZIVR\\\" /AUTO /SILENT", u"PATH", true,
         u"C:\\Program Files\\ZIVR\\"},
        {u"/X=a;b", u"X", true, u"a;b"},
        {u"/X=a /X=b", u"X", true, u"a"}, // the first one wins
        {u"/SKIPUAC=66314 /AUTO", u"SKIPUAC", true, u"66314"},
        {u"", u"AUTO", false, u""},
        {u"/AUTO", u"", false, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.params) + " ? " + ToUtf8(c.name));
        String value = u"stale";
        EXPECT_EQ(HasSwitch(c.params, c.name, value), c.found);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(HasSwitch(c.params, c.name), c.found);
    }
}

TEST(CmdLine, GetParamsThenHasSwitch) {
    const String params =
        GetParams(u"\"C:\\Users\\Me\\Downloads\\Setup.exe\" /SKIPUAC=42 /auto=\"D:\\My Apps\\\"");
    String value;
    EXPECT_TRUE(HasSwitch(params, u"SKIPUAC", value));
    EXPECT_EQ(value, u"42");
    EXPECT_TRUE(HasSwitch(params, u"AUTO", value));
    EXPECT_EQ(value, u"D:\\My Apps\\");
}

// Every short text over the characters that matter to the parser: the parser
// must never fail, and what it produces must be well formed.
TEST(CmdLine, AnyShortInputParsesToWellFormedCommands) {
    const String alphabet = u"/-=; \"a:\\\r";
    const size_t n = alphabet.size();
    for (int length = 0; length <= 5; ++length) {
        size_t total = 1;
        for (int i = 0; i < length; ++i) total *= n;
        for (size_t code = 0; code < total; ++code) {
            String text;
            for (size_t c = code, i = 0; i < size_t(length); ++i, c /= n) text += alphabet[c % n];
            const TZUXCommandLineProcessor processor(text);
            for (int i = 0; i < processor.Count(); ++i) {
                const auto& command = processor.Commands(i);
                // A nameless command exists only to hold text.
                if (command.Name.empty()) {
                    ASSERT_GT(command.Params.Count(), 0) << ToUtf8(text);
                }
                for (int k = 0; k < command.Params.Count(); ++k) {
                    const String p = command.Params.Strings(k);
                    ASSERT_FALSE(p.empty()) << ToUtf8(text);
                    ASSERT_GT(p.front(), u' ') << ToUtf8(text);
                    ASSERT_GT(p.back(), u' ') << ToUtf8(text);
                }
            }
        }
    }
}

TEST(CmdLine, HugeAndHostileInputs) {
    // Far beyond the 32,767 characters Windows allows a command line: quotes,
    // delimiters and switches never crash, and well-formed parts still come through.
    String many;
    for (int i = 0; i < 20000; ++i) many += u"/S" + IntToStr(i) + u"=\"v;" + IntToStr(i) + u"\" ";
    String value;
    EXPECT_TRUE(HasSwitch(many, u"S19999", value));
    EXPECT_EQ(value, u"v;19999");

    const String quotes(1 << 18, u'"');
    EXPECT_FALSE(HasSwitch(quotes, u"AUTO"));
    EXPECT_FALSE(HasSwitch(u"\"" + String(1 << 18, u'a') + u" /AUTO", u"X"));
    EXPECT_TRUE(HasSwitch(String(1 << 18, u'/') + u" /AUTO", u"AUTO"));
    EXPECT_EQ(GetParams(u"\"" + String(1 << 18, u'x')), String(1 << 18, u'x'));
}
