// Language files: the summary of one language for the selection dialog.
#pragma once

#include "ZUX/Base/IniFile.h"

#include <cstdint>

namespace ZUX {

struct TZUXLocalizationInfo {
    String Author;
    int32_t LangId = 0;
    String Name;
    int32_t VersionId = 0;
};

// Fills info from the "File" section of a loaded language document. When icon
// is given it receives the bytes of the ICO file held in "Icon" as hexadecimal
// text, or is cleared when that value is missing, not hexadecimal or not an
// icon. Always true.
bool LangGetInfo(const TZUXIniFile& document, TZUXLocalizationInfo& info, Bytes* icon = nullptr);

// An ICO file's header and directory: reserved 0, type 1, at least one image,
// and the directory entries present.
bool LooksLikeIcon(std::string_view bytes);

} // namespace ZUX
