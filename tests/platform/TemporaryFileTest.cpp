// Scratch files in the temporary folder (platform::TemporaryFile), and what the path mapping
// reads to find a file named as it is on disk.
#include "platform/TemporaryFile.h"

#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/FolderCache.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace {

using testing_support::listNames;
using testing_support::readBytes;
using Names = std::vector<std::string>;

class TemporaryFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TMPDIR"))
            oldTmp = old;
        ::setenv("TMPDIR", dir.path().c_str(), 1);
    }
    void TearDown() override {
        platform::FaultInjector::reset();
        if (oldTmp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", oldTmp.c_str(), 1);
    }
    testing_support::TempDir dir;
    std::string oldTmp;
};

// Two files of one stem get names of their own in $TMPDIR, readable by their owner only;
// each is gone with its object, also after a failed write and when removals are made to fail.
// Without a usable folder nothing is created and the name tried is told.
TEST_F(TemporaryFileTest, PrivateUniqueAndGoneWhateverHappened) {
    EXPECT_EQ(platform::temporaryFolder(), platform::windowsPath(dir.path()));
    {
        platform::TemporaryFile a, b;
        FILE* fa = a.create("scratch");
        ASSERT_NE(fa, nullptr);
        ASSERT_NE(b.create("scratch"), nullptr);
        EXPECT_NE(a.path(), b.path());
        EXPECT_EQ(a.path().substr(0, a.path().rfind('\\') + 9),
                  platform::windowsPath(dir.path()) + "\\scratch.");
        EXPECT_EQ(std::fputs("bytes\n", fa) >= 0 && a.close(), true);
        const std::string posix = platform::nativePath(a.path().c_str());
        EXPECT_EQ(readBytes(posix), "bytes\n"); // binary: no CR added
        struct stat st;
        ASSERT_EQ(::stat(posix.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(listNames(dir.path()).size(), 2u);
        b.remove();
        EXPECT_EQ(listNames(dir.path()).size(), 1u);
    }
    EXPECT_EQ(listNames(dir.path()), Names{});
    {
        platform::TemporaryFile t;
        FILE* f = t.create("scratch");
        ASSERT_NE(f, nullptr);
        platform::FaultInjector::failNth(platform::FileOp::Write, 1, true);
        platform::FaultInjector::failNth(platform::FileOp::Remove, 1, true);
        std::fputs("lost", f);
        EXPECT_FALSE(t.close());
    }
    EXPECT_EQ(listNames(dir.path()), Names{});
    platform::FaultInjector::reset();
    ::setenv("TMPDIR", (dir.path() + "/missing").c_str(), 1);
    platform::TemporaryFile none;
    EXPECT_EQ(none.create("scratch"), nullptr);
    EXPECT_EQ(none.path().substr(0, none.path().rfind('\\')),
              platform::windowsPath(dir.path() + "/missing"));
    EXPECT_FALSE(none.close());
    ::unsetenv("TMPDIR");
    EXPECT_EQ(platform::temporaryFolder(), "\\tmp");
}

// A path that exists as written is mapped without reading any folder's names: a program that
// names its files as they are (harn export over a data folder of 100 000 files) holds none of
// them. A name in another case still reads the folders on the way, and finds the file.
TEST_F(TemporaryFileTest, PathFoundAsWrittenReadsNoFolder) {
    testing_support::writeBytes(dir.file("HARNDB/B1.SND"), "1");
    platform::FolderCache::instance().clear();
    const std::string win = platform::windowsPath(dir.path());
    EXPECT_EQ(platform::nativePath((win + "\\HARNDB\\B1.SND").c_str()), dir.file("HARNDB/B1.SND"));
    EXPECT_EQ(platform::access((win + "\\HARNDB").c_str(), 0), 0);
    EXPECT_EQ(platform::FolderCache::instance().folders(), 0u);
    EXPECT_EQ(platform::nativePath((win + "\\harndb\\b1.snd").c_str()), dir.file("HARNDB/B1.SND"));
    EXPECT_GT(platform::FolderCache::instance().folders(), 0u);
}

} // namespace
