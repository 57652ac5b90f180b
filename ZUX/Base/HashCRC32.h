// The package checksum: CRC-32 with polynomial 0x04C11DB7, most significant bit
// first, start value 0, no final XOR. Not the reflected CRC of ZIP and PNG.
#pragma once

#include "ZUX/Base/Streams.h"

#include <cstdint>
#include <functional>

namespace ZUX {

class TZUXHashCRC32 {
public:
    struct State {
        uint32_t crc = 0;
    };
    using ProgressProc = std::function<void(int percent)>;

    // The state is a plain value: nothing to free.
    static State Initialize() { return {}; }
    static void Update(State& state, const void* data, size_t length);
    // From the stream's position to its end; memory streams in one call, other
    // streams in blocks of 256 bytes with the percentage after each block.
    static void UpdateFromStream(State& state, TZUXStream& stream,
                                 const ProgressProc& progress = {});
    static uint32_t Finalize(const State& state) { return state.crc; }

    // The register after feeding data to a register holding crc.
    static uint32_t Compute(const void* data, size_t length, uint32_t crc = 0);
};

} // namespace ZUX
