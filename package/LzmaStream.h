// The LZMA stream wrapper: raw LZMA1 (five property bytes, then range-coded
// data without an end marker) between two streams, every block passing through
// an optional preprocessor on its way in or out.
#pragma once

#include "ZUX/Base/Streams.h"

#include <cstddef>
#include <cstdint>
#include <functional>

using TPreprocessor = std::function<void(uint8_t* buffer, size_t length)>;

struct TLZMAStreams {
    TPreprocessor DestPreprocessor; // applied to each output block before it is written
    ZUX::TZUXStream* DestStream = nullptr;
    TPreprocessor SourcePreprocessor; // applied to each input block just after it is read
    ZUX::TZUXStream* SourceStream = nullptr;
};

// The coder's result codes.
enum TLzmaResult : int {
    LZMA_RESULT_OK = 0,
    LZMA_RESULT_DATA_ERROR = 1,
    LZMA_RESULT_MEM_ERROR = 2,
    LZMA_RESULT_UNSUPPORTED = 4,
    LZMA_RESULT_PARAM_ERROR = 5,
    LZMA_RESULT_WRITE_ERROR = 9,
};

// Decodes until outputSize bytes were produced. A data error (malformed or
// short input) is returned, not raised: the caller's length and checksum tests
// report it. Every other failure raises EInvalidOperation "LZMA Error (%d)".
int LzmaDecodeStream(ZUX::TZUXStream& sourceStream, ZUX::TZUXStream& destStream,
                     uint64_t outputSize, const TPreprocessor& sourcePreprocessor = {});

// Encodes the source from its position to its end at a compression level
// (0 to 9; negative counts as 5). Raises EInvalidOperation "LZMA Error (%d)".
void LzmaEncodeStream(ZUX::TZUXStream& sourceStream, ZUX::TZUXStream& destStream, int level,
                      const TPreprocessor& destPreprocessor = {});

// The encoder settings of a level.
struct TLzmaLevelSettings {
    uint32_t DictionarySize;
    bool Normal; // normal mode, otherwise fast
    uint32_t FastBytes;
    bool BinaryTree;     // binary tree, otherwise hash chain (both 4-byte hashing)
    uint32_t CycleLimit; // match-finder search depth
};
TLzmaLevelSettings LzmaLevelSettings(int level);

// The dictionary size written into the properties: the smallest 2^k or
// 3 * 2^(k-1), k from 12 to 31, not below size.
uint32_t LzmaPropertyDictionarySize(uint32_t size);
