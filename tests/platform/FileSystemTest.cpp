// The file-system calls: Windows paths mapped to the disk, names found without regard to
// case, Swedish names stored as UTF-8, text mode with CR LF on disk, and rename as on
// Windows.
#include "platform/FileSystem.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing_support::crlf;
using testing_support::exists;
using testing_support::listNames;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

using Names = std::vector<std::string>;

// Writes `text` through a stream opened with `mode`.
bool writeStream(const std::string& path, const char* mode, const std::string& text) {
    FILE* f = platform::fopen(path.c_str(), mode);
    if (!f)
        return false;
    std::fputs(text.c_str(), f);
    return std::fclose(f) == 0;
}

// Everything a stream opened with `mode` delivers.
std::string readStream(const std::string& path, const char* mode = "r") {
    FILE* f = platform::fopen(path.c_str(), mode);
    if (!f)
        return "<cannot open>";
    std::string out;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        out += static_cast<char>(c);
    std::fclose(f);
    return out;
}

std::vector<std::string> lines(const std::string& path) {
    std::vector<std::string> out;
    FILE* f = platform::fopen(path.c_str(), "r");
    if (!f)
        return out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, f))
        out.push_back(buf);
    std::fclose(f);
    return out;
}

TEST(TextMode, WritesCrLfOnDisk) {
    TempDir dir;
    std::string path = dir.winPath() + "\\A.TXT";
    ASSERT_TRUE(writeStream(path, "w", "B1 \nrad 2\n\n*"));
    EXPECT_EQ(readBytes(dir.file("A.TXT")), "B1 \r\nrad 2\r\n\r\n*");
    FILE* f = platform::fopen(path.c_str(), "a");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "%d\n", 7);
    std::fclose(f);
    EXPECT_EQ(readBytes(dir.file("A.TXT")), "B1 \r\nrad 2\r\n\r\n*7\r\n");
}

TEST(TextMode, BinaryModeWritesBytesAsGiven) {
    TempDir dir;
    std::string path = dir.winPath() + "\\A.BIN";
    ASSERT_TRUE(writeStream(path, "wb", "a\nb\r\n"));
    EXPECT_EQ(readBytes(dir.file("A.BIN")), "a\nb\r\n");
    EXPECT_EQ(readStream(path, "rb"), "a\nb\r\n");
}

TEST(TextMode, ReadsEitherLineEnd) {
    TempDir dir;
    writeBytes(dir.file("crlf.txt"), "ett\r\ntv\xE5\r\n*");
    writeBytes(dir.file("lf.txt"), "ett\ntv\xE5\n*");
    EXPECT_EQ(lines(dir.winPath() + "\\crlf.txt"), (Names{"ett\n", "tv\xE5\n", "*"}));
    EXPECT_EQ(lines(dir.winPath() + "\\lf.txt"), (Names{"ett\n", "tv\xE5\n", "*"}));
}

TEST(TextMode, LoneCarriageReturnsAreKept) {
    TempDir dir;
    writeBytes(dir.file("cr.txt"), "a\rb\r\r\nc\r");
    EXPECT_EQ(readStream(dir.winPath() + "\\cr.txt"), "a\rb\r\nc\r");
}

TEST(TextMode, LineEndsAcrossReadChunksAreJoined) {
    TempDir dir;
    // Lines of every length from 0 to 299 put CR LF pairs at every offset, so some CR
    // ends one chunk of the underlying reads and its LF starts the next.
    std::string text;
    for (int n = 0; n < 300; ++n)
        text += std::string(static_cast<size_t>(n), static_cast<char>('a' + n % 26)) + "\n";
    writeBytes(dir.file("long.txt"), crlf(text));
    EXPECT_EQ(readStream(dir.winPath() + "\\long.txt"), text);
    // And the same through the writer.
    ASSERT_TRUE(writeStream(dir.winPath() + "\\copy.txt", "w", text));
    EXPECT_EQ(readBytes(dir.file("copy.txt")), crlf(text));
}

TEST(TextMode, UnbufferedStreamReadsOneCharacterAtATime) {
    TempDir dir;
    writeBytes(dir.file("u.txt"), "a\rb\r\nc\r\r\n");
    FILE* f = platform::fopen((dir.winPath() + "\\u.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::setvbuf(f, nullptr, _IONBF, 0);
    std::string out;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        out += static_cast<char>(c);
    std::fclose(f);
    EXPECT_EQ(out, "a\rb\nc\r\n");
}

// Text streams are read from the start to the end; rewinding starts over cleanly, also
// when a CR was left waiting for its LF at the end of a chunk.
TEST(TextMode, RewindStartsOverCleanly) {
    TempDir dir;
    std::string text = std::string(4095, 'x') + "\r\nab\r\ncd\r\n";
    writeBytes(dir.file("s.txt"), text);
    FILE* f = platform::fopen((dir.winPath() + "\\s.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::setvbuf(f, nullptr, _IOFBF, 4096);
    std::string first;
    for (int i = 0; i < 4095; ++i)
        first += static_cast<char>(std::fgetc(f));
    ASSERT_EQ(std::fseek(f, 0, SEEK_SET), 0);
    std::string all;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        all += static_cast<char>(c);
    std::fclose(f);
    EXPECT_EQ(all, std::string(4095, 'x') + "\nab\ncd\n");
}

TEST(Paths, OpeningFindsTheFileInAnotherCase) {
    TempDir dir;
    writeBytes(dir.file("HARNDB/B1.SND"), "B1\r\n*");
    std::string base = dir.winPath();
    EXPECT_EQ(readStream(base + "\\HARNDB\\B1.snd"), "B1\n*");
    EXPECT_EQ(readStream(base + "\\harndb\\b1.snd"), "B1\n*");
    EXPECT_EQ(platform::access((base + "\\HarnDb\\b1.Snd").c_str(), 0), 0);
    EXPECT_EQ(platform::access((base + "\\HARNDB\\B2.SND").c_str(), 0), -1);
    EXPECT_EQ(platform::fopen((base + "\\HARNDB\\B2.SND").c_str(), "r"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

TEST(Paths, CreatingOverAnotherCaseReusesTheFile) {
    TempDir dir;
    writeBytes(dir.file("HARNDB/B1.SND"), "gammal text som är längre");
    ASSERT_TRUE(writeStream(dir.winPath() + "\\harndb\\b1.snd", "w", "ny\n"));
    EXPECT_EQ(listNames(dir.file("HARNDB")), Names{"B1.SND"});
    EXPECT_EQ(readBytes(dir.file("HARNDB/B1.SND")), "ny\r\n");
    EXPECT_EQ(listNames(dir.path()), Names{"HARNDB"});
}

TEST(Paths, MissingComponentsAreCreatedWithTheNameGiven) {
    TempDir dir;
    std::string base = dir.winPath();
    EXPECT_EQ(platform::makeDirectory((base + "\\HarnDB").c_str()), 0);
    EXPECT_EQ(platform::makeDirectory((base + "\\HARNDB").c_str()), -1); // exists already
    EXPECT_TRUE(platform::isDirectory((base + "\\harndb").c_str()));
    ASSERT_TRUE(writeStream(base + "\\HARNDB\\Ny.Lje", "w", "x"));
    EXPECT_EQ(listNames(dir.file("HarnDB")), Names{"Ny.Lje"});
    EXPECT_EQ(platform::fopen((base + "\\SAKNAS\\X.TXT").c_str(), "w"), nullptr);
}

TEST(Paths, SwedishNamesAreUtf8OnDiskAndFoundAgain) {
    TempDir dir;
    std::string base = dir.winPath();
    std::string name = "Borrhål ÄÖ.SND"; // CP1252 bytes in the library
    ASSERT_EQ(name.find('\xE5'), 5u);
    ASSERT_TRUE(writeStream(base + "\\" + name, "w", "x\n"));
    EXPECT_EQ(listNames(dir.path()), Names{"Borrh\xC3\xA5l \xC3\x84\xC3\x96.SND"});
    EXPECT_EQ(readStream(base + "\\" + name), "x\n");
    // Found again without regard to case, å and Å included.
    EXPECT_EQ(readStream(base + "\\BORRHÅL äö.snd"), "x\n");
    auto entries = platform::listDirectory(base.c_str());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, name);
    EXPECT_FALSE(entries[0].isDirectory);
    EXPECT_EQ(entries[0].size, 3);
    // A Swedish folder name in the middle of a path as well.
    EXPECT_EQ(platform::makeDirectory((base + "\\Östra").c_str()), 0);
    ASSERT_TRUE(writeStream(base + "\\ÖSTRA\\a.txt", "w", "y"));
    EXPECT_EQ(readBytes(dir.file("\xC3\x96stra/a.txt")), "y");
}

TEST(Paths, WindowsAndNativeFormsConvert) {
    EXPECT_EQ(platform::windowsPath("/home/a/PROJ1"), "\\home\\a\\PROJ1");
    EXPECT_EQ(platform::windowsPath("/tmp/\xC3\xB6st"), "\\tmp\\\xF6st");
    TempDir dir;
    testing_support::makeDirs(dir.file("PROJ1/HARNDB"));
    EXPECT_EQ(platform::nativePath((dir.winPath() + "\\proj1\\harndb\\x.snd").c_str()),
              dir.path() + "/PROJ1/HARNDB/x.snd");
    EXPECT_EQ(platform::nativePath((dir.winPath() + "\\\xF6\\A").c_str()),
              dir.path() + "/\xC3\xB6/A");
}

TEST(Access, ModesZeroAndSix) {
    TempDir dir;
    writeBytes(dir.file("X.DBS"), "x");
    std::string p = dir.winPath() + "\\x.dbs";
    EXPECT_EQ(platform::access(p.c_str(), 0), 0);
    EXPECT_EQ(platform::access(p.c_str(), 6), 0);
    EXPECT_EQ(platform::access((dir.winPath() + "\\y.dbs").c_str(), 0), -1);
    EXPECT_EQ(platform::access((dir.winPath() + "\\y.dbs").c_str(), 6), -1);
    if (::geteuid() != 0) { // the superuser may write anything
        ::chmod(dir.file("X.DBS").c_str(), 0444);
        EXPECT_EQ(platform::access(p.c_str(), 6), -1);
        EXPECT_EQ(platform::access(p.c_str(), 0), 0);
    }
}

TEST(Remove, RemovesInAnyCaseAndRefusesMissingFilesAndFolders) {
    TempDir dir;
    writeBytes(dir.file("TMPCAD.PB$"), "");
    testing_support::makeDirs(dir.file("SUB"));
    EXPECT_EQ(platform::remove((dir.winPath() + "\\tmpcad.pb$").c_str()), 0);
    EXPECT_FALSE(exists(dir.file("TMPCAD.PB$")));
    EXPECT_EQ(platform::remove((dir.winPath() + "\\tmpcad.pb$").c_str()), -1);
    EXPECT_EQ(platform::remove((dir.winPath() + "\\SUB").c_str()), -1);
    EXPECT_TRUE(exists(dir.file("SUB")));
}

TEST(Rename, MovesToANewName) {
    TempDir dir;
    writeBytes(dir.file("B1.TMP"), "ny");
    EXPECT_EQ(platform::rename((dir.winPath() + "\\b1.tmp").c_str(),
                               (dir.winPath() + "\\B1.SND").c_str()),
              0);
    EXPECT_EQ(listNames(dir.path()), Names{"B1.SND"});
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "ny");
}

TEST(Rename, RefusesAnExistingTargetInAnyCase) {
    TempDir dir;
    writeBytes(dir.file("B1.TMP"), "ny");
    writeBytes(dir.file("B1.SND"), "gammal");
    std::string from = dir.winPath() + "\\B1.TMP";
    EXPECT_EQ(platform::rename(from.c_str(), (dir.winPath() + "\\B1.SND").c_str()), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(platform::rename(from.c_str(), (dir.winPath() + "\\b1.snd").c_str()), -1);
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "gammal");
    EXPECT_EQ(readBytes(dir.file("B1.TMP")), "ny");
    EXPECT_EQ(
        platform::rename((dir.winPath() + "\\SAKNAS").c_str(), (dir.winPath() + "\\X").c_str()),
        -1);
}

TEST(Rename, SameFileInAnotherCaseTakesTheNewSpelling) {
    TempDir dir;
    writeBytes(dir.file("b1.snd"), "data");
    EXPECT_EQ(platform::rename((dir.winPath() + "\\b1.snd").c_str(),
                               (dir.winPath() + "\\B1.SND").c_str()),
              0);
    EXPECT_EQ(listNames(dir.path()), Names{"B1.SND"});
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "data");
}

TEST(ReplaceFile, ReplacesAnExistingTargetInOneStep) {
    TempDir dir;
    writeBytes(dir.file("NY.DBS"), "ny");
    writeBytes(dir.file("HARNPLAN.DBS"), "gammal");
    EXPECT_EQ(platform::replaceFile((dir.winPath() + "\\NY.DBS").c_str(),
                                    (dir.winPath() + "\\harnplan.dbs").c_str()),
              0);
    EXPECT_EQ(listNames(dir.path()), Names{"HARNPLAN.DBS"});
    EXPECT_EQ(readBytes(dir.file("HARNPLAN.DBS")), "ny");
}

TEST(WholeFiles, SizeReadAndWriteAreBinary) {
    TempDir dir;
    std::string p = dir.winPath() + "\\BIN.DAT";
    std::string bytes("a\r\n\0b\n", 6);
    ASSERT_TRUE(platform::writeFile(p.c_str(), bytes));
    EXPECT_EQ(readBytes(dir.file("BIN.DAT")), bytes);
    std::string back;
    ASSERT_TRUE(platform::readFile((dir.winPath() + "\\bin.dat").c_str(), back));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(platform::fileSize(p.c_str()), 6);
    EXPECT_EQ(platform::fileSize((dir.winPath() + "\\none").c_str()), -1);
    EXPECT_EQ(platform::fileSize(dir.winPath().c_str()), -1);
    EXPECT_FALSE(platform::readFile((dir.winPath() + "\\none").c_str(), back));
}

TEST(ListDirectory, GivesFilesAndFoldersWithoutDots) {
    TempDir dir;
    writeBytes(dir.file("A.SND"), "12345");
    testing_support::makeDirs(dir.file("HARNDB"));
    auto entries = platform::listDirectory(dir.winPath().c_str());
    ASSERT_EQ(entries.size(), 2u);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(entries[0].name, "A.SND");
    EXPECT_EQ(entries[0].size, 5);
    EXPECT_FALSE(entries[0].isDirectory);
    EXPECT_EQ(entries[1].name, "HARNDB");
    EXPECT_TRUE(entries[1].isDirectory);
    EXPECT_TRUE(platform::listDirectory((dir.winPath() + "\\none").c_str()).empty());
}

} // namespace
