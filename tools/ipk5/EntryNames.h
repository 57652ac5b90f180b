// Entry names as paths: a package stores names as its builder was given them,
// so before one becomes a file below a target folder it must be a plain
// relative path that cannot leave that folder.
#pragma once

#include "ZUX/Base/Strings.h"

#include <string>
#include <vector>

namespace ipk5 {

// Splits a name at backslashes and slashes into its components. Empty when
// the name is accepted; otherwise why it is refused: absolute paths, empty,
// "." and ".." components, drive or stream colons, control characters and
// unpaired surrogates. Nothing is repaired: a name that would need it is
// refused.
std::string SplitEntryName(ZUX::StringView name, std::vector<ZUX::String>& components);

// The name for messages and listings: UTF-8, control characters and unpaired
// surrogates shown as <U+XXXX>.
std::string Printable(ZUX::StringView name);

} // namespace ipk5
