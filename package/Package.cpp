// IPK5 packages: key, file table, reader and builder.
#include "package/Package.h"

#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/HashCRC32.h"
#include "ZUX/Base/LittleEndian.h"
#include "ZUX/Base/Locale.h"
#include "package/LzmaStream.h"

#include <cstring>
#include <limits>
#include <numeric>

using namespace ZUX;

namespace {

constexpr uint8_t kMagic[4] = {'I', 'P', 'K', '5'};
constexpr int64_t kCopyBlock = 1 << 20;
// What a package's content may be at most, from the size of its packed stream.
constexpr int64_t kMaxPackingRatio = 1024;
constexpr int64_t kMaxPackingSlack = 1 << 20;

template <typename T> T ReadLE(TZUXStream& stream) {
    uint8_t b[sizeof(T)];
    stream.ReadBuffer(b, sizeof b);
    std::make_unsigned_t<T> v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v |= std::make_unsigned_t<T>(b[i]) << (8 * i);
    return T(v);
}

template <typename T> void WriteLE(TZUXStream& stream, T value) {
    uint8_t b[sizeof(T)];
    const auto v = std::make_unsigned_t<T>(value);
    for (size_t i = 0; i < sizeof(T); ++i) b[i] = uint8_t(v >> (8 * i));
    stream.WriteBuffer(b, sizeof b);
}

[[noreturn]] void RaiseReadError() {
    throw EReadError(SReadError);
}

// Passes the decoded bytes on to the content and checksums them on the way,
// while they are still in the cache.
class TChecksummingWriter : public TZUXStream {
public:
    explicit TChecksummingWriter(TZUXStream& target) : target_(target) {}
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* buffer, int64_t count) override {
        const int64_t n = target_.Write(buffer, count);
        if (n > 0) TZUXHashCRC32::Update(state_, buffer, size_t(n));
        return n;
    }
    int64_t Seek(int64_t offset, SeekOrigin origin) override {
        return target_.Seek(offset, origin);
    }
    void SetSize(int64_t) override { throw EWriteError(SWriteError); }
    uint32_t Checksum() const { return TZUXHashCRC32::Finalize(state_); }

private:
    TZUXStream& target_;
    TZUXHashCRC32::State state_ = TZUXHashCRC32::Initialize();
};

} // namespace

void TSetupKey::Init(const String& keyText) {
    Key = StringToAnsi(keyText);
    if (Key.empty()) throw EInvalidOperation(u"The package key must not be empty");
    Position = 0;
}

void TSetupKey::Apply(uint8_t* buffer, size_t length) {
    const auto* key = reinterpret_cast<const uint8_t*>(Key.data());
    const size_t keyLength = Key.size();
    size_t pos = size_t(Position);
    size_t i = 0;
    // Long blocks go eight bytes at a time against the key repeated from the
    // position over a span of whole keys and whole words, after which the
    // position is where it was. Byte by byte costs about 2% of reading a package.
    constexpr size_t kSpan = 256;
    const size_t unit = std::lcm(keyLength, size_t(8));
    if (unit <= kSpan && length >= 2 * kSpan) {
        const size_t span = kSpan / unit * unit;
        uint8_t pattern[kSpan];
        for (size_t j = 0; j < span; ++j) pattern[j] = key[(pos + j) % keyLength];
        for (; i + span <= length; i += span) {
            for (size_t j = 0; j < span; j += 8) {
                uint64_t data, mask;
                std::memcpy(&data, buffer + i + j, 8);
                std::memcpy(&mask, pattern + j, 8);
                data ^= mask;
                std::memcpy(buffer + i + j, &data, 8);
            }
        }
    }
    for (; i < length; ++i) {
        buffer[i] ^= key[pos];
        if (++pos == keyLength) pos = 0;
    }
    Position = int32_t(pos);
}

void TSetupPackageFileTableItem::LoadFromStream(TZUXStream& stream) {
    const uint16_t length = ReadLE<uint16_t>(stream);
    Name.resize(length);
    for (auto& c : Name) c = char16_t(ReadLE<uint16_t>(stream));
    Offset = ReadLE<int64_t>(stream);
    Size = ReadLE<int64_t>(stream);
}

void TSetupPackageFileTableItem::SaveToStream(TZUXStream& stream) const {
    if (Name.size() > 0xFFFF)
        throw EInvalidOperation(u"A package name is limited to 65535 characters");
    WriteLE<uint16_t>(stream, uint16_t(Name.size()));
    for (const char16_t c : Name) WriteLE<uint16_t>(stream, uint16_t(c));
    WriteLE<int64_t>(stream, Offset);
    WriteLE<int64_t>(stream, Size);
}

TSetupPackageFileTableItem& TSetupPackageFileTable::Add() {
    items_.push_back(std::make_unique<TSetupPackageFileTableItem>());
    return *items_.back();
}

const TSetupPackageFileTableItem* TSetupPackageFileTable::Find(StringView name) const {
    const ptrdiff_t i =
        index_.Find(name, [this](size_t k) -> StringView { return items_[k]->Name; });
    if (i >= 0) return items_[size_t(i)].get();
    for (size_t k = indexed_; k < items_.size(); ++k)
        if (SameText(items_[k]->Name, name)) return items_[k].get();
    return nullptr;
}

void TSetupPackageFileTable::LoadFromStream(TZUXStream& stream) {
    const int32_t count = ReadLE<int32_t>(stream);
    // The smallest entry: an empty name, the offset and the size.
    constexpr int64_t kMinEntrySize = 2 + 8 + 8;
    if (count < 0 || count > (stream.Size() - stream.Position()) / kMinEntrySize) RaiseReadError();
    // No reservation from the count: each entry must be read to exist.
    for (int32_t i = 0; i < count; ++i) Add().LoadFromStream(stream);
    // A read table is looked up by name once per entry: indexed once, not searched each time.
    index_.Reserve(items_.size());
    const auto nameAt = [this](size_t k) -> StringView { return items_[k]->Name; };
    for (; indexed_ < items_.size(); ++indexed_)
        index_.Add(items_[indexed_]->Name, indexed_, nameAt); // an earlier equal name wins
}

void TSetupPackageFileTable::SaveToStream(TZUXStream& stream) const {
    WriteLE<int32_t>(stream, int32_t(items_.size()));
    for (const auto& item : items_) item->SaveToStream(stream);
}

TSetupPackageReader::TSetupPackageReader(TZUXStream& source, const String& keyText,
                                         uint32_t maxContent) {
    uint8_t header[12];
    source.ReadBuffer(header, sizeof header);
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0) throw ESetupPackageReadError();
    const uint32_t checksum = LoadLE(header + 4, 4);
    const uint32_t size = LoadLE(header + 8, 4);

    // LZMA packs real files far less tightly than this; a small package that
    // claims gigabytes is a decompression bomb.
    const int64_t packed = source.Size() - source.Position();
    if (int64_t(size) > packed * kMaxPackingRatio + kMaxPackingSlack || size > maxContent)
        throw ESetupPackageReadError();

    TSetupKey key;
    key.Init(keyText);
    // The content grows as it is decoded and never beyond the header's size.
    content_.ReserveBounded(size);
    TChecksummingWriter writer(content_);
    LzmaDecodeStream(source, writer, size,
                     [&key](uint8_t* buffer, size_t length) { key.Apply(buffer, length); });

    content_.SetPosition(0);
    if (content_.Size() != int64_t(size) || writer.Checksum() != checksum)
        throw ESetupPackageReadError();

    content_.Seek(-4, SeekOrigin::End);
    const int32_t tableLength = ReadLE<int32_t>(content_);
    const int64_t tableStart = int64_t(size) - 4 - tableLength;
    if (tableStart < 0 || tableStart > int64_t(size) - 4) RaiseReadError();
    content_.SetPosition(tableStart);
    table_.LoadFromStream(content_);
}

std::unique_ptr<TZUXMemoryStream>
TSetupPackageReader::Extract(const TSetupPackageFileTableItem& item) const {
    const int64_t contentSize = int64_t(content_.Data().size());
    if (item.Offset < 0 || item.Size < 0 || item.Offset > contentSize ||
        item.Size > contentSize - item.Offset) {
        RaiseReadError();
    }
    // Read straight from the decoded bytes: the content's position is never
    // moved, so a page can read a picture while the worker extracts.
    auto stream = std::make_unique<TZUXMemoryStream>();
    stream->Reserve(item.Size);
    if (item.Size > 0 && stream->Write(content_.Memory() + item.Offset, item.Size) != item.Size)
        RaiseReadError();
    stream->SetPosition(0);
    return stream;
}

bool TSetupPackageReader::Extract(StringView name,
                                  std::unique_ptr<TZUXMemoryStream>& stream) const {
    stream.reset();
    const TSetupPackageFileTableItem* item = table_.Find(name);
    if (!item) return false;
    stream = Extract(*item);
    return true;
}

TSetupPackageBuilder::TSetupPackageBuilder(const String& keyText) : keyText_(keyText) {
    TSetupKey().Init(keyText_); // refuse an unusable key now, not at Commit
}

void TSetupPackageBuilder::Add(TZUXStream& source, const String& name) {
    if (name.size() > 0xFFFF)
        throw EInvalidOperation(u"A package name is limited to 65535 characters");
    const int64_t size = source.Size();
    TSetupPackageFileTableItem& item = table_.Add();
    item.Name = name;
    item.Size = size;
    item.Offset = content_.Size();
    content_.Seek(0, SeekOrigin::End);
    content_.CopyFrom(source, size, kCopyBlock);
}

void TSetupPackageBuilder::Commit(const String& fileName, int level) {
    TZUXFileStream file(fileName, fmCreate);
    Commit(file, level);
}

void TSetupPackageBuilder::Commit(TZUXStream& target, int level) {
    TZUXMemoryStream table;
    table_.SaveToStream(table);
    content_.Seek(0, SeekOrigin::End);
    content_.WriteBuffer(table.Memory(), table.Size());
    WriteLE<int32_t>(content_, int32_t(table.Size()));
    if (content_.Size() > int64_t(std::numeric_limits<uint32_t>::max()))
        throw EInvalidOperation(u"A package holds at most 4 GiB - 1 bytes");

    uint8_t header[12];
    std::memcpy(header, kMagic, sizeof kMagic);
    const uint32_t checksum = TZUXHashCRC32::Compute(content_.Memory(), size_t(content_.Size()));
    const auto size = uint32_t(content_.Size());
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = uint8_t(checksum >> (8 * i));
        header[8 + i] = uint8_t(size >> (8 * i));
    }
    target.WriteBuffer(header, sizeof header);

    TSetupKey key;
    key.Init(keyText_);
    content_.SetPosition(0);
    LzmaEncodeStream(content_, target, level,
                     [&key](uint8_t* buffer, size_t length) { key.Apply(buffer, length); });
}
