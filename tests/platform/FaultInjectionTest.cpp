// The fault injector: the nth open, read, write, rename or remove fails, once or from then
// on, and a failed step leaves the files as they were.
#include "platform/FaultInjection.h"
#include "platform/CFile.h"
#include "platform/FileSystem.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using platform::FaultInjector;
using platform::FileOp;
using testing_support::exists;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

class FaultTest : public ::testing::Test {
protected:
    platform::FaultScope scope;
    TempDir dir;
    std::string path(const char* name) const { return dir.winPath() + "\\" + name; }
    bool opens(const char* name) {
        FILE* f = platform::fopen(path(name).c_str(), "rb");
        if (f)
            std::fclose(f);
        return f != nullptr;
    }
};

TEST_F(FaultTest, NthOpenFailsOnce) {
    writeBytes(dir.file("A"), "a");
    FaultInjector::failNth(FileOp::Open, 2);
    EXPECT_TRUE(opens("A"));
    EXPECT_FALSE(opens("A"));
    EXPECT_TRUE(opens("A"));
    EXPECT_TRUE(opens("A"));
    EXPECT_EQ(FaultInjector::count(FileOp::Open), 4);
}

TEST_F(FaultTest, NthOpenFailsFromThenOn) {
    writeBytes(dir.file("A"), "a");
    EXPECT_TRUE(opens("A")); // counting is relative to the arming
    FaultInjector::failNth(FileOp::Open, 2, true);
    EXPECT_TRUE(opens("A"));
    EXPECT_FALSE(opens("A"));
    EXPECT_FALSE(opens("A"));
    CFile f;
    EXPECT_FALSE(f.Open(path("A").c_str(), CFile::modeRead));
    FaultInjector::reset();
    EXPECT_TRUE(opens("A"));
    EXPECT_EQ(FaultInjector::count(FileOp::Open), 1);
}

TEST_F(FaultTest, ArmingOneKindLeavesTheOthers) {
    writeBytes(dir.file("A"), "a");
    FaultInjector::failNth(FileOp::Write, 1, true);
    EXPECT_TRUE(opens("A"));
    EXPECT_EQ(platform::rename(path("A").c_str(), path("B").c_str()), 0);
    EXPECT_EQ(platform::remove(path("B").c_str()), 0);
}

TEST_F(FaultTest, FailedReadRaisesInCFile) {
    writeBytes(dir.file("R.DAT"), "0123456789");
    CFile f;
    ASSERT_TRUE(f.Open(path("R.DAT").c_str(), CFile::modeRead | CFile::typeBinary));
    FaultInjector::failNth(FileOp::Read, 1);
    char buf[4];
    EXPECT_THROW(f.Read(buf, 4), CFileException);
    // Once only: the next read works.
    f.SeekToBegin();
    EXPECT_EQ(f.Read(buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "0123");
}

TEST_F(FaultTest, FailedReadShowsAsAStreamError) {
    writeBytes(dir.file("T.TXT"), "rad\r\n");
    FILE* f = platform::fopen(path("T.TXT").c_str(), "r");
    ASSERT_NE(f, nullptr);
    FaultInjector::failNth(FileOp::Read, 1);
    char buf[16];
    EXPECT_EQ(std::fgets(buf, sizeof buf, f), nullptr);
    EXPECT_TRUE(std::ferror(f));
    std::fclose(f);
}

TEST_F(FaultTest, FailedWriteShowsAtFlushAndClose) {
    FaultInjector::failNth(FileOp::Write, 1, true);
    CFile f;
    ASSERT_TRUE(f.Open(path("W.DAT").c_str(), CFile::modeCreate | CFile::modeWrite));
    f.Write("abc", 3);
    EXPECT_THROW(f.Flush(), CFileException);
    EXPECT_THROW(f.Close(), CFileException);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(readBytes(dir.file("W.DAT")), "");

    FILE* s = platform::fopen(path("S.TXT").c_str(), "w");
    ASSERT_NE(s, nullptr);
    std::fputs("text\n", s);
    EXPECT_NE(std::fclose(s), 0);
}

TEST_F(FaultTest, FailedRenameAndRemoveChangeNothing) {
    writeBytes(dir.file("B1.TMP"), "ny");
    writeBytes(dir.file("B1.SND"), "gammal");
    FaultInjector::failNth(FileOp::Remove, 1);
    EXPECT_EQ(platform::remove(path("B1.SND").c_str()), -1);
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "gammal");
    EXPECT_EQ(platform::remove(path("B1.SND").c_str()), 0);
    FaultInjector::failNth(FileOp::Rename, 1);
    EXPECT_EQ(platform::rename(path("B1.TMP").c_str(), path("B1.SND").c_str()), -1);
    EXPECT_TRUE(exists(dir.file("B1.TMP")));
    EXPECT_FALSE(exists(dir.file("B1.SND")));
    FaultInjector::failNth(FileOp::Rename, 1);
    writeBytes(dir.file("B1.SND"), "gammal");
    EXPECT_EQ(platform::replaceFile(path("B1.TMP").c_str(), path("B1.SND").c_str()), -1);
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "gammal");
    EXPECT_EQ(platform::replaceFile(path("B1.TMP").c_str(), path("B1.SND").c_str()), 0);
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "ny");
}

TEST_F(FaultTest, WholeFileHelpersGoThroughTheSeamToo) {
    FaultInjector::failNth(FileOp::Write, 1);
    EXPECT_FALSE(platform::writeFile(path("W.DAT").c_str(), "abc"));
    EXPECT_TRUE(platform::writeFile(path("W.DAT").c_str(), "abc"));
    std::string back;
    FaultInjector::failNth(FileOp::Read, 1);
    EXPECT_FALSE(platform::readFile(path("W.DAT").c_str(), back));
    EXPECT_TRUE(platform::readFile(path("W.DAT").c_str(), back));
    EXPECT_EQ(back, "abc");
}

} // namespace
