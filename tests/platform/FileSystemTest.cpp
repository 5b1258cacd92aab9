// The file-system calls: Windows paths mapped to the disk, names found without regard to
// case, Swedish names stored as UTF-8, text mode with CR LF on disk, rename as on Windows.
#include "platform/FileSystem.h"

#include "platform/Cp1252Literal.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing_support::crlf;
using testing_support::listNames;
using testing_support::readBytes;
using testing_support::writeBytes;
using Names = std::vector<std::string>;

class FileSystemTest : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    std::string path(const std::string& name) const { return dir.winPath() + "\\" + name; }
    bool write(const std::string& name, const char* mode, const std::string& text) {
        FILE* f = platform::fopen(path(name).c_str(), mode);
        return f && std::fputs(text.c_str(), f) >= 0 && std::fclose(f) == 0;
    }
    // What a stream delivers one character at a time (`bufferSize` 0: unbuffered), after
    // `skip` characters and a rewind when `skip` is given.
    std::string read(const std::string& name, const char* mode = "r", size_t bufferSize = 4096,
                     int skip = 0) {
        FILE* f = platform::fopen(path(name).c_str(), mode);
        if (!f)
            return "<cannot open>";
        std::setvbuf(f, nullptr, bufferSize ? _IOFBF : _IONBF, bufferSize);
        while (skip-- > 0)
            std::fgetc(f);
        std::rewind(f);
        std::string out;
        for (int c; (c = std::fgetc(f)) != EOF;)
            out += static_cast<char>(c);
        std::fclose(f);
        return out;
    }
};

TEST_F(FileSystemTest, TextModeWritesCrLfAndReadsEitherEnd) {
    ASSERT_TRUE(write("A.TXT", "w", "B1 \nrad 2\n\n*"));
    ASSERT_TRUE(write("A.TXT", "a", "7\n"));
    EXPECT_EQ(readBytes(dir.file("A.TXT")), "B1 \r\nrad 2\r\n\r\n*7\r\n");
    ASSERT_TRUE(write("A.BIN", "wb", "a\nb\r\n"));
    EXPECT_EQ(read("A.BIN", "rb"), "a\nb\r\n");
    const char* cases[][2] = {{"ett\r\ntv\xE5\r\n*", "ett\ntv\xE5\n*"},
                              {"ett\ntv\xE5\n*", "ett\ntv\xE5\n*"},
                              {"a\rb\r\r\nc\r", "a\rb\r\nc\r"}}; // a lone CR stays
    for (auto& c : cases) {
        writeBytes(dir.file("T.TXT"), c[0]);
        EXPECT_EQ(read("t.txt"), c[1]);
        EXPECT_EQ(read("t.txt", "r", 0), c[1]);
    }
    // Lines of every length put CR LF pairs at every offset, so some CR ends one chunk of
    // the underlying reads and its LF starts the next.
    std::string text;
    for (int n = 0; n < 300; ++n)
        text += std::string(static_cast<size_t>(n), static_cast<char>('a' + n % 26)) + "\n";
    writeBytes(dir.file("long.txt"), crlf(text));
    EXPECT_EQ(read("long.txt"), text);
    ASSERT_TRUE(write("copy.txt", "w", text));
    EXPECT_EQ(readBytes(dir.file("copy.txt")), crlf(text));
    // Rewinding starts over cleanly, also with a CR left waiting at the end of a chunk.
    writeBytes(dir.file("s.txt"), std::string(4095, 'x') + "\r\nab\r\n");
    EXPECT_EQ(read("s.txt", "r", 4096, 4095), std::string(4095, 'x') + "\nab\n");
}

TEST_F(FileSystemTest, NamesAreFoundWithoutCaseAndStoredAsUtf8) {
    writeBytes(dir.file("HARNDB/B1.SND"), "B1\r\n*");
    EXPECT_EQ(read("harndb\\b1.snd"), "B1\n*");
    EXPECT_EQ(platform::access(path("HarnDb\\b1.Snd").c_str(), 0), 0);
    EXPECT_EQ(platform::fopen(path("HARNDB\\B2.SND").c_str(), "r"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    // Creating over another case reuses the file.
    ASSERT_TRUE(write("harndb\\b1.snd", "w", "ny\n"));
    EXPECT_EQ(listNames(dir.file("HARNDB")), Names{"B1.SND"});
    EXPECT_EQ(readBytes(dir.file("HARNDB/B1.SND")), "ny\r\n");
    // Missing components are created with the name given; nothing below a missing folder.
    EXPECT_EQ(platform::makeDirectory(path("Ny").c_str()), 0);
    EXPECT_EQ(platform::makeDirectory(path("NY").c_str()), -1); // exists already
    EXPECT_TRUE(platform::isDirectory(path("ny").c_str()));
    ASSERT_TRUE(write("NY\\Ny.Lje", "w", "x"));
    EXPECT_EQ(listNames(dir.file("Ny")), Names{"Ny.Lje"});
    EXPECT_EQ(platform::fopen(path("SAKNAS\\X.TXT").c_str(), "w"), nullptr);
    // Swedish names: UTF-8 on disk, found again without regard to case, å and Å included.
    ASSERT_EQ(platform::makeDirectory(path("Östra"_cp).c_str()), 0);
    ASSERT_TRUE(write("Östra\\Borrhål ÄÖ.SND"_cp, "w", "x\n")); // CP1252 bytes in the library
    EXPECT_EQ(listNames(dir.file("\xC3\x96stra")), Names{"Borrh\xC3\xA5l \xC3\x84\xC3\x96.SND"});
    EXPECT_EQ(read("ÖSTRA\\BORRHÅL äö.snd"_cp), "x\n");
    EXPECT_EQ(platform::nativePath(path("östra\\borrhÅl äö.snd"_cp).c_str()),
              dir.path() + "/\xC3\x96stra/Borrh\xC3\xA5l \xC3\x84\xC3\x96.SND");
    auto entries = platform::listDirectory(path("östra"_cp).c_str());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Borrhål ÄÖ.SND"_cp);
    EXPECT_EQ(entries[0].size, 3); // "x" CR LF
    EXPECT_FALSE(entries[0].isDirectory);
    EXPECT_TRUE(platform::listDirectory(path("none").c_str()).empty());
}

TEST_F(FileSystemTest, AccessRemoveRenameAndWholeFiles) {
    writeBytes(dir.file("X.DBS"), "x");
    EXPECT_EQ(platform::access(path("x.dbs").c_str(), 6), 0);
    EXPECT_EQ(platform::access(path("y.dbs").c_str(), 0), -1);
    if (::geteuid() != 0) { // the superuser may write anything
        ::chmod(dir.file("X.DBS").c_str(), 0444);
        EXPECT_EQ(platform::access(path("x.dbs").c_str(), 6), -1);
    }
    testing_support::makeDirs(dir.file("SUB"));
    EXPECT_EQ(platform::remove(path("sub").c_str()), -1); // folders are not removed
    EXPECT_EQ(platform::remove(path("x.dbs").c_str()), 0);
    EXPECT_EQ(platform::remove(path("x.dbs").c_str()), -1);
    // Rename refuses an existing target in any case, unless it is the same file.
    writeBytes(dir.file("B1.TMP"), "ny");
    writeBytes(dir.file("B1.SND"), "gammal");
    EXPECT_EQ(platform::rename(path("B1.TMP").c_str(), path("b1.snd").c_str()), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(platform::rename(path("SAKNAS").c_str(), path("X").c_str()), -1);
    EXPECT_EQ(platform::rename(path("b1.tmp").c_str(), path("b2.snd").c_str()), 0);
    EXPECT_EQ(platform::rename(path("b2.snd").c_str(), path("B2.SND").c_str()), 0);
    EXPECT_EQ(listNames(dir.path()), (Names{"B1.SND", "B2.SND", "SUB"}));
    EXPECT_EQ(platform::replaceFile(path("B2.SND").c_str(), path("b1.snd").c_str()), 0);
    EXPECT_EQ(listNames(dir.path()), (Names{"B1.SND", "SUB"}));
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "ny");
    // Whole-file helpers are binary.
    std::string bytes("a\r\n\0b\n", 6), back;
    ASSERT_TRUE(platform::writeFile(path("BIN.DAT").c_str(), bytes));
    ASSERT_TRUE(platform::readFile(path("bin.dat").c_str(), back));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(platform::fileSize(path("BIN.DAT").c_str()), 6);
    EXPECT_EQ(platform::fileSize(path("none").c_str()) + platform::fileSize(dir.winPath().c_str()),
              -2);
    EXPECT_FALSE(platform::readFile(path("none").c_str(), back));
}

} // namespace
