// The command-line tokenizer and parser, and the setup's switch readers.
#include "ZUX/Base/CommandLine.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Strings.h"

namespace ZUX {

namespace {

bool Contains(StringView set, char16_t c) {
    return set.find(c) != StringView::npos;
}

bool IsDelimiter(const TZUXParser::TToken& token, char16_t c) {
    return token.Kind == TZUXParser::TTokenKind::Delimiter && token.Text.size() == 1 &&
           token.Text[0] == c;
}

bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// "C:..." or "\\server\share...": such a word starts a path of its own.
bool BeginsWithDrive(StringView word) {
    if (word.size() >= 2 && IsAsciiLetter(word[0]) && word[1] == u':') return true;
    if (!word.starts_with(u"\\\\")) return false;
    const size_t share = word.find(u'\\', 2);
    return share != StringView::npos && share > 2 && share + 1 < word.size() &&
           word[share + 1] != u'\\';
}

TZUXParser MakeSwitchTokenizer() {
    return TZUXParser(u"-/=; \r\n", u"\"", u" ", TZUXParser::TOptions{});
}

} // namespace

// ---------------------------------------------------------------------------
// TZUXParser

TZUXParser::TZUXParser(String delimiters, String quotes, String whiteSpace, TOptions options)
    : delimiters_(std::move(delimiters)), quotes_(std::move(quotes)),
      whiteSpace_(std::move(whiteSpace)), options_(options) {}

void TZUXParser::SetText(String text) {
    text_ = std::move(text);
    pos_ = 0;
}

bool TZUXParser::Next(TToken& token) {
    const StringView text = text_;
    while (pos_ < text.size()) {
        const size_t start = pos_;
        const char16_t c = text[start];
        if (Contains(whiteSpace_, c)) {
            ++pos_;
            if (options_.SkipWhiteSpace) continue;
            token = {TTokenKind::WhiteSpace, text.substr(start, 1), pos_};
            return true;
        }
        if (options_.QuotedTextIsToken && Contains(quotes_, c)) {
            // A failed search means no later quote of this kind exists, so it
            // happens once per quote character: tokenizing stays linear.
            const size_t close = text.find(c, start + 1);
            if (close == StringView::npos) {
                ++pos_;
                if (options_.SkipLoneQuotes) continue;
                token = {TTokenKind::LoneQuote, text.substr(start, 1), pos_};
                return true;
            }
            pos_ = close + 1;
            token = {TTokenKind::QuotedText,
                     options_.RemoveQuotes ? text.substr(start + 1, close - start - 1)
                                           : text.substr(start, close - start + 1),
                     pos_};
            return true;
        }
        if (Contains(delimiters_, c)) {
            ++pos_;
            if (options_.SkipDelimiters) continue;
            token = {TTokenKind::Delimiter, text.substr(start, 1), pos_};
            return true;
        }
        size_t end = start + 1;
        while (end < text.size() && !Contains(delimiters_, text[end])) ++end;
        pos_ = end;
        token = {TTokenKind::Word, text.substr(start, end - start), pos_};
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// TZUXCommandLineProcessor

String TZUXCommandLineProcessor::TCommand::Value() const {
    String value;
    for (int i = 0; i < Params.Count(); ++i) {
        if (i > 0) value += u';';
        value += Params.Strings(i);
    }
    return value;
}

TZUXCommandLineProcessor::TZUXCommandLineProcessor(const String& params) {
    TZUXCommandLineParser(commands_).Parse(params);
}

const TZUXCommandLineProcessor::TCommand* TZUXCommandLineProcessor::Find(const String& name) const {
    for (const auto& command : commands_)
        if (SameText(command->Name, name)) return command.get();
    return nullptr;
}

// ---------------------------------------------------------------------------
// TZUXCommandLineParser

TZUXCommandLineParser::TZUXCommandLineParser(TZUXCommandLineProcessor::TCommandList& commands)
    : commands_(commands), tokenizer_(MakeSwitchTokenizer()) {}

void TZUXCommandLineParser::Parse(const String& params) {
    tokenizer_.SetText(params);
    buffer_.clear();
    current_ = nullptr;
    previous_ = StringView();
    state_ = TState::AfterSpace;
    TToken token;
    while (tokenizer_.Next(token)) {
        Step(token);
        previous_ = token.Text;
    }
    FinishParam();
}

void TZUXCommandLineParser::Step(const TToken& token) {
    using Kind = TZUXParser::TTokenKind;
    switch (state_) {
    case TState::InText:
        InText(token);
        return;
    case TState::AfterSpace:
        // A "-" after free text is a hyphen, not a switch: "foo -AUTO" is text.
        if (IsDelimiter(token, u'/') ||
            (IsDelimiter(token, u'-') && (!commands_.empty() || buffer_.empty()))) {
            state_ = TState::SwitchName;
            return;
        }
        state_ = TState::InText;
        buffer_ += previous_;
        InText(token);
        return;
    case TState::SwitchName:
        if (token.Kind == Kind::Word) {
            FinishParam();
            commands_.push_back(
                std::make_unique<TZUXCommandLineProcessor::TCommand>(String(token.Text)));
            current_ = commands_.back().get();
            state_ = TState::AfterName;
            return;
        }
        // A prefix without a name is text after all.
        state_ = TState::InText;
        buffer_ += u' ';
        buffer_ += previous_;
        InText(token);
        return;
    case TState::AfterName:
        if (IsDelimiter(token, u'=')) {
            state_ = TState::Value;
            return;
        }
        state_ = TState::InText;
        InText(token);
        return;
    case TState::Value:
        switch (token.Kind) {
        case Kind::WhiteSpace:
            FinishParam();
            current_ = nullptr;
            state_ = TState::AfterSpace;
            return;
        case Kind::Delimiter:
            if (token.Text == u";")
                FinishParam();
            else
                buffer_ += token.Text;
            return;
        case Kind::QuotedText:
        case Kind::Word:
            InText(token);
            return;
        case Kind::LoneQuote:
            return;
        }
        return;
    }
}

void TZUXCommandLineParser::InText(const TToken& token) {
    switch (token.Kind) {
    case TZUXParser::TTokenKind::WhiteSpace:
        state_ = TState::AfterSpace;
        return;
    case TZUXParser::TTokenKind::Delimiter:
    case TZUXParser::TTokenKind::LoneQuote:
        if (token.Text == u"\r" || token.Text == u"\n")
            FinishParam();
        else
            buffer_ += token.Text;
        return;
    case TZUXParser::TTokenKind::QuotedText:
        FinishParam();
        AddParam(token.Text);
        return;
    case TZUXParser::TTokenKind::Word:
        if (BeginsWithDrive(token.Text)) FinishParam();
        buffer_ += token.Text;
        return;
    }
}

void TZUXCommandLineParser::FinishParam() {
    const String text = std::move(buffer_);
    buffer_.clear();
    AddParam(text);
}

void TZUXCommandLineParser::AddParam(StringView text) {
    const String param = Trim(text);
    if (param.empty()) return;
    if (!current_) {
        commands_.push_back(std::make_unique<TZUXCommandLineProcessor::TCommand>(String()));
        current_ = commands_.back().get();
    }
    current_->Params.Add(param);
}

// ---------------------------------------------------------------------------

String GetParams(const String& commandLine) {
    // The program path may be quoted with either quote character; NUL counts
    // as white space so a padded buffer reads like a trimmed one.
    TZUXParser tokenizer(u" \r\n", u"\"'", String(u" \r\n\t\0", 5),
                         TZUXParser::TOptions{.SkipWhiteSpace = true});
    tokenizer.SetText(Trim(commandLine));
    TZUXParser::TToken program;
    if (!tokenizer.Next(program)) return String();
    return Trim(StringView(tokenizer.Text()).substr(program.End));
}

bool HasSwitch(const String& params, const String& name) {
    return TZUXCommandLineProcessor(params).Find(name) != nullptr;
}

bool HasSwitch(const String& params, const String& name, String& value) {
    const TZUXCommandLineProcessor processor(params);
    const auto* command = processor.Find(name);
    value = command ? command->Value() : String();
    return command != nullptr;
}

} // namespace ZUX
