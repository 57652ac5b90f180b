// The package checksum (CRC-32, most significant bit first).
#include "ZUX/Base/HashCRC32.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ZUX_CRC32_CLMUL 1
#endif

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

uint32_t ComputeByTables(const void* data, size_t length, uint32_t crc) {
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

#ifdef ZUX_CRC32_CLMUL
// Carry-less multiplication folds 64 bytes per step, four times as fast as
// the tables. A 128-bit block R (first byte in the top bits) followed by n
// more bits is congruent, modulo the polynomial, to R's high half times
// x^(n+64) mod P plus its low half times x^n mod P: each a 64 x 32-bit product.
constexpr uint64_t XPowerModP(unsigned n) {
    uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i) r = (r & 0x80000000u) ? (r << 1) ^ kPoly : r << 1;
    return r;
}

#define ZUX_CLMUL_TARGET __attribute__((target("pclmul,ssse3")))

ZUX_CLMUL_TARGET inline __m128i LoadBlock(const uint8_t* p) {
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
}

// R times x^n mod P, folded to 96 bits; k holds x^(n+64) mod P high, x^n mod P low.
ZUX_CLMUL_TARGET inline __m128i Fold(__m128i r, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(r, k, 0x11), _mm_clmulepi64_si128(r, k, 0x00));
}

// Needs at least 64 bytes.
ZUX_CLMUL_TARGET uint32_t ComputeByClmul(const uint8_t* p, size_t length, uint32_t crc) {
    const __m128i by512 = _mm_set_epi64x(int64_t(XPowerModP(576)), int64_t(XPowerModP(512)));
    const __m128i by128 = _mm_set_epi64x(int64_t(XPowerModP(192)), int64_t(XPowerModP(128)));
    // The start value enters as the first four message bytes XOR the register.
    __m128i r0 = _mm_xor_si128(LoadBlock(p), _mm_set_epi32(int(crc), 0, 0, 0));
    __m128i r1 = LoadBlock(p + 16), r2 = LoadBlock(p + 32), r3 = LoadBlock(p + 48);
    p += 64;
    length -= 64;
    for (; length >= 64; p += 64, length -= 64) {
        r0 = _mm_xor_si128(Fold(r0, by512), LoadBlock(p));
        r1 = _mm_xor_si128(Fold(r1, by512), LoadBlock(p + 16));
        r2 = _mm_xor_si128(Fold(r2, by512), LoadBlock(p + 32));
        r3 = _mm_xor_si128(Fold(r3, by512), LoadBlock(p + 48));
    }
    r1 = _mm_xor_si128(Fold(r0, by128), r1);
    r2 = _mm_xor_si128(Fold(r1, by128), r2);
    r3 = _mm_xor_si128(Fold(r2, by128), r3);
    for (; length >= 16; p += 16, length -= 16) r3 = _mm_xor_si128(Fold(r3, by128), LoadBlock(p));
    // The remaining 128 bits as message bytes from a zero register, then the tail.
    alignas(16) uint8_t last[16];
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    _mm_store_si128(reinterpret_cast<__m128i*>(last), _mm_shuffle_epi8(r3, reverse));
    return ComputeByTables(p, length, ComputeByTables(last, sizeof last, 0));
}
#endif

} // namespace

uint32_t TZUXHashCRC32::Compute(const void* data, size_t length, uint32_t crc) {
#ifdef ZUX_CRC32_CLMUL
    static const bool clmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
    if (clmul && length >= 64)
        return ComputeByClmul(static_cast<const uint8_t*>(data), length, crc);
#endif
    return ComputeByTables(data, length, crc);
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
