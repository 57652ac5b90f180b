// IPK5 packages: building, reading, damaged input.
#include "ZUX/Base/HashCRC32.h"
#include "package/LzmaStream.h"
#include "package/Package.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ZUX;

namespace {

Bytes Commit(TSetupPackageBuilder& builder, int level = 4) {
    TZUXMemoryStream out;
    builder.Commit(out, level);
    return Bytes(out.Data());
}

Bytes BuildPackage(const std::vector<std::pair<String, Bytes>>& files, int level = 4) {
    TSetupPackageBuilder builder;
    for (const auto& [name, data] : files) {
        TZUXMemoryStream source(data);
        builder.Add(source, name);
    }
    return Commit(builder, level);
}

// A package around any content, so broken tables can be written on purpose.
Bytes PackageFromContent(const Bytes& content) {
    TZUXMemoryStream out;
    const uint32_t crc = TZUXHashCRC32::Compute(content.data(), content.size());
    const auto size = uint32_t(content.size());
    uint8_t header[12] = {'I', 'P', 'K', '5'};
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = uint8_t(crc >> (8 * i));
        header[8 + i] = uint8_t(size >> (8 * i));
    }
    out.WriteBuffer(header, 12);
    TSetupKey key;
    key.Init(SetupPackageKey);
    TZUXMemoryStream in(content);
    LzmaEncodeStream(in, out, 4, [&](uint8_t* b, size_t n) { key.Apply(b, n); });
    return Bytes(out.Data());
}

std::unique_ptr<TSetupPackageReader> Read(const Bytes& package) {
    TZUXMemoryStream source(package);
    return std::make_unique<TSetupPackageReader>(source);
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

// File data, then the table (count and entries), then the table's length.
Bytes Content(const Bytes& data, const Bytes& table) {
    return data + table + Le(int64_t(table.size()), 4);
}

template <typename E> String MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return u"(nothing raised)";
}

const String kCorrupted = u"Package was corrupted";
const String kReadError = u"Stream read error";

} // namespace

TEST(Package, SmallRoundTripFindsNamesIgnoringCase) {
    const Bytes package = BuildPackage({{u"a.txt", "abc"},
                                        {u"Install.xml", "<x/>"},
                                        {u"Plugins\\a.dll", "dll"},
                                        {u"a.txt", "second"},
                                        {u"empty", ""}});
    auto reader = Read(package);
    std::unique_ptr<TZUXMemoryStream> s;
    ASSERT_TRUE(reader->Extract(u"A.TXT", s));
    EXPECT_EQ(s->Data(), "abc"); // the first of two equal names
    EXPECT_EQ(s->Position(), 0);
    EXPECT_TRUE(reader->Contains(u"install.xml"));
    EXPECT_FALSE(reader->Contains(u"Plugins/a.dll"));
    EXPECT_FALSE(reader->Contains(u"a.tx"));
    ASSERT_TRUE(reader->Extract(u"EMPTY", s));
    EXPECT_EQ(s->Size(), 0);
    EXPECT_FALSE(reader->Extract(u"missing", s));
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(reader->FileTable().Count(), 5);
}

TEST(Package, ManyAndNonAsciiNamesAreFoundIgnoringCase) {
    std::vector<std::pair<String, Bytes>> files{{u"Ärger\\Öl.txt", "first"},
                                                {u"ärger\\öL.TXT", "second"}};
    for (int i = 0; i < 3000; ++i) files.push_back({u"gen\\file" + IntToStr(i), Bytes(1, char(i))});
    auto reader = Read(BuildPackage(files, 0));
    std::unique_ptr<TZUXMemoryStream> s;
    ASSERT_TRUE(reader->Extract(u"ÄRGER\\öl.txt", s));
    EXPECT_EQ(s->Data(), "first");
    for (int i = 0; i < 3000; ++i) {
        ASSERT_TRUE(reader->Extract(u"GEN\\FILE" + IntToStr(i), s)) << i;
        ASSERT_EQ(s->Data(), Bytes(1, char(i)));
    }
    EXPECT_FALSE(reader->Contains(u"gen\\file3000"));
}

TEST(Package, HeaderPropertiesAndEmptyContent) {
    const Bytes package = BuildPackage({});
    auto reader = Read(package);
    EXPECT_EQ(reader->Content().Data(), Bytes("\0\0\0\0\4\0\0\0", 8));
    EXPECT_EQ(Bytes(package.substr(0, 4)), "IPK5");
    EXPECT_EQ(Bytes(package.substr(8, 4)), Bytes("\x08\0\0\0", 4));
    // Level 4: lc 3, lp 0, pb 2, 4 MiB, stored XOR the key digits "42980".
    const uint8_t plain[5] = {0x5D, 0x00, 0x00, 0x40, 0x00};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(uint8_t(package[size_t(12 + i)]), plain[i] ^ uint8_t("42980"[i])) << i;
}

TEST(Package, LevelsRoundTrip) {
    Bytes data;
    for (int i = 0; i < 200000; ++i) data += char((i * 7919) % 251 ^ (i >> 9));
    for (int level : {-1, 0, 4, 5, 7}) {
        auto reader = Read(BuildPackage({{u"data.bin", data}}, level));
        std::unique_ptr<TZUXMemoryStream> s;
        ASSERT_TRUE(reader->Extract(u"data.bin", s)) << level;
        EXPECT_TRUE(s->Data() == data) << level;
    }
}

TEST(Package, LevelSettingsAndDictionaryRounding) {
    const auto l4 = LzmaLevelSettings(4);
    EXPECT_EQ(l4.DictionarySize, 4u << 20);
    EXPECT_EQ(l4.CycleLimit, 16u);
    EXPECT_FALSE(l4.BinaryTree);
    EXPECT_EQ(LzmaLevelSettings(-3).DictionarySize, LzmaLevelSettings(5).DictionarySize);
    EXPECT_EQ(LzmaLevelSettings(12).FastBytes, 64u);
    const std::pair<uint32_t, uint32_t> rounding[] = {{0, 4096},
                                                      {4096, 4096},
                                                      {4097, 6144},
                                                      {6145, 8192},
                                                      {5u << 20, 6u << 20},
                                                      {0xC0000000u, 0xC0000000u},
                                                      {0xC0000001u, 0xC0000000u}};
    for (auto [in, out] : rounding) EXPECT_EQ(LzmaPropertyDictionarySize(in), out) << in;
}

TEST(Package, EveryTruncationIsReported) {
    const Bytes package = BuildPackage({{u"a.txt", "hello hello hello"}, {u"b", "xyz"}});
    for (size_t n = 0; n < package.size(); ++n) {
        const Bytes cut = package.substr(0, n);
        if (n < 12)
            EXPECT_EQ(MessageOf<EReadError>([&] { Read(cut); }), kReadError) << n;
        else
            EXPECT_EQ(MessageOf<ESetupPackageReadError>([&] { Read(cut); }), kCorrupted) << n;
    }
}

TEST(Package, EveryFlippedByteIsReportedOrHarmless) {
    const Bytes package = BuildPackage({{u"a.txt", "hello hello hello"}, {u"b", "xyz"}});
    const Bytes content(Read(package)->Content().Data());
    for (size_t i = 0; i < package.size(); ++i) {
        for (uint8_t mask : {0x01, 0x80}) {
            Bytes bad = package;
            bad[i] = char(uint8_t(bad[i]) ^ mask);
            try {
                // What reads back is what was packed: the dictionary size and
                // the range coder's last flush bits may change without harm.
                auto reader = Read(bad);
                EXPECT_TRUE(reader->Content().Data() == content) << i;
                EXPECT_TRUE((i >= 13 && i <= 16) || i + 5 >= package.size()) << i;
            } catch (const ESetupPackageReadError&) {
            } catch (const EInvalidOperation& e) {
                EXPECT_EQ(i, 12u);
                EXPECT_EQ(e.Message(), u"LZMA Error (4)");
            }
        }
    }
}

TEST(Package, UnsupportedPropertiesAndForeignFiles) {
    Bytes package = BuildPackage({{u"a", "1"}});
    package[12] = char(225 ^ '4'); // unscrambles to 225
    EXPECT_EQ(MessageOf<EInvalidOperation>([&] { Read(package); }), u"LZMA Error (4)");
    const Bytes zip("PK\3\4\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 30);
    EXPECT_EQ(MessageOf<ESetupPackageReadError>([&] { Read(zip); }), kCorrupted);
}

TEST(Package, HostileTablesFailWithReadError) {
    const Bytes data = "0123456789";
    // Each content passes the checksum; its table must still not be trusted
    // beyond the content.
    const struct {
        const char* what;
        Bytes content;
    } atConstruction[] = {
        {"content shorter than the length field", Bytes("\1\0", 2)},
        {"negative table length", data + Le(-5, 4)},
        {"table longer than the content", Content(data, Le(0, 4)).substr(0, 10) + Le(1000, 4)},
        {"negative count", Content(data, Le(-1, 4))},
        {"count beyond the entries", Content(data, Le(100000000, 4) + Entry(u"a", 0, 1))},
        {"name longer than the table", Content(data, Le(1, 4) + Le(0xFFFF, 2))},
    };
    for (const auto& c : atConstruction)
        EXPECT_EQ(MessageOf<EReadError>([&] { Read(PackageFromContent(c.content)); }), kReadError)
            << c.what;

    const Bytes table = Le(5, 4) + Entry(u"neg-offset", -1, 1) + Entry(u"neg-size", 0, -1) +
                        Entry(u"past-end", 5, 1000) + Entry(u"overflow", INT64_MAX, INT64_MAX) +
                        Entry(u"ok", 2, 3);
    auto reader = Read(PackageFromContent(Content(data, table)));
    std::unique_ptr<TZUXMemoryStream> s;
    for (const char16_t* name : {u"neg-offset", u"neg-size", u"past-end", u"overflow"})
        EXPECT_EQ(MessageOf<EReadError>([&] { reader->Extract(name, s); }), kReadError)
            << ToUtf8(name);
    ASSERT_TRUE(reader->Extract(u"ok", s));
    EXPECT_EQ(s->Data(), "234");
}

TEST(Package, ShortWritesAndShortSources) {
    class FullDisk : public TZUXMemoryStream {
    public:
        int64_t Write(const void* b, int64_t n) override {
            return TZUXMemoryStream::Write(b, std::min<int64_t>(n, 40 - Size()));
        }
    };
    TSetupPackageBuilder builder;
    Bytes data(100000, 'x');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 2654435761u >> 24);
    TZUXMemoryStream source(data);
    builder.Add(source, u"big");
    FullDisk target;
    EXPECT_EQ(MessageOf<EInvalidOperation>([&] { builder.Commit(target, 4); }), u"LZMA Error (9)");

    // Add copies the source's size from its position: callers rewind first.
    TSetupPackageBuilder other;
    TZUXMemoryStream unrewound(Bytes("abc"));
    unrewound.SetPosition(1);
    EXPECT_EQ(MessageOf<EReadError>([&] { other.Add(unrewound, u"x"); }), kReadError);
    EXPECT_THROW(TSetupPackageBuilder(u""), EInvalidOperation);
}

TEST(Package, KeyRunsOnAcrossBlocks) {
    TSetupKey whole, split;
    whole.Init(SetupPackageKey);
    split.Init(SetupPackageKey);
    uint8_t a[23] = {}, b[23] = {};
    whole.Apply(a, 23);
    split.Apply(b, 7);
    split.Apply(b + 7, 16);
    EXPECT_EQ(Bytes(reinterpret_cast<char*>(a), 23), Bytes(reinterpret_cast<char*>(b), 23));
    EXPECT_EQ(a[10], '4');
    EXPECT_EQ(whole.Position, 3);
}

TEST(Package, KeyLongBlocksMatchTheDefinition) {
    // Long blocks take a word-wise path: for any key length, start position
    // and split, byte i must still be XORed with K[(start + i) mod L].
    for (const String& text : {String(SetupPackageKey), String(u"7"), String(u"abc"),
                               String(33, u'k'), String(40, u'q')}) {
        TSetupKey key;
        key.Init(text);
        const size_t length = key.Key.size(), start = 3 % length;
        Bytes data(3000, '\0');
        for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 31);
        Bytes expected = data;
        for (size_t i = 0; i < data.size(); ++i) expected[i] ^= key.Key[(start + i) % length];
        key.Position = int32_t(start);
        auto* p = reinterpret_cast<uint8_t*>(data.data());
        key.Apply(p, 700);
        key.Apply(p + 700, 1);
        key.Apply(p + 701, 2299);
        EXPECT_TRUE(data == expected) << ToUtf8(text);
        EXPECT_EQ(key.Position, int32_t((start + data.size()) % length)) << ToUtf8(text);
    }
}
