// harn show for lines and outcrops, harn export (GeoJSON and CSV), both on one small project
// built through the library, and the lines, outcrops and boreholes of harn demo. Expected
// outputs are in tests/data/mapping/Show* and tests/data/tool/export*.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace testing_support;
using Args = std::vector<std::string>;

namespace {

// A file of the source tree, given relative to the tests folder.
std::string source(const std::string& relative) {
    return std::filesystem::path(__FILE__).parent_path().string() + "/../" + relative;
}

class ShowMappingTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }
    std::string data(const std::string& name) const { return project() + "/HARNDB/" + name; }

    // A tunnel with a plan extent, a line saved through CLinjeData, an outcrop (clockwise
    // outline, not closed, referring to the tunnel) registered through CHellar and a point
    // with two flag bits and a text that needs quoting in CSV.
    void buildProject() {
        dbstype t = objectRecord(1, "T1", 100, 200, 50, 20), p = objectRecord(4, "P1", 1.5, 2.25);
        t.z = 5, p.z = -0.125, p.flagg = 0x09;
        std::strcpy(p.text, "Fix, \"Å\" ö"_cp);
        newProject(project(), {t, objectRecord(5, "L1"), objectRecord(2, "H1"), p});
        writeBytes(data("L1.LJE"), "L1\n3\n2 4 1.5\n90 let\n*\n0 1000.5 2000.25 10 A1\n"
                                   "12.5 1010 1995.75 11.25\n*\nBerg\n8.5 fast\n0\n*\n");
        writeBytes(data("H1.LAD"), "lead\n*\nH1\n1 2 3\n4.5 5.5 6.5\n7.25 8 9\n513 1 2 3\nt1\n"
                                   "Små text\n*\n10 20 5 ABCD\n14 20 0\n12 26 7 X\n"_cp);
        CProjPath proj(project().c_str());
        CHarnDbs d(&proj, nullptr);
        char l1[16] = "L1", h1[16] = "H1";
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        CLinjeData l(&proj, "L1", CLinjeData::SP);
        ASSERT_TRUE(d.Findid(5, l1) == 0 && l.Init(1) == 0 && l.Save(&d) == 0);
        CHellar h(&proj, "H1");
        ASSERT_TRUE(d.Findid(2, h1) == 0 && h.Init() == 0 && h.SaveToDbs(&d) == 0);
    }

    TempDir dir;
};
using ExportTest = ShowMappingTest;

// Tables and JSON of a line and an outcrop; without its data file the object cannot be shown.
TEST_F(ShowMappingTest, ShowsALineAndAnOutcrop) {
    buildProject();
    const std::string folder = project(); // as the tool prints paths
    for (const char* id : {"L1", "H1"}) {
        for (const bool json : {false, true}) {
            const std::string name = std::string("Show") + id + (json ? ".json" : ".txt");
            auto r = json ? runTool({"show", project(), id, "--json"})
                          : runTool({"show", project(), id});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(r.err, "");
            std::string want = readBytes(source("data/mapping/" + name));
            for (size_t at; (at = want.find("@DIR@")) != std::string::npos;)
                want.replace(at, 5, folder);
            EXPECT_EQ(r.out, want) << name;
        }
    }
    std::filesystem::remove(data("L1.LJE"));
    std::filesystem::remove(data("H1.LAD"));
    auto r = runTool({"show", project(), "L1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        contains(r.err, "harn show: cannot read the line file " + folder + "/HARNDB/L1.LJE\n"))
        << r.err;
    r = runTool({"show", project(), "H1", "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "harn show: cannot read the outcrop file")) << r.err;
    EXPECT_EQ(r.out, "");
}

// The demo saves a line of every method and registers the sample outcrop files, each with
// the reference it names; harn show reads every one of them back. harn export writes a
// feature per object (two for the tunnel), the boreholes with their length and bottom.
TEST_F(ShowMappingTest, DemoProject) {
    auto r = runTool({"demo", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(contains(r.out, "lines: 6 lines saved")) << r.out;
    const struct {
        const char *id, *sample, *shows;
    } objects[] = {{"LINJE.1/A", nullptr, "method     KR (0)\n"},
                   {"LINJE:1/B", nullptr, "\n11 points\n"},
                   {"PROFIL-FP1", nullptr, "method     FP (2)\n"},
                   {"KV1", nullptr, "method     KV (3)\n"},
                   {"JG1", nullptr, "method     JG (4)\n"},
                   {"LI1", nullptr, "method     LI (5)\n"},
                   {"HÄLL1"_cp, "HALL1.LAD", "reference  TUN1 (tunnel, reftyp 1)\n"},
                   {"HÄLL2"_cp, "HALL2.LAD", "reference  väg1.vl (alignment, reftyp 6)\n"_cp},
                   {"HÄLL3"_cp, "HALL3.LAD", "reference   (none, reftyp 0)\n"}};
    for (const auto& o : objects) {
        auto shown = runTool({"show", project(), u(o.id)});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_TRUE(contains(shown.out, u(o.shows))) << shown.out;
        if (o.sample) {
            EXPECT_EQ(readBytes(data(o.sample)),
                      readBytes(source("../samples/outcrops/") + o.sample));
        }
    }
    const auto g = runTool({"export", project()});
    ASSERT_EQ(g.exitCode, 0) << g.err;
    int features = 0;
    for (size_t at = 0; (at = g.out.find("\n{\"type\":\"Feature\"", at)) != std::string::npos; ++at)
        ++features;
    // The tunnel gives two features (its outline and its centre line).
    EXPECT_TRUE(contains(runTool({"ls", project()}).out,
                         "\n" + std::to_string(features - 1) + " objects\n"));
    // BH1 is vertical: no bottom. BH2 is inclined 60 degrees over 30 m; BH3 is surveyed.
    const struct {
        const char *id, *expected;
    } holes[] = {{"BH1", "\"length\":25,\"surveyed\":false}"},
                 {"BH2", "\"length\":30,\"surveyed\":false,\"bottom\":[2070.6066017177973,"
                         "1130.6066017177964,13.219237886465809]}"},
                 {"BH3", "\"surveyed\":true,\"bottom\":[2014.46,1180.065,19.018]}"}};
    for (const auto& h : holes) {
        const size_t at = g.out.rfind('\n', g.out.find(std::string("\"id\":\"") + h.id + "\"")) + 1;
        const std::string feature = g.out.substr(at, g.out.find('\n', at) - at);
        EXPECT_TRUE(contains(feature, "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\"") &&
                    contains(feature, h.expected))
            << feature;
    }
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

// GeoJSON: positions [y, x, z]; the tunnel's extent as a closed rectangle; the line's points;
// the outcrop's ring closed and turned counterclockwise in plan; texts in UTF-8 with JSON
// escapes. CSV: fields with a comma or quotes are quoted, their quotes doubled. Without their
// data files the line and the outcrop fall back to the record's corner and extent.
TEST_F(ExportTest, SmallProject) {
    buildProject();
    const struct {
        Args options;
        const char* file;
    } cases[] = {{{}, "export.geojson"},
                 {{"--format", "csv"}, "export.csv"},
                 {{"--type", "line", "--format", "geojson"}, "export-line.geojson"}};
    for (const auto& c : cases) {
        Args args = {"export", project()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        auto r = runTool(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, readBytes(source("data/tool/") + c.file)) << c.file;
    }

    // -o writes the same through a temporary file, replacing an old file; a failed write leaves
    // neither a temporary file nor a changed target.
    const std::string out = dir.path() + "/out", csv = out + "/" + u("Hällar.csv"_cp);
    std::filesystem::create_directories(out + "/taken");
    writeBytes(csv, "old");
    auto r = runTool({"export", project(), "-o", csv, "--format", "csv"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readBytes(csv), readBytes(source("data/tool/export.csv")));
    r = runTool({"export", project(), "-o", out + "/taken"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "harn export: cannot write " + out + "/taken")) << r.err;
    EXPECT_EQ(listNames(out), (Args{u("Hällar.csv"_cp), "taken"}));
    EXPECT_TRUE(std::filesystem::is_empty(out + "/taken"));

    std::filesystem::remove(data("L1.LJE"));
    std::filesystem::remove(data("H1.LAD"));
    EXPECT_EQ(runTool({"export", project()}).out,
              readBytes(source("data/tool/export-missing.geojson")));
}

} // namespace
