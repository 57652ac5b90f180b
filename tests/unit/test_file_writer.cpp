// Writing decoded files on the writer's lanes: every file whole, and what a
// lane cannot write comes back in the caller's order.
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Log.h"
#include "engine/FileWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ZUX;

namespace {

String Folder(const char* name) {
    const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return FromUtf8((folder / "").string());
}

TSetupFileWriter::TItem Item(size_t index, const String& name, const std::string& content) {
    TSetupFileWriter::TItem item;
    item.Index = index;
    item.FileName = name;
    item.Data = std::make_unique<TZUXMemoryStream>(content);
    return item;
}

std::string Content(const String& name) {
    TZUXFileStream file(name, fmOpenRead);
    std::string bytes(size_t(file.Size()), '\0');
    file.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    return bytes;
}

std::string ContentOf(size_t i) {
    return std::string(i % 7 == 0 ? 0 : 100 + i, char('a' + i % 26));
}

} // namespace

// More files than may wait at once, some empty, and larger ones than fit the
// byte bound together; one lane and several.
TEST(FileWriter, WritesEveryFileWhole) {
    for (const size_t lanes : {size_t(1), size_t(2), size_t(3)}) {
        SCOPED_TRACE(lanes);
        const String folder = Folder("writer-all");
        const size_t count = TSetupFileWriter::MaxWaitingFiles * 3;
        {
            TSetupFileWriter writer(lanes);
            for (size_t i = 0; i < count; ++i)
                writer.Write(Item(i, folder + IntToStr(int64_t(i)), ContentOf(i)));
            const std::string large(size_t(TSetupFileWriter::MaxWaitingBytes), 'L');
            writer.Write(Item(count, folder + u"large1", large));
            writer.Write(Item(count + 1, folder + u"large2", large));
            EXPECT_TRUE(writer.Drain().empty());
            EXPECT_FALSE(writer.HasReturned());
        }
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(Content(folder + IntToStr(int64_t(i))), ContentOf(i)) << i;
        EXPECT_EQ(Content(folder + u"large2").size(), size_t(TSetupFileWriter::MaxWaitingBytes));
    }
}

// A file whose folder is missing comes back with its data, and so does a
// later file of the same name; the other files are written or come back, in
// the caller's order, and after the drain the lanes take files again.
TEST(FileWriter, HandsBackWhatItCannotWriteInOrder) {
    const String folder = Folder("writer-back");
    const std::filesystem::path missingFolder = std::filesystem::path(ToUtf8(folder)) / "missing";
    const String missing = FromUtf8((missingFolder / "file").string());
    TSetupFileWriter writer(2);
    writer.Write(Item(0, folder + u"before", "b"));
    writer.Write(Item(1, missing, "first"));
    for (size_t i = 2; i < 40; ++i)
        writer.Write(Item(i, folder + u"other" + IntToStr(int64_t(i)), "o"));
    writer.Write(Item(40, missing, "second"));
    const std::vector<TSetupFileWriter::TItem> back = writer.Drain();
    // The failed file's lane sends its later files back unwritten.
    ASSERT_GE(back.size(), 2u);
    EXPECT_EQ(back.front().Index, 1u);
    EXPECT_EQ(back.front().Data->Data(), "first");
    EXPECT_EQ(back.back().Index, 40u);
    EXPECT_EQ(back.back().Data->Data(), "second");
    std::vector<bool> isBack(41);
    for (size_t k = 0; k < back.size(); ++k) {
        if (k) {
            EXPECT_LT(back[k - 1].Index, back[k].Index);
        }
        isBack[back[k].Index] = true;
    }
    EXPECT_EQ(Content(folder + u"before"), "b");
    for (size_t i = 2; i < 40; ++i) {
        const String name = folder + u"other" + IntToStr(int64_t(i));
        EXPECT_EQ(std::filesystem::exists(ToUtf8(name)), !isBack[i]) << i;
        if (!isBack[i]) {
            EXPECT_EQ(Content(name), "o") << i;
        }
    }

    std::filesystem::create_directory(missingFolder);
    writer.Write(Item(41, missing, "third"));
    EXPECT_TRUE(writer.Drain().empty());
    EXPECT_EQ(Content(missing), "third");
}

// The lanes finish in any order; the run's log tells the written files in the
// caller's, and leaves out the ones that came back.
TEST(FileWriter, LogsWrittenFilesInTheCallersOrder) {
    const String folder = Folder("writer-log");
    const String log = folder + u"run.log";
    const String missing = FromUtf8((std::filesystem::path(ToUtf8(folder)) / "no" / "f").string());
    ASSERT_TRUE(LogOpen(log));
    {
        TSetupFileWriter writer(2);
        for (size_t i = 0; i < 100; ++i)
            writer.Write(Item(i, i == 50 ? missing : folder + IntToStr(int64_t(i)), "x"));
        writer.Drain();
    }
    LogClose();
    std::vector<String> written;
    const std::string text = Content(log);
    for (size_t at = text.find("File written: "); at != std::string::npos;
         at = text.find("File written: ", at + 1))
        written.push_back(FromUtf8(text.substr(at + 14, text.find(" (", at) - at - 14)));
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.front(), folder + u"0");
    size_t previous = 0;
    for (size_t k = 1; k < written.size(); ++k) {
        ASSERT_NE(written[k], missing);
        const size_t index = size_t(std::stoul(ToUtf8(written[k].substr(folder.size()))));
        EXPECT_GT(index, previous);
        previous = index;
    }
}
