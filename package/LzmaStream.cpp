// The raw LZMA1 stream wrapper.
#include "package/LzmaStream.h"

#include "ZUX/Base/Format.h"
#include "ZUX/Base/ScopeExit.h"

#include <lzma.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace ZUX;

namespace {

constexpr size_t kBlockSize = 65536;
constexpr uint32_t kLc = 3, kLp = 0, kPb = 2;

[[noreturn]] void RaiseLzmaError(int code) {
    throw EInvalidOperation(Format(u"LZMA Error (%d)", {code}));
}

int ResultCode(lzma_ret ret) {
    switch (ret) {
    case LZMA_OK:
    case LZMA_STREAM_END:
        return LZMA_RESULT_OK;
    case LZMA_MEM_ERROR:
    case LZMA_MEMLIMIT_ERROR:
        return LZMA_RESULT_MEM_ERROR;
    case LZMA_OPTIONS_ERROR:
        return LZMA_RESULT_UNSUPPORTED;
    case LZMA_PROG_ERROR:
        return LZMA_RESULT_PARAM_ERROR;
    default:
        return LZMA_RESULT_DATA_ERROR; // data, buffer and format errors
    }
}

// Reads up to count bytes and unscrambles exactly those; never reports an error.
size_t ReadBlock(const TLZMAStreams& s, uint8_t* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const int64_t n = s.SourceStream->Read(buffer + done, int64_t(count - done));
        if (n <= 0) break;
        done += size_t(n);
    }
    if (s.SourcePreprocessor && done > 0) s.SourcePreprocessor(buffer, done);
    return done;
}

// Scrambles the block in place and writes it; false on a short write.
bool WriteBlock(const TLZMAStreams& s, uint8_t* buffer, size_t count) {
    if (count == 0) return true;
    if (s.DestPreprocessor) s.DestPreprocessor(buffer, count);
    size_t done = 0;
    while (done < count) {
        const int64_t n = s.DestStream->Write(buffer + done, int64_t(count - done));
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// Runs the coder to its end: input blocks from the read callback, output blocks
// to the write callback. Returns the coder's last result.
lzma_ret Pump(lzma_stream& strm, const TLZMAStreams& s) {
    std::vector<uint8_t> in(kBlockSize), out(kBlockSize);
    strm.next_out = out.data();
    strm.avail_out = out.size();
    bool inputEnded = false;
    for (;;) {
        if (strm.avail_in == 0 && !inputEnded) {
            const size_t n = ReadBlock(s, in.data(), in.size());
            strm.next_in = in.data();
            strm.avail_in = n;
            inputEnded = n == 0;
        }
        const lzma_ret r = lzma_code(&strm, inputEnded ? LZMA_FINISH : LZMA_RUN);
        if (strm.avail_out == 0 || r != LZMA_OK) {
            if (!WriteBlock(s, out.data(), out.size() - strm.avail_out))
                RaiseLzmaError(LZMA_RESULT_WRITE_ERROR);
            strm.next_out = out.data();
            strm.avail_out = out.size();
        }
        if (r != LZMA_OK) return r;
    }
}

} // namespace

TLzmaLevelSettings LzmaLevelSettings(int level) {
    if (level < 0) level = 5;
    if (level <= 4) return {1u << (2 * level + 14), false, 32, false, (16 + 32 / 2) / 2};
    if (level == 5) return {16u << 20, true, 32, true, 16 + 32 / 2};
    if (level == 6) return {32u << 20, true, 32, true, 16 + 32 / 2};
    return {64u << 20, true, 64, true, 16 + 64 / 2};
}

uint32_t LzmaPropertyDictionarySize(uint32_t size) {
    for (int k = 12; k <= 31; ++k) {
        if ((uint32_t(1) << k) >= size) return uint32_t(1) << k;
        if ((uint32_t(3) << (k - 1)) >= size) return uint32_t(3) << (k - 1);
    }
    return uint32_t(3) << 30;
}

int LzmaDecodeStream(TZUXStream& sourceStream, TZUXStream& destStream, uint64_t outputSize,
                     const TPreprocessor& sourcePreprocessor) {
    TLZMAStreams s;
    s.DestStream = &destStream;
    s.SourceStream = &sourceStream;
    s.SourcePreprocessor = sourcePreprocessor;

    uint8_t props[5];
    if (ReadBlock(s, props, sizeof props) < sizeof props) return LZMA_RESULT_DATA_ERROR;

    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (const lzma_ret r = lzma_properties_decode(&filters[0], nullptr, props, sizeof props);
        r != LZMA_OK) {
        RaiseLzmaError(ResultCode(r));
    }
    std::unique_ptr<lzma_options_lzma, decltype(&free)> options(
        static_cast<lzma_options_lzma*>(filters[0].options), &free);
    // The window never needs to exceed what will be produced: a dictionary
    // size from the file must not decide how much memory is taken.
    const uint64_t window = std::max<uint64_t>(outputSize, 4096);
    options->dict_size = uint32_t(std::min<uint64_t>(std::max(options->dict_size, 4096u), window));
    options->ext_flags = 0;
    lzma_set_ext_size(*options, outputSize);
    filters[0].id = LZMA_FILTER_LZMA1EXT;

    lzma_stream coder = LZMA_STREAM_INIT;
    const auto end = ScopeExit([&coder] { lzma_end(&coder); });
    if (const lzma_ret r = lzma_raw_decoder(&coder, filters); r != LZMA_OK)
        RaiseLzmaError(ResultCode(r));

    const lzma_ret r = Pump(coder, s);
    if (r == LZMA_STREAM_END) return LZMA_RESULT_OK;
    const int code = ResultCode(r);
    if (code != LZMA_RESULT_DATA_ERROR) RaiseLzmaError(code);
    return code;
}

void LzmaEncodeStream(TZUXStream& sourceStream, TZUXStream& destStream, int level,
                      const TPreprocessor& destPreprocessor) {
    TLZMAStreams s;
    s.DestPreprocessor = destPreprocessor;
    s.DestStream = &destStream;
    s.SourceStream = &sourceStream;

    const TLzmaLevelSettings settings = LzmaLevelSettings(level);
    lzma_options_lzma options{};
    if (lzma_lzma_preset(&options, 6)) RaiseLzmaError(LZMA_RESULT_PARAM_ERROR);
    // A dictionary larger than the input finds no further matches, but its
    // tables are still allocated and cleared: a small log would pay for 4 MiB.
    const int64_t input = std::max<int64_t>(sourceStream.Size() - sourceStream.Position(), 0);
    options.dict_size =
        uint32_t(std::clamp<int64_t>(input, 4096, int64_t(settings.DictionarySize)));
    options.lc = kLc;
    options.lp = kLp;
    options.pb = kPb;
    options.mode = settings.Normal ? LZMA_MODE_NORMAL : LZMA_MODE_FAST;
    options.nice_len = settings.FastBytes;
    options.mf = settings.BinaryTree ? LZMA_MF_BT4 : LZMA_MF_HC4;
    options.depth = settings.CycleLimit;
    options.ext_flags = 0; // no end marker: the size is kept outside the stream
    lzma_set_ext_size(options, UINT64_MAX);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};

    lzma_stream coder = LZMA_STREAM_INIT;
    const auto end = ScopeExit([&coder] { lzma_end(&coder); });
    if (const lzma_ret r = lzma_raw_encoder(&coder, filters); r != LZMA_OK)
        RaiseLzmaError(ResultCode(r));

    uint8_t props[5];
    props[0] = uint8_t((kPb * 5 + kLp) * 9 + kLc);
    const uint32_t dict = LzmaPropertyDictionarySize(settings.DictionarySize);
    for (int i = 0; i < 4; ++i) props[1 + i] = uint8_t(dict >> (8 * i));
    if (!WriteBlock(s, props, sizeof props)) RaiseLzmaError(LZMA_RESULT_WRITE_ERROR);

    if (const lzma_ret r = Pump(coder, s); r != LZMA_STREAM_END) RaiseLzmaError(ResultCode(r));
}
