// The file-system calls: Windows paths mapped to the disk, names found without regard to
// case, Swedish names stored as UTF-8, text mode with CR LF on disk, rename as on Windows.
#include "platform/FileSystem.h"

#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

// The text-mode translation against a plain one (CR LF to LF, every other byte as it is)
// over random files dense in CRs and LFs, read through stream buffers of every size (one
// byte too, where a CR's successor must be read alone and given back), in pieces of random
// lengths.
TEST_F(FileSystemTest, TextModeReadsTheSameWhateverTheSizeOfTheReads) {
    std::mt19937 random(5);
    const char alphabet[] = {'a', '\r', '\n', '\0', 'x'};
    for (int i = 0; i < 300; ++i) {
        std::string bytes;
        const int length = std::uniform_int_distribution<int>(0, i < 200 ? 40 : 200000)(random);
        for (int k = 0; k < length; ++k)
            bytes += alphabet[std::uniform_int_distribution<int>(0, 4)(random)];
        std::string want;
        for (size_t k = 0; k < bytes.size(); ++k)
            if (!(bytes[k] == '\r' && k + 1 < bytes.size() && bytes[k + 1] == '\n'))
                want += bytes[k];
        writeBytes(dir.file("R.TXT"), bytes);
        const size_t buffers[] = {0, 1, 2, 3, 7, 4096, 65536};
        const size_t buffer = buffers[std::uniform_int_distribution<int>(0, 6)(random)];
        FILE* f = platform::fopen(path("R.TXT").c_str(), "r");
        ASSERT_NE(f, nullptr);
        std::setvbuf(f, nullptr, buffer ? _IOFBF : _IONBF, buffer);
        std::string got;
        std::vector<char> piece(70000);
        for (;;) {
            const size_t want = std::uniform_int_distribution<size_t>(1, i % 2 ? 5 : 70000)(random);
            const size_t n = std::fread(piece.data(), 1, want, f);
            got.append(piece.data(), n);
            if (n < want)
                break;
        }
        EXPECT_FALSE(std::ferror(f));
        std::fclose(f);
        ASSERT_EQ(got, want) << "file " << i << " of " << bytes.size() << " bytes, buffer "
                             << buffer;
    }
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

// The mapping made afresh from the disk: per component the name as given when it exists,
// else the first entry in the folder's order equal without regard to case.
std::string mappedAfresh(const std::string& folder, const std::string& relative) {
    std::string out = folder;
    bool missing = false;
    size_t i = 0;
    while (i <= relative.size()) {
        size_t j = relative.find('\\', i);
        if (j == std::string::npos)
            j = relative.size();
        const std::string comp = relative.substr(i, j - i);
        i = j + 1;
        std::string name = platform::cp1252ToUtf8(comp);
        struct stat st;
        if (!missing && ::lstat((out + "/" + name).c_str(), &st) != 0) {
            missing = true;
            if (DIR* d = ::opendir(out.c_str())) {
                while (dirent* e = ::readdir(d))
                    if (platform::equalNoCase(platform::utf8ToCp1252(e->d_name), comp)) {
                        name = e->d_name;
                        missing = false;
                        break;
                    }
                ::closedir(d);
            }
        }
        out += "/" + name;
    }
    return out;
}

// Names once mapped are held per folder; what other programs do to the folders afterwards
// (creating, renaming, removing, in the same clock tick or later) is seen at once.
TEST_F(FileSystemTest, MappingFollowsChangesByOtherPrograms) {
    writeBytes(dir.file("HARNDB/B1.SND"), "1");
    const std::string db = dir.file("HARNDB");
    EXPECT_EQ(platform::nativePath(path("harndb\\b1.snd").c_str()), db + "/B1.SND");
    EXPECT_EQ(platform::access(path("HARNDB\\B2.SND").c_str(), 0), -1);
    // Created by another program right after the folder was read: found, in any case.
    writeBytes(db + "/b2.snd", "2");
    EXPECT_EQ(platform::nativePath(path("HARNDB\\B2.SND").c_str()), db + "/b2.snd");
    // Renamed by another program: the old spelling maps to the new name.
    ASSERT_EQ(::rename((db + "/B1.SND").c_str(), (db + "/b1.Snd").c_str()), 0);
    EXPECT_EQ(read("HARNDB\\B1.SND", "rb"), "1");
    // A name in the given case, made beside one in another case, is taken as written.
    writeBytes(db + "/B2.SND", "twin");
    EXPECT_EQ(read("HARNDB\\B2.SND", "rb"), "twin");
    EXPECT_EQ(read("harndb\\b2.snd", "rb"), "2");
    // Removed by another program: kept as given, so that creating it uses that name.
    ASSERT_EQ(::unlink((db + "/b2.snd").c_str()), 0);
    ASSERT_EQ(::unlink((db + "/B2.SND").c_str()), 0);
    ASSERT_TRUE(write("HARNDB\\b2.SND", "wb", "3"));
    EXPECT_EQ(listNames(db), (Names{"b1.Snd", "b2.SND"}));
    // Folders last changed over a second ago are trusted until their change time moves.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(platform::nativePath(path("HARNDB\\B1.SND").c_str()), db + "/b1.Snd");
    EXPECT_EQ(platform::access(path("HARNDB\\B9.SND").c_str(), 0), -1);
    writeBytes(db + "/B9.SND", "9");
    EXPECT_EQ(platform::access(path("harndb\\b9.snd").c_str(), 0), 0);
    // A program that sets the folder's time back after its change does not hide it.
    struct stat before;
    ASSERT_EQ(::stat(db.c_str(), &before), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(platform::access(path("HARNDB\\B8.SND").c_str(), 0), -1);
    writeBytes(db + "/B8.SND", "8");
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, db.c_str(), times, 0), 0);
    EXPECT_EQ(platform::access(path("harndb\\b8.snd").c_str(), 0), 0);
    // The folder itself renamed.
    ASSERT_EQ(::rename(db.c_str(), dir.file("Harndb").c_str()), 0);
    EXPECT_EQ(platform::nativePath(path("HARNDB\\b9.snd").c_str()), dir.file("Harndb/B9.SND"));
}

// Random sequences of changes, made by this program through the platform calls and by others
// directly, among names that differ only in case: after each one every name maps as a fresh
// look at the disk maps it.
TEST_F(FileSystemTest, MappingEqualsAFreshLookAfterAnySequenceOfChanges) {
    const std::vector<std::string> names = {"a.txt", "A.TXT", "b.Txt", "SUB", "sub", "Sub"};
    std::vector<std::string> relative;
    for (const std::string& a : names) {
        relative.push_back(a);
        for (const std::string& b : names)
            relative.push_back(a + "\\" + b);
    }
    std::mt19937 rng(13);
    auto pick = [&] { return relative[rng() % relative.size()]; };
    auto posix = [&](std::string r) {
        std::replace(r.begin(), r.end(), '\\', '/');
        return dir.file(r);
    };
    for (int step = 0; step < 600; ++step) {
        const std::string target = pick();
        const std::string other = pick();
        switch (rng() % 6) {
        case 0: // another program creates a file or a folder
            if (rng() % 2) {
                if (FILE* f = std::fopen(posix(target).c_str(), "w"))
                    std::fclose(f);
            } else
                ::mkdir(posix(target).c_str(), 0755);
            break;
        case 1: // another program removes or renames
            if (rng() % 2)
                ::remove(posix(target).c_str());
            else
                ::rename(posix(target).c_str(), posix(other).c_str());
            break;
        case 2:
            if (FILE* f = platform::fopen(path(target).c_str(), "w"))
                std::fclose(f);
            break;
        case 3:
            platform::makeDirectory(path(target).c_str());
            break;
        case 4:
            platform::remove(path(target).c_str());
            break;
        default:
            platform::rename(path(target).c_str(), path(other).c_str());
            break;
        }
        for (const std::string& r : relative)
            ASSERT_EQ(platform::nativePath(path(r).c_str()), mappedAfresh(dir.path(), r))
                << "after step " << step << ", mapping " << r;
    }
}

} // namespace
