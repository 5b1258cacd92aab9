// A command whose library step failed exits with 1 and says why: a data file that cannot be
// written stops the demo with the library's message; a failure the library only reports (a
// database update refused because another program holds the lock) is printed as a "harn:"
// line and fails the command although every step went on.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using testing_support::contains;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::u;

namespace {

class FailureReportTest : public ::testing::Test {
protected:
    std::string project() const { return dir.path() + "/PROJ1"; }
    // A file of the project's database folder as the tool prints library paths.
    std::string shown(const std::string& name) const {
        return platform::cp1252ToUtf8(platform::windowsPath(project())) + "\\HARNDB\\" + name;
    }
    // Files a save left beside the data files.
    std::vector<std::string> temporaryFiles() const {
        std::vector<std::string> out;
        for (const std::string& n : testing_support::listNames(project() + "/HARNDB"))
            if (n.size() > 5 && n.substr(n.size() - 5) == ".tmp$")
                out.push_back(n);
        return out;
    }
    testing_support::TempDir dir;
};

TEST_F(FailureReportTest, ALineFileThatCannotBeWrittenStopsTheDemo) {
    testing_support::makeDirs(project() + "/HARNDB/KV1.LJE"); // a folder stands at the name
    const auto r = runTool({"demo", project()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, u("Filöppning: Fel: Hittar inte "_cp) + shown("KV1.LJE") + "\n"))
        << r.err;
    EXPECT_TRUE(contains(r.err, "harn demo: step 'lines and outcrops' failed (-3)\n")) << r.err;
    EXPECT_TRUE(testing_support::listNames(project() + "/HARNDB/KV1.LJE").empty());
    EXPECT_TRUE(temporaryFiles().empty());
}

// The demo reads its outcrop samples through named pipes, so that the test knows when the
// demo has reached them: another program's lock file appears while the first outcrop is
// saved and is gone again for the second.
TEST_F(FailureReportTest, ADatabaseUpdateRefusedMidWayFailsTheDemo) {
    testing_support::TempDir samples;
    testing_support::makeDirs(samples.file("outcrops"));
    const std::string source =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples";
    const char* names[] = {"HALL1.LAD", "HALL2.LAD", "HALL3.LAD"};
    for (const char* n : names)
        ASSERT_EQ(::mkfifo(samples.file(std::string("outcrops/") + n).c_str(), 0600), 0);
    const std::string lock = project() + "/HARNPLAN.LCK";
    std::atomic<bool> done{false};
    std::thread feeder([&] {
        for (int i = 0; i < 3; ++i) {
            const std::string fifo = samples.file(std::string("outcrops/") + names[i]);
            int fd = -1;
            // Opening for writing succeeds once the demo has opened the pipe for reading.
            while (!done && (fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)) < 0 &&
                   errno == ENXIO)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (fd < 0)
                return;
            ::fcntl(fd, F_SETFL, 0);
            if (i == 0)
                testing_support::writeBytes(lock, "");
            else
                std::filesystem::remove(lock);
            const std::string bytes = readBytes(source + "/outcrops/" + names[i]);
            EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
            ::close(fd);
        }
    });
    ::setenv("HARN_SAMPLES", samples.path().c_str(), 1);
    const auto r = runTool({"demo", project()});
    ::unsetenv("HARN_SAMPLES");
    done = true;
    feeder.join();

    EXPECT_EQ(r.exitCode, 1);
    // The database's own message, then, after the command, the failure it went on from.
    EXPECT_TRUE(contains(r.err, u("Kan ej öppna databas: "_cp))) << r.err;
    EXPECT_TRUE(contains(r.err, "harn: database record not updated after saving " +
                                    shown("HALL1.LAD") + " (Uppdat gave -3)\n"))
        << r.err;
    EXPECT_EQ(r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1, 5), "harn:");
    // Every step went on: the project is complete apart from that record.
    EXPECT_TRUE(contains(r.out, u("HÄLL3"_cp))) << r.out;
    EXPECT_FALSE(testing_support::exists(lock));
    EXPECT_TRUE(temporaryFiles().empty());
}

} // namespace
