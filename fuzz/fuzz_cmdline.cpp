// Command lines and paths come from whoever starts the setup: any text must
// parse without a fault, and the results must keep their basic promises.
// The input is read twice: as UTF-16LE code units (lone surrogates and all)
// and as UTF-8.
#include "ZUX/Base/CommandLine.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace ZUX;

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CommandLine(const String& text) {
    const String params = GetParams(text);
    Check(params.size() <= text.size());
    Check(params == Trim(params));

    for (const String& input : {text, params}) {
        const TZUXCommandLineProcessor processor(input);
        for (int i = 0; i < processor.Count(); ++i) {
            const auto& command = processor.Commands(i);
            Check(!command.Name.empty() || command.Params.Count() > 0);
            for (int k = 0; k < command.Params.Count(); ++k) {
                const String p = command.Params.Strings(k);
                Check(!p.empty() && p.front() > u' ' && p.back() > u' ');
            }
            // HasSwitch finds what the parser produced (the first of a name).
            if (i < 8 && !command.Name.empty()) {
                String value;
                Check(HasSwitch(input, command.Name, value));
                Check(value == processor.Find(command.Name)->Value());
            }
        }
        String value;
        for (const char16_t* name : {u"AUTO", u"PATH", u"SKIPUAC", u"silent", u""}) {
            const bool found = HasSwitch(input, name, value);
            Check(found == HasSwitch(input, name));
            Check(found || value.empty());
        }
    }
}

void PathFunctions(const String& p) {
    Check(ExtractFilePath(p) + ExtractFileName(p) == p);
    const String dir = ExtractFileDir(p);
    Check(StartsWith(ExtractFilePath(p), dir));
    Check(ChangeFileExt(p, ExtractFileExt(p)) == p);
    Check(ChangeFileExt(p, ExtractFileExt(p, true), true) == p);
    const String ext = ExtractFileExt(p, true);
    Check(ext.empty() || ext.front() == u'.');
    (void)ChangeFileExt(p, u".bak", true);
    (void)ExtractFileNameWithoutExt(p);
    (void)ExtractFileDirName(p);
    (void)ExtractFileDrive(p);
    (void)IsURL(p);
    const String last = ExtractLastComponent(p);
    Check(last.find_first_of(u"\\/") == String::npos);
    Check(ExcludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(p)).size() <= p.size());
    (void)IsExtInList(p, ext);
    Check(ext.empty() || IsExtInList(u"*" + ext + u";", ext));

    const String long_ = LongPathForm(p);
    Check(long_ == p || StartsWith(long_, u"\\\\?\\"));

    // Cleaning is stable: a clean name cleans to itself.
    const String clean = CleanFileName(p);
    Check(CleanFileName(clean) == clean);

    // String helpers on the same text.
    for (const char16_t* d : {u"\\", u";", u"ab"}) {
        String joined;
        const auto parts = ExplodeString(p, d);
        for (size_t i = 0; i < parts.size(); ++i) joined += (i ? String(d) : String()) + parts[i];
        Check(joined == p);
    }
    Check(StringReplace(p, u"\\", u"/").size() == p.size());
    (void)StringReplace(p, u"A", u"aa", true);
    (void)DecodeLineBreaks(p);
    (void)HexEncode(p.data(), p.size() * sizeof(char16_t));
}

void All(const String& text) {
    CommandLine(text);
    PathFunctions(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    String utf16(size / 2, u'\0');
    for (size_t i = 0; i < utf16.size(); ++i)
        utf16[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    All(utf16);
    All(FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
