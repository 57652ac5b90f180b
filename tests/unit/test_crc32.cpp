// The package checksum.
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/HashCRC32.h"

#include <gtest/gtest.h>

#include <string>

using namespace ZUX;

TEST(HashCRC32, CheckValues) {
    const struct {
        std::string input;
        uint32_t crc;
    } cases[] = {{"", 0}, {"123456789", 0x89A1897Fu}, {"abc", 0x2C17398Cu}};
    for (const auto& c : cases) {
        auto state = TZUXHashCRC32::Initialize();
        TZUXHashCRC32::Update(state, c.input.data(), c.input.size());
        EXPECT_EQ(TZUXHashCRC32::Finalize(state), c.crc) << c.input;
    }
}

TEST(HashCRC32, SlicedAndBytewiseAgreeAcrossSplits) {
    // The eight-byte fold must equal the byte-at-a-time register for any
    // length and any split of the input.
    std::string data(1000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char((i * 131 + 7) & 0xFF);
    uint32_t slow = 0;
    for (unsigned char b : data) slow = TZUXHashCRC32::Compute(&b, 1, slow);
    for (size_t length = 0; length <= 300; ++length) {
        uint32_t bytewise = 0x12345678u; // a start value other than 0 too
        for (size_t i = 0; i < length; ++i)
            bytewise = TZUXHashCRC32::Compute(&data[i], 1, bytewise);
        EXPECT_EQ(TZUXHashCRC32::Compute(data.data(), length, 0x12345678u), bytewise) << length;
    }
    for (size_t split : {0u, 1u, 7u, 8u, 9u, 500u, 999u, 1000u}) {
        auto state = TZUXHashCRC32::Initialize();
        TZUXHashCRC32::Update(state, data.data(), split);
        TZUXHashCRC32::Update(state, data.data() + split, data.size() - split);
        EXPECT_EQ(TZUXHashCRC32::Finalize(state), slow) << split;
    }
}

TEST(HashCRC32, StreamFromPositionToEnd) {
    TZUXMemoryStream memory("xx123456789");
    memory.SetPosition(2);
    auto state = TZUXHashCRC32::Initialize();
    TZUXHashCRC32::UpdateFromStream(state, memory);
    EXPECT_EQ(TZUXHashCRC32::Finalize(state), 0x89A1897Fu);
}

TEST(HashCRC32, FileStreamInBlocksReportsProgress) {
    const std::string path = testing::TempDir() + "crc_stream.bin";
    std::string data(1000, 'z');
    {
        TZUXFileStream out(FromUtf8(path), fmCreate);
        out.WriteBuffer(data.data(), int64_t(data.size()));
    }
    TZUXFileStream in(FromUtf8(path), fmOpenRead);
    int last = -1, calls = 0;
    auto state = TZUXHashCRC32::Initialize();
    TZUXHashCRC32::UpdateFromStream(state, in, [&](int p) {
        EXPECT_GE(p, last);
        last = p;
        ++calls;
    });
    EXPECT_EQ(TZUXHashCRC32::Finalize(state), TZUXHashCRC32::Compute(data.data(), data.size()));
    EXPECT_EQ(calls, 4); // 256-byte blocks
    EXPECT_EQ(last, 100);
}
