// File attributes: the small part of the file system that portable code needs.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>

namespace ZUX {

inline constexpr uint32_t faInvalid = 0xFFFFFFFFu;
inline constexpr uint32_t faReadOnly = 0x01;
inline constexpr uint32_t faHidden = 0x02;
inline constexpr uint32_t faSysFile = 0x04;
inline constexpr uint32_t faDirectory = 0x10;
inline constexpr uint32_t faNormal = 0x80;

// faInvalid when P is empty or does not exist.
uint32_t GetFileAttr(const String& p);
// 0 makes the file normal (clears read-only, hidden and system).
bool SetFileAttr(const String& p, uint32_t attributes);
bool FileExists(const String& p);
bool DirectoryExists(const String& p);

} // namespace ZUX
