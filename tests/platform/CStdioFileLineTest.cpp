// CStdioFile::ReadLine against ReadString: the same lines from the same bytes in text and
// binary mode (line ends of every kind, lone CRs, zero bytes, lines longer than any buffer,
// no final line end), and a disk error raised as by ReadString. The block line reader
// (platform::LineReader) gives the lines of text mode from the file opened in binary mode,
// and in text mode taking over from ReadLine where it stopped.
#include "platform/CStdioFile.h"
#include "platform/FaultInjection.h"
#include "platform/LineReader.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using testing_support::writeBytes;

// Not modes of the file: the lines by platform::LineReader from the file in binary mode, and
// in text mode after the first line by ReadLine.
constexpr UINT kBlocks = 0x80000000u;
constexpr UINT kTextBlocks = 0x40000000u;

class CStdioFileLineTest : public ::testing::Test {
protected:
    platform::FaultScope faults;
    testing_support::TempDir dir;
    std::string path() const { return dir.winPath() + "\\L.TXT"; }

    // Every line of the file by ReadString (false) or ReadLine (true); by LineReader for
    // kBlocks and kTextBlocks.
    std::vector<std::string> lines(UINT mode, bool readLine) const {
        std::vector<std::string> out;
        if (mode == kBlocks || mode == kTextBlocks) {
            CStdioFile file(path().c_str(),
                            CFile::modeRead | (mode == kBlocks ? UINT{CFile::typeBinary} : 0u));
            std::string first;
            if (mode == kTextBlocks && file.ReadLine(first))
                out.push_back(first);
            platform::LineReader reader(file);
            std::string_view line;
            while (reader.next(line))
                out.emplace_back(line);
            return out;
        }
        CStdioFile f(path().c_str(), CFile::modeRead | mode);
        if (readLine) {
            std::string line = "left over";
            while (f.ReadLine(line))
                out.push_back(line);
            EXPECT_EQ(line, "");
        } else {
            CString line("left over");
            while (f.ReadString(line))
                out.push_back(line.str());
            EXPECT_EQ(line.str(), "");
        }
        return out;
    }
};

TEST_F(CStdioFileLineTest, SameLinesAsReadStringInBothModes) {
    std::vector<std::string> files = {
        "",
        "\n",
        "\r\n",
        "a\r\nb\nc",
        "a\r\r\nb\rc\r",
        "x\r",
        std::string("nul\0mitt\r\n\0\nslut", 17),
        std::string(100000, 'l') + "\r\n" + std::string(9000, 'm'),
    };
    // Random files of the bytes that matter, lines of every length up to a few buffers.
    std::mt19937 random(3);
    const char alphabet[] = {'a', '\r', '\n', '\0', '*', ' '};
    for (int i = 0; i < 200; ++i) {
        std::string bytes;
        const int length = std::uniform_int_distribution<int>(0, i < 150 ? 60 : 20000)(random);
        for (int k = 0; k < length; ++k)
            bytes += alphabet[std::uniform_int_distribution<int>(0, 5)(random)];
        files.push_back(bytes);
    }
    for (const std::string& bytes : files) {
        writeBytes(dir.file("L.TXT"), bytes);
        for (UINT mode : {0u, unsigned(CFile::typeBinary)})
            EXPECT_EQ(lines(mode, true), lines(mode, false))
                << testing::PrintToString(bytes) << " mode " << mode;
        for (UINT blocks : {kBlocks, kTextBlocks})
            EXPECT_EQ(lines(blocks, true), lines(0, false))
                << testing::PrintToString(bytes) << " mode " << blocks;
    }
    for (std::string bytes : {"rad 1\r\n\r\nsista", "rad 1\n\nsista", "rad 1\r\n\nsista"}) {
        writeBytes(dir.file("L.TXT"), bytes);
        for (UINT mode : {0u, unsigned(CFile::typeBinary)})
            EXPECT_EQ(lines(mode, false), (std::vector<std::string>{"rad 1", "", "sista"}));
    }
}

TEST_F(CStdioFileLineTest, ReadErrorRaises) {
    writeBytes(dir.file("L.TXT"), "a\r\nb\r\n");
    CStdioFile f(path().c_str(), CFile::modeRead);
    platform::FaultInjector::failNth(platform::FileOp::Read, 1);
    std::string line;
    EXPECT_THROW(f.ReadLine(line), CFileException);
    // The failure was for that read only: the file reads on from its start.
    EXPECT_TRUE(f.ReadLine(line));
    EXPECT_EQ(line, "a");
    CStdioFile closed;
    EXPECT_THROW(closed.ReadLine(line), CFileException);
}

} // namespace
