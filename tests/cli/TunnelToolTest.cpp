// The tool on tunnels: the demo's tunnel saved through the library along its alignment,
// `harn show` of it (the check of its files is CheckRulesTest's), and its geometry in
// `harn export` and `harn draw` (rendered to PNG when rsvg-convert is installed).
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "host/CProjPath.h"
#include "host/CVaglinje.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// The positions [east, north] of a feature's geometry as (north, east) pairs.
std::vector<std::pair<double, double>> coordinates(const std::string& feature) {
    const std::string list = feature.substr(0, feature.find("\"properties\""));
    std::vector<std::pair<double, double>> out;
    static const std::regex pair(R"(\[(-?[0-9.e+-]+),(-?[0-9.e+-]+)\])");
    for (std::sregex_iterator it(list.begin(), list.end(), pair), end; it != end; ++it)
        out.push_back({std::atof((*it)[2].str().c_str()), std::atof((*it)[1].str().c_str())});
    return out;
}

// The feature (a line of the export) holding `part`; empty when none.
std::string feature(const std::string& geojson, const std::string& part) {
    const size_t at = geojson.find(part);
    if (at == std::string::npos)
        return "";
    const size_t start = geojson.rfind('\n', at) + 1;
    return geojson.substr(start, geojson.find('\n', start) - start);
}

class TunnelToolTest : public DemoProjectTest {
protected:
    void SetUp() override {
        DemoProjectTest::SetUp();
        copyDemo("PROJ");
    }
    std::string project() const { return dir.path() + "/PROJ"; }
    std::string data(const std::string& cp1252Name) const {
        return project() + "/HARNDB/" + u(cp1252Name);
    }
    // Output with the project folder (Windows form) as DIR.
    std::string plain(std::string out) const {
        // The library names files in Windows form, the tool in POSIX form.
        for (const std::string& folder : {platform::windowsPath(project()), project()})
            for (size_t at; (at = out.find(folder)) != std::string::npos;)
                out.replace(at, folder.size(), "DIR");
        return out;
    }
};

// The demo saves TUN1 through CTunDbs: its record takes the plan extent along VÄG1.VL of its
// types (hand computed: at 0/010 the trapezoid reaches y 2006..2014, at 0/070 the arch
// 2005..2015, at 0/240 on the last straight, 10° from north, the trapezoid's left corner
// north-west at 1239.098, 2025.838 and its right one south-east at 1237.705, 2033.716). show gives
// the head, the text file's header, the alignment and the positions with their types; the project
// passes check.
TEST_F(TunnelToolTest, DemoTunnelIsSavedAlongItsAlignmentAndShown) {
    EXPECT_TRUE(
        contains(demoOutput(), u("tunnel: 2 cross-section types, TUN1 with 4 positions along "
                                 "VÄG1.VL, plan extent 1010.0 2005.0 to 1239.1 2033.7\n"_cp)))
        << demoOutput();

    const ToolResult r = runTool({"show", project(), "tun1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::smatch m;
    const std::string out = plain(r.out);
    ASSERT_TRUE(
        std::regex_search(out, m, std::regex("\nextent     ([0-9.]+) ([0-9.]+) 0\\.000\n")));
    EXPECT_NEAR(std::atof(m[1].str().c_str()), 1239.098 - 1010, 0.002);
    EXPECT_NEAR(std::atof(m[2].str().c_str()), 2033.716 - 2005, 0.002);
    EXPECT_EQ(
        out.substr(0, m.position()) + "\n" + out.substr(m.position() + m.length()),
        u("tunnel     TUN1\n"
          "file       DIR/HARNDB/TUN1.ODB\n"
          "file name  TUN1\n"
          "corner     1010.000 2005.000 0.000\n"
          "text       VÄG1.VL\n"
          "\n"
          "version    1.5, fraction 0.5, flag 1\n"
          "title      TUN1\n"
          "records    4, kind 7: 4; hal 0, slut 876\n"
          "lattext    \n"
          "ival4      0\n"
          "\n"
          "text file  DIR/HARNDB/TUN1.LAT\n"
          "  1        TUN1\n"
          "  2        VÄG1.VL\n"
          "  3        \n"
          "  4        0 1.50\n"
          "alignment  VÄG1.VL, chainage 0.000 to 252.360, file DIR/HARNDB/VÄG1.VL\n"
          "types      DIR/HARNDB/TVTYP.LIS (2 types)\n"
          "\n"
          "4 positions\n"
          "  NR   CHAINAGE  TYPE      ANFSTART  ANFSLUT     XMIN     XMAX     YMIN     YMAX\n"
          "   1     10.000  TRAP8        2.000    5.000   -4.000    4.000    0.000    6.000\n"
          "   2     70.000  VALV10       1.500    4.000   -5.000    5.000    0.000    4.000\n"
          "   3    180.000  TRAP8        2.000    5.000   -4.000    4.000    0.000    6.000\n"
          "   4    240.000  TRAP8        2.000    5.000   -4.000    4.000    0.000    6.000\n"_cp));

    const ToolResult j = runTool({"show", project(), "TUN1", "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    for (const char* part :
         {"\"header\": [\n      \"TUN1\",\n      \"VÄG1.VL\",\n      \"\",\n      \"0 1.50\"\n    "
          "]"_cp,
          "\"loaded\": true,\n    \"startChainage\": 0,\n    \"endChainage\": 252.3597",
          "\"sekt\": 70,\n      \"tvnamn\": \"VALV10\",\n      \"type\": {\n        \"text\": "
          "\"Valv på raka väggar, 10 m\","_cp,
          "\"offset\": 732,", "\"tflagg\": [", "\"otherRecords\": [],", "\"slut\": 876"})
        EXPECT_TRUE(contains(j.out, u(part))) << part << "\n" << j.out;

    const ToolResult c = runTool({"check", project()});
    EXPECT_EQ(c.exitCode, 0);
    EXPECT_EQ(c.out, "18 objects checked: 0 errors, 0 warnings\n");
}

// Without its alignment file and type library the tunnel's positions are shown without
// types, and export and draw fall back to the record's extent saying why; without its
// database show fails.
TEST_F(TunnelToolTest, WithoutAlignmentAndTypesTheTunnelFallsBackToItsExtent) {
    std::remove(data("TVTYP.LIS").c_str());
    std::remove(data("VÄG1.VL"_cp).c_str());
    const ToolResult r = runTool({"show", project(), "TUN1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string out = plain(r.out);
    EXPECT_TRUE(contains(out, u("alignment  VÄG1.VL, file DIR/HARNDB/VÄG1.VL (missing: no "
                                "geometry)\ntypes      DIR/HARNDB/TVTYP.LIS (missing)\n\n4 "
                                "positions\n  NR   CHAINAGE  TYPE      ANFSTART"_cp)))
        << out;
    EXPECT_TRUE(contains(out, "   2     70.000  VALV10    (not in the type library)\n")) << out;

    const ToolResult e = runTool({"export", project(), "--type", "tunnel"});
    ASSERT_EQ(e.exitCode, 0) << e.err;
    EXPECT_TRUE(contains(e.out, "\"extent\":true,\"data\":\"alignment file missing\"}}")) << e.out;
    EXPECT_EQ(std::count(e.out.begin(), e.out.end(), '\n'), 3); // one feature
    const ToolResult d = runTool({"draw", project(), "--type", "tunnel"});
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_TRUE(contains(d.out, "<title>TUN1 (tunnel without geometry (extent), alignment file "
                                "missing)</title>"))
        << d.out;

    std::remove(data("TUN1.ODB").c_str());
    const ToolResult none = runTool({"show", project(), "TUN1"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(plain(none.err), "harn show: cannot read the tunnel database DIR/HARNDB/TUN1.ODB\n");
}

// export: the tunnel's outline (the trapezoid's 4 m, the arch's 5 m either side, stepping at
// 0/070 and 0/180) and its centre line from 0/010 to 0/240; the alignment's centre line with
// its arc as chords that stray at most 1 cm from it.
TEST_F(TunnelToolTest, ExportGivesOutlineAndCentreLinesAlongTheAlignment) {
    const ToolResult r = runTool({"export", project(), "--type", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string outline = feature(r.out, u("\"part\":\"outline\",\"alignment\":\"VÄG1.VL\","
                                                 "\"startChainage\":10,\"endChainage\":240,"
                                                 "\"positions\":4}"_cp));
    EXPECT_TRUE(contains(outline, "{\"type\":\"Polygon\",\"coordinates\":[[[")) << outline;
    const auto ring = coordinates(outline);
    ASSERT_GT(ring.size(), 20u);
    // The alignment heads north (grid x): left is west. The ring runs counter-clockwise on the
    // plan: from 4 m left at 0/010 across to 4 m right, then forward along the right side
    // (grid y + 4), then the arch's 5 m.
    const std::vector<std::pair<double, double>> start = {
        {1010, 2006}, {1010, 2014}, {1070, 2014}, {1070, 2015}, {1100, 2015}};
    for (size_t i = 0; i < start.size(); ++i) {
        EXPECT_NEAR(ring[i].first, start[i].first, 1e-9) << i;
        EXPECT_NEAR(ring[i].second, start[i].second, 1e-9) << i;
    }
    EXPECT_EQ(ring.front(), ring.back());
    // The left side comes back to 0/070 and 0/010, 4 m left.
    EXPECT_NEAR(ring[ring.size() - 2].first, 1070, 1e-9);
    EXPECT_NEAR(ring[ring.size() - 2].second, 2006, 1e-9);
    const std::string centreLine = feature(r.out, "\"part\":\"centre line\"");
    EXPECT_TRUE(contains(centreLine, "{\"type\":\"LineString\",\"coordinates\":[[")) << centreLine;
    const auto centre = coordinates(centreLine);
    EXPECT_EQ(centre.front(), std::make_pair(1010.0, 2010.0));
    EXPECT_NEAR(centre.back().first, 1238.403, 0.001);
    EXPECT_NEAR(centre.back().second, 2029.777, 0.001);

    const ToolResult a = runTool({"export", project(), "--type", "alignment"});
    ASSERT_EQ(a.exitCode, 0) << a.err;
    const std::string road = feature(a.out, u("\"id\":\"VÄG1.VL\""_cp));
    EXPECT_TRUE(contains(road, "\"startChainage\":0,\"endChainage\":252.35970")) << road;
    const auto line = coordinates(road);
    CVaglinje v;
    ASSERT_EQ(v.Init((dir.winPath() + "\\PROJ\\HARNDB\\VÄG1.VL"_cp).c_str()), 0);
    AlignmentElement arc;
    ASSERT_TRUE(v.element(1, &arc));
    ASSERT_NE(arc.turn, 0);
    EXPECT_EQ(line.front(), std::make_pair(1000.0, 2010.0));
    EXPECT_EQ(line[1], std::make_pair(1100.0, 2010.0));
    EXPECT_EQ(line.back(), std::make_pair(1250.575, 2031.923));
    size_t onArc = 0;
    for (size_t i = 1; i + 2 < line.size(); ++i) {
        // Points on the arc lie on its circle; the middle of each chord within 1 cm of it.
        const double d = std::hypot(line[i].first - arc.centreX, line[i].second - arc.centreY);
        EXPECT_NEAR(d, arc.radius, 1e-6) << i;
        const double mx = (line[i].first + line[i + 1].first) / 2;
        const double my = (line[i].second + line[i + 1].second) / 2;
        const double sag = arc.radius - std::hypot(mx - arc.centreX, my - arc.centreY);
        EXPECT_LE(sag, 0.01) << i;
        EXPECT_GT(sag, 0.002) << i; // not needlessly fine
        ++onArc;
    }
    EXPECT_GE(onArc, 6u);

    // A type the library lacks (the arch's stretch, 0/070 to 0/180) breaks the outline in two:
    // 0/010 to 0/070 and 0/180 to 0/240. The centre line runs on.
    std::string odb = readBytes(data("TUN1.ODB"));
    odb.replace(300 + 144 + 36, 10, std::string("OKAND\0\0\0\0\0", 10));
    writeBytes(data("TUN1.ODB"), odb);
    const ToolResult broken = runTool({"export", project(), "--type", "tunnel"});
    ASSERT_EQ(broken.exitCode, 0) << broken.err;
    const std::string parts = feature(broken.out, "\"part\":\"outline\"");
    EXPECT_TRUE(contains(parts, "{\"type\":\"MultiPolygon\",\"coordinates\":[[[[2006,1010],"
                                "[2014,1010],[2014,1070],[2006,1070],[2006,1010]]],[[["))
        << parts;
    EXPECT_EQ(occurrences(parts, "]]],[[["), 1) << parts;
    EXPECT_EQ(feature(broken.out, "\"part\":\"centre line\""), centreLine);
    const ToolResult drawn = runTool({"draw", project(), "--type", "tunnel"});
    const size_t group = drawn.out.find("data-id=\"TUN1\"");
    EXPECT_EQ(occurrences(drawn.out.substr(group, drawn.out.find("</g>", group) - group),
                          "<polygon class=\"outline\""),
              2)
        << drawn.out;
}

// draw: the tunnel's outline and centre line along the alignment with chainage ticks; the
// alignments as centre lines; the chainages labelled once. Rendered with rsvg-convert.
TEST_F(TunnelToolTest, DrawShowsTheTunnelAlongItsAlignment) {
    const ToolResult r = runTool({"draw", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const size_t tunnel = r.out.find("<g class=\"object tunnel\" data-id=\"TUN1\"");
    ASSERT_NE(tunnel, std::string::npos) << r.out;
    const std::string group = r.out.substr(tunnel, r.out.find("</g>", tunnel) - tunnel);
    EXPECT_TRUE(contains(group, u("<title>TUN1 (tunnel (outline along its alignment), chainage "
                                  "0/010 to 0/240 along VÄG1.VL)</title>"_cp)))
        << group;
    for (const char* part : {"<polygon class=\"outline\" points=\"",
                             "<polyline class=\"centre-line\"", "<path class=\"ticks\" d=\"M"})
        EXPECT_TRUE(contains(group, part)) << part;
    for (const char* id : {"VÄG1.VL"_cp, "VÄG2.VL"_cp}) {
        const std::string head = u("<g class=\"object alignment\" data-id=\"") + u(id);
        EXPECT_TRUE(contains(r.out, head)) << id;
    }
    // At this scale the ticks are 50 m apart; 0/050 to 0/200 belong to the tunnel and are
    // not repeated for its alignment, which labels 0/000 and 0/250; VÄG2.VL 0/500 to 0/800.
    for (const char* label :
         {"0/000", "0/050", "0/100", "0/150", "0/200", "0/250", "0/500", "0/550", "0/800"}) {
        EXPECT_EQ(occurrences(r.out, ">" + std::string(label) + "</text>"), 1) << label;
    }
    EXPECT_FALSE(contains(r.out, ">0/025</text>"));
    EXPECT_TRUE(contains(r.out, ">tunnel (outline along its alignment)</text>"));
    EXPECT_TRUE(contains(r.out, ">alignment (centre line)</text>"));

    if (!platform::programOnPath("rsvg-convert"))
        GTEST_SKIP() << "rsvg-convert is not installed (apt-get install librsvg2-bin)";
    ASSERT_EQ(runTool({"draw", project(), "-o", dir.file("plan.svg")}).exitCode, 0);
    EXPECT_EQ(renderedWidth(dir.file("plan.svg"), dir.file("plan.png")), 1000u); // as the drawing
}

// The reading commands leave the tunnel files as they are, even when their heads count freed
// records (hal), which the library's Init would pack away.
TEST_F(TunnelToolTest, ReadingCommandsChangeNoTunnelFile) {
    auto setHal = [&](const std::string& name, size_t at) {
        std::string bytes = readBytes(data(name));
        ASSERT_GT(bytes.size(), at + 4) << name;
        bytes[at] = 1;
        writeBytes(data(name), bytes);
    };
    setHal("TUN1.ODB", 104);
    setHal("TUN1.ODF", 28);
    setHal("TVTYP.LIS", 20);
    auto folder = [&] {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(project()))
            if (e.is_regular_file())
                files[e.path().string()] = readBytes(e.path().string());
        return files;
    };
    const auto before = folder();
    const std::vector<std::vector<std::string>> commands{
        {"show", project(), "TUN1"},
        {"show", project(), "TUN1", "--json"},
        {"tunnel", project(), "TUN1"},
        {"tunnel", project(), "TUN1", "--json"},
        {"sections", project()},
        {"check", project()},
        {"export", project()},
        {"draw", project()},
        {"draw", project(), "TUN1", "--developed"},
        {"draw", project(), "TUN1", "--section", "70"}};
    for (const auto& args : commands) {
        const ToolResult r = runTool(args);
        EXPECT_LE(r.exitCode, 1) << args[0] << " " << args.back() << "\n" << r.err;
        std::vector<std::string> changed;
        auto after = folder();
        for (const auto& [name, bytes] : before)
            if (after[name] != bytes)
                changed.push_back(name);
        EXPECT_EQ(after.size(), before.size()) << args[0] << " " << args.back();
        EXPECT_EQ(changed, std::vector<std::string>{}) << args[0] << " " << args.back();
    }
}

} // namespace
