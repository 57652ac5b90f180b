// IPK5 packages: a twelve-byte header (magic, checksum, content size) and one
// scrambled LZMA stream whose content is the files back to back, the file
// table and the table's length.
#pragma once

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/NameIndex.h"
#include "ZUX/Base/Streams.h"

#include <cstdint>
#include <memory>
#include <vector>

// The key text every package of the installer is scrambled with.
inline constexpr const char16_t* SetupPackageKey = u"4298031687";

class ESetupPackageReadError : public ZUX::Exception {
public:
    ESetupPackageReadError() : Exception(u"Package was corrupted") {}
};

// The scrambling key: its bytes and the position, which runs on across blocks.
struct TSetupKey {
    ZUX::Bytes Key;
    int32_t Position = 0;

    // The ANSI bytes of the text; an empty text raises EInvalidOperation.
    void Init(const ZUX::String& keyText);
    void Apply(uint8_t* buffer, size_t length);
};

class TSetupPackageFileTableItem {
public:
    int64_t Offset = 0;
    int64_t Size = 0;
    ZUX::String Name;

    void LoadFromStream(ZUX::TZUXStream& stream);
    void SaveToStream(ZUX::TZUXStream& stream) const;
};

class TSetupPackageFileTable {
public:
    TSetupPackageFileTableItem& Add();
    int Count() const { return int(items_.size()); }
    const TSetupPackageFileTableItem& Items(int index) const { return *items_.at(size_t(index)); }
    // First entry whose name matches ignoring case, with the same length.
    // The entries of LoadFromStream are found through an index, entries
    // added after it by comparing names one by one.
    const TSetupPackageFileTableItem* Find(ZUX::StringView name) const;
    void LoadFromStream(ZUX::TZUXStream& stream);
    void SaveToStream(ZUX::TZUXStream& stream) const;

private:
    std::vector<std::unique_ptr<TSetupPackageFileTableItem>> items_;
    ZUX::TZUXNameIndex index_; // of items_[0, indexed_)
    size_t indexed_ = 0;
};

class TCustomSetupPackage {
public:
    virtual ~TCustomSetupPackage() = default;
    const TSetupPackageFileTable& FileTable() const { return table_; }
    const ZUX::TZUXMemoryStream& Content() const { return content_; }

protected:
    TSetupPackageFileTable table_;
    ZUX::TZUXMemoryStream content_;
};

class TSetupPackageReader : public TCustomSetupPackage {
public:
    // Reads the package at source's position; source is neither kept nor
    // closed. Raises ESetupPackageReadError, EInvalidOperation or EReadError.
    // A content more than 1024 times the packed stream (plus 1 MiB), or more
    // than maxContent bytes, is refused before anything is reserved or decoded.
    // The key is the installer's unless another is given.
    explicit TSetupPackageReader(ZUX::TZUXStream& source,
                                 const ZUX::String& keyText = SetupPackageKey,
                                 uint32_t maxContent = UINT32_MAX);

    bool Contains(ZUX::StringView name) const { return table_.Find(name) != nullptr; }
    // A copy of the file, positioned at 0, owned by the caller; false when the
    // name is absent. Entries pointing outside the content raise EReadError.
    // Never moves the content's position, so readers on several threads do
    // not disturb each other.
    bool Extract(ZUX::StringView name, std::unique_ptr<ZUX::TZUXMemoryStream>& stream) const;
    // The same for an entry of the table.
    std::unique_ptr<ZUX::TZUXMemoryStream> Extract(const TSetupPackageFileTableItem& item) const;
};

class TSetupPackageBuilder : public TCustomSetupPackage {
public:
    explicit TSetupPackageBuilder(const ZUX::String& keyText = SetupPackageKey);

    // Appends Source's size in bytes from its current position (rewind first).
    void Add(ZUX::TZUXStream& source, const ZUX::String& name);
    // The finished package into a new or overwritten file.
    void Commit(const ZUX::String& fileName, int level);
    // The finished package at target's position. The builder's last call.
    void Commit(ZUX::TZUXStream& target, int level);

private:
    ZUX::String keyText_;
};
