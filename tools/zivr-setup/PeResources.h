// Writing RT_RCDATA resources into a 64-bit Windows program on the build host:
// the resource tree of the program is read, the new entries are added (an
// entry of the same name is replaced) and the whole tree is written again as
// the program's resource section. Sections after the resource section move up
// or down with it; only discardable ones (relocations, debug data) may follow
// it, since nothing in the code refers to their addresses.
//
// Failures raise EPeImageError with the reason: not a 64-bit PE image, a
// damaged header or resource tree, a signed program (its signature would no
// longer match) or a section layout this writer does not move.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zivrsetup {

class EPeImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TBytes = std::vector<uint8_t>;

struct TRcData {
    std::u16string Name; // upper case, as the resource compiler stores names
    TBytes Data;
};

// A resource of the program as the loader finds it.
struct TPeResource {
    std::u16string Type; // empty when TypeId is meant
    uint16_t TypeId = 0;
    std::u16string Name; // empty when NameId is meant
    uint16_t NameId = 0;
    uint16_t Language = 0;
    uint32_t CodePage = 0;
    TBytes Data;
};

// Every resource of the image, in the order of its tree.
std::vector<TPeResource> ReadPeResources(const TBytes& image);

// The image with the RT_RCDATA entries added (language neutral), replacing
// entries of the same name in every language; header checksum recomputed.
TBytes AddRcData(const TBytes& image, const std::vector<TRcData>& entries);

// Whether the image carries a signature (a certificate table).
bool PeIsSigned(const TBytes& image);

// The checksum of the optional header over the whole image.
uint32_t PeChecksum(const TBytes& image);

} // namespace zivrsetup
