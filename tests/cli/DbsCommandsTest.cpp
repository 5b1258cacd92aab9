// The database commands of the harn tool, run as a separate process: new, info, ls, show
// and demo, their exit codes, and the library's messages on standard error.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <cstring>
#include <filesystem>

using testing_support::exists;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::writeBytes;

namespace {

// Literals of this file are CP1252 (as the library's); the tool speaks UTF-8.
std::string u(const std::string& cp1252) {
    return platform::cp1252ToUtf8(cp1252);
}

// An expected output kept beside the tests (tests/data/cli), byte for byte.
std::string golden(const char* name) {
    return readBytes(
        (std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "cli" / name)
            .string());
}

dbshdtype headOf(const std::string& path) {
    dbshdtype h;
    std::memset(&h, 0, sizeof h);
    std::string bytes = readBytes(path);
    std::memcpy(&h, bytes.data(), bytes.size() < sizeof h ? bytes.size() : sizeof h);
    return h;
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }
    std::string dbs() const { return project() + "/HARNPLAN.DBS"; }
    // The library's message about a database that cannot be opened, as the tool prints it.
    std::string cannotOpen() const {
        return u("Inläsning av Harnoplan - databas: Kan ej öppna databas: " +
                 platform::windowsPath(dbs()) + "\n");
    }
    // A small project written through the library: one point and one borehole.
    void buildSmallProject() {
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CAutoIni ini;
        CHarnDbs d(&proj, &ini);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        auto add = [&](int typ, const char* id, double x, double y, double z, int flagg) {
            d.Ny(1, nullptr);
            dbstype* r = d.Get_aktel();
            r->typ = static_cast<uint8_t>(typ);
            std::strcpy(r->id, id);
            r->x = x, r->y = y, r->z = z;
            r->flagg = static_cast<uint8_t>(flagg);
            return r;
        };
        dbstype* p = add(4, "FÖ1", 1.5, -2, 3.25, 0);
        p->xyz2[2] = 0.1;
        p->kod = 7;
        std::strcpy(p->text, "Höjd");
        ASSERT_EQ(d.Filnamn() + d.Uppdat(0), 0);
        add(3, "B1", 10, 20, 30, 0x01 | 0x04 | 0x10)->dz = 15;
        ASSERT_EQ(d.Filnamn() + d.Uppdat(0), 0);
    }
    testing_support::TempDir dir;
};

TEST_F(ToolTest, NewCreatesAnEmptyDatabaseOnceAndTakesAUtf8Name) {
    auto r = runTool({"new", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(platform::isDirectory(platform::windowsPath(project() + "/HARNDB").c_str()));
    // The head itself is checked byte for byte by the library's tests.
    const std::string file = readBytes(dbs());
    EXPECT_EQ(file.size(), 324u);
    EXPECT_STREQ(headOf(dbs()).projnamn, "PROJ1");
    EXPECT_EQ(r.out.rfind("created " + u(platform::windowsPath(dbs())) + " (project PROJ1, ", 0),
              0u)
        << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(exists(project() + "/HARNPLAN.LCK"));

    auto again = runTool({"new", project()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, "Harnoplan: Databasen finns redan !\n" + cannotOpen());
    EXPECT_EQ(readBytes(dbs()), file);

    const std::string named = dir.path() + u("/Å/B");
    ASSERT_EQ(runTool({"new", named, "--name", u("Hålla väg")}).exitCode, 0);
    EXPECT_STREQ(headOf(named + "/HARNPLAN.DBS").projnamn, "Hålla väg");
    auto info = runTool({"info", named});
    EXPECT_NE(info.out.find(u("project   Hålla väg\n")), std::string::npos) << info.out;
}

TEST_F(ToolTest, UsageErrorsGiveExitCodeTwo) {
    const std::vector<std::vector<std::string>> wrong = {{"new"},
                                                         {"new", project(), "--name"},
                                                         {"info"},
                                                         {"ls", project(), "extra"},
                                                         {"show", project()},
                                                         {"demo"},
                                                         {"ls", project(), "--type", "volcano"}};
    for (const auto& args : wrong) {
        auto r = runTool(args);
        EXPECT_EQ(r.exitCode, 2) << args.size();
        EXPECT_NE(r.err.find("usage: harn " + args[0]), std::string::npos) << r.err;
    }
    auto help = runTool({"ls", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: harn ls DIR [--type T] [--json]"), std::string::npos);
    EXPECT_FALSE(exists(project()));
}

TEST_F(ToolTest, MissingOrLockedDatabaseFailsWithTheLibraryMessage) {
    for (bool locked : {false, true}) {
        if (locked) {
            ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
            writeBytes(project() + "/HARNPLAN.LCK", "");
        }
        for (const char* cmd : {"info", "ls", "show"}) {
            SCOPED_TRACE(std::string(cmd) + (locked ? " locked" : " missing"));
            std::vector<std::string> args = {cmd, project()};
            if (std::string(cmd) == "show")
                args.push_back("B1");
            auto r = runTool(args);
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, cannotOpen());
            EXPECT_EQ(r.out, "");
        }
    }
    EXPECT_TRUE(exists(project() + "/HARNPLAN.LCK"));
}

TEST_F(ToolTest, InfoShowsTheHead) {
    buildSmallProject();
    auto r = runTool({"info", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* line :
         {"version   1.5 (fraction 0.5)\n", "project   PROJ1\n", "koordsys  RAK\n",
          "riktning  NORR\n", "objects   2\n", "  tunnel      0\n", "  borehole    1\n",
          "  point       1\n", "hal       0\n", "slut      848\n", "extent    x 1.5 .. 10\n",
          "          y -2 .. 20\n", "          z 3.25 .. 45\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\nin\n" << r.out;
    auto j = runTool({"info", project(), "--json"});
    ASSERT_EQ(j.exitCode, 0);
    for (const char* part : {"\"typantal\": [\n    0,\n    0,\n    1,\n    1,\n", "\"slut\": 848",
                             "\"xmax\": 10", "\"projnamn\": \"PROJ1\""})
        EXPECT_NE(j.out.find(part), std::string::npos) << part << "\nin\n" << j.out;

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
    auto j = runTool({"ls", project(), "--type", "point", "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    EXPECT_EQ(j.out, golden("ls-point.json"));
    auto b = runTool({"ls", project(), "--type=3", "--json"});
    EXPECT_NE(b.out.find("\"flags\": [\n      \"KB\",\n      \"VF\",\n      \"GVR\"\n    ]"),
              std::string::npos)
        << b.out;
    EXPECT_EQ(b.out.find("\"point\""), std::string::npos);
    EXPECT_EQ(runTool({"ls", project(), "--type", "tunnel"}).out,
              r.out.substr(0, r.out.find('\n') + 1) + "0 objects\n");

    auto s = runTool({"show", project(), u("fö1")});
    ASSERT_EQ(s.exitCode, 0) << s.err;
    EXPECT_EQ(s.out, golden("show-point.txt"));
    auto sj = runTool({"show", project(), u("FÖ1"), "--json"});
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
    for (const char* row :
         {"tunnel     TUN1            TUN1", "outcrop    HÄLL1           HALL1",
          "borehole   KBH-Ö1          KBH-O1", "point      FP1             FP1",
          "line       LINJE.1/A       LINJE-1-", "line       LINJE:1/B       LINJE-11",
          "alignment  VÄG1.VL         VAG1-VL", "alignment  VÄG2.VL         VAG2-VL"})
        EXPECT_NE(r.out.find(u(row)), std::string::npos) << u(row) << "\nin\n" << r.out;
    auto ls = runTool({"ls", project()});
    ASSERT_EQ(ls.exitCode, 0);
    EXPECT_NE(r.out.find(ls.out), std::string::npos); // the listing is that of `harn ls`

    dbshdtype h = headOf(dbs());
    const int atLeast[6] = {1, 1, 1, 2, 2, 2};
    for (int t = 0; t < 6; ++t)
        EXPECT_GE(h.typantal[t], atLeast[t]) << t + 1;
    EXPECT_EQ(h.hal, 0);
    EXPECT_EQ(static_cast<size_t>(h.slut), readBytes(dbs()).size());
    EXPECT_FALSE(exists(project() + "/HARNPLAN.LCK"));
    EXPECT_TRUE(exists(project() + "/TMPPROG.PB$"));
    EXPECT_TRUE(exists(project() + "/HARNDB/KBH-O1.SND"));
    // The point file and the alignment list, in the formats the library's tests check.
    EXPECT_NE(readBytes(project() + "/Harnplan.PKT")
                  .find("FP1\r\n1010.000 2005.000  40.125 1010.500 2005.500  40.125 12 FP1\r\n"),
              std::string::npos);
    EXPECT_NE(readBytes(project() + "/HARNDB/VAGLINJE.LIS") // CP1252 on disk
                  .find("\r\nVÄG2.VL         VAG2-VL  " + platform::windowsPath(project()) +
                        "\\HARNDB Kopierad av Orvandel\r\n*\r\n"),
              std::string::npos);
    auto again = runTool({"demo", project()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("Databasen finns redan !"), std::string::npos);
}

} // namespace
