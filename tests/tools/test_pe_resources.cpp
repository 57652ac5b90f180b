// The PE resource writer of zivr-setup on small synthetic images: entries are
// added and replaced, the resources already there survive, the sections after
// the resources move with their directory, the file's tail follows, and bad
// images are refused with a reason instead of being written wrong.
#include "tools/zivr-setup/PeResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace zivrsetup;

namespace {

void Put16(TBytes& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(TBytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
uint32_t Get32(const TBytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

constexpr size_t kPe = 0x80, kCoff = kPe + 4, kOpt = kCoff + 20, kSections = kOpt + 240;
constexpr uint32_t kFileAlign = 0x200, kSectionAlign = 0x1000;

struct TSectionSpec {
    const char* Name;
    TBytes Data;
    uint32_t Flags;
};

// A PE32+ image: headers, the sections one after the other, then tail bytes
// (a symbol table) that PointerToSymbolTable points at.
TBytes MakeImage(std::vector<TSectionSpec> sections, int resourceIndex, int relocIndex,
                 const TBytes& tail = {}) {
    TBytes image(0x400, 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, kPe);
    Put32(image, kPe, 0x00004550);
    Put16(image, kCoff, 0x8664);
    Put16(image, kCoff + 2, uint16_t(sections.size()));
    Put16(image, kCoff + 16, 240);
    Put16(image, kOpt, 0x20B);
    Put32(image, kOpt + 32, kSectionAlign);
    Put32(image, kOpt + 36, kFileAlign);
    Put32(image, kOpt + 60, 0x400);
    Put32(image, kOpt + 108, 16);
    uint32_t rva = kSectionAlign;
    for (size_t i = 0; i < sections.size(); ++i) {
        TBytes& data = sections[i].Data;
        const size_t header = kSections + 40 * i;
        std::copy_n(sections[i].Name, std::min<size_t>(8, strlen(sections[i].Name)),
                    image.begin() + std::ptrdiff_t(header));
        const uint32_t raw = uint32_t((data.size() + kFileAlign - 1) / kFileAlign * kFileAlign);
        Put32(image, header + 8, uint32_t(data.size()));
        Put32(image, header + 12, rva);
        Put32(image, header + 16, raw);
        Put32(image, header + 20, uint32_t(image.size()));
        Put32(image, header + 36, sections[i].Flags);
        if (int(i) == resourceIndex) {
            Put32(image, kOpt + 112 + 16, rva);
            Put32(image, kOpt + 112 + 20, uint32_t(data.size()));
            // The tree's data entry holds an RVA: this section's.
            Put32(data, 0x48, rva + 0x58);
        }
        if (int(i) == relocIndex) {
            Put32(image, kOpt + 112 + 40, rva + 8);
            Put32(image, kOpt + 112 + 44, 8);
        }
        image.insert(image.end(), data.begin(), data.end());
        image.resize(image.size() + (raw - data.size()), 0);
        rva += (uint32_t(data.size()) + kSectionAlign - 1) / kSectionAlign * kSectionAlign;
    }
    Put32(image, kOpt + 56, rva);
    if (!tail.empty()) {
        Put32(image, kCoff + 8, uint32_t(image.size()));
        image.insert(image.end(), tail.begin(), tail.end());
    }
    return image;
}

// A resource tree with one manifest (type 24, id 1, language 1033) of 4 bytes.
TBytes ManifestTree() {
    TBytes t(0x60, 0);
    Put16(t, 14, 1); // root: one id entry
    Put32(t, 16, 24);
    Put32(t, 20, 0x80000000u | 0x18);
    Put16(t, 0x18 + 14, 1); // type directory
    Put32(t, 0x18 + 16, 1);
    Put32(t, 0x18 + 20, 0x80000000u | 0x30);
    Put16(t, 0x30 + 14, 1); // name directory
    Put32(t, 0x30 + 16, 1033);
    Put32(t, 0x30 + 20, 0x48);
    Put32(t, 0x48 + 4, 4); // data entry: RVA set by MakeImage, size 4
    std::copy_n("<m/>", 4, t.begin() + 0x58);
    return t;
}

constexpr uint32_t kCode = 0x60000020, kData = 0x40000040, kReloc = 0x42000040;

TBytes Relocs() {
    TBytes r(16, 0xAB);
    return r;
}

TBytes TypicalImage(const TBytes& tail = {}) {
    return MakeImage({{".text", TBytes(0x300, 0x90), kCode},
                      {".rsrc", ManifestTree(), kData},
                      {".reloc", Relocs(), kReloc}},
                     1, 2, tail);
}

const TPeResource* Find(const std::vector<TPeResource>& all, uint16_t type, const char16_t* name) {
    for (const auto& r : all)
        if (r.Type.empty() && r.TypeId == type && r.Name == name) return &r;
    return nullptr;
}

TBytes Bytes(const std::string& s) {
    return TBytes(s.begin(), s.end());
}

} // namespace

TEST(PeResources, ReadsTheTreeOfAnImage) {
    const auto all = ReadPeResources(TypicalImage());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].TypeId, 24);
    EXPECT_EQ(all[0].NameId, 1);
    EXPECT_EQ(all[0].Language, 1033);
    EXPECT_EQ(all[0].Data, Bytes("<m/>"));
}

TEST(PeResources, AddsPackagesKeepsTheRestAndMovesWhatFollows) {
    const TBytes tail = Bytes("symbols and their strings");
    const TBytes image = TypicalImage(tail);
    const TBytes big(3 * kSectionAlign + 123, 0x5A); // the section grows past several pages
    const TBytes out = AddRcData(image, {{u"SETUP", Bytes("setup package")}, {u"PRODUCT", big}});

    const auto all = ReadPeResources(out);
    ASSERT_EQ(all.size(), 3u);
    ASSERT_NE(Find(all, 24, u""), nullptr);
    EXPECT_EQ(Find(all, 24, u"")->Data, Bytes("<m/>"));
    ASSERT_NE(Find(all, 10, u"SETUP"), nullptr);
    EXPECT_EQ(Find(all, 10, u"SETUP")->Data, Bytes("setup package"));
    ASSERT_NE(Find(all, 10, u"PRODUCT"), nullptr);
    EXPECT_EQ(Find(all, 10, u"PRODUCT")->Data, big);
    // Named entries in code-unit order, as the loader's search expects.
    EXPECT_EQ(all[0].Name, u"PRODUCT");
    EXPECT_EQ(all[1].Name, u"SETUP");

    // .reloc follows the grown resources, page-aligned, its directory with it,
    // and its bytes unchanged.
    const size_t reloc = kSections + 80;
    const uint32_t rsrcRva = Get32(out, kSections + 40 + 12);
    const uint32_t rsrcSize = Get32(out, kSections + 40 + 8);
    const uint32_t relocRva = Get32(out, reloc + 12);
    EXPECT_EQ(relocRva, (rsrcRva + rsrcSize + kSectionAlign - 1) / kSectionAlign * kSectionAlign);
    EXPECT_EQ(Get32(out, kOpt + 112 + 40), relocRva + 8);
    const uint32_t relocRaw = Get32(out, reloc + 20);
    EXPECT_EQ(relocRaw % kFileAlign, 0u);
    EXPECT_TRUE(std::equal(out.begin() + relocRaw, out.begin() + relocRaw + 16, Relocs().begin()));
    EXPECT_EQ(Get32(out, kOpt + 56), relocRva + kSectionAlign) << "SizeOfImage";
    // The symbol table moved to the new end of the sections.
    const uint32_t symbols = Get32(out, kCoff + 8);
    EXPECT_EQ(symbols, relocRaw + Get32(out, reloc + 16));
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), out.begin() + symbols));
    EXPECT_EQ(out.size(), symbols + tail.size());
    EXPECT_EQ(Get32(out, kOpt + 64), PeChecksum(out));
    EXPECT_FALSE(PeIsSigned(out));
}

TEST(PeResources, ReplacesEntriesOfTheSameNameAndIsDeterministic) {
    const TBytes first = AddRcData(TypicalImage(), {{u"SETUP", Bytes("one")}});
    const TBytes second = AddRcData(first, {{u"SETUP", Bytes("two")}, {u"PRODUCT", Bytes("p")}});
    const auto all = ReadPeResources(second);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(Find(all, 10, u"SETUP")->Data, Bytes("two"));
    EXPECT_EQ(AddRcData(TypicalImage(), {{u"SETUP", Bytes("two")}, {u"PRODUCT", Bytes("p")}}),
              AddRcData(first, {{u"SETUP", Bytes("two")}, {u"PRODUCT", Bytes("p")}}));
}

TEST(PeResources, ResourcesAsTheLastSection) {
    const TBytes image =
        MakeImage({{".text", TBytes(0x100, 0x90), kCode}, {".rsrc", ManifestTree(), kData}}, 1, -1);
    const TBytes out = AddRcData(image, {{u"SETUP", Bytes("s")}});
    EXPECT_EQ(ReadPeResources(out).size(), 2u);
}

TEST(PeResources, RefusesWhatItCannotWriteRight) {
    struct Case {
        const char* what;
        TBytes image;
        const char* reason;
    };
    TBytes signedImage = TypicalImage();
    Put32(signedImage, kOpt + 112 + 32, 0x2000);
    Put32(signedImage, kOpt + 112 + 36, 0x100);
    TBytes pe32 = TypicalImage();
    Put16(pe32, kOpt, 0x10B);
    TBytes badTree = TypicalImage();
    Put32(badTree, 0x800 + 20, 0x80000000u | 0x7000); // the type directory far outside
    TBytes cut = TypicalImage();
    cut.resize(0x100);
    TBytes shared = TypicalImage(); // every type entry leads to the same directory
    Put16(shared, 0x800 + 14, 0xFFFF);
    shared.resize(0x800 + 16 + 8 * 0xFFFF + 0x400, 0);
    for (uint32_t i = 0; i < 0xFFFF; ++i) {
        Put32(shared, 0x800 + 16 + 8 * i, i);
        Put32(shared, 0x800 + 20 + 8 * i, 0x80000000u);
    }
    Put32(shared, kSections + 40 + 16, uint32_t(shared.size() - 0x800));
    TBytes noResources = TypicalImage();
    Put32(noResources, kOpt + 112 + 16, 0);
    const Case cases[] = {
        {"text", Bytes("not a program"), "not a Windows program"},
        {"cut short", cut, "cut short"},
        {"32-bit", pe32, "not a 64-bit PE image"},
        {"signed", signedImage, "signed"},
        {"damaged tree", badTree, "points outside"},
        {"no resources", noResources, "no resource section"},
        {"a tree that loops", shared, "damaged"},
        {"code after the resources",
         MakeImage({{".text", TBytes(0x100, 0x90), kCode},
                    {".rsrc", ManifestTree(), kData},
                    {".data", TBytes(0x20, 1), kData}},
                   1, -1),
         "follows the resources"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            AddRcData(c.image, {{u"SETUP", Bytes("s")}});
            ADD_FAILURE() << "accepted";
        } catch (const EPeImageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
}

TEST(PeResources, DamagedImagesNeverCrash) {
    const TBytes image = TypicalImage(Bytes("tail"));
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        TBytes damaged = image;
        for (int flips = 1 + int(random() % 4); flips > 0; --flips) {
            // Mostly the headers and the tree, where damage matters.
            const size_t at = random() % 2 ? random() % 0x400 : 0x800 + random() % 0x60;
            damaged[at] = uint8_t(random());
        }
        try {
            const TBytes out = AddRcData(damaged, {{u"SETUP", Bytes("s")}});
            ReadPeResources(out);
        } catch (const EPeImageError&) {
        }
    }
}
