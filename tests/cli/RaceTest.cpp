// Several harn programs on one project folder at once: of `harn new` and `harn demo` started
// together exactly one creates the project and the others fail before writing anything (a
// project held by a lock file: DbsCommandsTest).
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "platform/FileSystem.h"

#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

using testing_support::readBytes;
using testing_support::runTool;

namespace {

// Starts `harn args...` with standard output to `out` and standard error dropped.
pid_t start(const std::vector<std::string>& args, const std::string& out) {
    const char* tool = std::getenv("HARN_TOOL");
    std::vector<std::string> all{tool ? tool : "harn"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, all[0].c_str(), &files, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

int finish(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// `harn check` output with the project folder taken out, and its exit code.
std::string checked(const std::string& folder) {
    auto r = runTool({"check", folder});
    return std::to_string(r.exitCode) + "\n" +
           testing_support::plainOutput(r.out, platform::windowsPath(folder));
}

TEST(RaceTest, OfNewAndDemoStartedTogetherExactlyOneWins) {
    testing_support::TempDir dir;
    const std::string solo = dir.path() + "/SOLO";
    ASSERT_EQ(runTool({"demo", solo}).exitCode, 0);
    const std::string demoChecked = checked(solo);
    for (int round = 0; round < 4; ++round) {
        const std::string folder = dir.path() + "/R" + std::to_string(round);
        std::vector<pid_t> pids;
        for (int k = 0; k < 6; ++k)
            pids.push_back(start({(k + round) % 2 ? "demo" : "new", folder},
                                 dir.path() + "/out" + std::to_string(k)));
        int winners = 0, winner = -1;
        for (int k = 0; k < 6; ++k) {
            const int code = finish(pids[k]);
            EXPECT_TRUE(code == 0 || code == 1) << code;
            if (code == 0)
                ++winners, winner = k;
        }
        ASSERT_EQ(winners, 1) << "round " << round;
        const bool demoWon = (winner + round) % 2 == 1;
        const std::string out = readBytes(dir.path() + "/out" + std::to_string(winner));
        EXPECT_EQ(out.substr(0, 8), demoWon ? "project " : "created ");
        if (demoWon) {
            EXPECT_EQ(checked(folder), demoChecked); // as good as a demo run alone
        } else {
            // The losing demos stopped at the database: nothing else was written.
            EXPECT_EQ(testing_support::listNames(folder),
                      (std::vector<std::string>{"HARNDB", "HARNPLAN.DBS"}));
            EXPECT_TRUE(testing_support::listNames(folder + "/HARNDB").empty());
            EXPECT_EQ(checked(folder).substr(0, 2), "0\n");
        }
    }
}

} // namespace
