// The database commands of the harn tool, run as a separate process: new, info, ls, show
// and demo, their exit codes, and the library's messages on standard error.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <cfloat>
#include <cstring>

using testing_support::exists;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::TempDir;
using testing_support::writeBytes;

namespace {

std::string winOf(const std::string& posix) {
    return platform::windowsPath(posix);
}

// Literals of this file are CP1252 (as the library's); the tool speaks UTF-8.
std::string u(const std::string& cp1252) {
    return platform::cp1252ToUtf8(cp1252);
}

// Head fields of a database file on disk.
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
    // A small project written through the library: one point and one borehole.
    void buildSmallProject() {
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CAutoIni ini;
        ini.SetDatum("2026-01-02");
        CHarnDbs d(&proj, &ini);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        d.Ny(1, nullptr);
        dbstype* r = d.Get_aktel();
        r->typ = 4;
        std::strcpy(r->id, "FÖ1");
        r->x = 1.5;
        r->y = -2;
        r->z = 3.25;
        r->xyz2[2] = 0.1;
        r->kod = 7;
        std::strcpy(r->text, "Höjd");
        ASSERT_EQ(d.Filnamn(), 0);
        ASSERT_EQ(d.Uppdat(0), 0);
        d.Ny(1, nullptr);
        r = d.Get_aktel();
        r->typ = 3;
        std::strcpy(r->id, "B1");
        r->x = 10;
        r->y = 20;
        r->z = 30;
        r->dz = 15;
        r->flagg = 0x01 | 0x04 | 0x10;
        ASSERT_EQ(d.Filnamn(), 0);
        ASSERT_EQ(d.Uppdat(0), 0);
    }
    TempDir dir;
};

TEST_F(ToolTest, NewCreatesTheProjectFolderAndAnEmptyDatabase) {
    auto r = runTool({"new", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(platform::isDirectory(platform::windowsPath(project() + "/HARNDB").c_str()));
    std::string file = readBytes(dbs());
    ASSERT_EQ(file.size(), 324u);
    dbshdtype h = headOf(dbs());
    EXPECT_STREQ(h.projnamn, "PROJ1");
    EXPECT_STREQ(h.version, "1.5");
    EXPECT_EQ(h.verdel, 0.5);
    EXPECT_EQ(h.slut, 600);
    EXPECT_EQ(h.xmin, DBL_MAX);
    EXPECT_EQ(std::strlen(h.datum), 10u);
    EXPECT_NE(r.out.find("HARNPLAN.DBS"), std::string::npos);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(exists(project() + "/HARNPLAN.LCK"));
}

TEST_F(ToolTest, NewTakesANameInUtf8AndStoresItInCp1252) {
    auto r = runTool({"new", dir.path() + u("/Å/B"), "--name", u("Hålla väg")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    dbshdtype h = headOf(dir.path() + u("/Å/B/HARNPLAN.DBS"));
    EXPECT_STREQ(h.projnamn, "Hålla väg");
    auto info = runTool({"info", dir.path() + u("/Å/B")});
    EXPECT_NE(info.out.find(u("project   Hålla väg\n")), std::string::npos) << info.out;
}

TEST_F(ToolTest, NewOverAnExistingDatabaseFailsWithTheLibraryMessages) {
    ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
    std::string before = readBytes(dbs());
    auto r = runTool({"new", project()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Databasen finns redan !"), std::string::npos) << r.err;
    EXPECT_NE(
        r.err.find(u("Inläsning av Harnoplan - databas: Kan ej öppna databas: " + winOf(dbs()))),
        std::string::npos)
        << r.err;
    EXPECT_EQ(readBytes(dbs()), before);
}

TEST_F(ToolTest, UsageErrorsGiveExitCodeTwo) {
    EXPECT_EQ(runTool({"new"}).exitCode, 2);
    EXPECT_EQ(runTool({"new", project(), "--name"}).exitCode, 2);
    EXPECT_EQ(runTool({"info"}).exitCode, 2);
    EXPECT_EQ(runTool({"ls", project(), "extra"}).exitCode, 2);
    auto bad = runTool({"ls", project(), "--type", "volcano"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("usage: harn ls DIR [--type T] [--json]"), std::string::npos);
    EXPECT_EQ(runTool({"show", project()}).exitCode, 2);
    EXPECT_EQ(runTool({"demo"}).exitCode, 2);
    auto help = runTool({"ls", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: harn ls DIR [--type T] [--json]"), std::string::npos);
    EXPECT_FALSE(exists(project()));
}

TEST_F(ToolTest, MissingDatabaseFailsWithExitCodeOne) {
    for (const char* cmd : {"info", "ls", "show"}) {
        std::vector<std::string> args = {cmd, project()};
        if (std::string(cmd) == "show")
            args.push_back("B1");
        auto r = runTool(args);
        EXPECT_EQ(r.exitCode, 1) << cmd;
        EXPECT_EQ(r.err, u("Inläsning av Harnoplan - databas: Kan ej öppna databas: " +
                           winOf(dbs()) + "\n"))
            << cmd;
        EXPECT_EQ(r.out, "") << cmd;
    }
}

TEST_F(ToolTest, LockedDatabaseFailsWithExitCodeOneAndKeepsTheLock) {
    ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
    writeBytes(project() + "/HARNPLAN.LCK", "");
    for (const char* cmd : {"info", "ls"}) {
        auto r = runTool({cmd, project()});
        EXPECT_EQ(r.exitCode, 1) << cmd;
        EXPECT_EQ(r.err, u("Inläsning av Harnoplan - databas: Kan ej öppna databas: " +
                           winOf(dbs()) + "\n"));
    }
    EXPECT_TRUE(exists(project() + "/HARNPLAN.LCK"));
}

TEST_F(ToolTest, InfoShowsTheHead) {
    buildSmallProject();
    auto r = runTool({"info", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* line :
         {"version   1.5 (fraction 0.5)\n", "project   PROJ1\n", "koordsys  RAK\n",
          "riktning  NORR\n", "objects   2\n", "  borehole    1\n", "  point       1\n",
          "  tunnel      0\n", "hal       0\n", "slut      848\n", "extent    x 1.5 .. 10\n",
          "          y -2 .. 20\n", "          z 3.25 .. 45\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\nin\n" << r.out;
    auto j = runTool({"info", project(), "--json"});
    ASSERT_EQ(j.exitCode, 0);
    EXPECT_NE(j.out.find("\"typantal\": [\n    0,\n    0,\n    1,\n    1,\n"), std::string::npos)
        << j.out;
    EXPECT_NE(j.out.find("\"slut\": 848"), std::string::npos);
    EXPECT_NE(j.out.find("\"xmax\": 10"), std::string::npos);

    auto empty = runTool({"new", dir.path() + "/EMPTY"});
    ASSERT_EQ(empty.exitCode, 0);
    EXPECT_NE(runTool({"info", dir.path() + "/EMPTY"}).out.find("extent    none\n"),
              std::string::npos);
    EXPECT_NE(runTool({"info", dir.path() + "/EMPTY", "--json"}).out.find("\"extent\": null"),
              std::string::npos);
}

TEST_F(ToolTest, LsListsEveryObjectInTextAndJson) {
    buildSmallProject();
    auto r = runTool({"ls", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              u("TYPE       ID              FILE                X            Y          Z        "
                "DX        DY        DZ FLAGS\n"
                "point      FÖ1             FO1             1.500       -2.000      3.250     "
                "0.000     0.000     0.000 \n"
                "borehole   B1              B1             10.000       20.000     30.000     "
                "0.000     0.000    15.000 KB,VF,GVR\n"
                "2 objects\n"));
    auto j = runTool({"ls", project(), "--type", "point", "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    EXPECT_EQ(j.out, u("[\n"
                       "  {\n"
                       "    \"typ\": 4,\n"
                       "    \"type\": \"point\",\n"
                       "    \"id\": \"FÖ1\",\n"
                       "    \"filnamn\": \"FO1\",\n"
                       "    \"kod\": 7,\n"
                       "    \"reftyp\": 0,\n"
                       "    \"flagg\": 0,\n"
                       "    \"flags\": [],\n"
                       "    \"x\": 1.5,\n"
                       "    \"y\": -2,\n"
                       "    \"z\": 3.25,\n"
                       "    \"xyz2\": [\n"
                       "      0,\n"
                       "      0,\n"
                       "      0.1\n"
                       "    ],\n"
                       "    \"dx\": 0,\n"
                       "    \"dy\": 0,\n"
                       "    \"dz\": 0,\n"
                       "    \"text\": \"Höjd\",\n"
                       "    \"filpos\": 600\n"
                       "  }\n"
                       "]\n"));
    auto b = runTool({"ls", project(), "--type", "3", "--json"});
    EXPECT_NE(b.out.find("\"flags\": [\n      \"KB\",\n      \"VF\",\n      \"GVR\"\n    ]"),
              std::string::npos)
        << b.out;
    EXPECT_EQ(b.out.find("\"point\""), std::string::npos);
    auto none = runTool({"ls", project(), "--type", "tunnel"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_NE(none.out.find("0 objects\n"), std::string::npos);
}

TEST_F(ToolTest, ShowPrintsTheRecordOfATypeWithoutHandler) {
    buildSmallProject();
    auto r = runTool({"show", project(), u("fö1")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, u("type      point (4)\n"
                       "id        FÖ1\n"
                       "file name FO1\n"
                       "code      7\n"
                       "reftyp    0\n"
                       "flags     0\n"
                       "corner    1.5 -2 3.25\n"
                       "xyz2      0 0 0.1\n"
                       "extent    0 0 0\n"
                       "text      Höjd\n"
                       "slot      600\n"));
    auto j = runTool({"show", project(), u("FÖ1"), "--json"});
    ASSERT_EQ(j.exitCode, 0);
    EXPECT_EQ(j.out.rfind("{\n  \"typ\": 4,\n", 0), 0u) << j.out;
    auto missing = runTool({"show", project(), "NIX"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no object NIX"), std::string::npos);
    EXPECT_EQ(runTool({"show", project(), "ABCDEFGHIJKLMNOPQ"}).exitCode, 1);
}

TEST_F(ToolTest, DemoBuildsASampleProjectAndListsIt) {
    auto r = runTool({"demo", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* row :
         {"tunnel     TUN1            TUN1", "outcrop    HÄLL1           HALL1",
          "borehole   KBH-Ö1          KBH-O1", "point      FP1             FP1",
          "line       LINJE.1/A       LINJE-1-", "line       LINJE:1/B       LINJE-11",
          "alignment  VÄG1.VL         VAG1-VL", "alignment  VÄG2.VL         VAG2-VL"})
        EXPECT_NE(r.out.find(u(row)), std::string::npos) << u(row) << "\nin\n" << r.out;
    EXPECT_EQ(r.err, "");
    // The listing printed is what `harn ls` prints afterwards.
    auto ls = runTool({"ls", project()});
    ASSERT_EQ(ls.exitCode, 0);
    EXPECT_NE(r.out.find(ls.out), std::string::npos);

    dbshdtype h = headOf(dbs());
    EXPECT_GE(h.antal, 9);
    EXPECT_GE(h.typantal[0], 1);
    EXPECT_GE(h.typantal[1], 1);
    EXPECT_GE(h.typantal[2], 1);
    EXPECT_GE(h.typantal[3], 2);
    EXPECT_GE(h.typantal[4], 2);
    EXPECT_GE(h.typantal[5], 2);
    EXPECT_EQ(h.hal, 0);
    EXPECT_EQ(static_cast<size_t>(h.slut), readBytes(dbs()).size());
    EXPECT_FALSE(exists(project() + "/HARNPLAN.LCK"));
    EXPECT_TRUE(exists(project() + "/TMPPROG.PB$"));

    std::string pkt = readBytes(project() + "/Harnplan.PKT");
    EXPECT_EQ(pkt.rfind("FP1\r\n1010.000 2005.000  40.125 1010.500 2005.500  40.125 12 FP1\r\n"
                        "Fixpunkt\r\n\r\n",
                        0),
              0u)
        << pkt;
    EXPECT_EQ(pkt.substr(pkt.size() - 3), "*\r\n");
    std::string vl = readBytes(project() + "/HARNDB/VAGLINJE.LIS"); // CP1252 on disk
    std::string folder = winOf(project());
    EXPECT_EQ(vl, "*\r\nVÄG1.VL         VAG1-VL  " + folder +
                      "\\HARNDB Kopierad av Orvandel\r\nVÄG2.VL         VAG2-VL  " + folder +
                      "\\HARNDB Kopierad av Orvandel\r\n*\r\n");
    EXPECT_TRUE(exists(project() + "/HARNDB/KBH-O1.SND"));

    // A second demo into the same folder is refused by the library.
    auto again = runTool({"demo", project()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("Databasen finns redan !"), std::string::npos);
}

} // namespace
