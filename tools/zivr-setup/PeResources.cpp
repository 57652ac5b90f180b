// Reading and rewriting the resource section of a 64-bit Windows program on
// the build host, and the program's checksum.
#include "tools/zivr-setup/PeResources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace zivrsetup {

namespace {

constexpr uint16_t kRtRcData = 10;
constexpr uint16_t kPe32Plus = 0x20B;
constexpr uint32_t kScnDiscardable = 0x02000000;
constexpr uint32_t kScnInitializedData = 0x00000040;
constexpr int kDirResource = 2, kDirSecurity = 4, kDirBaseReloc = 5;
constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr int kMaxResources = 1 << 16; // more would only be a damaged tree

uint16_t Get16(const TBytes& b, size_t at) {
    if (at + 2 > b.size()) throw EPeImageError("the image is cut short");
    return uint16_t(b[at] | b[at + 1] << 8);
}
uint32_t Get32(const TBytes& b, size_t at) {
    if (at + 4 > b.size()) throw EPeImageError("the image is cut short");
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
void Put16(TBytes& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(TBytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
uint32_t AlignUp(uint64_t value, uint32_t alignment) {
    const uint64_t r = (value + alignment - 1) / alignment * alignment;
    if (r > 0xFFFFFFFFu) throw EPeImageError("the image would exceed 4 GiB");
    return uint32_t(r);
}

struct TSection {
    size_t Header = 0; // file offset of its section header
    uint32_t VirtualSize = 0, VirtualAddress = 0, RawSize = 0, RawPointer = 0, Flags = 0;
};

// The headers of a PE32+ image, with what the writer needs of them.
struct THeaders {
    size_t Coff = 0, Optional = 0;
    uint32_t SectionAlignment = 0, FileAlignment = 0, DirectoryCount = 0;
    std::vector<TSection> Sections;

    explicit THeaders(const TBytes& image) {
        if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z')
            throw EPeImageError("not a Windows program (no MZ header)");
        const uint32_t pe = Get32(image, 0x3C);
        if (Get32(image, pe) != 0x00004550) throw EPeImageError("not a PE image");
        Coff = pe + 4;
        Optional = Coff + 20;
        if (Get16(image, Optional) != kPe32Plus) throw EPeImageError("not a 64-bit PE image");
        SectionAlignment = Get32(image, Optional + 32);
        FileAlignment = Get32(image, Optional + 36);
        if (SectionAlignment == 0 || FileAlignment == 0 || SectionAlignment < FileAlignment)
            throw EPeImageError("the image's alignments are damaged");
        DirectoryCount = Get32(image, Optional + 108);
        const size_t count = Get16(image, Coff + 2);
        const size_t first = Optional + Get16(image, Coff + 16);
        for (size_t i = 0; i < count; ++i) {
            TSection s;
            s.Header = first + 40 * i;
            s.VirtualSize = Get32(image, s.Header + 8);
            s.VirtualAddress = Get32(image, s.Header + 12);
            s.RawSize = Get32(image, s.Header + 16);
            s.RawPointer = Get32(image, s.Header + 20);
            s.Flags = Get32(image, s.Header + 36);
            if (s.RawSize && uint64_t(s.RawPointer) + s.RawSize > image.size())
                throw EPeImageError("a section lies outside the file");
            if (!Sections.empty() && s.VirtualAddress < Sections.back().VirtualAddress)
                throw EPeImageError("the sections are not in address order");
            Sections.push_back(s);
        }
    }

    size_t Directory(int index) const { return Optional + 112 + 8 * size_t(index); }
    uint32_t DirectoryRva(const TBytes& image, int index) const {
        return uint32_t(index) < DirectoryCount ? Get32(image, Directory(index)) : 0;
    }
    uint32_t DirectorySize(const TBytes& image, int index) const {
        return uint32_t(index) < DirectoryCount ? Get32(image, Directory(index) + 4) : 0;
    }
    // The section that holds an address, or -1.
    int SectionOf(uint32_t rva) const {
        for (size_t i = 0; i < Sections.size(); ++i) {
            const TSection& s = Sections[i];
            if (rva >= s.VirtualAddress &&
                rva - s.VirtualAddress < std::max(s.VirtualSize, s.RawSize))
                return int(i);
        }
        return -1;
    }
};

// Reads a resource tree whose root lies at the start of a section.
class TTreeReader {
public:
    TTreeReader(const TBytes& image, const TSection& section) : image_(image), section_(section) {}

    std::vector<TPeResource> Read() {
        std::vector<TPeResource> out;
        TPeResource r;
        ReadLevel(0, 0, r, out);
        return out;
    }

private:
    size_t At(uint32_t offset, uint32_t size) const {
        if (uint64_t(offset) + size > section_.RawSize)
            throw EPeImageError("the resource tree points outside its section");
        return section_.RawPointer + offset;
    }

    std::u16string NameAt(uint32_t offset) const {
        const size_t at = At(offset, 2);
        const uint16_t length = Get16(image_, at);
        At(offset, 2 + 2u * length);
        std::u16string name(length, u'\0');
        for (size_t i = 0; i < length; ++i) name[i] = char16_t(Get16(image_, at + 2 + 2 * i));
        return name;
    }

    void ReadLevel(uint32_t offset, int level, TPeResource& r, std::vector<TPeResource>& out) {
        const size_t at = At(offset, 16);
        const size_t count = size_t(Get16(image_, at + 12)) + Get16(image_, at + 14);
        At(offset, uint32_t(16 + 8 * count));
        for (size_t i = 0; i < count; ++i) {
            // Directories that share their children could make a small tree
            // take forever: the walk is bounded like the count of entries.
            if (++visited_ > 4 * size_t(kMaxResources))
                throw EPeImageError("the resource tree is damaged");
            const uint32_t name = Get32(image_, at + 16 + 8 * i);
            const uint32_t data = Get32(image_, at + 20 + 8 * i);
            std::u16string text = name & kSubdirectory ? NameAt(name & ~kSubdirectory) : u"";
            const uint16_t id = name & kSubdirectory ? 0 : uint16_t(name);
            if (level == 0) r.Type = text, r.TypeId = id;
            if (level == 1) r.Name = text, r.NameId = id;
            if (level == 2) r.Language = id;
            if (level < 2) {
                if (!(data & kSubdirectory)) throw EPeImageError("the resource tree is damaged");
                ReadLevel(data & ~kSubdirectory, level + 1, r, out);
                continue;
            }
            if (data & kSubdirectory) throw EPeImageError("the resource tree is damaged");
            if (out.size() >= size_t(kMaxResources))
                throw EPeImageError("the resource tree is damaged");
            const size_t entry = At(data, 16);
            const uint32_t rva = Get32(image_, entry), size = Get32(image_, entry + 4);
            if (rva < section_.VirtualAddress)
                throw EPeImageError("a resource lies outside the resource section");
            const size_t from = At(rva - section_.VirtualAddress, size);
            r.CodePage = Get32(image_, entry + 8);
            r.Data.assign(image_.begin() + std::ptrdiff_t(from),
                          image_.begin() + std::ptrdiff_t(from + size));
            out.push_back(r);
        }
    }

    const TBytes& image_;
    const TSection& section_;
    size_t visited_ = 0;
};

// A key of one level: names before numbers; names in code-unit order, as the
// loader's binary search expects of upper-case names.
struct TKey {
    std::u16string Name;
    uint16_t Id = 0;
    bool operator<(const TKey& o) const {
        if (Name.empty() != o.Name.empty()) return !Name.empty();
        return Name.empty() ? Id < o.Id : Name < o.Name;
    }
};

// Writes the tree: the directories breadth first, then the data entries, the
// names and the data (each 8-aligned), as resource compilers do.
TBytes WriteTree(const std::vector<TPeResource>& resources, uint32_t sectionRva) {
    using TLangs = std::map<uint16_t, const TPeResource*>;
    using TNames = std::map<TKey, TLangs>;
    std::map<TKey, TNames> tree;
    for (const TPeResource& r : resources)
        tree[{r.Type, r.TypeId}][{r.Name, r.NameId}][r.Language] = &r;

    // Sizes first, so every offset is known before writing.
    size_t directories = 16 + 8 * tree.size();
    size_t leaves = 0;
    for (const auto& [type, names] : tree) {
        directories += 16 + 8 * names.size();
        for (const auto& [name, langs] : names) directories += 16 + 8 * langs.size();
        for (const auto& [name, langs] : names) leaves += langs.size();
    }
    std::map<std::u16string, uint32_t> nameOffsets;
    size_t namesEnd = directories + 16 * leaves;
    const auto noteName = [&](const TKey& key) {
        if (key.Name.empty() || nameOffsets.count(key.Name)) return;
        nameOffsets[key.Name] = uint32_t(namesEnd);
        namesEnd += 2 + 2 * key.Name.size();
    };
    for (const auto& [type, names] : tree) {
        noteName(type);
        for (const auto& [name, langs] : names) noteName(name);
    }
    size_t dataEnd = AlignUp(namesEnd, 8);
    std::vector<uint32_t> dataOffsets;
    for (const auto& [type, names] : tree)
        for (const auto& [name, langs] : names)
            for (const auto& [lang, r] : langs) {
                dataOffsets.push_back(uint32_t(dataEnd));
                dataEnd = AlignUp(dataEnd + r->Data.size(), 8);
            }
    if (uint64_t(sectionRva) + dataEnd > 0x7FFFFFFFu)
        throw EPeImageError("the resources would exceed 2 GiB");

    TBytes out(dataEnd, 0);
    for (const auto& [text, offset] : nameOffsets) {
        Put16(out, offset, uint16_t(text.size()));
        for (size_t i = 0; i < text.size(); ++i) Put16(out, offset + 2 + 2 * i, uint16_t(text[i]));
    }
    size_t next = 0; // where the next directory goes
    const auto directory = [&](size_t entries, size_t named) {
        const size_t at = next;
        Put16(out, at + 12, uint16_t(named));
        Put16(out, at + 14, uint16_t(entries - named));
        next += 16 + 8 * entries;
        return at;
    };
    const auto keyWord = [&](const TKey& key) {
        return key.Name.empty() ? uint32_t(key.Id) : kSubdirectory | nameOffsets.at(key.Name);
    };
    const auto namedCount = [](const auto& map) {
        size_t n = 0;
        for (const auto& item : map) n += !item.first.Name.empty();
        return n;
    };

    // Breadth first: the root, the type directories, then the name directories.
    const size_t root = directory(tree.size(), namedCount(tree));
    std::vector<size_t> typeDirs;
    size_t i = 0;
    for (const auto& [type, names] : tree) {
        typeDirs.push_back(directory(names.size(), namedCount(names)));
        Put32(out, root + 16 + 8 * i, keyWord(type));
        Put32(out, root + 20 + 8 * i, kSubdirectory | uint32_t(typeDirs.back()));
        ++i;
    }
    size_t leaf = directories, t = 0, n = 0;
    for (const auto& [type, names] : tree) {
        size_t j = 0;
        for (const auto& [name, langs] : names) {
            const size_t dir = directory(langs.size(), 0);
            Put32(out, typeDirs[t] + 16 + 8 * j, keyWord(name));
            Put32(out, typeDirs[t] + 20 + 8 * j, kSubdirectory | uint32_t(dir));
            size_t k = 0;
            for (const auto& [lang, r] : langs) {
                Put32(out, dir + 16 + 8 * k, lang);
                Put32(out, dir + 20 + 8 * k, uint32_t(leaf));
                Put32(out, leaf, sectionRva + dataOffsets[n]);
                Put32(out, leaf + 4, uint32_t(r->Data.size()));
                Put32(out, leaf + 8, r->CodePage);
                std::copy(r->Data.begin(), r->Data.end(), out.begin() + dataOffsets[n]);
                leaf += 16;
                ++k, ++n;
            }
            ++j;
        }
        ++t;
    }
    return out;
}

} // namespace

std::vector<TPeResource> ReadPeResources(const TBytes& image) {
    const THeaders headers(image);
    const uint32_t rva = headers.DirectoryRva(image, kDirResource);
    if (rva == 0) return {};
    const int s = headers.SectionOf(rva);
    if (s < 0 || headers.Sections[size_t(s)].VirtualAddress != rva)
        throw EPeImageError("the resource tree does not start its own section");
    return TTreeReader(image, headers.Sections[size_t(s)]).Read();
}

bool PeIsSigned(const TBytes& image) {
    const THeaders headers(image);
    return headers.DirectorySize(image, kDirSecurity) != 0;
}

uint32_t PeChecksum(const TBytes& image) {
    const THeaders headers(image);
    const size_t field = headers.Optional + 64;
    uint64_t sum = 0;
    for (size_t at = 0; at < image.size(); at += 2) {
        if (at == field || at == field + 2) continue;
        const uint32_t word = image[at] | (at + 1 < image.size() ? image[at + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum + image.size());
}

TBytes AddRcData(const TBytes& image, const std::vector<TRcData>& entries) {
    const THeaders headers(image);
    if (headers.DirectorySize(image, kDirSecurity) != 0)
        throw EPeImageError("the program is signed; build from an unsigned stub");
    const uint32_t rsrcRva = headers.DirectoryRva(image, kDirResource);
    if (rsrcRva == 0) throw EPeImageError("the program has no resource section");
    const int found = headers.SectionOf(rsrcRva);
    if (found < 0 || headers.Sections[size_t(found)].VirtualAddress != rsrcRva)
        throw EPeImageError("the resource tree does not start its own section");
    const size_t index = size_t(found);
    const std::vector<TSection>& sections = headers.Sections;
    for (size_t i = index + 1; i < sections.size(); ++i)
        if (!(sections[i].Flags & kScnDiscardable))
            throw EPeImageError("a section the code may refer to follows the resources");
    for (int d = 0; d < int(headers.DirectoryCount) && d < 16; ++d) {
        if (d == kDirResource || d == kDirBaseReloc) continue;
        const uint32_t rva = headers.DirectoryRva(image, d);
        const int in = rva ? headers.SectionOf(rva) : -1;
        if (in > int(index)) throw EPeImageError("a data directory lies in a section that moves");
    }

    // The tree, the old entries of the new names left out.
    std::vector<TPeResource> resources = TTreeReader(image, sections[index]).Read();
    std::erase_if(resources, [&](const TPeResource& r) {
        if (!r.Type.empty() || r.TypeId != kRtRcData) return false;
        return std::any_of(entries.begin(), entries.end(),
                           [&](const TRcData& e) { return e.Name == r.Name; });
    });
    for (const TRcData& e : entries) {
        if (e.Name.empty()) throw EPeImageError("a resource needs a name");
        TPeResource r;
        r.TypeId = kRtRcData;
        r.Name = e.Name;
        r.Data = e.Data;
        resources.push_back(std::move(r));
    }
    const TBytes tree = WriteTree(resources, rsrcRva);

    // Where everything goes: the sections after the resources follow the new
    // tree; what lies behind the last section (the symbol table) follows them.
    size_t rawEnd = 0;
    for (const TSection& s : sections) rawEnd = std::max<size_t>(rawEnd, s.RawPointer + s.RawSize);
    const TSection& old = sections[index];
    if (old.RawPointer == 0) throw EPeImageError("the resource section has no data");
    std::vector<TSection> placed(sections.begin(), sections.end());
    placed[index].VirtualSize = uint32_t(tree.size());
    placed[index].RawSize = AlignUp(tree.size(), headers.FileAlignment);
    uint64_t virtualEnd = AlignUp(uint64_t(rsrcRva) + tree.size(), headers.SectionAlignment);
    uint64_t fileEnd = uint64_t(old.RawPointer) + placed[index].RawSize;
    for (size_t i = index + 1; i < placed.size(); ++i) {
        placed[i].VirtualAddress = uint32_t(virtualEnd);
        virtualEnd = AlignUp(virtualEnd + std::max(placed[i].VirtualSize, placed[i].RawSize),
                             headers.SectionAlignment);
        if (placed[i].RawSize) {
            placed[i].RawPointer = uint32_t(fileEnd);
            fileEnd += placed[i].RawSize;
        }
    }
    for (size_t i = index + 1; i < sections.size(); ++i)
        if (sections[i].RawSize && sections[i].RawPointer < old.RawPointer + old.RawSize)
            throw EPeImageError("the sections after the resources overlap them in the file");
    const size_t tail = image.size() - std::min(image.size(), rawEnd);

    TBytes out(image.begin(), image.begin() + old.RawPointer);
    out.resize(size_t(fileEnd) + tail, 0);
    std::copy(tree.begin(), tree.end(), out.begin() + old.RawPointer);
    for (size_t i = index + 1; i < sections.size(); ++i) {
        const auto from = image.begin() + sections[i].RawPointer;
        std::copy(from, from + sections[i].RawSize, out.begin() + placed[i].RawPointer);
    }
    std::copy(image.end() - std::ptrdiff_t(tail), image.end(),
              out.begin() + std::ptrdiff_t(fileEnd));

    uint32_t initialized = 0;
    for (const TSection& s : placed) {
        Put32(out, s.Header + 8, s.VirtualSize);
        Put32(out, s.Header + 12, s.VirtualAddress);
        Put32(out, s.Header + 16, s.RawSize);
        Put32(out, s.Header + 20, s.RawSize ? s.RawPointer : 0);
        if (s.Flags & kScnInitializedData) initialized += s.RawSize;
    }
    Put32(out, headers.Optional + 8, initialized);
    Put32(out, headers.Optional + 56, uint32_t(virtualEnd));
    Put32(out, headers.Directory(kDirResource) + 4, uint32_t(tree.size()));
    if (const uint32_t reloc = headers.DirectoryRva(image, kDirBaseReloc); reloc) {
        const int in = headers.SectionOf(reloc);
        if (in > int(index)) {
            const TSection& s = sections[size_t(in)];
            Put32(out, headers.Directory(kDirBaseReloc),
                  placed[size_t(in)].VirtualAddress + (reloc - s.VirtualAddress));
        }
    }
    if (const uint32_t symbols = Get32(image, headers.Coff + 8); symbols >= rawEnd)
        Put32(out, headers.Coff + 8, uint32_t(symbols - rawEnd + fileEnd));
    Put32(out, headers.Optional + 64, PeChecksum(out));
    return out;
}

} // namespace zivrsetup
