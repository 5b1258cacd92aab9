// harn export: GeoJSON and CSV of a small project built through the library, the fallbacks
// for missing data files, the demo project's boreholes, writing with -o, and the exit codes.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/Encoding.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using testing_support::listNames;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::writeBytes;

namespace {

// Literals of this file are CP1252 (as the library's); the tool writes UTF-8.
std::string u(const std::string& cp1252) {
    return platform::cp1252ToUtf8(cp1252);
}

int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The line of the output that holds `part`.
std::string lineWith(const std::string& text, const std::string& part) {
    size_t at = text.find(part);
    if (at == std::string::npos)
        return {};
    size_t begin = text.rfind('\n', at) + 1;
    return text.substr(begin, text.find('\n', at) - begin);
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }
    std::string data(const std::string& name) const { return project() + "/HARNDB/" + name; }

    // A tunnel with a plan extent, a point whose text needs quoting, a line saved through
    // CLinjeData and an outcrop (clockwise outline, not closed) registered through CHellar.
    void buildProject() {
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CAutoIni ini;
        CHarnDbs d(&proj, &ini);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        add(d, 1, "T1", "", {100, 200, 5}, {50, 20, 0});
        add(d, 4, "P1", "Fix, \"Å\" ö", {1.5, 2.25, -0.125}, {0, 0, 0});
        add(d, 5, "L1", "", {0, 0, 0}, {0, 0, 0});
        writeBytes(data("L1.LJE"), "L1\n1\n2 4 1.5\n90 let\n*\n"
                                   "0 1000.5 2000.25 10 A1\n"
                                   "12.5 1010 1995.75 11.25\n"
                                   "20 1020.125 1990 12\n*\n");
        CLinjeData l(&proj, "L1", CLinjeData::SP);
        ASSERT_EQ(l.Init(1), 0);
        ASSERT_EQ(l.Save(&d), 0);
        add(d, 2, "H1", "", {0, 0, 0}, {0, 0, 0});
        writeBytes(data("H1.LAD"), "lead\n*\nH1\n1 2 3\n4.5 5.5 6.5\n7.25 8 9\n513 1 2 3\n\n"
                                   "text\n*\n10 20 5 ABC\n12 26 7 X\n14 20 0\n");
        CHellar h(&proj, "H1");
        ASSERT_EQ(h.Init(), 0);
        ASSERT_EQ(h.SaveToDbs(&d), 0);
    }
    static void add(CHarnDbs& d, int typ, const char* id, const char* text,
                    std::vector<double> corner, std::vector<double> extent) {
        d.Ny(1, nullptr);
        dbstype* r = d.Get_aktel();
        r->typ = static_cast<uint8_t>(typ);
        std::strcpy(r->id, id);
        std::strcpy(r->text, text);
        r->x = corner[0], r->y = corner[1], r->z = corner[2];
        r->dx = extent[0], r->dy = extent[1], r->dz = extent[2];
        ASSERT_EQ(d.Filnamn(), 0);
        ASSERT_EQ(d.Uppdat(0), 0);
    }

    testing_support::TempDir dir;
};

// The whole GeoJSON of the small project: the tunnel's extent as a closed rectangle, the
// point, the line's coordinates equal to its points, the outcrop's ring closed and turned
// counterclockwise in plan (east, north); positions are [y, x, z]; texts in UTF-8 with JSON
// escapes.
const char* const kGeoJson =
    R"({"type":"FeatureCollection","name":"PROJ1","features":[
{"type":"Feature","geometry":{"type":"Polygon","coordinates":[[[200,100,5],[220,100,5],[220,150,5],[200,150,5],[200,100,5]]]},"properties":{"type":"tunnel","typ":1,"id":"T1","filnamn":"T1","text":"","kod":0,"reftyp":0,"flagg":0,"flags":"","x":100,"y":200,"z":5,"xyz2":[0,0,0],"dx":50,"dy":20,"dz":0,"extent":true}},
{"type":"Feature","geometry":{"type":"Point","coordinates":[2.25,1.5,-0.125]},"properties":{"type":"point","typ":4,"id":"P1","filnamn":"P1","text":"Fix, \"Å\" ö","kod":0,"reftyp":0,"flagg":0,"flags":"","x":1.5,"y":2.25,"z":-0.125,"xyz2":[0,0,0],"dx":0,"dy":0,"dz":0}},
{"type":"Feature","geometry":{"type":"LineString","coordinates":[[2000.25,1000.5,10],[1995.75,1010,11.25],[1990,1020.125,12]]},"properties":{"type":"line","typ":5,"id":"L1","filnamn":"L1","text":"","kod":0,"reftyp":0,"flagg":128,"flags":"SP","x":1000.5,"y":1990,"z":10,"xyz2":[0,0,0],"dx":19.625,"dy":10.25,"dz":2,"points":3}},
{"type":"Feature","geometry":{"type":"Polygon","coordinates":[[[20,10,5],[26,12,7],[20,14,0],[20,10,5]]]},"properties":{"type":"outcrop","typ":2,"id":"H1","filnamn":"H1","text":"","kod":1,"reftyp":0,"flagg":0,"flags":"","x":10,"y":20,"z":5,"xyz2":[4.5,5.5,6.5],"dx":4,"dy":6,"dz":2,"points":3}}
]}
)";

TEST_F(ExportTest, GeoJsonOfASmallProject) {
    buildProject();
    auto r = runTool({"export", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, u(kGeoJson));
    // --type keeps one kind; the name and the collection stay.
    r = runTool({"export", project(), "--type", "line", "--format", "geojson"});
    EXPECT_EQ(count(r.out, "\"type\":\"Feature\""), 1);
    EXPECT_EQ(r.out.rfind("{\"type\":\"FeatureCollection\",\"name\":\"PROJ1\",", 0), 0u);
}

// One row per object; the text with a comma and quotes is quoted, its quotes doubled; the
// flag words of the line are one field.
TEST_F(ExportTest, CsvOfASmallProject) {
    buildProject();
    auto r = runTool({"export", project(), "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, u("type,id,file,x,y,z,dx,dy,dz,flags,text\n"
                       "tunnel,T1,T1,100,200,5,50,20,0,,\n"
                       "point,P1,P1,1.5,2.25,-0.125,0,0,0,,\"Fix, \"\"Å\"\" ö\"\n"
                       "line,L1,L1,1000.5,1990,10,19.625,10.25,2,SP,\n"
                       "outcrop,H1,H1,10,20,5,4,6,2,,\n"));
}

// Without their data files a line and an outcrop keep a feature: the record's corner and
// extent, marked as such.
TEST_F(ExportTest, MissingDataFilesFallBackToTheRecord) {
    buildProject();
    std::filesystem::remove(data("L1.LJE"));
    std::filesystem::remove(data("H1.LAD"));
    auto r = runTool({"export", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(count(r.out, "\"type\":\"Feature\""), 4);
    const std::string line = lineWith(r.out, "\"id\":\"L1\"");
    EXPECT_NE(line.find("\"coordinates\":[[1990,1000.5,10],[2000.25,1020.125,12]]"),
              std::string::npos)
        << line;
    EXPECT_NE(line.find("\"extent\":true,\"data\":\"missing\"}"), std::string::npos) << line;
    const std::string outcrop = lineWith(r.out, "\"id\":\"H1\"");
    EXPECT_NE(outcrop.find("\"coordinates\":[[[20,10,5],[26,10,5],[26,14,5],[20,14,5],[20,10,5]]]"),
              std::string::npos)
        << outcrop;
    EXPECT_NE(outcrop.find("\"extent\":true,\"data\":\"missing\"}"), std::string::npos) << outcrop;
}

// The demo: one feature and one row per object, every ring closed; the boreholes' bottoms.
TEST_F(ExportTest, DemoProject) {
    ASSERT_EQ(runTool({"demo", project()}).exitCode, 0);
    CProjPath proj(project().c_str());
    CHarnDbs d(&proj, nullptr);
    ASSERT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
    const int objects = d.m_hd.antal;
    ASSERT_GT(objects, 10);

    auto g = runTool({"export", project()});
    ASSERT_EQ(g.exitCode, 0) << g.err;
    EXPECT_EQ(count(g.out, "\"type\":\"Feature\""), objects);
    int rings = 0;
    for (size_t at = 0; (at = g.out.find("\"coordinates\":[[[", at)) != std::string::npos;) {
        at += 17;
        const std::string ring = g.out.substr(at, g.out.find("]]]", at) - at);
        const std::string first = ring.substr(0, ring.find(']'));
        const std::string last = ring.substr(ring.rfind('[') + 1);
        EXPECT_EQ(first, last) << ring;
        ++rings;
    }
    EXPECT_EQ(rings, 6); // a tunnel, two alignments, three outcrops
    auto c = runTool({"export", project(), "--format=csv"});
    EXPECT_EQ(count(c.out, "\n"), objects + 1);

    // BH1 is vertical: no bottom. BH2 is inclined 60 degrees over 30 m; BH3 is surveyed.
    const struct {
        const char* id;
        const char* expected;
    } holes[] = {
        {"BH1", "\"length\":25,\"surveyed\":false}"},
        {"BH2", "\"length\":30,\"surveyed\":false,\"bottom\":[2070.6066017177973,"
                "1130.6066017177964,13.219237886465809]}"},
        {"BH3", "\"surveyed\":true,\"bottom\":[2014.46,1180.065,19.018]}"},
    };
    for (const auto& h : holes) {
        SCOPED_TRACE(h.id);
        const std::string feature = lineWith(g.out, std::string("\"id\":\"") + h.id + "\"");
        EXPECT_NE(feature.find("\"geometry\":{\"type\":\"Point\""), std::string::npos) << feature;
        EXPECT_NE(feature.find(h.expected), std::string::npos) << feature;
    }
}

// -o writes what standard output would show, through FILE.tmp, replacing an old file; a
// failed write leaves neither a temporary file nor a changed target.
TEST_F(ExportTest, OutputFile) {
    buildProject();
    const std::string out = dir.path() + "/out";
    std::filesystem::create_directory(out);
    const std::string csv = out + "/" + u("Hällar.csv");
    writeBytes(csv, "old");
    auto r = runTool({"export", project(), "-o", csv, "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readBytes(csv), runTool({"export", project(), "--format", "csv"}).out);
    EXPECT_EQ(listNames(out), std::vector<std::string>{u("Hällar.csv")});

    std::filesystem::create_directory(out + "/taken");
    r = runTool({"export", project(), "-o", out + "/taken"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("harn export: cannot write " + out + "/taken"), std::string::npos);
    EXPECT_EQ(listNames(out), (std::vector<std::string>{u("Hällar.csv"), "taken"}));
    EXPECT_TRUE(std::filesystem::is_empty(out + "/taken"));
}

TEST_F(ExportTest, ExitCodes) {
    buildProject();
    const struct {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"export"}, 2},
        {{"export", project(), "--format", "kml"}, 2},
        {{"export", project(), "--format"}, 2},
        {{"export", project(), "--type", "tree"}, 2},
        {{"export", project(), "-o"}, 2},
        {{"export", project(), "-o", ""}, 2},
        {{"export", project(), project()}, 2},
        {{"export", dir.path() + "/NONE"}, 1},
        {{"export", dir.path() + "/NONE", "-o", dir.path() + "/x.json"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.size() > 2 ? c.args[2] : c.args.back());
        auto r = runTool(c.args);
        EXPECT_EQ(r.exitCode, c.code) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.find("usage: harn export DIR") != std::string::npos, c.code == 2) << r.err;
    }
    EXPECT_FALSE(testing_support::exists(dir.path() + "/x.json"));
}

} // namespace
