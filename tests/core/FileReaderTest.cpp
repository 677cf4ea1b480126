#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core-interface/FileReader.h"
#include "core-interface/Memory.h"

using Nimbal::FileReader;
using Nimbal::String;

namespace {

class FileReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("nimbal-filereader-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    String write(const std::string& name, const std::string& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return String::fromUtf8(path.string());
    }

    // Reads the way the format readers do: process, then test for the end.
    static std::vector<String> readAll(FileReader& reader) {
        std::vector<String> lines;
        String line;
        do {
            reader.nextLine(line);
            lines.push_back(line);
        } while (!reader.eof());
        return lines;
    }

    std::filesystem::path dir_;
};

} // namespace

TEST_F(FileReaderTest, SplitsOnLfAndCrLf) {
    struct Case {
        std::string bytes;
        std::vector<const char*> lines;
    };
    const Case cases[] = {
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},            // no trailing newline
        {"a\n\n\nb\n", {"a", "", "", "b"}}, // blank lines kept
        {"a\rb\n", {"a\rb"}},               // a lone CR is text
        {"x\r", {"x\r"}},                   // ... also at the end
        {"\n", {""}},
    };
    for (const Case& c : cases) {
        FileReader reader(write("lines.txt", c.bytes));
        ASSERT_TRUE(reader.isOpen());
        std::vector<String> got = readAll(reader);
        ASSERT_EQ(got.size(), c.lines.size()) << c.bytes;
        for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], String(c.lines[i])) << c.bytes;
        String after("unchanged");
        EXPECT_FALSE(reader.nextLine(after));
        EXPECT_TRUE(after.isEmpty());
    }
}

TEST_F(FileReaderTest, EmptyFileIsAtItsEndAtOnce) {
    FileReader reader(write("empty.txt", ""));
    EXPECT_TRUE(reader.isOpen());
    EXPECT_TRUE(reader.eof());
    String line;
    EXPECT_FALSE(reader.nextLine(line));
}

TEST_F(FileReaderTest, MissingFileReadsAsEmpty) {
    FileReader reader;
    EXPECT_FALSE(reader.open(String::fromUtf8((dir_ / "missing.txt").string())));
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.eof());
    String line;
    EXPECT_FALSE(reader.nextLine(line));
    EXPECT_FALSE(reader.open(String()));
}

TEST_F(FileReaderTest, BytesAreWindows1252AndNulsAreKept) {
    FileReader reader(write("bytes.txt", std::string("caf\xE9 \x80\0z\n", 9)));
    String line;
    ASSERT_TRUE(reader.nextLine(line));
    ASSERT_EQ(line.length(), 8);
    EXPECT_EQ(line[3], u'\u00E9');
    EXPECT_EQ(line[5], u'\u20AC');
    EXPECT_EQ(line[6], u'\0');
    EXPECT_EQ(line[7], u'z');
}

TEST_F(FileReaderTest, LinesLongerThanTheBufferAndBinaryContent) {
    std::string longLine(300000, 'q');
    longLine[150000] = 'M';
    std::string binary;
    for (int i = 0; i < 70000; ++i) {
        char c = char((i * 37) & 0xFF);
        binary += c == '\r' ? 'R' : c; // keeps the byte count exact
    }
    const size_t newlines = size_t(std::count(binary.begin(), binary.end(), '\n'));
    FileReader reader(write("long.txt", longLine + "\r\n" + "short\n" + binary));
    String line;
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_EQ(line.length(), 300000);
    EXPECT_EQ(line[150000], u'M');
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_EQ(line, String("short"));
    size_t bytes = 0, lines = 0;
    while (reader.nextLine(line)) {
        bytes += size_t(line.length());
        ++lines;
    }
    EXPECT_EQ(bytes, binary.size() - newlines);
    EXPECT_EQ(lines, newlines + (binary.back() == '\n' ? 0 : 1));
}

// The buffer holds 65536 bytes: a CR just before a refill and its LF just
// after must still end the line, and lines are not cut at the seam.
TEST_F(FileReaderTest, LineEndsAcrossTheBufferSeam) {
    for (size_t crAt : {size_t(65535), size_t(65534), size_t(65536)}) {
        std::string bytes(crAt, 'a');
        bytes += "\r\nnext\n";
        FileReader reader(write("seam.txt", bytes));
        std::vector<String> got = readAll(reader);
        ASSERT_EQ(got.size(), 2u) << crAt;
        EXPECT_EQ(got[0].length(), int32_t(crAt)) << crAt;
        EXPECT_EQ(got[1], String("next")) << crAt;
    }
}

// Readers fill one String line after line: it must not allocate per line.
TEST_F(FileReaderTest, ReusesTheLinesBuffer) {
    std::string bytes = std::string(100, 'x') + "\n";
    for (int i = 0; i < 50; ++i) bytes += "short line " + std::to_string(i) + "\n";
    FileReader reader(write("reuse.txt", bytes));
    String line;
    ASSERT_TRUE(reader.nextLine(line));
    const char16_t* storage = line.c_wstr();
    const int32_t capacity = line.capacity();
    while (reader.nextLine(line)) {
        EXPECT_EQ(line.c_wstr(), storage);
        EXPECT_EQ(line.capacity(), capacity);
    }
}

TEST_F(FileReaderTest, NonAsciiFileNameAndReopen) {
    const String first = write("\u00E9t\u00E9.txt", "one\n");
    const String second = write("second.txt", "two\n");
    FileReader reader(first);
    String line;
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_EQ(line, String("one"));
    ASSERT_TRUE(reader.open(second));
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_EQ(line, String("two"));
    reader.close();
    EXPECT_FALSE(reader.isOpen());
}

TEST_F(FileReaderTest, ReleasesItsBuffer) {
    const int64_t before = Nimbal::liveAllocations();
    {
        FileReader reader(write("a.txt", "a\n"));
        EXPECT_GT(Nimbal::liveAllocations(), before);
    }
    EXPECT_EQ(Nimbal::liveAllocations(), before);
}
