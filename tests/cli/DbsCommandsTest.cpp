// The database commands of the harn tool, run as a separate process: new, info, ls, show
// and demo, their exit codes, and the library's messages on standard error.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utime.h>

using testing_support::exists;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::u;
using testing_support::writeBytes;

namespace {

// An expected output kept beside the tests (tests/data/cli), byte for byte.
std::string golden(const char* name) {
    return readBytes((testing_support::kSource / "tests/data/cli" / name).string());
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }
    std::string dbs() const { return project() + "/HARNPLAN.DBS"; }
    // The library's message about a database that cannot be opened, as the tool prints it.
    std::string cannotOpen() const {
        return u("Inläsning av Harnoplan - databas: Kan ej öppna databas: "_cp +
                 platform::windowsPath(dbs()) + "\n");
    }
    // A small project written through the library: one point and one borehole, dated.
    void buildSmallProject() {
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CHarnDbs d(&proj, nullptr);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        dbstype p{}, b{};
        p.typ = 4, p.x = 1.5, p.y = -2, p.z = 3.25, p.xyz2[2] = 0.1, p.kod = 7;
        std::strcpy(p.id, "FÖ1"_cp);
        std::strcpy(p.text, "Höjd"_cp);
        b.typ = 3, b.x = 10, b.y = 20, b.z = 30, b.dz = 15, b.flagg = 0x01 | 0x04 | 0x10;
        std::strcpy(b.id, "B1");
        for (dbstype* r : {&p, &b}) {
            d.Ny(1, r);
            ASSERT_EQ(d.Filnamn() + d.Uppdat(0), 0);
        }
        std::strcpy(d.m_hd.datum, "2026-03-04");
        ASSERT_EQ(d.Uppdat(2), 0);
    }
    testing_support::TempDir dir;
};

TEST_F(ToolTest, NewCreatesAnEmptyDatabaseOnceAndTakesAUtf8Name) {
    auto r = runTool({"new", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("created " + dbs() + " (project PROJ1, ", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(platform::isDirectory(platform::windowsPath(project() + "/HARNDB").c_str()));
    const std::string file = readBytes(dbs());
    EXPECT_EQ(file.size(), 324u); // the head alone, byte for byte in the library's tests
    EXPECT_FALSE(exists(project() + "/HARNPLAN.LCK"));

    auto again = runTool({"new", project()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, "Harnoplan: Databasen finns redan !\n" + cannotOpen());
    EXPECT_EQ(readBytes(dbs()), file);
    // The name is kept in CP1252 and shown in UTF-8 again.
    const std::string named = dir.path() + u("/Å/B"_cp);
    ASSERT_EQ(runTool({"new", named, "--name", u("Hålla väg"_cp)}).exitCode, 0);
    auto info = runTool({"info", named});
    EXPECT_NE(info.out.find(u("project   Hålla väg\n"_cp)), std::string::npos) << info.out;
}

// A lock file of another program is named with its age. check exits 2 when it cannot read
// the database at all and gives the library's text as its own line.
TEST_F(ToolTest, MissingOrLockedDatabaseFailsWithTheLibraryMessage) {
    const std::string lock = project() + "/HARNPLAN.LCK";
    for (bool locked : {false, true}) {
        if (locked) {
            ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
            writeBytes(lock, "");
            utimbuf old{};
            old.actime = old.modtime = ::time(nullptr) - 100;
            ASSERT_EQ(::utime(lock.c_str(), &old), 0);
        }
        for (const std::string cmd : {"info", "ls", "show", "check", "export"}) {
            SCOPED_TRACE(cmd + (locked ? " locked" : " missing"));
            std::vector<std::string> args = {cmd, project()};
            if (cmd == "show")
                args.push_back("B1");
            auto r = runTool(args);
            EXPECT_EQ(r.exitCode, cmd == "check" ? 2 : 1);
            // The tool's own line names the cause after the library's message.
            const std::string library =
                cmd == "check" ? "harn check: " + cannotOpen().substr(cannotOpen().find("Kan ej"))
                               : cannotOpen();
            EXPECT_EQ(r.err.substr(0, library.size()), library);
            const std::string cause =
                locked ? "harn: the project is locked by another program: " + lock + " (created "
                       : "harn: not found: the project folder " + project() + "\n";
            EXPECT_EQ(r.err.substr(library.size(), cause.size()), cause) << r.err;
            if (locked) {
                const int age = std::atoi(r.err.c_str() + library.size() + cause.size());
                EXPECT_TRUE(age >= 100 && age < 110) << r.err;
                EXPECT_EQ(r.err.substr(r.err.size() - 8), " s ago)\n");
            }
            EXPECT_EQ(r.out, "");
        }
    }
    EXPECT_TRUE(exists(lock));
}

// From the line after the database path on.
// The ids of `harn ls --json` or `harn export` (GeoJSON), and of `harn export --format csv`,
// in order.
std::vector<std::string> jsonIds(const std::string& json) {
    std::vector<std::string> ids;
    for (size_t at = json.find("\"id\":"); at != std::string::npos;
         at = json.find("\"id\":", at + 1)) {
        const size_t start = json.find('"', at + 5) + 1;
        ids.push_back(json.substr(start, json.find('"', start) - start));
    }
    return ids;
}
std::vector<std::string> csvIds(const std::string& csv) {
    std::vector<std::string> ids;
    for (size_t line = csv.find('\n'); line + 1 < csv.size(); line = csv.find('\n', line + 1)) {
        const size_t comma = csv.find(',', line + 1);
        ids.push_back(csv.substr(comma + 1, csv.find(',', comma + 1) - comma - 1));
    }
    return ids;
}

// harn export reads the records one by one from a snapshot of the database: on a damaged
// database it gives the records that ls, which loads the database whole, lists, with the same
// messages and exit code. When the snapshot cannot be written it says so and fails, leaving
// the output file, the project and the temporary folder as they were.
TEST_F(ToolTest, ExportReadsTheRecordsOfTheWholeLoadAndFailsCleanly) {
    buildSmallProject();
    std::string bytes = readBytes(dbs());
    dbshdtype h{};
    std::memcpy(&h, bytes.data(), sizeof h);
    h.antal += 5; // the head counts more objects than there are
    std::memcpy(bytes.data(), &h, sizeof h);
    writeBytes(dbs(), bytes + std::string(60, 'x')); // and half a record ends the file
    const auto ls = runTool({"ls", project(), "--json"});
    EXPECT_EQ(ls.exitCode, 1);
    EXPECT_TRUE(testing_support::contains(ls.err, u("Osäker databas antal=(7 2)"_cp))) << ls.err;
    const std::vector<std::string> ids = {u("FÖ1"_cp), "B1"};
    EXPECT_EQ(jsonIds(ls.out), ids);
    for (const std::string format : {"csv", "geojson"}) {
        SCOPED_TRACE(format);
        const auto e = runTool({"export", project(), "--format", format});
        EXPECT_EQ(e.exitCode, 1);
        EXPECT_EQ(e.err, ls.err);
        EXPECT_EQ(format == "csv" ? csvIds(e.out) : jsonIds(e.out), ids) << e.out;
    }
    const std::string missing = dir.path() + "/missing", out = dir.path() + "/out.csv";
    writeBytes(out, "kept");
    const std::string start =
        "harn: database snapshot not written: " + platform::windowsPath(missing) + "\\harn-dbs.";
    const std::string end = ".tmp (a copy of " + platform::windowsPath(dbs()) + ")\n";
    // Both readers of the snapshot fail alike when the copy cannot be written.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export", project(), "--format", "csv", "-o", out},
          std::vector<std::string>{"ls", project()}}) {
        SCOPED_TRACE(args[0]);
        const auto failed = testing_support::runToolWithEnvironment({"TMPDIR=" + missing}, args);
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_EQ(failed.out, "");
        EXPECT_EQ(failed.err.substr(0, start.size()), start) << failed.err;
        EXPECT_TRUE(failed.err.size() > end.size() &&
                    failed.err.substr(failed.err.size() - end.size()) == end)
            << failed.err;
        EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
    }
    EXPECT_EQ(readBytes(out), "kept");
    EXPECT_FALSE(exists(project() + "/HARNPLAN.LCK") || exists(missing));
}

TEST_F(ToolTest, InfoShowsTheHeadInTextAndJson) {
    buildSmallProject();
    auto r = runTool({"info", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find("\nversion") + 1), golden("info-small.txt"));
    auto j = runTool({"info", project(), "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    EXPECT_EQ(j.out.substr(j.out.find("\n  \"version\"") + 1), golden("info-small.json"));
    ASSERT_EQ(runTool({"new", dir.path() + "/EMPTY"}).exitCode, 0);
    EXPECT_NE(runTool({"info", dir.path() + "/EMPTY"}).out.find("extent    none\n"),
              std::string::npos);
    EXPECT_NE(runTool({"info", dir.path() + "/EMPTY", "--json"}).out.find("\"extent\": null"),
              std::string::npos);
}

TEST_F(ToolTest, LsAndShowListTheRecordsInTextAndJson) {
    buildSmallProject();
    auto r = runTool({"ls", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, golden("ls-small.txt"));
    EXPECT_EQ(runTool({"ls", project(), "--json"}).out, golden("ls-small.json"));
    EXPECT_EQ(runTool({"ls", project(), "--type=3"}).out, golden("ls-borehole.txt"));

    auto s = runTool({"show", project(), u("fö1"_cp)});
    ASSERT_EQ(s.exitCode, 0) << s.err;
    EXPECT_EQ(s.out, golden("show-point.txt"));
    auto sj = runTool({"show", project(), u("FÖ1"_cp), "--json"});
    EXPECT_EQ(sj.out.rfind("{\n  \"typ\": 4,\n", 0), 0u) << sj.out;
    auto missing = runTool({"show", project(), "NIX"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no object NIX"), std::string::npos);
    EXPECT_EQ(runTool({"show", project(), "ABCDEFGHIJKLMNOPQ"}).exitCode, 1);
}

TEST_F(ToolTest, DemoBuildsASampleProjectAndListsIt) {
    auto r = runTool({"demo", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto ls = runTool({"ls", project()});
    EXPECT_NE(r.out.find(ls.out), std::string::npos); // the listing is that of `harn ls`
    for (const char* row :
         {"tunnel     TUN1            TUN1", "outcrop    HÄLL1           HALL1"_cp,
          "borehole   KBH-Ö1          KBH-O1"_cp, "point      FP1             FP1",
          "line       LINJE.1/A       LINJE-1-", "line       LINJE:1/B       LINJE-11",
          "alignment  VÄG1.VL         VAG1-VL"_cp, "alignment  VÄG2.VL         VAG2-VL"_cp})
        EXPECT_NE(ls.out.find(u(row)), std::string::npos) << u(row) << "\nin\n" << ls.out;
    EXPECT_FALSE(exists(project() + "/HARNPLAN.LCK"));
    EXPECT_TRUE(exists(project() + "/TMPPROG.PB$") && exists(project() + "/HARNDB/KBH-O1.SND"));
    // The point file and the alignment list, in the formats the library's tests check.
    EXPECT_NE(readBytes(project() + "/Harnplan.PKT")
                  .find("FP1\r\n1010.000 2005.000  40.125 1010.500 2005.500  40.125 12 FP1\r\n"),
              std::string::npos);
    EXPECT_NE(readBytes(project() + "/HARNDB/VAGLINJE.LIS") // CP1252 on disk
                  .find("\r\nVÄG2.VL         VAG2-VL  "_cp + platform::windowsPath(project()) +
                        "\\HARNDB Kopierad av Orvandel\r\n*\r\n"),
              std::string::npos);
}

} // namespace
