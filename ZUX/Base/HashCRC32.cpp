#include "ZUX/Base/HashCRC32.h"

#include <array>
#include <cstring>

namespace ZUX {

namespace {

constexpr uint32_t kPoly = 0x04C11DB7u;

// Slicing tables: kTables[k][j] is the register after byte j followed by k
// zero bytes, so eight bytes are folded in with eight lookups.
constexpr auto MakeTables() {
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t j = 0; j < 256; ++j) {
        uint32_t crc = j << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ kPoly : crc << 1;
        t[0][j] = crc;
    }
    for (size_t k = 1; k < 8; ++k)
        for (uint32_t j = 0; j < 256; ++j) t[k][j] = (t[k - 1][j] << 8) ^ t[0][t[k - 1][j] >> 24];
    return t;
}

constexpr auto kTables = MakeTables();
static_assert(kTables[0][1] == 0x04C11DB7u && kTables[0][2] == 0x09823B6Eu);

inline uint32_t LoadBigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

} // namespace

uint32_t TZUXHashCRC32::Compute(const void* data, size_t length, uint32_t crc) {
    const auto* p = static_cast<const uint8_t*>(data);
    const auto& t = kTables;
    while (length >= 8) {
        const uint32_t a = crc ^ LoadBigEndian32(p);
        crc = t[7][a >> 24] ^ t[6][(a >> 16) & 0xFF] ^ t[5][(a >> 8) & 0xFF] ^ t[4][a & 0xFF] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        length -= 8;
    }
    while (length-- > 0) crc = (crc << 8) ^ t[0][(crc >> 24) ^ *p++];
    return crc;
}

void TZUXHashCRC32::Update(State& state, const void* data, size_t length) {
    state.crc = Compute(data, length, state.crc);
}

void TZUXHashCRC32::UpdateFromStream(State& state, TZUXStream& stream,
                                     const ProgressProc& progress) {
    UpdateDigestFromStream(
        stream, [&state](const void* data, size_t length) { Update(state, data, length); },
        progress);
}

} // namespace ZUX
