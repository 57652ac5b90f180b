// Memory and file streams.
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileStream.h"

#include <gtest/gtest.h>

using namespace ZUX;

namespace {
String TempFile(const char* name) {
    return FromUtf8(testing::TempDir() + name);
}
} // namespace

TEST(MemoryStream, ReadWriteSeekAndShortReads) {
    TZUXMemoryStream m;
    m.WriteBuffer("hello", 5);
    m.SetPosition(8); // writing past the end fills the gap with zeros
    m.WriteBuffer("!", 1);
    EXPECT_EQ(m.Size(), 9);
    EXPECT_EQ(m.Data(), Bytes("hello\0\0\0!", 9));
    m.SetPosition(3);
    char buf[16];
    EXPECT_EQ(m.Read(buf, 16), 6);
    EXPECT_EQ(m.Read(buf, 16), 0);
    m.SetPosition(7);
    try {
        m.ReadBuffer(buf, 3);
        FAIL() << "short read must raise";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), u"Stream read error");
    }
    m.SetSize(2);
    EXPECT_EQ(m.Position(), 2);
}

TEST(FileStream, MissingFileRaisesWithNameAndReason) {
    const String name = TempFile("does-not-exist.bin");
    try {
        TZUXFileStream s(name, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        const String prefix = u"Cannot open file \"" + name + u"\". ";
        EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix);
        EXPECT_GT(e.Message().size(), prefix.size());
        // A missing file, not some other failure: ENOENT on POSIX, ERROR_FILE_NOT_FOUND on Windows.
        EXPECT_EQ(e.Code(), 2u);
    }
    std::unique_ptr<TZUXBufferedFileStream> s;
    EXPECT_FALSE(OpenFileForReading(name, s));
    EXPECT_EQ(s, nullptr);
}

TEST(BufferedFileStream, MixedReadsWritesAndSeeksAgreeWithMemory) {
    // A small buffer makes every path cross a buffer boundary.
    const String name = TempFile("buffered.bin");
    TZUXMemoryStream model;
    {
        TZUXBufferedFileStream f(name, fmCreate, 7);
        std::string chunk;
        for (int i = 0; i < 200; ++i) {
            chunk.assign(size_t(i % 23), char('a' + i % 26));
            f.WriteBuffer(chunk.data(), int64_t(chunk.size()));
            model.WriteBuffer(chunk.data(), int64_t(chunk.size()));
            if (i % 17 == 0) {
                const int64_t back = f.Position() / 2;
                f.SetPosition(back);
                model.SetPosition(back);
                char a[5] = {}, b[5] = {};
                EXPECT_EQ(f.Read(a, 5), model.Read(b, 5));
                EXPECT_EQ(std::string(a, 5), std::string(b, 5));
                EXPECT_EQ(f.Position(), model.Position());
            }
        }
        EXPECT_EQ(f.Size(), model.Size());
        f.Flush();
    }
    std::unique_ptr<TZUXBufferedFileStream> in;
    ASSERT_TRUE(OpenFileForReading(name, in));
    EXPECT_EQ(in->ReadToEnd(), model.Data());
}

TEST(FileAttributes, ReadOnlyAndNormal) {
    const String name = TempFile("attr.bin");
    { TZUXFileStream s(name, fmCreate); }
    EXPECT_TRUE(FileExists(name));
    EXPECT_FALSE(DirectoryExists(name));
    ASSERT_TRUE(SetFileAttr(name, faReadOnly));
    EXPECT_TRUE(GetFileAttr(name) & faReadOnly);
    ASSERT_TRUE(SetFileAttr(name, 0));
    EXPECT_FALSE(GetFileAttr(name) & faReadOnly);
    EXPECT_EQ(GetFileAttr(u""), faInvalid);
    EXPECT_EQ(GetFileAttr(TempFile("nothing-here")), faInvalid);
}

TEST(MemoryStream, BoundedStreamTakesNoMoreThanItsLimit) {
    // A limit read from a file reserves address space only; writes stop at it.
    TZUXMemoryStream m;
    ASSERT_TRUE(m.ReserveBounded(3 << 20));
    std::string block(1 << 20, 'q');
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.Write(block.data(), int64_t(block.size())), 1 << 20);
    EXPECT_EQ(m.Write("x", 1), 0);
    EXPECT_EQ(m.Size(), 3 << 20);
    EXPECT_EQ(m.Memory()[(3 << 20) - 1], 'q');
    m.SetPosition(0);
    EXPECT_EQ(m.Write("abc", 3), 3);
    EXPECT_EQ(m.Data().substr(0, 4), "abcq");
}
