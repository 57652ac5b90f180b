// Writes packages that ipk5 must handle with care:
//   craft_package hostile OUT ABSOLUTE   entry names that try to leave the
//                                        target folder (ABSOLUTE: an absolute
//                                        path used as one of them)
//   craft_package outside OUT            entries that point past the file data
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/HashCRC32.h"
#include "package/LzmaStream.h"
#include "package/Package.h"

#include <cstdio>
#include <string>

using namespace ZUX;

namespace {

void Add(TSetupPackageBuilder& builder, const String& name, const Bytes& data) {
    TZUXMemoryStream source(data);
    builder.Add(source, name);
}

void Hostile(const String& out, const String& absolute) {
    TSetupPackageBuilder builder;
    // Each file holds its own number, so a test can tell which one was written.
    const String names[] = {
        u"..\\..\\evil",
        u"C:\\x",
        u"C:x",
        absolute + u"/abs",
        u"/abs",
        u"\\abs",
        u"a/../../b",
        u"a\\..\\..\\c",
        u"a//d",
        u".\\e",
        u"trailing\\",
        u"",
        String(u"nul\0byte", 8),
        u"ctl\x1b[2J",
        String(u"half\xD800", 5),
        u"link\\through.txt", // the test makes "link" a symbolic link to a folder outside
        u"replaced.txt",      // ... and this one a link to a file outside
        u"safe\\nested\\file.txt",
        u"safe/forward.txt",
        u"ok.txt",
        u"OK.TXT", // the same file ignoring case: the first one wins
    };
    int n = 0;
    for (const auto& name : names) Add(builder, name, "entry " + std::to_string(n++) + "\n");
    builder.Commit(out, 4);
}

Bytes Le(int64_t v, int bytes) {
    Bytes b;
    for (int i = 0; i < bytes; ++i) b += char(uint8_t(uint64_t(v) >> (8 * i)));
    return b;
}

Bytes Entry(const std::u16string& name, int64_t offset, int64_t size) {
    Bytes b = Le(int64_t(name.size()), 2);
    for (char16_t c : name) b += Le(c, 2);
    return b + Le(offset, 8) + Le(size, 8);
}

// A correct package around a content whose table lies.
void Outside(const String& out) {
    const Bytes data = "0123456789";
    const Bytes table = Le(3, 4) + Entry(u"good.txt", 0, 10) + Entry(u"into-table.txt", 5, 10) +
                        Entry(u"beyond.txt", 8, 1000);
    const Bytes content = data + table + Le(int64_t(table.size()), 4);

    TZUXFileStream file(out, fmCreate);
    const uint32_t crc = TZUXHashCRC32::Compute(content.data(), content.size());
    uint8_t header[12] = {'I', 'P', 'K', '5'};
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = uint8_t(crc >> (8 * i));
        header[8 + i] = uint8_t(content.size() >> (8 * i));
    }
    file.WriteBuffer(header, sizeof header);
    TSetupKey key;
    key.Init(SetupPackageKey);
    TZUXMemoryStream source(content);
    LzmaEncodeStream(source, file, 4, [&](uint8_t* b, size_t n) { key.Apply(b, n); });
}

} // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 2 ? argv[1] : "";
        if (mode == "hostile" && argc == 4) {
            Hostile(FromUtf8(argv[2]), FromUtf8(argv[3]));
            return 0;
        }
        if (mode == "outside" && argc == 3) {
            Outside(FromUtf8(argv[2]));
            return 0;
        }
        std::fprintf(stderr, "usage: craft_package hostile OUT ABSOLUTE | outside OUT\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "craft_package: %s\n", e.what());
    }
    return 1;
}
