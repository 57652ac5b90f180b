// Parsing the formatted labels' mark-up into runs of text and links.
#include "wizard/Markup.h"

#include <algorithm>

namespace Wizard {

namespace {

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

ZUX::String LowerAscii(ZUX::StringView s) {
    ZUX::String out(s);
    for (auto& c : out) c = Lower(c);
    return out;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

uint32_t ParseColor(ZUX::StringView value) {
    static const struct {
        const char16_t* Name;
        uint32_t Rgb;
    } names[] = {{u"black", 0x000000}, {u"white", 0xFFFFFF},  {u"red", 0xFF0000},
                 {u"green", 0x008000}, {u"blue", 0x0000FF},   {u"gray", 0x808080},
                 {u"grey", 0x808080},  {u"yellow", 0xFFFF00}, {u"orange", 0xFFA500}};
    const ZUX::String lower = LowerAscii(value);
    for (const auto& n : names)
        if (lower == n.Name) return n.Rgb;
    ZUX::StringView hex = value;
    if (!hex.empty() && hex[0] == u'#') hex.remove_prefix(1);
    if (hex.size() != 6) return NoColor;
    uint32_t rgb = 0;
    for (const char16_t c : hex) {
        const char16_t l = Lower(c);
        int digit;
        if (l >= u'0' && l <= u'9')
            digit = l - u'0';
        else if (l >= u'a' && l <= u'f')
            digit = l - u'a' + 10;
        else
            return NoColor;
        rgb = rgb * 16 + uint32_t(digit);
    }
    return rgb;
}

int ParseSize(ZUX::StringView value) {
    int size = 0;
    for (const char16_t c : value) {
        if (c < u'0' || c > u'9' || size > 1000) return 0;
        size = size * 10 + (c - u'0');
    }
    return size;
}

struct TTag {
    ZUX::String Name;
    ZUX::String Value;
};

bool IsKnownTag(const ZUX::String& name) {
    static const char16_t* known[] = {u"b",         u"i",   u"u",     u"s",    u"color",
                                      u"backcolor", u"big", u"small", u"size", u"url"};
    return std::any_of(std::begin(known), std::end(known),
                       [&name](const char16_t* k) { return name == k; });
}

TMarkupRun StyleOf(const std::vector<TTag>& stack) {
    TMarkupRun run;
    for (const TTag& tag : stack) {
        if (tag.Name == u"b")
            run.Bold = true;
        else if (tag.Name == u"i")
            run.Italic = true;
        else if (tag.Name == u"u")
            run.Underline = true;
        else if (tag.Name == u"s")
            run.Strike = true;
        else if (tag.Name == u"color")
            run.Color = ParseColor(tag.Value);
        else if (tag.Name == u"backcolor")
            run.BackColor = ParseColor(tag.Value);
        else if (tag.Name == u"big")
            run.Scale *= 1.1;
        else if (tag.Name == u"small")
            run.Scale *= 0.9;
        else if (tag.Name == u"size")
            run.Size = ParseSize(tag.Value);
        else if (tag.Name == u"url")
            run.Link = tag.Value;
    }
    return run;
}

// The link a bare word stands for, or empty.
ZUX::String AutoLink(ZUX::StringView word) {
    const size_t scheme = word.find(u"://");
    if (scheme != ZUX::StringView::npos && scheme > 0 && scheme + 3 < word.size())
        return ZUX::String(word);
    if (word.size() > 4 && LowerAscii(word.substr(0, 4)) == u"www.")
        return u"https://" + ZUX::String(word);
    const size_t at = word.find(u'@');
    if (at != ZUX::StringView::npos && at > 0 && word.find(u'.', at) != ZUX::StringView::npos &&
        word.find(u'.', at) + 1 < word.size())
        return u"mailto:" + ZUX::String(word);
    return {};
}

void Emit(TMarkup& out, ZUX::StringView text, const TMarkupRun& style) {
    if (text.empty()) return;
    auto append = [&out, &style](ZUX::StringView piece, const ZUX::String& link) {
        TMarkupRun run = style;
        run.Start = int(out.Text.size());
        run.Length = int(piece.size());
        if (!link.empty()) run.Link = link;
        out.Text += piece;
        if (!out.Runs.empty()) {
            TMarkupRun& last = out.Runs.back();
            TMarkupRun probe = last;
            probe.Start = run.Start;
            probe.Length = run.Length;
            const bool same = probe.Bold == run.Bold && probe.Italic == run.Italic &&
                              probe.Underline == run.Underline && probe.Strike == run.Strike &&
                              probe.Color == run.Color && probe.BackColor == run.BackColor &&
                              probe.Scale == run.Scale && probe.Size == run.Size &&
                              probe.Link == run.Link && run.Link.empty();
            if (same) {
                last.Length += run.Length;
                return;
            }
        }
        out.Runs.push_back(run);
    };
    if (!style.Link.empty()) {
        append(text, style.Link);
        return;
    }
    // Words that look like addresses become links of their own.
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        if (IsSpace(text[i])) {
            while (j < text.size() && IsSpace(text[j])) ++j;
            append(text.substr(i, j - i), {});
        } else {
            while (j < text.size() && !IsSpace(text[j])) ++j;
            ZUX::StringView word = text.substr(i, j - i);
            // Trailing punctuation stays outside the link.
            size_t end = word.size();
            while (end > 0 &&
                   (word[end - 1] == u'.' || word[end - 1] == u',' || word[end - 1] == u';' ||
                    word[end - 1] == u')' || word[end - 1] == u'!' || word[end - 1] == u'?'))
                --end;
            const ZUX::String link = AutoLink(word.substr(0, end));
            if (link.empty()) {
                append(word, {});
            } else {
                append(word.substr(0, end), link);
                append(word.substr(end), {});
            }
        }
        i = j;
    }
}

} // namespace

TMarkup ParseMarkup(ZUX::StringView source) {
    TMarkup out;
    std::vector<TTag> stack;
    ZUX::String pending;
    auto flush = [&] {
        Emit(out, pending, StyleOf(stack));
        pending.clear();
    };
    size_t i = 0;
    while (i < source.size()) {
        if (source[i] == u'[') {
            const size_t close = source.find(u']', i + 1);
            if (close != ZUX::StringView::npos) {
                ZUX::StringView inner = source.substr(i + 1, close - i - 1);
                const bool closing = !inner.empty() && inner[0] == u'/';
                if (closing) inner.remove_prefix(1);
                const size_t eq = inner.find(u'=');
                TTag tag{LowerAscii(inner.substr(0, eq)), eq == ZUX::StringView::npos
                                                              ? ZUX::String()
                                                              : ZUX::String(inner.substr(eq + 1))};
                if (IsKnownTag(tag.Name) && (!closing || eq == ZUX::StringView::npos)) {
                    if (!closing) {
                        flush();
                        stack.push_back(std::move(tag));
                        i = close + 1;
                        continue;
                    }
                    const auto it = std::find_if(stack.rbegin(), stack.rend(),
                                                 [&](const TTag& t) { return t.Name == tag.Name; });
                    if (it != stack.rend()) {
                        flush();
                        stack.erase(std::next(it).base());
                        i = close + 1;
                        continue;
                    }
                }
            }
        }
        pending += source[i];
        ++i;
    }
    flush();
    return out;
}

bool IsOpenableLink(ZUX::StringView address) {
    const size_t scheme = address.find(u"://");
    if (scheme == ZUX::StringView::npos || scheme == 0 || scheme + 3 >= address.size())
        return false;
    for (size_t k = 0; k < scheme; ++k) {
        const char16_t c = Lower(address[k]);
        if (!((c >= u'a' && c <= u'z') ||
              (k > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'))))
            return false;
    }
    return true;
}

} // namespace Wizard
