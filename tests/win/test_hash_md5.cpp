// MD5 digests through the cryptography service.
#include "ZUX/Base/HashMD5.h"

#include "TestFolder.h"
#include "ZUX/Base/FileStream.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ZUX;
using ZUXTest::TTestFolder;

namespace {

String Digest(std::string_view data) {
    auto state = TZUXHashMD5::Initialize();
    TZUXHashMD5::Update(state, data.data(), data.size());
    return TZUXHashMD5::Finalize(state);
}

// 1000 bytes that are not all alike, so a skipped or repeated block shows.
std::string Sample() {
    std::string s;
    for (int i = 0; i < 1000; ++i) s += char('a' + i % 26);
    return s;
}

} // namespace

TEST(HashMD5, KnownDigests) {
    struct Case {
        std::string_view data;
        String digest;
    };
    const Case cases[] = {
        {"", u"d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", u"900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", u"f96b697d7cb7938d525a2f31aaf161d0"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         u"57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Digest(c.data), c.digest) << c.data;

    // Pieces give the digest of the whole.
    auto state = TZUXHashMD5::Initialize();
    TZUXHashMD5::Update(state, "a", 1);
    TZUXHashMD5::Update(state, "bc", 2);
    EXPECT_EQ(TZUXHashMD5::Finalize(state), u"900150983cd24fb0d6963f7d28e17f72");
}

TEST(HashMD5, StreamsAndFilesFromTheirPosition) {
    const std::string sample = Sample();
    const String whole = Digest(sample), tail = Digest(std::string_view(sample).substr(100));

    TZUXMemoryStream memory(sample);
    memory.SetPosition(100);
    auto state = TZUXHashMD5::Initialize();
    TZUXHashMD5::UpdateFromStream(state, memory);
    EXPECT_EQ(TZUXHashMD5::Finalize(state), tail);
    EXPECT_EQ(memory.Position(), int64_t(sample.size()));

    TTestFolder root;
    const String file = root / u"sample.bin";
    ZUXTest::WriteFile(file, sample);
    {
        // Blocks of 256 bytes, the percentage after each: 4 blocks for 900 bytes.
        TZUXFileStream stream(file, fmOpenRead);
        stream.SetPosition(100);
        std::vector<int> percents;
        state = TZUXHashMD5::Initialize();
        TZUXHashMD5::UpdateFromStream(state, stream, [&](int p) { percents.push_back(p); });
        EXPECT_EQ(TZUXHashMD5::Finalize(state), tail);
        EXPECT_EQ(percents, (std::vector<int>{28, 56, 85, 100}));
    }
    {
        // Read while another handle writes to it.
        TZUXFileStream writer(file, fmOpenReadWrite | fmShareDenyNone);
        state = TZUXHashMD5::Initialize();
        TZUXHashMD5::UpdateFromFile(state, file);
        EXPECT_EQ(TZUXHashMD5::Finalize(state), whole);
    }
    state = TZUXHashMD5::Initialize();
    EXPECT_THROW(TZUXHashMD5::UpdateFromFile(state, root / u"missing.bin"), EFOpenError);
}

TEST(HashMD5, ResetStartsOverAndAFinishedStateRaises) {
    auto state = TZUXHashMD5::Initialize();
    TZUXHashMD5::Update(state, "junk", 4);
    TZUXHashMD5::Reset(state);
    TZUXHashMD5::Update(state, "abc", 3);
    EXPECT_EQ(TZUXHashMD5::Finalize(state), u"900150983cd24fb0d6963f7d28e17f72");
    EXPECT_FALSE(state.Active());
    // The cryptography service refuses a released hash; that is an OS error.
    EXPECT_THROW(TZUXHashMD5::Update(state, "x", 1), EOSError);
    EXPECT_THROW(TZUXHashMD5::Finalize(state), EOSError);
}
