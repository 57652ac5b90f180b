// The string list: lines, name=value access, text, sorting.
#include "ZUX/Base/StringList.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/NameIndex.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>

namespace ZUX {

namespace {

constexpr char16_t CR = u'\r';
constexpr char16_t LF = u'\n';
constexpr char16_t LineSeparator = u'\u2028';

bool StartsWithBytes(std::string_view bytes, std::string_view mark) {
    return bytes.substr(0, mark.size()) == mark;
}

String DecodeUtf16(std::string_view body, bool bigEndian) {
    // An odd final byte cannot form a code unit and is dropped.
    String out(body.size() / 2, u'\0');
    const auto* p = reinterpret_cast<const uint8_t*>(body.data());
    for (size_t k = 0; k < out.size(); ++k) {
        const uint8_t lo = p[2 * k + (bigEndian ? 1 : 0)];
        const uint8_t hi = p[2 * k + (bigEndian ? 0 : 1)];
        out[k] = char16_t(lo | (hi << 8));
    }
    return out;
}

void AppendUtf16(Bytes& out, StringView text, bool bigEndian) {
    const size_t start = out.size();
    out.resize(start + text.size() * 2);
    char* p = out.data() + start;
    for (const char16_t c : text) {
        const char lo = char(c & 0xFF), hi = char(c >> 8);
        *p++ = bigEndian ? hi : lo;
        *p++ = bigEndian ? lo : hi;
    }
}

bool IsDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'\uFF10' && c <= u'\uFF19');
}

int DigitValue(char16_t c) {
    return c <= u'9' ? c - u'0' : c - u'\uFF10';
}

// Digit runs of any length by value: no conversion to a number, so a run of a
// thousand digits neither overflows nor loses precision.
int CompareNumber(StringView a, StringView b) {
    auto significant = [](StringView s) {
        size_t i = 0;
        while (i < s.size() && DigitValue(s[i]) == 0) ++i;
        return s.substr(i);
    };
    a = significant(a);
    b = significant(b);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        const int x = DigitValue(a[i]), y = DigitValue(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

size_t RunEnd(StringView s, size_t i) {
    const bool digits = IsDigit(s[i]);
    while (i < s.size() && IsDigit(s[i]) == digits) ++i;
    return i;
}

} // namespace

String DecodeText(std::string_view bytes, TZUXEncoding noMarkEncoding, TZUXEncoding& detected) {
    TZUXEncoding encoding = noMarkEncoding;
    size_t mark = 0;
    if (StartsWithBytes(bytes, "\xEF\xBB\xBF")) {
        encoding = TZUXEncoding::UTF8;
        mark = 3;
    } else if (StartsWithBytes(bytes, "\xFF\xFE")) {
        encoding = TZUXEncoding::UTF16LE;
        mark = 2;
    } else if (StartsWithBytes(bytes, "\xFE\xFF")) {
        encoding = TZUXEncoding::UTF16BE;
        mark = 2;
    } else if (bytes.empty()) {
        encoding = TZUXEncoding::ANSI;
    }
    detected = encoding;
    const std::string_view body = bytes.substr(mark);
    switch (encoding) {
    case TZUXEncoding::UTF16LE:
        return DecodeUtf16(body, false);
    case TZUXEncoding::UTF16BE:
        return DecodeUtf16(body, true);
    case TZUXEncoding::UTF8: {
        String text;
        if (TryDecodeUtf8(body, text)) return text;
        // Mislabelled text: every byte survives as a character rather than
        // scattered replacement characters.
        return AnsiToString(body);
    }
    case TZUXEncoding::ANSI:
        break;
    }
    return AnsiToString(body);
}

Bytes EncodeText(StringView text, TZUXEncoding encoding) {
    Bytes out;
    switch (encoding) {
    case TZUXEncoding::UTF16LE:
        out = "\xFF\xFE";
        AppendUtf16(out, text, false);
        break;
    case TZUXEncoding::UTF16BE:
        out = "\xFE\xFF";
        AppendUtf16(out, text, true);
        break;
    case TZUXEncoding::UTF8:
        out = "\xEF\xBB\xBF" + ToUtf8(text);
        break;
    case TZUXEncoding::ANSI:
        out = StringToAnsi(text);
        break;
    }
    return out;
}

size_t NextLine(StringView text, size_t pos, StringView& line) {
    size_t end = pos;
    while (end < text.size()) {
        const char16_t c = text[end];
        if (c == CR || c == LF || c == LineSeparator) break;
        ++end;
    }
    line = text.substr(pos, end - pos);
    if (end == text.size()) return end;
    const char16_t c = text[end++];
    if (c == LineSeparator && end < text.size() && text[end] == CR) ++end;
    if ((c == LineSeparator || c == CR) && end < text.size() && text[end] == LF) ++end;
    return end;
}

int CompareLogical(StringView a, StringView b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const size_t ie = RunEnd(a, i), je = RunEnd(b, j);
        const bool da = IsDigit(a[i]), db = IsDigit(b[j]);
        const StringView ra = a.substr(i, ie - i), rb = b.substr(j, je - j);
        int r;
        if (da && db)
            r = CompareNumber(ra, rb);
        else if (da != db)
            r = da ? -1 : 1;
        else
            r = CompareTextIgnoreCase(ra, rb);
        if (r != 0) return r;
        i = ie;
        j = je;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

// --- TZUXStringList ---

bool TZUXStringList::Equal(StringView a, StringView b) const {
    return caseSensitive_ ? a == b : SameText(a, b);
}

void TZUXStringList::CheckIndex(int index, int limit) const {
    if (index < 0 || index > limit)
        throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
}

void TZUXStringList::Grow() {
    const int delta = capacity_ > 64 ? capacity_ / 4 : (capacity_ > 8 ? 16 : 4);
    SetCapacity(capacity_ + delta);
}

void TZUXStringList::SetCapacity(int capacity) {
    capacity = std::max(capacity, Count());
    if (size_t(capacity) > items_.capacity()) {
        items_.reserve(size_t(capacity));
    } else if (size_t(capacity) < items_.capacity()) {
        std::vector<Item> smaller;
        smaller.reserve(size_t(capacity));
        std::move(items_.begin(), items_.end(), std::back_inserter(smaller));
        items_.swap(smaller);
    }
    capacity_ = capacity;
}

void TZUXStringList::AssignTo(TZUXStringList& dest) const {
    dest.Assign(*this);
}

void TZUXStringList::Assign(const TZUXStringList& source) {
    if (&source == this) return;
    Updating([&] {
        Clear();
        SetCapacity(source.Count());
        for (const Item& item : source.items_) Insert(Count(), item.Text, item.Tag, item.Object);
        caseSensitive_ = source.caseSensitive_;
    });
}

void TZUXStringList::Put(int index, const String& text) {
    CheckIndex(index, Count() - 1);
    items_[size_t(index)].Text = text;
    Changed();
}

void TZUXStringList::SetText(StringView text) {
    Updating([&] {
        Clear();
        StringView line;
        for (size_t pos = 0; pos < text.size();) {
            pos = NextLine(text, pos, line);
            Insert(Count(), String(line));
        }
    });
}

void TZUXStringList::LoadFromStream(TZUXStream& stream, std::optional<TZUXEncoding> encoding) {
    const Bytes bytes = stream.ReadToEnd();
    TZUXEncoding detected;
    SetText(DecodeText(bytes, encoding.value_or(TZUXEncoding::ANSI), detected));
}

void TZUXStringList::SaveToStream(TZUXStream& stream, std::optional<TZUXEncoding> encoding) const {
    const Bytes bytes = EncodeText(Text(), encoding.value_or(TZUXEncoding::UTF16LE));
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

void TZUXStringList::Insert(int index, String text, uint64_t tag, void* object) {
    CheckIndex(index, Count());
    if (Count() >= capacity_) Grow();
    items_.insert(items_.begin() + index, Item{std::move(text), tag, object});
    Changed();
}

int TZUXStringList::IndexOf(StringView text) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (Equal(items_[i].Text, text)) return int(i);
    return -1;
}

void TZUXStringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    SetCapacity(0);
    Changed();
}

int TZUXStringList::Add(const String& text) {
    const int index = Count();
    Insert(index, text);
    return index;
}

void TZUXStringList::Delete(int index) {
    CheckIndex(index, Count() - 1);
    items_.erase(items_.begin() + index);
    Changed();
}

void TZUXStringList::Delete(int index, int count) {
    if (count <= 0) return;
    CheckIndex(index, Count() - 1);
    count = std::min(count, Count() - index);
    items_.erase(items_.begin() + index, items_.begin() + index + count);
    Changed();
}

String TZUXStringList::Strings(int index) const {
    return index >= 0 && index < Count() ? items_[size_t(index)].Text : String();
}

uint64_t TZUXStringList::Tags(int index) const {
    return index >= 0 && index < Count() ? items_[size_t(index)].Tag : 0;
}

void TZUXStringList::SetTag(int index, uint64_t tag) {
    CheckIndex(index, Count() - 1);
    items_[size_t(index)].Tag = tag;
}

void* TZUXStringList::Objects(int index) const {
    return index >= 0 && index < Count() ? items_[size_t(index)].Object : nullptr;
}

void TZUXStringList::SetObject(int index, void* object) {
    CheckIndex(index, Count() - 1);
    items_[size_t(index)].Object = object;
}

String TZUXStringList::Names(int index) const {
    if (index < 0 || index >= Count()) return {};
    const String& line = items_[size_t(index)].Text;
    const size_t pos = line.find(NameValueSeparator);
    return pos == String::npos ? String() : line.substr(0, pos);
}

String TZUXStringList::ValueFromIndex(int index) const {
    if (index < 0 || index >= Count()) return {};
    const String& line = items_[size_t(index)].Text;
    const size_t pos = line.find(NameValueSeparator);
    return pos == String::npos ? line : line.substr(pos + 1);
}

int TZUXStringList::IndexOfName(StringView name) const {
    for (int i = Count() - 1; i >= 0; --i) {
        const StringView line = items_[size_t(i)].Text;
        if (line.size() > name.size() && line[name.size()] == NameValueSeparator &&
            Equal(line.substr(0, name.size()), name))
            return i;
    }
    return -1;
}

String TZUXStringList::Values(StringView name) const {
    const int index = IndexOfName(name);
    return index >= 0 ? ValueFromIndex(index) : String();
}

void TZUXStringList::SetValue(StringView name, StringView value) {
    String line;
    line.reserve(name.size() + 1 + value.size());
    line.append(name).append(1, NameValueSeparator).append(value);
    const int index = IndexOfName(name);
    if (index >= 0)
        Put(index, line);
    else
        Add(line);
}

String TZUXStringList::Text() const {
    size_t length = 0;
    for (const Item& item : items_) length += item.Text.size() + 2;
    String text;
    text.reserve(length);
    for (const Item& item : items_) text.append(item.Text).append(u"\r\n");
    return text;
}

void TZUXStringList::Sort() {
    if (Count() < 2) return;
    // Stable, and safe even if the platform's comparison is not a strict order.
    std::stable_sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
        return CompareTextLocale(a.Text, b.Text) < 0;
    });
    Changed();
}

void TZUXStringList::SortLogical() {
    if (Count() < 2) return;
    std::stable_sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
        return CompareLogical(a.Text, b.Text) < 0;
    });
    Changed();
}

int TZUXStringList::RemoveDuplicates() {
    // One pass with an index of the lines kept, not a search of the list per line.
    std::vector<Item> kept;
    kept.reserve(std::max(items_.size(), size_t(capacity_))); // views into kept stay valid
    const auto keptAt = [&kept](size_t i) -> StringView { return kept[i].Text; };
    TZUXNameIndex index;
    std::unordered_set<StringView> exact;
    if (caseSensitive_)
        exact.reserve(items_.size());
    else
        index.Reserve(items_.size());
    for (Item& item : items_) {
        if (caseSensitive_ ? exact.count(item.Text) > 0
                           : index.Add(item.Text, kept.size(), keptAt) >= 0)
            continue;
        kept.push_back(std::move(item));
        if (caseSensitive_) exact.insert(kept.back().Text);
    }
    const int removed = int(items_.size() - kept.size());
    Updating([&] {
        items_.swap(kept);
        if (removed > 0) Changed();
    });
    return removed;
}

} // namespace ZUX
