// platform::SafeReplace, the one way files are replaced: whichever step fails, the target is
// the old file or the new one, complete, and no temporary file is left beside it.
#include "platform/SafeReplace.h"

#include "platform/Cp1252Literal.h"
#include "platform/FaultInjection.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using platform::FaultInjector;
using platform::FileOp;
using platform::SafeReplace;
using testing_support::listNames;
using testing_support::readBytes;
using testing_support::writeBytes;
using Names = std::vector<std::string>;

class SafeReplaceTest : public ::testing::Test {
protected:
    void TearDown() override { FaultInjector::reset(); }
    testing_support::TempDir dir;
    std::string win(const std::string& name) const { return dir.winPath() + "\\" + name; }

    // Writes `lines` numbered lines in text mode through a SafeReplace of `target`.
    static int writeLines(const std::string& target, int lines, SafeReplace::Failure* failure) {
        SafeReplace out(target.c_str());
        int result = -1;
        if (FILE* f = out.open("w")) {
            for (int i = 0; i < lines; ++i)
                std::fprintf(f, "rad %05d %s\n", i, std::string(60, 'x').c_str());
            result = out.commit();
        }
        *failure = out.failure();
        return result;
    }
};

TEST_F(SafeReplaceTest, TargetIsOldOrNewAfterEveryInjectedFailure) {
    const std::string old = "gammal\r\n";
    writeBytes(dir.file("ÅB.DAT"_cp), old);
    SafeReplace::Failure failure;
    ASSERT_EQ(writeLines(win("ÅB.DAT"_cp), 2000, &failure), 0);
    const std::string fresh = readBytes(dir.file("ÅB.DAT"_cp));
    ASSERT_EQ(fresh.size(), 2000u * 72);
    const struct {
        FileOp op;
        SafeReplace::Failure expected;
    } kinds[] = {{FileOp::Open, SafeReplace::Failure::Create},
                 {FileOp::Write, SafeReplace::Failure::Write},
                 {FileOp::Rename, SafeReplace::Failure::Replace}};
    int runs = 0;
    for (const auto& k : kinds) {
        FaultInjector::reset();
        writeLines(win("ÅB.DAT"_cp), 2000, &failure);
        const int count = FaultInjector::count(k.op);
        ASSERT_GE(count, 1);
        for (int nth = 1; nth <= count + 1; ++nth)
            for (bool later : {false, true}) {
                SCOPED_TRACE(std::to_string(static_cast<int>(k.op)) + " " + std::to_string(nth));
                writeBytes(dir.file("ÅB.DAT"_cp), old);
                FaultInjector::reset();
                FaultInjector::failNth(k.op, nth, later);
                const int result = writeLines(win("ÅB.DAT"_cp), 2000, &failure);
                FaultInjector::reset();
                ++runs;
                EXPECT_EQ(readBytes(dir.file("ÅB.DAT"_cp)), result == 0 ? fresh : old);
                EXPECT_EQ(result != 0, nth <= count);
                EXPECT_EQ(failure, result == 0 ? SafeReplace::Failure::None : k.expected);
                EXPECT_EQ(listNames(dir.path()), Names{"ÅB.DAT"_cp});
            }
    }
    EXPECT_GT(runs, 10);

    // Dropped without a commit, or given up: the old file stays and the new one is gone.
    writeBytes(dir.file("ÅB.DAT"_cp), old);
    {
        SafeReplace out(win("ÅB.DAT"_cp).c_str());
        std::fputs("halv", out.open("wb"));
        EXPECT_EQ(listNames(dir.path()).size(), 2u);
    }
    SafeReplace given(win("ÅB.DAT"_cp).c_str());
    given.open("wb");
    given.abandon();
    EXPECT_EQ(given.commit(), -1);
    EXPECT_EQ(readBytes(dir.file("ÅB.DAT"_cp)), old);
    EXPECT_EQ(listNames(dir.path()), Names{"ÅB.DAT"_cp});
}

TEST_F(SafeReplaceTest, UniqueTemporaryNamesCaseInsensitiveTargetAndWhatStandsInTheWay) {
    writeBytes(dir.file("B1.SND"), "gammal");
    // Two replacements at once each write their own temporary file beside the target.
    SafeReplace a(win("b1.snd").c_str()), b(win("B1.SND").c_str());
    std::fputs("första"_cp, a.open("wb"));
    std::fputs("andra", b.open("wb"));
    EXPECT_NE(a.temporaryPath(), b.temporaryPath());
    EXPECT_EQ(a.temporaryPath().rfind(win("b1.snd"), 0), 0u) << a.temporaryPath();
    EXPECT_EQ(listNames(dir.path()).size(), 3u);
    // The name in another case replaces the existing file, keeping its name.
    EXPECT_EQ(a.commit(), 0);
    EXPECT_EQ(listNames(dir.path()).size(), 2u);
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "första"_cp);
    EXPECT_EQ(b.commit(), 0);
    EXPECT_EQ(listNames(dir.path()), Names{"B1.SND"});
    EXPECT_EQ(readBytes(dir.file("B1.SND")), "andra");

    // Many writers at once: every result is one writer's file, whole.
    std::vector<std::thread> writers;
    std::set<std::string> written;
    for (int t = 0; t < 8; ++t)
        written.insert(std::string(1000 + t, static_cast<char>('a' + t)));
    for (const std::string& bytes : written)
        writers.emplace_back([&, bytes] {
            for (int i = 0; i < 20; ++i)
                EXPECT_EQ(platform::replaceFileContents(win("B1.SND").c_str(), bytes), 0);
        });
    for (auto& w : writers)
        w.join();
    EXPECT_EQ(written.count(readBytes(dir.file("B1.SND"))), 1u);
    EXPECT_EQ(listNames(dir.path()), Names{"B1.SND"});

    // A folder standing at the target: nothing can replace it, and nothing is left behind.
    testing_support::makeDirs(dir.file("MAPP.LJE"));
    SafeReplace::Failure failure;
    EXPECT_EQ(platform::replaceFileContents(win("MAPP.LJE").c_str(), "x", &failure), -1);
    EXPECT_EQ(failure, SafeReplace::Failure::Replace);
    // A missing folder: the temporary file cannot be created; its name is still known.
    SafeReplace missing(win("SAKNAS\\A.DAT").c_str());
    EXPECT_EQ(missing.open("w"), nullptr);
    EXPECT_EQ(missing.failure(), SafeReplace::Failure::Create);
    EXPECT_EQ(missing.temporaryPath().rfind(win("SAKNAS\\A.DAT."), 0), 0u);
    EXPECT_EQ(listNames(dir.path()), (Names{"B1.SND", "MAPP.LJE"}));
    EXPECT_TRUE(listNames(dir.file("MAPP.LJE")).empty());
}

// A file the program may not write is not replaced (a rename over it would not ask); one
// beside it that it may write is. Run as an ordinary user: the superuser may write anything.
TEST_F(SafeReplaceTest, AWriteProtectedFileIsNotReplaced) {
    writeBytes(dir.file("RO.DAT"), "gammal");
    writeBytes(dir.file("RW.DAT"), "gammal");
    ASSERT_EQ(::chmod(dir.file("RO.DAT").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.file("RW.DAT").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        SafeReplace::Failure failure = SafeReplace::Failure::None;
        const int refused = platform::replaceFileContents(win("ro.dat").c_str(), "ny", &failure);
        const int replaced = platform::replaceFileContents(win("rw.dat").c_str(), "ny");
        ::_exit(refused == -1 && failure == SafeReplace::Failure::Protected ? replaced == 0 ? 0 : 2
                                                                            : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0); // 1: replaced or other failure; 2: RW.DAT not replaced
    EXPECT_EQ(readBytes(dir.file("RO.DAT")), "gammal");
    EXPECT_EQ(readBytes(dir.file("RW.DAT")), "ny");
    struct stat st;
    ASSERT_EQ(::stat(dir.file("RO.DAT").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(listNames(dir.path()), (Names{"RO.DAT", "RW.DAT"}));
}

// A link at the target is followed: the file it names gets the new contents and the link
// stays. What is no file (a pipe here, a device alike) is not replaced by one.
TEST_F(SafeReplaceTest, LinksAreFollowedAndWhatIsNoFileIsNotReplaced) {
    writeBytes(dir.file("REAL.DAT"), "gammal");
    ASSERT_EQ(::symlink("REAL.DAT", dir.file("LINK.DAT").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.file("PIPE.DAT").c_str(), 0644), 0);
    EXPECT_EQ(platform::replaceFileContents(win("link.dat").c_str(), "ny"), 0);
    struct stat st;
    ASSERT_EQ(::lstat(dir.file("LINK.DAT").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readBytes(dir.file("REAL.DAT")), "ny");
    SafeReplace::Failure failure = SafeReplace::Failure::None;
    EXPECT_EQ(platform::replaceFileContents(win("PIPE.DAT").c_str(), "ny", &failure), -1);
    EXPECT_EQ(failure, SafeReplace::Failure::Protected);
    ASSERT_EQ(::lstat(dir.file("PIPE.DAT").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(listNames(dir.path()), (Names{"LINK.DAT", "PIPE.DAT", "REAL.DAT"}));
}

} // namespace
