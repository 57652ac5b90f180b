// The command line: the tokenizer, the parser that turns switches and free
// text into commands, and the functions the setup reads its switches with.
//
// Syntax: a switch is /NAME or -NAME (a "-" only where no free text came
// first), case does not matter; a value follows "=" directly and ends at the
// first space unless it is quoted; ";" separates several parameters of one
// switch. Text outside switches becomes parameters of nameless commands.
#pragma once

#include "ZUX/Base/StringList.h"
#include "ZUX/Base/Strings.h"

#include <memory>
#include <utility>
#include <vector>

namespace ZUX {

// Splits a text into tokens by three character sets. At each position white
// space is recognised first, then quotes, then delimiters; anything else
// starts a word that runs up to the next delimiter.
class TZUXParser {
public:
    enum class TTokenKind {
        WhiteSpace, // one white-space character
        Delimiter,  // one delimiter character
        LoneQuote,  // a quote character without a closing partner
        QuotedText, // from a quote character to the next one of the same kind
        Word,
    };

    struct TToken {
        TTokenKind Kind = TTokenKind::Word;
        // Points into the parser's text: valid while the parser lives and its
        // text is not replaced.
        StringView Text;
        // The position in the text just after the token.
        size_t End = 0;
    };

    struct TOptions {
        bool QuotedTextIsToken = true; // otherwise quote characters are ordinary text
        bool RemoveQuotes = true;
        bool SkipWhiteSpace = false;
        bool SkipDelimiters = false;
        bool SkipLoneQuotes = false;
    };

    TZUXParser(String delimiters, String quotes, String whiteSpace, TOptions options);

    void SetText(String text);
    const String& Text() const { return text_; }
    // The next token that is not skipped; false at the end of the text.
    bool Next(TToken& token);

private:
    String delimiters_, quotes_, whiteSpace_;
    TOptions options_;
    String text_;
    size_t pos_ = 0;
};

class TZUXCommandLineProcessor {
public:
    // A switch and its parameters; a nameless command holds free text.
    class TCommand {
    public:
        explicit TCommand(String name) : Name(std::move(name)) {}
        String Name;
        TZUXStringList Params;
        // The parameters joined with ";".
        String Value() const;
    };
    using TCommandList = std::vector<std::unique_ptr<TCommand>>;

    explicit TZUXCommandLineProcessor(const String& params);

    int Count() const { return int(commands_.size()); }
    const TCommand& Commands(int index) const { return *commands_.at(size_t(index)); }
    // The first command of that name, ignoring case; nullptr when there is none.
    const TCommand* Find(const String& name) const;

private:
    TCommandList commands_;
};

// The state machine behind TZUXCommandLineProcessor: appends one command per
// switch (and per run of free text) to a list, in the order of appearance.
class TZUXCommandLineParser {
public:
    explicit TZUXCommandLineParser(TZUXCommandLineProcessor::TCommandList& commands);
    void Parse(const String& params);

private:
    enum class TState { InText, AfterSpace, SwitchName, AfterName, Value };
    using TToken = TZUXParser::TToken;

    void Step(const TToken& token);
    void InText(const TToken& token);
    void FinishParam();
    void AddParam(StringView text);

    TZUXCommandLineProcessor::TCommandList& commands_;
    TZUXParser tokenizer_;
    String buffer_;
    TZUXCommandLineProcessor::TCommand* current_ = nullptr;
    StringView previous_;
    TState state_ = TState::AfterSpace;
};

// The command line without the program path, trimmed.
String GetParams(const String& commandLine);
// The same for the running process.
String GetParams();

// Each call parses params anew.
bool HasSwitch(const String& params, const String& name);
// value: the switch's parameters joined with ";"; empty when the switch has
// none or is absent.
bool HasSwitch(const String& params, const String& name, String& value);

} // namespace ZUX
