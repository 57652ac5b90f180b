// The summary of a language file for the selection dialog.
#include "ZUX/Base/LanguageFile.h"

namespace ZUX {

namespace {

constexpr char16_t FileSection[] = u"File";

uint16_t Word(std::string_view bytes, size_t offset) {
    return uint16_t(uint8_t(bytes[offset]) | (uint8_t(bytes[offset + 1]) << 8));
}

} // namespace

bool LooksLikeIcon(std::string_view bytes) {
    constexpr size_t headerSize = 6, entrySize = 16;
    if (bytes.size() < headerSize) return false;
    const uint16_t count = Word(bytes, 4);
    return Word(bytes, 0) == 0 && Word(bytes, 2) == 1 && count > 0 &&
           bytes.size() >= headerSize + entrySize * count;
}

bool LangGetInfo(const TZUXIniFile& document, TZUXLocalizationInfo& info, Bytes* icon) {
    info.Author = document.ReadString(FileSection, u"Author", u"");
    info.LangId = document.ReadInteger(FileSection, u"LangId", 0);
    info.Name = document.ReadString(FileSection, u"Name", u"");
    info.VersionId = document.ReadInteger(FileSection, u"VersionId", 0);
    if (icon) {
        Bytes bytes;
        const bool loaded = document.ReadObject(
            FileSection, u"Icon", [&](TZUXStream& stream) { bytes = stream.ReadToEnd(); });
        if (loaded && LooksLikeIcon(bytes))
            *icon = std::move(bytes);
        else
            icon->clear();
    }
    return true;
}

} // namespace ZUX
