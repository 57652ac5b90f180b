// The support library's string list: lines with a tag and an object reference
// each, name=value access, text and stream conversion, sorting. INI sections are
// built on it, and so is the text reading they share (line breaks, encodings).
#pragma once

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/Streams.h"
#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace ZUX {

ZUX_DECLARE_EXCEPTION(EListError, Exception);

enum class TZUXEncoding { ANSI, UTF8, UTF16LE, UTF16BE };

// Bytes to text. A byte-order mark (EF BB BF, FF FE, FE FF) decides and is
// skipped; without one, noMarkEncoding applies. A UTF-16 text with an odd byte
// count loses its last byte; UTF-8 that does not decode is read again, whole,
// in the ANSI code page. detected receives the encoding of the mark, or
// noMarkEncoding (ANSI for no bytes at all).
String DecodeText(std::string_view bytes, TZUXEncoding noMarkEncoding, TZUXEncoding& detected);
// The encoding's byte-order mark (none for ANSI), then the text.
Bytes EncodeText(StringView text, TZUXEncoding encoding);

// Cuts the line that starts at pos and returns where the next one starts. A
// break is CR, LF or U+2028; U+2028 may take one CR and then one LF with it,
// and CR one LF (so CR LF is one break, LF CR two).
size_t NextLine(StringView text, size_t pos, StringView& line);

class TZUXStringList {
public:
    struct Item {
        String Text;
        // Mutable so that derived lists can cache what they compute from Text.
        mutable uint64_t Tag = 0;
        void* Object = nullptr; // not owned
    };

    static constexpr char16_t NameValueSeparator = u'=';

    TZUXStringList() = default;
    virtual ~TZUXStringList() = default;
    TZUXStringList(const TZUXStringList&) = delete;
    TZUXStringList& operator=(const TZUXStringList&) = delete;

    virtual void AssignTo(TZUXStringList& dest) const;
    // Copies lines, tags, objects and the case flag.
    virtual void Assign(const TZUXStringList& source);
    virtual void Changed() {}
    virtual void Put(int index, const String& text);
    // Empty lines are kept; a final line break adds no empty last line.
    virtual void SetText(StringView text);
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
    // Decoded as INI text is: a byte-order mark decides, else encoding (ANSI
    // when none is given).
    virtual void LoadFromStream(TZUXStream& stream,
                                std::optional<TZUXEncoding> encoding = std::nullopt);
    // The encoding's mark and Text; UTF-16LE when none is given.
    virtual void SaveToStream(TZUXStream& stream,
                              std::optional<TZUXEncoding> encoding = std::nullopt) const;
    virtual void Insert(int index, String text, uint64_t tag = 0, void* object = nullptr);
    // First whole-line match under the case flag; -1 when absent.
    virtual int IndexOf(StringView text) const;
    virtual void Clear();

    int Add(const String& text);
    void Delete(int index);
    // Up to count lines from index on.
    void Delete(int index, int count);
    int Count() const { return int(items_.size()); }

    // Reading out of range gives the empty string, 0 or null.
    String Strings(int index) const;
    uint64_t Tags(int index) const;
    void SetTag(int index, uint64_t tag);
    void* Objects(int index) const;
    void SetObject(int index, void* object);

    // Text before the first "=" (empty without one).
    String Names(int index) const;
    // Text after the first "=" (the whole line without one).
    String ValueFromIndex(int index) const;
    // The last line that starts with name + "=", under the case flag; -1 when none.
    int IndexOfName(StringView name) const;
    String Values(StringView name) const;
    // Replaces the line IndexOfName finds by name=value, or appends it.
    void SetValue(StringView name, StringView value);

    // Every line followed by CR LF.
    String Text() const;

    int Capacity() const { return capacity_; }
    // Never below Count.
    void SetCapacity(int capacity);
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value) { caseSensitive_ = value; }

    // Locale order, case-sensitive.
    void Sort();
    // Natural order: digit runs by value, other runs ignoring case.
    void SortLogical();
    // Keeps the first of equal lines; returns how many were removed.
    int RemoveDuplicates();

protected:
    // Runs f between BeginUpdate and EndUpdate, also when f throws.
    template <typename F> void Updating(F&& f) {
        BeginUpdate();
        try {
            f();
        } catch (...) {
            try {
                EndUpdate();
            } catch (...) {
                // The first failure is the one to report.
            }
            throw;
        }
        EndUpdate();
    }

    const std::vector<Item>& Items() const { return items_; }

private:
    bool Equal(StringView a, StringView b) const;
    void Grow();
    void CheckIndex(int index, int limit) const;

    std::vector<Item> items_;
    int capacity_ = 0;
    bool caseSensitive_ = false;
};

// Natural order of two texts: <0, 0, >0. Digit runs (0-9 and the full-width
// digits) compare by value, whatever their length; other runs ignoring case;
// a digit run sorts before a run of other characters.
int CompareLogical(StringView a, StringView b);

} // namespace ZUX
