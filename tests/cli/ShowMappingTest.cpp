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

std::string data_dir() {
    return (std::filesystem::path(__FILE__).parent_path() / ".." / "data" / "mapping")
        .lexically_normal()
        .string();
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

// Tables and JSON of a line and an outcrop, against tests/data/mapping/Show*.
TEST_F(ShowMappingTest, ShowsALineAndAnOutcrop) {
    buildProject();
    const std::string folder = u(platform::windowsPath(project()));
    std::string escaped;
    for (char c : folder)
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    for (const char* id : {"L1", "H1"}) {
        for (const char* format : {".txt", ".json"}) {
            const std::string name = std::string("Show") + id + format;
            SCOPED_TRACE(name);
            const bool json = format[1] == 'j';
            auto r = json ? runTool({"show", project(), id, "--json"})
                          : runTool({"show", project(), id});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(r.err, "");
            std::string want = readBytes(data_dir() + "/" + name);
            for (size_t at; (at = want.find("@DIR@")) != std::string::npos;)
                want.replace(at, 5, json ? escaped : folder);
            EXPECT_EQ(r.out, want);
        }
    }
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

    // Lines: each file read back by the library and shown, each record with its method bit.
    const struct {
        const char* id;
        int metod;
        uint8_t bits;
    } lines[] = {{"LINJE.1/A", 0, 0x40}, {"LINJE:1/B", 1, 0x80}, {"PROFIL-FP1", 2, 0},
                 {"KV1", 3, 0},          {"JG1", 4, 0},          {"LI1", 5, 0}};
    CProjPath proj(project().c_str());
    for (const auto& line : lines) {
        SCOPED_TRACE(line.id);
        dbstype rec = recordOf(5, line.id);
        EXPECT_EQ(rec.flagg & 0xC0, line.bits);
        CLinjeData l(&proj, rec.filnamn, -1);
        ASSERT_EQ(l.Init(1), 0);
        EXPECT_EQ(l.m_metod, line.metod);
        int n = 0;
        l.Where(&n);
        EXPECT_GE(n, 4);
        auto shown = runTool({"show", project(), line.id});
        EXPECT_TRUE(contains(shown.out, std::to_string(n) + " points\n")) << shown.out;
    }
    // "Z-mate" and an unnamed column end the column blocks; JG1 names no column.
    const std::string b = readBytes(data(recordOf(5, "LINJE:1/B").filnamn + std::string(".LJE")));
    EXPECT_TRUE(contains(b, "\r\nBerg\r\n") && !contains(b, "Z-mate") && !contains(b, "Vatten"));
    EXPECT_FALSE(contains(readBytes(data("LI1.LJE")), "Ej skriven"));
    EXPECT_TRUE(contains(readBytes(data("JG1.LJE")), "\r\nBerg\r\n"));

    // Outcrops: the files are the samples; the records carry what SaveToDbs wrote.
    const struct {
        const char *file, *id, *text;
        int reftyp, kod;
        double x, z, dz;
    } outcrops[] = {{"HALL1.LAD", "HÄLL1", "TUN1", 1, 3, 1100, 35.5, 1.5},
                    {"HALL2.LAD", "HÄLL2", "väg1.vl", 6, 4, 1202, 30.5, 1.5},
                    {"HALL3.LAD", "HÄLL3", "", 0, 7, 1298, 0, 0}};
    for (const auto& o : outcrops) {
        SCOPED_TRACE(o.file);
        ASSERT_TRUE(exists(samples() + "/" + o.file));
        EXPECT_EQ(readBytes(data(o.file)), readBytes(samples() + "/" + o.file));
        dbstype rec = recordOf(2, o.id);
        EXPECT_EQ(rec.reftyp, o.reftyp);
        EXPECT_STREQ(rec.text, o.text);
        EXPECT_EQ(rec.kod, o.kod);
        EXPECT_EQ(rec.x, o.x);
        EXPECT_EQ(rec.z, o.z);
        EXPECT_EQ(rec.dz, o.dz);
    }
    auto shown = runTool({"show", project(), u("HÄLL2")});
    EXPECT_TRUE(contains(shown.out, u("reference  väg1.vl (alignment, reftyp 6)\n"))) << shown.out;
    shown = runTool({"show", project(), u("HÄLL3"), "--json"});
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
