// The run log: silent until opened, one stamped UTF-8 line per event, free
// file names by date and number, and a file it cannot write never stops anyone.
#include "ZUX/Base/Log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>
#include <vector>

using namespace ZUX;

namespace {

String TempName(const std::string& name) {
    return FromUtf8(testing::TempDir() + name);
}

std::string ReadAll(const String& name) {
    std::ifstream in(ToUtf8(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        out.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the last line ends with CR LF";
    return out;
}

struct LogTest : testing::Test {
    void SetUp() override {
        name = TempName("zivr-log-test.txt");
        std::remove(ToUtf8(name).c_str());
    }
    void TearDown() override {
        LogClose();
        std::remove(ToUtf8(name).c_str());
    }
    String name;
};

} // namespace

TEST_F(LogTest, SilentUntilOpened) {
    Log(u"nobody sees this");
    LogFmt(u"nor %s", {u"this"});
    EXPECT_FALSE(LogActive());
    std::ifstream in(ToUtf8(name));
    EXPECT_FALSE(in.good());
}

TEST_F(LogTest, StampedUtf8LinesAppended) {
    ASSERT_TRUE(LogOpen(name));
    EXPECT_TRUE(LogActive());
    EXPECT_EQ(LogFileName(), name);
    Log(u"Setup 5.62 — Русский");
    LogFmt(u"file %s (%d bytes)", {u"ZIVR.exe", 42});
    Log(u"two\r\nlines");
    LogOSError(u"cannot delete x", 5);
    LogClose();
    Log(u"after closing");

    const auto lines = Lines(ReadAll(name));
    ASSERT_EQ(lines.size(), 4u);
    const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  .*)");
    for (const auto& line : lines) EXPECT_TRUE(std::regex_match(line, stamp)) << line;
    EXPECT_EQ(lines[0].substr(25), "Setup 5.62 — Русский");
    EXPECT_EQ(lines[1].substr(25), "file ZIVR.exe (42 bytes)");
    EXPECT_EQ(lines[2].substr(25), "two  lines") << "an event stays on one line";
    EXPECT_EQ(lines[3].substr(25, 26), "cannot delete x: error 5 (");

    // A second opening appends.
    ASSERT_TRUE(LogOpen(name));
    Log(u"again");
    LogClose();
    EXPECT_EQ(Lines(ReadAll(name)).size(), 5u);
}

TEST_F(LogTest, LinesFromThreadsStayWhole) {
    ASSERT_TRUE(LogOpen(name));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) LogFmt(u"thread %d line %d", {t, i});
        });
    for (auto& thread : threads) thread.join();
    LogClose();
    const auto lines = Lines(ReadAll(name));
    ASSERT_EQ(lines.size(), 800u);
    for (const auto& line : lines) EXPECT_EQ(line.substr(25, 7), "thread ");
}

TEST_F(LogTest, AFileThatCannotBeOpenedIsToldOnceAndStopsNothing) {
    const String folder = TempName("");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LogOpen(folder)); // a folder cannot be a log
    Log(u"goes nowhere");
    LogLastError(u"nor this");
    EXPECT_FALSE(LogActive());
    EXPECT_FALSE(LogOpen(folder));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot be opened"), std::string::npos) << err;
    EXPECT_EQ(err.find("cannot be opened"), err.rfind("cannot be opened")) << "told once: " << err;
}

TEST_F(LogTest, FreeFileNamesCountUpByDay) {
    const String folder = TempName("");
    const String first = LogFreeFileName(folder, u"ZIVR Setup Log test");
    const std::string text = ToUtf8(first.substr(folder.size()));
    EXPECT_TRUE(
        std::regex_match(text, std::regex(R"(ZIVR Setup Log test \d{4}-\d\d-\d\d #001\.txt)")))
        << text;
    { std::ofstream(ToUtf8(first)) << "taken"; }
    const String second = LogFreeFileName(folder, u"ZIVR Setup Log test");
    EXPECT_EQ(ToUtf8(second.substr(second.size() - 8)), "#002.txt");
    std::remove(ToUtf8(first).c_str());
}

TEST_F(LogTest, ExceptionsShowTheirSystemCode) {
    ASSERT_TRUE(LogOpen(name));
    LogException(u"File not written: x", EOSError(u"Access denied", 5));
    LogException(u"File not written: y", EFOpenError(u"Cannot open file", 32));
    LogException(u"Action failed", Exception(u"Setup has wrong config"));
    LogClose();
    const auto lines = Lines(ReadAll(name));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(25, 41), "File not written: x: Access denied: error");
    EXPECT_NE(lines[0].find("error 5 ("), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("error 32 ("), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2].substr(25), "Action failed: Setup has wrong config");
}
