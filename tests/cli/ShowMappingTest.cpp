// harn show for lines and outcrops, and the lines and outcrops of harn demo.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using testing_support::exists;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::TempDir;
using testing_support::writeBytes;

namespace {

// Literals of this file are CP1252 (as the library's); the tool speaks UTF-8.
std::string u(const std::string& cp1252) {
    return platform::cp1252ToUtf8(cp1252);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string samples() {
    return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "samples" / "outcrops")
        .lexically_normal()
        .string();
}

class ShowMappingTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }
    std::string data(const std::string& name) const { return project() + "/HARNDB/" + name; }
    std::string win(const std::string& name) const {
        return platform::windowsPath(project()) + "\\HARNDB\\" + name;
    }

    // A project with a tunnel, a line saved through CLinjeData and an outcrop registered
    // through CHellar.
    void buildProject() {
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CAutoIni ini;
        ini.SetDatum("2026-01-02");
        CHarnDbs d(&proj, &ini);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        add(d, 1, "T1");
        add(d, 5, "L1");
        writeBytes(data("L1.LJE"), "L1\n3\n2 4 1.5\n90 let\n*\n"
                                   "0 1000.5 2000.25 10 A1\n"
                                   "12.5 1010 1995.75 11.25\n"
                                   "*\nBerg\n8.5 fast\n0\n*\n");
        CLinjeData l(&proj, "L1", CLinjeData::SP);
        ASSERT_EQ(l.Init(1), 0);
        ASSERT_EQ(l.Save(&d), 0);
        add(d, 2, "H1");
        writeBytes(data("H1.LAD"), "lead\n*\nH1\n1 2 3\n4.5 5.5 6.5\n7.25 8 9\n513 1 2 3\nt1\n"
                                   "Små text\n*\n10 20 5 ABCD\n14 20 0\n12 26 7 X\n");
        CHellar h(&proj, "H1");
        ASSERT_EQ(h.Init(), 0);
        ASSERT_EQ(h.SaveToDbs(&d), 0);
    }
    static void add(CHarnDbs& d, int typ, const char* id) {
        d.Ny(1, nullptr);
        dbstype* r = d.Get_aktel();
        r->typ = static_cast<uint8_t>(typ);
        std::strcpy(r->id, id);
        ASSERT_EQ(d.Filnamn(), 0);
        ASSERT_EQ(d.Uppdat(0), 0);
    }
    // The record of an object, read from the project database.
    dbstype recordOf(int typ, const char* id) {
        CProjPath proj(project().c_str());
        CHarnDbs d(&proj, nullptr);
        dbstype r;
        std::memset(&r, 0, sizeof r);
        EXPECT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
        char text[16] = {};
        std::strncpy(text, id, 15);
        EXPECT_EQ(d.Findid(typ, text), 0) << id;
        if (const dbstype* p = d.Get_aktel())
            r = *p;
        return r;
    }

    TempDir dir;
};

TEST_F(ShowMappingTest, ShowsALineAsTables) {
    buildProject();
    auto r = runTool({"show", project(), "L1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              u("line       L1\n"
                "file       " +
                win("L1.LJE") +
                "\n"
                "method     KV (3)\n"
                "code       2\n"
                "number     90\n"
                "value      1.5\n"
                "soil       let\n"
                "corner     1000.5 1995.75 8.5\n"
                "extent     9.5 4.5 2.75\n"
                "flags      none\n"
                "\n"
                "2 points\n"
                "  NR     POS            X            Y          Z TEXT               Berg TEXT\n"
                "   1    0.00     1000.500     2000.250     10.000 A1                8.500 fast\n"
                "   2   12.50     1010.000     1995.750     11.250                   0.000\n"));

    r = runTool({"show", project(), "l1", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* part :
         {"\"id\": \"L1\"", "\"method\": \"KV\"", "\"metod\": 3", "\"jordart\": \"let\"",
          "\"name\": \"Berg\"", "\"txt\": \"A1\"", "\"value\": 8.5", "\"text\": \"fast\"",
          "\"x\": 1010", "\"record\": {", "\"dz\": 2.75", "\"typ\": 5"})
        EXPECT_TRUE(contains(r.out, part)) << part << "\nin\n" << r.out;
}

TEST_F(ShowMappingTest, ShowsAnOutcropWithItsReference) {
    buildProject();
    auto r = runTool({"show", project(), "H1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, u("outcrop    H1\n"
                       "file       " +
                       win("H1.LAD") +
                       "\n"
                       "row 2      1 2 3\n"
                       "row 3      4.5 5.5 6.5\n"
                       "row 4      7.25\n"
                       "integers   513 1 2 8 9 3\n"
                       "text       Små text\n"
                       "refers to  t1\n"
                       "reference  t1 (tunnel, reftyp 1)\n"
                       "code       1\n"
                       "corner     10 20 5\n"
                       "extent     4 6 2\n"
                       "\n"
                       "3 points\n"
                       "  NR            X            Y          Z CODE\n"
                       "   1       10.000       20.000      5.000 ABC\n"
                       "   2       14.000       20.000      0.000\n"
                       "   3       12.000       26.000      7.000 X\n"));

    r = runTool({"show", project(), "H1", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const std::string& part : std::vector<std::string>{
             "\"refid\": \"t1\"", "\"reftyp\": 1", "\"kind\": \"tunnel\"", "\"kod\": \"ABC\"",
             "\"rad4tal\": 7.25", "\"text\": \"" + u("Små text") + "\"", "\"xyz2\": [",
             "\"type\": \"outcrop\""})
        EXPECT_TRUE(contains(r.out, part)) << part << "\nin\n" << r.out;
}

TEST_F(ShowMappingTest, MissingDataFileFailsWithExitCodeOne) {
    buildProject();
    std::filesystem::remove(data("L1.LJE"));
    std::filesystem::remove(data("H1.LAD"));
    auto r = runTool({"show", project(), "L1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "cannot read the line file " + win("L1.LJE"))) << r.err;
    r = runTool({"show", project(), "H1", "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "cannot read the outcrop file")) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(ShowMappingTest, DemoSavesLinesOfEveryMethodAndOutcropsFromTheSamples) {
    auto r = runTool({"demo", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(contains(r.out, "lines: 6 lines saved")) << r.out;

    // Lines: each file read back by the library, each record with its method bit.
    const struct {
        const char* id;
        int metod;
        uint8_t bits;
    } lines[] = {{"LINJE.1/A", 0, 0x40}, {"LINJE:1/B", 1, 0x80}, {"PROFIL-FP1", 2, 0},
                 {"KV1", 3, 0},          {"JG1", 4, 0},          {"LI1", 5, 0}};
    CProjPath proj(project().c_str());
    for (const auto& line : lines) {
        dbstype rec = recordOf(5, line.id);
        EXPECT_EQ(rec.flagg & 0xC0, line.bits) << line.id;
        CLinjeData l(&proj, rec.filnamn, -1);
        ASSERT_EQ(l.Init(1), 0) << line.id;
        EXPECT_EQ(l.m_metod, line.metod);
        int n = 0;
        l.Where(&n);
        EXPECT_GE(n, 4) << line.id;
        EXPECT_GT(rec.dx + rec.dy, 0) << line.id;
        auto shown = runTool({"show", project(), line.id});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_TRUE(contains(shown.out, std::to_string(n) + " points\n")) << shown.out;
    }
    // "Z-mate" and an unnamed column end the column blocks.
    std::string b = readBytes(data(recordOf(5, "LINJE:1/B").filnamn + std::string(".LJE")));
    EXPECT_TRUE(contains(b, "\r\nBerg\r\n"));
    EXPECT_FALSE(contains(b, "Z-mate"));
    EXPECT_FALSE(contains(b, "Vatten"));
    std::string li = readBytes(data("LI1.LJE"));
    EXPECT_TRUE(contains(li, "\r\nBerg\r\n"));
    EXPECT_FALSE(contains(li, "Ej skriven"));
    // A line without column names gets its "Berg" column on saving.
    EXPECT_TRUE(contains(readBytes(data("JG1.LJE")), "\r\nBerg\r\n"));

    // Outcrops: the files are the samples; the records carry what SaveToDbs wrote.
    for (const char* name : {"HALL1.LAD", "HALL2.LAD", "HALL3.LAD"}) {
        ASSERT_TRUE(exists(samples() + "/" + name)) << name;
        EXPECT_EQ(readBytes(data(name)), readBytes(samples() + "/" + name)) << name;
    }
    dbstype h1 = recordOf(2, "HÄLL1");
    EXPECT_EQ(h1.reftyp, 1);
    EXPECT_STREQ(h1.text, "TUN1");
    EXPECT_EQ(h1.kod, 3);
    EXPECT_EQ(h1.x, 1100);
    EXPECT_EQ(h1.dx, 12);
    EXPECT_EQ(h1.dz, 1.5); // the point without height is left out
    EXPECT_EQ(h1.xyz2[0], 12);
    dbstype h2 = recordOf(2, "HÄLL2");
    EXPECT_EQ(h2.reftyp, 6);
    EXPECT_STREQ(h2.text, "väg1.vl");
    EXPECT_EQ(h2.kod, 4);
    EXPECT_EQ(h2.x, 1202);
    EXPECT_EQ(h2.y, 2010);
    EXPECT_EQ(h2.z, 30.5);
    EXPECT_EQ(h2.dy, 4.5);
    EXPECT_EQ(h2.xyz2[2], 0.75);
    dbstype h3 = recordOf(2, "HÄLL3");
    EXPECT_EQ(h3.reftyp, 0);
    EXPECT_STREQ(h3.text, "");
    EXPECT_EQ(h3.z, 0);
    EXPECT_EQ(h3.dz, 0);
    EXPECT_EQ(h3.kod, 7);

    auto shown = runTool({"show", project(), u("HÄLL2")});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_TRUE(contains(shown.out, u("reference  väg1.vl (alignment, reftyp 6)\n"))) << shown.out;
    EXPECT_TRUE(contains(shown.out, "4 points\n")) << shown.out;
    shown = runTool({"show", project(), u("HÄLL3"), "--json"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_TRUE(contains(shown.out, "\"kod\": \"Dia\"")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "\"kind\": \"none\"")) << shown.out;
}

TEST_F(ShowMappingTest, DemoWithoutTheSampleFilesFails) {
    TempDir empty;
    ::setenv("HARN_SAMPLES", empty.path().c_str(), 1);
    auto r = runTool({"demo", project()});
    ::unsetenv("HARN_SAMPLES");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        contains(r.err, "cannot read the sample file " + empty.path() + "/outcrops/HALL1.LAD"))
        << r.err;
    EXPECT_TRUE(contains(r.err, "step 'lines and outcrops' failed")) << r.err;
}

} // namespace
