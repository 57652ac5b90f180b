// The formatted label: parsing its mark-up into runs, laying them out with
// word wrap, drawing them and following clicks on links.
#include "ZUX/UI/FormattedLabel.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/UI/Application.h"
#include "ZUX/UI/ColorMode.h"

#include <windowsx.h>

#include <cmath>
#include <map>

namespace ZUX {

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

struct TOpenTag {
    String Name;
    TZUXTextRun Style;
};

// "scheme://more": letters (and digits, + - .) before "://" and text after it.
bool IsSchemeAddress(StringView word) {
    const size_t colon = word.find(u"://");
    if (colon == 0 || colon == StringView::npos || colon + 3 >= word.size()) return false;
    for (size_t i = 0; i < colon; ++i) {
        const char16_t c = word[i];
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (!letter &&
            !(i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.')))
            return false;
    }
    return true;
}

bool IsEmailAddress(StringView word) {
    const size_t at = word.find(u'@');
    if (at == 0 || at == StringView::npos || word.find(u'@', at + 1) != StringView::npos)
        return false;
    const size_t dot = word.find(u'.', at + 2);
    return dot != StringView::npos && dot + 1 < word.size();
}

// The link of a plain word, or none; trailing punctuation is not part of it.
String AutoLink(StringView word, size_t& length) {
    length = word.size();
    while (length > 0 && String(u".,;:!?)\"'").find(word[length - 1]) != String::npos) --length;
    const StringView core = word.substr(0, length);
    if (IsSchemeAddress(core)) return String(core);
    if (core.size() > 4 && SameText(core.substr(0, 4), u"www.")) return u"https://" + String(core);
    if (IsEmailAddress(core)) return u"mailto:" + String(core);
    return {};
}

// Appends text to the runs, cutting out automatic links when the style has
// no link of its own.
void AddText(std::vector<TZUXTextRun>& runs, const TZUXTextRun& style, StringView text) {
    if (text.empty()) return;
    if (!style.Link.empty()) {
        TZUXTextRun run = style;
        run.Text = String(text);
        runs.push_back(std::move(run));
        return;
    }
    size_t start = 0, i = 0;
    while (i < text.size()) {
        if (IsSpace(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !IsSpace(text[end])) ++end;
        size_t length = 0;
        const String link = AutoLink(text.substr(i, end - i), length);
        if (!link.empty()) {
            if (i > start) {
                TZUXTextRun plain = style;
                plain.Text = String(text.substr(start, i - start));
                runs.push_back(std::move(plain));
            }
            TZUXTextRun linked = style;
            linked.Text = String(text.substr(i, length));
            linked.Link = link;
            runs.push_back(std::move(linked));
            start = i + length;
        }
        i = end;
    }
    if (start < text.size()) {
        TZUXTextRun plain = style;
        plain.Text = String(text.substr(start));
        runs.push_back(std::move(plain));
    }
}

// Applies an opening tag to a style; false when the name is no tag.
bool ApplyTag(const String& name, const String& value, bool hasValue, TZUXTextRun& style) {
    if (name == u"B" && !hasValue)
        style.Bold = true;
    else if (name == u"I" && !hasValue)
        style.Italic = true;
    else if (name == u"U" && !hasValue)
        style.Underline = true;
    else if (name == u"S" && !hasValue)
        style.StrikeOut = true;
    else if (name == u"BIG" && !hasValue)
        style.SizeFactor *= 1.1;
    else if (name == u"SMALL" && !hasValue)
        style.SizeFactor *= 0.9;
    else if (name == u"COLOR" && hasValue)
        style.Color = ParseMarkupColor(value);
    else if (name == u"BACKCOLOR" && hasValue)
        style.BackColor = ParseMarkupColor(value);
    else if (name == u"SIZE" && hasValue) {
        int points = 0;
        for (const char16_t c : value) {
            if (c < u'0' || c > u'9' || points > 1000) {
                points = 0;
                break;
            }
            points = points * 10 + (c - u'0');
        }
        if (points > 0 && points <= 200) {
            style.Points10 = points * 10;
            style.SizeFactor = 1.0;
        }
    } else if (name == u"URL" && hasValue)
        style.Link = value;
    else
        return false;
    return true;
}

} // namespace

COLORREF ParseMarkupColor(StringView value) {
    if (!value.empty() && value[0] == u'#') {
        int digits[6];
        const size_t n = value.size() - 1;
        if (n != 3 && n != 6) return kDefaultColor;
        for (size_t i = 0; i < n; ++i)
            if ((digits[i] = HexDigit(value[i + 1])) < 0) return kDefaultColor;
        if (n == 3) return RGB(digits[0] * 17, digits[1] * 17, digits[2] * 17);
        return RGB(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3],
                   digits[4] * 16 + digits[5]);
    }
    static const std::map<String, COLORREF> names{
        {u"BLACK", RGB(0, 0, 0)},      {u"WHITE", RGB(255, 255, 255)},
        {u"RED", RGB(255, 0, 0)},      {u"GREEN", RGB(0, 128, 0)},
        {u"BLUE", RGB(0, 0, 255)},     {u"YELLOW", RGB(255, 255, 0)},
        {u"GRAY", RGB(128, 128, 128)}, {u"GREY", RGB(128, 128, 128)},
        {u"ORANGE", RGB(255, 165, 0)}, {u"MAROON", RGB(128, 0, 0)},
        {u"NAVY", RGB(0, 0, 128)},     {u"SILVER", RGB(192, 192, 192)},
        {u"PURPLE", RGB(128, 0, 128)}, {u"TEAL", RGB(0, 128, 128)},
    };
    const auto found = names.find(UpperCase(value));
    return found == names.end() ? kDefaultColor : found->second;
}

std::vector<TZUXTextRun> ParseMarkup(StringView text) {
    std::vector<TZUXTextRun> runs;
    std::vector<TOpenTag> open;
    TZUXTextRun style;
    size_t plainStart = 0, i = 0;
    while (i < text.size()) {
        if (text[i] != u'[') {
            ++i;
            continue;
        }
        const size_t close = text.find(u']', i + 1);
        if (close == StringView::npos) break;
        StringView inner = text.substr(i + 1, close - i - 1);
        const bool closing = !inner.empty() && inner[0] == u'/';
        if (closing) inner.remove_prefix(1);
        const size_t eq = inner.find(u'=');
        const String name = UpperCase(inner.substr(0, eq));
        const String value = eq == StringView::npos ? String() : String(inner.substr(eq + 1));
        bool consumed = false;
        if (closing) {
            // Closes the most recent open tag of that name, and those above it.
            for (size_t k = open.size(); k-- > 0;) {
                if (open[k].Name == name && eq == StringView::npos) {
                    AddText(runs, style, text.substr(plainStart, i - plainStart));
                    style = open[k].Style;
                    open.resize(k);
                    consumed = true;
                    break;
                }
            }
        } else {
            TZUXTextRun next = style;
            if (!name.empty() && ApplyTag(name, value, eq != StringView::npos, next)) {
                AddText(runs, style, text.substr(plainStart, i - plainStart));
                open.push_back({name, style});
                style = next;
                consumed = true;
            }
        }
        if (consumed) {
            i = close + 1;
            plainStart = i;
        } else {
            ++i; // not a tag: the bracket is text
        }
    }
    AddText(runs, style, text.substr(plainStart));
    return runs;
}

TZUXWindow::TCreateParams TZUXFormattedLabel::CreateParams() {
    TCreateParams params;
    params.ClassName = u"TZUXFormattedLabel";
    return params;
}

String TZUXFormattedLabel::LinkAt(POINT point) const {
    for (const THit& hit : hits_)
        if (PtInRect(&hit.Rect, point)) return hit.Link;
    return {};
}

void TZUXFormattedLabel::Paint(HDC dc, const RECT& client) {
    const HBRUSH background = ParentBackground(dc);
    FillRect(dc, &client, background);
    hits_.clear();
    const std::vector<TZUXTextRun> runs = ParseMarkup(Caption());
    SetBkMode(dc, TRANSPARENT);
    // One font for each style in use.
    std::map<std::tuple<int, bool, bool, bool, bool>, TZUXFontHandle> fonts;
    const auto fontFor = [&](const TZUXTextRun& run) {
        const int points10 =
            run.Points10 ? run.Points10 : int(std::lround(Font().Points10 * run.SizeFactor));
        const bool underline = run.Underline || !run.Link.empty();
        auto key = std::make_tuple(points10, run.Bold || Font().Bold, run.Italic, underline,
                                   run.StrikeOut);
        auto& font = fonts[key];
        if (!font)
            font = CreatePointFont(Font().Face, points10, Dpi(), std::get<1>(key), run.Italic,
                                   underline, run.StrikeOut);
        return font.Get();
    };
    // Lay the pieces (words and the blanks after them) out in lines.
    struct TPiece {
        const TZUXTextRun* Run;
        String Text;
        SIZE Size;
        bool Break; // a line break before it
    };
    std::vector<TPiece> pieces;
    for (const TZUXTextRun& run : runs) {
        size_t i = 0;
        const String& t = run.Text;
        while (i < t.size()) {
            if (t[i] == u'\r' || t[i] == u'\n') {
                if (t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n') ++i;
                pieces.push_back({&run, {}, {0, 0}, true});
                ++i;
                continue;
            }
            size_t end = i;
            while (end < t.size() && t[end] != u' ' && t[end] != u'\r' && t[end] != u'\n') ++end;
            while (end < t.size() && t[end] == u' ') ++end;
            TPiece piece{&run, t.substr(i, end - i), {0, 0}, false};
            TZUXSelectObject select(dc, fontFor(run));
            GetTextExtentPoint32W(dc, WStr(piece.Text), int(piece.Text.size()), &piece.Size);
            pieces.push_back(std::move(piece));
            i = end;
        }
    }
    int x = 0, y = 0, lineHeight = 0;
    size_t lineStart = 0;
    const auto flush = [&](size_t end) {
        // Draw the line's pieces on a common base line at the line's top.
        int px = 0;
        for (size_t k = lineStart; k < end; ++k) {
            const TPiece& piece = pieces[k];
            if (piece.Text.empty()) continue;
            const TZUXTextRun& run = *piece.Run;
            TZUXSelectObject select(dc, fontFor(run));
            COLORREF color = run.Color == kDefaultColor ? TextColor() : run.Color;
            if (!run.Link.empty() && run.Color == kDefaultColor) color = Skin().Link;
            SetTextColor(dc, color);
            RECT r{px, y + lineHeight - piece.Size.cy, px + piece.Size.cx, y + lineHeight};
            if (run.BackColor != kDefaultColor) FillSolidRect(dc, r, run.BackColor);
            TextOutW(dc, r.left, r.top, WStr(piece.Text), int(piece.Text.size()));
            if (!run.Link.empty()) hits_.push_back({r, run.Link});
            px += piece.Size.cx;
        }
        y += lineHeight;
        lineHeight = 0;
        x = 0;
        lineStart = end;
    };
    for (size_t k = 0; k < pieces.size(); ++k) {
        const TPiece& piece = pieces[k];
        if (piece.Break) {
            if (lineHeight == 0) {
                TZUXSelectObject select(dc, fontFor(*piece.Run));
                TEXTMETRICW metrics;
                GetTextMetricsW(dc, &metrics);
                lineHeight = metrics.tmHeight;
            }
            flush(k);
            lineStart = k + 1;
            continue;
        }
        if (x > 0 && x + piece.Size.cx > client.right) flush(k);
        x += piece.Size.cx;
        lineHeight = std::max(lineHeight, int(piece.Size.cy));
    }
    flush(pieces.size());
}

LRESULT TZUXFormattedLabel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        TZUXBufferedPaint paint(Handle());
        Paint(paint.Dc(), paint.Client());
        return 0;
    }
    case WM_SETCURSOR: {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(Handle(), &point);
        if (!LinkAt(point).empty()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONUP: {
        const String link = LinkAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        // Web addresses and mail addresses open; other addresses are shown only.
        if (IsSchemeAddress(link) || (link.size() > 7 && SameText(link.substr(0, 7), u"mailto:")))
            OpenAddress(link);
        return 0;
    }
    case WM_SETTEXT: {
        const LRESULT result = TZUXControl::WndProc(message, wParam, lParam);
        InvalidateRect(Handle(), nullptr, FALSE);
        return result;
    }
    default:
        break;
    }
    return TZUXControl::WndProc(message, wParam, lParam);
}

} // namespace ZUX
