// IPK5 packages from arbitrary bytes. Input that starts with the magic is read
// as a package file: reading either fails with one of the reader's errors or
// gives a content of the header's size. Any other input is taken as the
// content of a package built around it (checksum, size, compressed and
// scrambled), so the file table behind a valid checksum gets fuzzed too: that
// package must read back with exactly this content. Either way every entry is
// looked up and extracted, and an extraction gives the entry's bytes or a read
// error, never bytes from outside the content.
#include "ZUX/Base/HashCRC32.h"
#include "ZUX/Base/LittleEndian.h"
#include "ZUX/Base/Locale.h"
#include "package/LzmaStream.h"
#include "package/Package.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

using namespace ZUX;

namespace {

// Decoding a few kilobytes can produce gigabytes; larger contents only slow
// the fuzzer down without reaching other code.
constexpr uint32_t kMaxContent = 16u << 20;

void Check(bool condition) {
    if (!condition) std::abort();
}

Bytes PackageAround(std::string_view content) {
    TZUXMemoryStream out;
    const uint32_t crc = TZUXHashCRC32::Compute(content.data(), content.size());
    const auto size = uint32_t(content.size());
    uint8_t header[12] = {'I', 'P', 'K', '5'};
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = uint8_t(crc >> (8 * i));
        header[8 + i] = uint8_t(size >> (8 * i));
    }
    out.WriteBuffer(header, sizeof header);
    TSetupKey key;
    key.Init(SetupPackageKey);
    TZUXMemoryStream source(content);
    // Level 0: the smallest dictionary keeps each run cheap.
    LzmaEncodeStream(source, out, 0, [&](uint8_t* b, size_t n) { key.Apply(b, n); });
    return Bytes(out.Data());
}

void ExtractAll(TSetupPackageReader& reader) {
    const std::string_view content = reader.Content().Data();
    const auto size = int64_t(content.size());
    const TSetupPackageFileTable& table = reader.FileTable();
    for (int i = 0; i < table.Count(); ++i) {
        const TSetupPackageFileTableItem& item = table.Items(i);
        const bool inside = item.Offset >= 0 && item.Size >= 0 && item.Offset <= size &&
                            item.Size <= size - item.Offset;
        // The name finds the first entry of that name, which may be an earlier one.
        int first = 0;
        while (!SameText(table.Items(first).Name, item.Name)) ++first;
        Check(table.Find(item.Name) == &table.Items(first));
        Check(reader.Contains(item.Name));
        try {
            const auto stream = reader.Extract(item);
            Check(inside);
            Check(stream->Position() == 0);
            Check(stream->Data() == content.substr(size_t(item.Offset), size_t(item.Size)));
        } catch (const EReadError&) {
            Check(!inside);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.substr(0, 4) == "IPK5") {
        if (size >= 12 && LoadLE(data + 8, 4) > kMaxContent) return 0;
        TZUXMemoryStream source(input);
        std::unique_ptr<TSetupPackageReader> reader;
        try {
            reader = std::make_unique<TSetupPackageReader>(source);
        } catch (const ESetupPackageReadError&) {
            return 0;
        } catch (const EInvalidOperation& e) {
            // Properties no decoder takes; nothing else may end up here.
            Check(e.Message() == u"LZMA Error (4)");
            return 0;
        } catch (const EReadError&) {
            return 0; // a short header or a table outside the content
        }
        Check(reader->Content().Data().size() == LoadLE(data + 8, 4));
        ExtractAll(*reader);
        return 0;
    }

    const Bytes package = PackageAround(input);
    TZUXMemoryStream source(package);
    std::unique_ptr<TSetupPackageReader> reader;
    try {
        reader = std::make_unique<TSetupPackageReader>(source);
    } catch (const EReadError&) {
        return 0; // the table lies outside the content: the only way to fail here
    }
    Check(reader->Content().Data() == input);
    ExtractAll(*reader);
    return 0;
}
