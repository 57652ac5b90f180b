// INI documents from arbitrary bytes: loading never fails, saving and loading
// again gives the same document, and every line's key is found again.
#include "ZUX/Base/IniFile.h"

#include <cstdint>
#include <cstdlib>

using namespace ZUX;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

TZUXEncoding EncodingFrom(uint8_t b) {
    return static_cast<TZUXEncoding>(b % 4);
}

void Reload(const TZUXIniFile& source, TZUXEncoding encoding, TZUXIniFile& target) {
    TZUXMemoryStream stream;
    source.SaveToStream(stream, encoding);
    stream.Seek(0, SeekOrigin::Begin);
    target.LoadFromStream(stream);
}

void CheckLookups(const TZUXIniFile& ini) {
    for (int i = 0; i < ini.SectionCount(); ++i) {
        const String name = ini.SectionNames(i);
        Check(ini.ExistsSection(name));
        const TZUXIniFileSection* section = ini.Sections(i);
        for (int j = 0; j < section->Count(); ++j) {
            const String key = section->Names(j);
            // Names that compare equal must hash alike, or this fails.
            Check(ini.ExistsKey(name, key));
            String value;
            Check(ini.TryReadString(name, key, value));
            ini.ReadInteger(name, key, 0);
            ini.ReadBool(name, key, true);
            TZUXMemoryStream stream;
            if (ini.ReadStream(name, key, stream))
                Check(stream.Size() == int64_t(value.size() / 2));
            ini.ReadObject(name, key, [](TZUXStream& s) { s.ReadToEnd(); });
        }
        TZUXStringList keys;
        ini.ReadKeys(name, keys);
        Check(keys.Count() <= section->Count());
    }
}

void CheckStringList(std::string_view bytes) {
    TZUXStringList list;
    TZUXMemoryStream stream(bytes);
    list.LoadFromStream(stream, bytes.empty() ? TZUXEncoding::ANSI : EncodingFrom(bytes[0]));
    if (list.Count() > 512) return; // the checks below are quadratic
    list.SortLogical();
    for (int i = 1; i < list.Count(); ++i)
        Check(CompareLogical(list.Strings(i - 1), list.Strings(i)) <= 0);
    list.Sort();
    const int before = list.Count();
    const int removed = list.RemoveDuplicates();
    Check(list.Count() == before - removed);
    for (int i = 0; i < list.Count(); ++i) Check(list.IndexOf(list.Strings(i)) == i);
    if (list.Count() > 0) list.Values(list.Names(0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TZUXIniFile ini;
    TZUXMemoryStream input(bytes);
    ini.LoadFromStream(input);
    CheckLookups(ini);

    // The UTF-16 forms are lossless; the others settle after one round.
    for (const TZUXEncoding e :
         {TZUXEncoding::UTF16LE, TZUXEncoding::UTF16BE, TZUXEncoding::UTF8, TZUXEncoding::ANSI}) {
        TZUXIniFile once, twice;
        Reload(ini, e, once);
        // A text the code page cannot hold is saved as UTF-8 with its mark.
        Check(once.Encoding() == e ||
              (e == TZUXEncoding::ANSI && once.Encoding() == TZUXEncoding::UTF8));
        if (e == TZUXEncoding::UTF16LE || e == TZUXEncoding::UTF16BE) Check(once.Equals(&ini));
        Reload(once, e, twice);
        Check(twice.Equals(&once));
    }

    TZUXIniFile copy;
    copy.Assign(&ini);
    Check(copy.Equals(&ini));
    TZUXIniFile merged;
    merged.Merge(ini, true);
    Check(merged.Equals(&ini));
    merged.Merge(ini, false);
    Check(merged.Equals(&ini));
    merged.Merge(ini, true);

    // Writing and deleting by the keys that are there.
    if (ini.SectionCount() > 0) {
        const String name = ini.SectionNames(size % ini.SectionCount());
        TZUXStringList keys;
        ini.ReadKeys(name, keys);
        for (int i = 0; i < keys.Count(); ++i) {
            if (i % 2) {
                copy.WriteString(name, keys.Strings(i), u"v");
                Check(copy.ReadString(name, keys.Strings(i), u"") == u"v");
            } else {
                copy.DeleteKey(name, keys.Strings(i));
            }
        }
        copy.WriteSectionText(name, ini.ReadSectionText(name));
        Check(copy.DeleteSection(name));
        Check(!copy.ExistsSection(name));
    }

    CheckStringList(bytes);
    return 0;
}
