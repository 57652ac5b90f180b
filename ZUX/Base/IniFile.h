// INI documents: ordered sections of key=value lines, read and written as
// text in one of four encodings, with name lookups that ignore case.
//
// Syntax: lines break at CR, LF, U+2028 (CR LF is one break); empty lines are
// skipped; a line starting with "[" is a header whose name is the line without
// its first and last character; other lines belong, untrimmed, to the current
// section (lines before the first header are dropped). The key is the text
// before the first "=", empty when there is none. No comments, no quoting.
#pragma once

#include "ZUX/Base/NameIndex.h"
#include "ZUX/Base/StringList.h"

#include <functional>
#include <memory>
#include <vector>

namespace ZUX {

class TZUXIniFile;

// ELF hash of the upper-cased name: the cheap first test of name equality.
uint32_t IniNameHash(StringView name);

// Signed 32-bit integer: leading blanks, optional sign, decimal digits or hex
// digits after "$", "x", "X", "0x" or "0X". False for anything else, trailing
// characters and overflow included.
bool TryParseInt32(StringView text, int32_t& value);

class TZUXIniFileSection : public TZUXStringList {
public:
    explicit TZUXIniFileSection(String name, TZUXIniFile* owner = nullptr);

    const String& Name() const { return name_; }
    uint32_t NameHash() const;

    // Tells the document, unless an update is in progress.
    void Changed() override;
    void BeginUpdate() override;
    void EndUpdate() override;
    // A line's tag caches the hash of its key: new text starts uncached.
    void Put(int index, const String& text) override;
    void Insert(int index, String text, uint64_t tag = 0, void* object = nullptr) override;

    // The first line with that key, -1 when none.
    int IndexOfKey(StringView key) const;
    int32_t ReadInteger(StringView key, int32_t defaultValue) const;
    bool TryReadString(StringView key, String& value) const;
    // Replaces the first line with that key in place, or appends.
    void WriteString(StringView key, StringView value);

private:
    // What the change under way does to the key index.
    enum class TKeyChange { Any, Append, None };

    uint32_t KeyHash(size_t index) const;
    // Large sections (the uninstall log) keep an index of their keys, kept
    // current as lines change, so that readers never modify it.
    void IndexKeys();
    void IndexLastKey();

    String name_;
    mutable uint32_t nameHash_ = 0; // 0: not computed yet
    int updateCount_ = 0;
    TZUXIniFile* owner_; // not owned
    TZUXNameIndex keys_;
    bool keysIndexed_ = false; // keys_ holds every line
    TKeyChange pending_ = TKeyChange::Any;
};

class TZUXIniFile {
public:
    using TChangeEvent = std::function<void(TZUXIniFile&)>;
    // Receives the decoded bytes, rewound.
    using TLoader = std::function<void(TZUXStream&)>;

    // Loads fileName when given. With autoSave the document writes itself
    // back on destruction when modified.
    explicit TZUXIniFile(const String& fileName = String(), bool autoSave = false);
    virtual ~TZUXIniFile();
    TZUXIniFile(const TZUXIniFile&) = delete;
    TZUXIniFile& operator=(const TZUXIniFile&) = delete;

    // Sets Modified; calls OnChanged outside updates.
    virtual void Changed();
    void BeginUpdate();
    // The call that ends the outermost update calls Changed.
    void EndUpdate();

    bool ExistsSection(StringView section) const;
    bool ExistsKey(StringView section, StringView key) const;
    bool IsEmpty() const { return sections_.empty(); }

    bool TryReadString(StringView section, StringView key, String& value) const;
    String ReadString(StringView section, StringView key, StringView defaultValue) const;
    int32_t ReadInteger(StringView section, StringView key, int32_t defaultValue) const;
    bool ReadBool(StringView section, StringView key, bool defaultValue) const;
    // Appends the keys of the section's lines, skipping empty keys.
    void ReadKeys(StringView section, TZUXStringList& list) const;
    // Every line of the section followed by CR LF.
    String ReadSectionText(StringView section) const;
    // Hexadecimal byte pairs into stream at its position, then rewinds it to
    // its start. A missing, empty, odd-length or non-hexadecimal value gives
    // false and leaves the stream as it was.
    bool ReadStream(StringView section, StringView key, TZUXStream& stream) const;
    // The decoded bytes (at least one) go to loader; false on any failure,
    // exceptions of the loader included.
    bool ReadObject(StringView section, StringView key, const TLoader& loader) const;

    void WriteString(StringView section, StringView key, StringView value);
    void WriteInteger(StringView section, StringView key, int32_t value);
    // Deletes the key when value is the default.
    void WriteInteger(StringView section, StringView key, int32_t value, int32_t defaultValue);
    void WriteBool(StringView section, StringView key, bool value);
    void WriteBool(StringView section, StringView key, bool value, bool defaultValue);
    // The whole stream as lower-case hexadecimal; an empty stream deletes the key.
    void WriteStream(StringView section, StringView key, TZUXStream& stream);
    // Replaces the section's lines by those of text (empty lines included).
    void WriteSectionText(StringView section, StringView text);

    bool DeleteKey(StringView section, StringView key);
    bool DeleteSection(StringView section);
    void Clear();

    int SectionCount() const { return int(sections_.size()); }
    String SectionNames(int index) const;
    // Null out of range.
    TZUXIniFileSection* Sections(int index);
    const TZUXIniFileSection* Sections(int index) const;
    // The section of that name; with create, a new empty one appended when missing.
    TZUXIniFileSection* GetSection(StringView name, bool create);
    const TZUXIniFileSection* GetSection(StringView name) const;

    // Clears, then reads the file if it opens; raises nothing when it does not.
    // Leaves Modified false and FileName as it was.
    void LoadFromFile(const String& fileName);
    // Clears and reads from the position to the end; the byte-order mark sets
    // Encoding (ANSI without one).
    void LoadFromStream(TZUXStream& stream);
    void LoadFromString(StringView text);
    void SaveToStream(TZUXStream& stream, TZUXEncoding encoding) const;
    // UTF-16LE with its mark.
    void SaveToStream(TZUXStream& stream) const;
    // Clears read-only, hidden and system first; false when the file cannot be
    // created or written.
    bool SaveToFile(const String& fileName, TZUXEncoding encoding) const;
    bool SaveToFile(const String& fileName) const { return SaveToFile(fileName, encoding_); }
    // False without FileName; true when nothing changed; otherwise SaveToFile.
    bool UpdateFile();
    // The document as written (without a byte-order mark).
    String Text() const;

    // Clears, then takes source's UTF-16LE serialisation: sections without
    // lines are not copied and Encoding becomes UTF-16LE.
    void Assign(const TZUXIniFile* source);
    // Missing sections are copied whole; keys of existing ones are written
    // unless the target has them and overwrite is false.
    void Merge(const TZUXIniFile& source, bool overwrite);
    void Merge(const String& fileName, bool overwrite);
    // Same UTF-16LE serialisation.
    bool Equals(const TZUXIniFile* other) const;

    bool AutoSave() const { return autoSave_; }
    void SetAutoSave(bool value) { autoSave_ = value; }
    TZUXEncoding Encoding() const { return encoding_; }
    void SetEncoding(TZUXEncoding value) { encoding_ = value; }
    const String& FileName() const { return fileName_; }
    // A name that differs other than in letter case is taken and counts as a change.
    void SetFileName(const String& value);
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    const TChangeEvent& OnChanged() const { return onChanged_; }
    void SetOnChanged(TChangeEvent handler) { onChanged_ = std::move(handler); }

private:
    template <typename F> void Updating(F&& f);
    TZUXIniFileSection* Find(StringView name) const;
    void Parse(StringView text);

    bool autoSave_;
    int updateCount_ = 0;
    TZUXEncoding encoding_ = TZUXEncoding::UTF16LE;
    String fileName_;
    mutable TZUXIniFileSection* lastSection_ = nullptr; // lookup shortcut, not owned
    TChangeEvent onChanged_;
    bool modified_ = false;
    std::vector<std::unique_ptr<TZUXIniFileSection>> sections_;
};

} // namespace ZUX
