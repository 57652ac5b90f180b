// INI documents: parsing, lookup and writing in four encodings.
#include "ZUX/Base/IniFile.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Locale.h"

namespace ZUX {

namespace {

// Set in a line's tag once the key hash below it is valid.
constexpr uint64_t KeyHashCached = uint64_t(1) << 32;

// Sections from this many lines on look their keys up in an index.
constexpr int kIndexedFrom = 64;

StringView KeyOf(StringView line) {
    const size_t pos = line.find(TZUXStringList::NameValueSeparator);
    return pos == StringView::npos ? StringView() : line.substr(0, pos);
}

StringView ValueOf(StringView line) {
    const size_t pos = line.find(TZUXStringList::NameValueSeparator);
    return pos == StringView::npos ? line : line.substr(pos + 1);
}

} // namespace

uint32_t IniNameHash(StringView name) {
    uint32_t h = 0;
    for (const char16_t c : UpperCase(name)) {
        h = (h << 4) + c;
        const uint32_t g = h & 0xF0000000u;
        h = (h ^ (g >> 24)) & ~g;
    }
    return h;
}

bool TryParseInt32(StringView text, int32_t& value) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int base = 10;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == n) return false;
    const uint64_t limit = negative ? uint64_t(1) << 31 : (uint64_t(1) << 31) - 1;
    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || digit >= base) return false;
        magnitude = magnitude * uint64_t(base) + uint64_t(digit);
        if (magnitude > limit) return false;
    }
    value = int32_t(negative ? -int64_t(magnitude) : int64_t(magnitude));
    return true;
}

// --- TZUXIniFileSection ---

TZUXIniFileSection::TZUXIniFileSection(String name, TZUXIniFile* owner)
    : name_(std::move(name)), owner_(owner) {}

uint32_t TZUXIniFileSection::NameHash() const {
    if (nameHash_ == 0) nameHash_ = IniNameHash(name_);
    return nameHash_;
}

void TZUXIniFileSection::Changed() {
    const TKeyChange change = pending_;
    pending_ = TKeyChange::Any;
    if (change == TKeyChange::Append)
        IndexLastKey();
    else if (change == TKeyChange::Any)
        IndexKeys();
    if (updateCount_ == 0 && owner_) owner_->Changed();
}

void TZUXIniFileSection::IndexKeys() {
    keys_.Clear();
    keysIndexed_ = Count() >= kIndexedFrom;
    if (!keysIndexed_) return;
    const auto& items = Items();
    keys_.Reserve(items.size());
    const auto keyAt = [&items](size_t i) { return KeyOf(items[i].Text); };
    for (size_t i = 0; i < items.size(); ++i) keys_.Add(keyAt(i), i, keyAt); // the first wins
}

void TZUXIniFileSection::IndexLastKey() {
    if (!keysIndexed_) return IndexKeys();
    const auto& items = Items();
    const auto keyAt = [&items](size_t i) { return KeyOf(items[i].Text); };
    keys_.Add(keyAt(items.size() - 1), items.size() - 1, keyAt);
}

void TZUXIniFileSection::BeginUpdate() {
    ++updateCount_;
}

void TZUXIniFileSection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TZUXIniFileSection::Put(int index, const String& text) {
    // A new value under the same key leaves the key index as it is.
    const bool sameKey =
        index >= 0 && index < Count() && KeyOf(Items()[size_t(index)].Text) == KeyOf(text);
    pending_ = sameKey ? TKeyChange::None : TKeyChange::Any;
    try {
        TZUXStringList::Put(index, text);
    } catch (...) {
        pending_ = TKeyChange::Any;
        throw;
    }
    SetTag(index, 0);
}

void TZUXIniFileSection::Insert(int index, String text, uint64_t, void* object) {
    pending_ = index == Count() ? TKeyChange::Append : TKeyChange::Any;
    try {
        TZUXStringList::Insert(index, std::move(text), 0, object);
    } catch (...) {
        pending_ = TKeyChange::Any;
        throw;
    }
}

uint32_t TZUXIniFileSection::KeyHash(size_t index) const {
    const Item& item = Items()[index];
    if (!(item.Tag & KeyHashCached)) item.Tag = KeyHashCached | IniNameHash(KeyOf(item.Text));
    return uint32_t(item.Tag);
}

int TZUXIniFileSection::IndexOfKey(StringView key) const {
    const auto& items = Items();
    if (keysIndexed_)
        return int(keys_.Find(key, [&items](size_t i) { return KeyOf(items[i].Text); }));
    const uint32_t hash = IniNameHash(key);
    for (size_t i = 0; i < items.size(); ++i)
        if (KeyHash(i) == hash && SameText(KeyOf(items[i].Text), key)) return int(i);
    return -1;
}

bool TZUXIniFileSection::TryReadString(StringView key, String& value) const {
    const int index = IndexOfKey(key);
    if (index < 0) {
        value.clear();
        return false;
    }
    value = ValueOf(Items()[size_t(index)].Text);
    return true;
}

int32_t TZUXIniFileSection::ReadInteger(StringView key, int32_t defaultValue) const {
    String text;
    int32_t value;
    return TryReadString(key, text) && TryParseInt32(text, value) ? value : defaultValue;
}

void TZUXIniFileSection::WriteString(StringView key, StringView value) {
    String line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append(1, NameValueSeparator).append(value);
    const int index = IndexOfKey(key);
    if (index >= 0)
        Put(index, line);
    else
        Add(line);
}

// --- TZUXIniFile ---

template <typename F> void TZUXIniFile::Updating(F&& f) {
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

TZUXIniFile::TZUXIniFile(const String& fileName, bool autoSave)
    : autoSave_(autoSave), fileName_(fileName) {
    if (!fileName.empty()) LoadFromFile(fileName);
}

TZUXIniFile::~TZUXIniFile() {
    if (!autoSave_) return;
    try {
        UpdateFile();
    } catch (...) {
        // Nothing can be reported from a destructor; the file keeps its old content.
    }
}

void TZUXIniFile::Changed() {
    modified_ = true;
    if (updateCount_ == 0 && onChanged_) onChanged_(*this);
}

void TZUXIniFile::BeginUpdate() {
    ++updateCount_;
}

void TZUXIniFile::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

TZUXIniFileSection* TZUXIniFile::Find(StringView name) const {
    if (lastSection_ && SameText(lastSection_->Name(), name)) return lastSection_;
    const uint32_t hash = IniNameHash(name);
    for (const auto& section : sections_) {
        if (section->NameHash() == hash && SameText(section->Name(), name)) {
            lastSection_ = section.get();
            return lastSection_;
        }
    }
    return nullptr;
}

TZUXIniFileSection* TZUXIniFile::GetSection(StringView name, bool create) {
    TZUXIniFileSection* section = Find(name);
    if (section || !create) return section;
    sections_.push_back(std::make_unique<TZUXIniFileSection>(String(name), this));
    lastSection_ = sections_.back().get();
    Changed();
    return lastSection_;
}

const TZUXIniFileSection* TZUXIniFile::GetSection(StringView name) const {
    return Find(name);
}

TZUXIniFileSection* TZUXIniFile::Sections(int index) {
    return index >= 0 && index < SectionCount() ? sections_[size_t(index)].get() : nullptr;
}

const TZUXIniFileSection* TZUXIniFile::Sections(int index) const {
    return index >= 0 && index < SectionCount() ? sections_[size_t(index)].get() : nullptr;
}

String TZUXIniFile::SectionNames(int index) const {
    const TZUXIniFileSection* section = Sections(index);
    return section ? section->Name() : String();
}

bool TZUXIniFile::ExistsSection(StringView section) const {
    return Find(section) != nullptr;
}

bool TZUXIniFile::ExistsKey(StringView section, StringView key) const {
    const TZUXIniFileSection* s = Find(section);
    return s && s->IndexOfKey(key) >= 0;
}

bool TZUXIniFile::TryReadString(StringView section, StringView key, String& value) const {
    const TZUXIniFileSection* s = Find(section);
    if (!s) {
        value.clear();
        return false;
    }
    return s->TryReadString(key, value);
}

String TZUXIniFile::ReadString(StringView section, StringView key, StringView defaultValue) const {
    String value;
    return TryReadString(section, key, value) ? value : String(defaultValue);
}

int32_t TZUXIniFile::ReadInteger(StringView section, StringView key, int32_t defaultValue) const {
    const TZUXIniFileSection* s = Find(section);
    return s ? s->ReadInteger(key, defaultValue) : defaultValue;
}

bool TZUXIniFile::ReadBool(StringView section, StringView key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TZUXIniFile::ReadKeys(StringView section, TZUXStringList& list) const {
    const TZUXIniFileSection* s = Find(section);
    if (!s) return;
    for (int i = 0; i < s->Count(); ++i) {
        String key = s->Names(i);
        if (!key.empty()) list.Add(key);
    }
}

String TZUXIniFile::ReadSectionText(StringView section) const {
    const TZUXIniFileSection* s = Find(section);
    return s ? s->Text() : String();
}

bool TZUXIniFile::ReadStream(StringView section, StringView key, TZUXStream& stream) const {
    String text;
    // Decoded in full before anything is written, so a bad digit leaves the
    // caller's stream as it was.
    Bytes bytes;
    if (!TryReadString(section, key, text) || text.empty() || !HexDecode(text, bytes)) return false;
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream.Seek(0, SeekOrigin::Begin);
    return true;
}

bool TZUXIniFile::ReadObject(StringView section, StringView key, const TLoader& loader) const {
    try {
        TZUXMemoryStream stream;
        if (!ReadStream(section, key, stream) || stream.Size() == 0) return false;
        loader(stream);
        return true;
    } catch (...) {
        return false;
    }
}

void TZUXIniFile::WriteString(StringView section, StringView key, StringView value) {
    Updating([&] { GetSection(section, true)->WriteString(key, value); });
}

void TZUXIniFile::WriteInteger(StringView section, StringView key, int32_t value) {
    WriteString(section, key, IntToStr(value));
}

void TZUXIniFile::WriteInteger(StringView section, StringView key, int32_t value,
                               int32_t defaultValue) {
    if (value == defaultValue)
        DeleteKey(section, key);
    else
        WriteInteger(section, key, value);
}

void TZUXIniFile::WriteBool(StringView section, StringView key, bool value) {
    WriteInteger(section, key, value ? 1 : 0);
}

void TZUXIniFile::WriteBool(StringView section, StringView key, bool value, bool defaultValue) {
    WriteInteger(section, key, value ? 1 : 0, defaultValue ? 1 : 0);
}

void TZUXIniFile::WriteStream(StringView section, StringView key, TZUXStream& stream) {
    static constexpr char16_t digits[] = u"0123456789abcdef";
    stream.Seek(0, SeekOrigin::Begin);
    const Bytes bytes = stream.ReadToEnd();
    if (bytes.empty()) {
        DeleteKey(section, key);
        return;
    }
    String text(bytes.size() * 2, u'\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = uint8_t(bytes[i]);
        text[2 * i] = digits[b >> 4];
        text[2 * i + 1] = digits[b & 0x0F];
    }
    WriteString(section, key, text);
}

void TZUXIniFile::WriteSectionText(StringView section, StringView text) {
    Updating([&] { GetSection(section, true)->SetText(text); });
}

bool TZUXIniFile::DeleteKey(StringView section, StringView key) {
    bool deleted = false;
    Updating([&] {
        TZUXIniFileSection* s = Find(section);
        const int index = s ? s->IndexOfKey(key) : -1;
        if (index >= 0) {
            s->Delete(index);
            deleted = true;
        }
    });
    return deleted;
}

bool TZUXIniFile::DeleteSection(StringView section) {
    bool deleted = false;
    Updating([&] {
        const TZUXIniFileSection* s = Find(section);
        if (!s) return;
        lastSection_ = nullptr;
        for (auto it = sections_.begin(); it != sections_.end(); ++it) {
            if (it->get() == s) {
                sections_.erase(it);
                break;
            }
        }
        deleted = true;
    });
    return deleted;
}

void TZUXIniFile::Clear() {
    Updating([&] {
        lastSection_ = nullptr;
        sections_.clear();
    });
}

void TZUXIniFile::Parse(StringView text) {
    TZUXIniFileSection* current = nullptr;
    StringView line;
    for (size_t pos = 0; pos < text.size();) {
        pos = NextLine(text, pos, line);
        if (line.empty()) continue;
        if (line[0] == u'[') {
            // The last character closes the header, whatever it is.
            const StringView name =
                line.size() > 2 ? line.substr(1, line.size() - 2) : StringView();
            current = GetSection(name, true);
        } else if (current) {
            current->Insert(current->Count(), String(line));
        }
    }
}

void TZUXIniFile::LoadFromFile(const String& fileName) {
    Updating([&] {
        Clear();
        std::unique_ptr<TZUXBufferedFileStream> stream;
        if (OpenFileForReading(fileName, stream)) LoadFromStream(*stream);
    });
    modified_ = false;
}

void TZUXIniFile::LoadFromStream(TZUXStream& stream) {
    const Bytes bytes = stream.ReadToEnd();
    Updating([&] {
        Clear();
        Parse(DecodeText(bytes, TZUXEncoding::ANSI, encoding_));
    });
}

void TZUXIniFile::LoadFromString(StringView text) {
    Updating([&] {
        Clear();
        Parse(text);
    });
}

String TZUXIniFile::Text() const {
    String text;
    for (const auto& section : sections_) {
        if (section->Count() == 0) continue; // a section without lines is not written
        text.append(u"[").append(section->Name()).append(u"]\r\n");
        text.append(section->Text()).append(u"\r\n");
    }
    return text;
}

void TZUXIniFile::SaveToStream(TZUXStream& stream, TZUXEncoding encoding) const {
    const String text = Text();
    Bytes bytes = EncodeText(text, encoding);
    // A user name or title the code page cannot hold would come back as "?":
    // UTF-8 with its mark keeps it, and the reader knows the mark.
    if (encoding == TZUXEncoding::ANSI && AnsiToString(bytes) != text)
        bytes = EncodeText(text, TZUXEncoding::UTF8);
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

void TZUXIniFile::SaveToStream(TZUXStream& stream) const {
    SaveToStream(stream, TZUXEncoding::UTF16LE);
}

bool TZUXIniFile::SaveToFile(const String& fileName, TZUXEncoding encoding) const {
    if (FileExists(fileName)) SetFileAttr(fileName, 0);
    std::unique_ptr<TZUXBufferedFileStream> stream;
    if (!CreateFileForWriting(fileName, stream)) return false;
    try {
        SaveToStream(*stream, encoding);
        stream->Flush();
    } catch (const EStreamError&) {
        return false; // a full disk is an unwritable file too
    }
    return true;
}

bool TZUXIniFile::UpdateFile() {
    if (fileName_.empty()) return false;
    if (!modified_) return true;
    const bool saved = SaveToFile(fileName_, encoding_);
    if (saved) modified_ = false;
    return saved;
}

void TZUXIniFile::SetFileName(const String& value) {
    if (SameText(value, fileName_)) return;
    fileName_ = value;
    Changed();
}

void TZUXIniFile::Assign(const TZUXIniFile* source) {
    // The UTF-16LE round trip loses nothing but empty sections, so the text is
    // enough; taking it first makes assigning a document to itself safe.
    const String text = source ? source->Text() : String();
    Updating([&] {
        Clear();
        if (source) {
            Parse(text);
            encoding_ = TZUXEncoding::UTF16LE;
        }
    });
}

void TZUXIniFile::Merge(const TZUXIniFile& source, bool overwrite) {
    Updating([&] {
        if (&source == this) return; // every key already has its own value
        for (const auto& section : source.sections_) {
            const String& name = section->Name();
            const TZUXIniFileSection* target = Find(name);
            if (!target) {
                WriteSectionText(name, section->Text());
                continue;
            }
            TZUXStringList keys;
            source.ReadKeys(name, keys);
            for (int i = 0; i < keys.Count(); ++i) {
                const String key = keys.Strings(i);
                if (overwrite || target->IndexOfKey(key) < 0)
                    WriteString(name, key, source.ReadString(name, key, u""));
            }
        }
    });
}

void TZUXIniFile::Merge(const String& fileName, bool overwrite) {
    const TZUXIniFile source(fileName, false);
    Merge(source, overwrite);
}

bool TZUXIniFile::Equals(const TZUXIniFile* other) const {
    return other && (other == this || Text() == other->Text());
}

} // namespace ZUX
