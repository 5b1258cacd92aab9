// harn tunnel and the tunnel drawings of harn draw on a small project built through the
// library: a trapezoid and an arch type walked back to the floor, four positions, bolts with
// their place around the outline and two drains. The SVGs are rendered to PNG.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/Process.h"
#include "tunnel/CTunBult.h"
#include "tunnel/CTunDbs.h"
#include "tunnel/CTunDran.h"
#include "tunnel/CTvarsnitt.h"
#include "tunnel/SectionTypes.h"

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

// A bolt or drain point: chainage, developed coordinate (offset 60), bolt length (108).
todbtype rec(double sekt, double s, double length = 0) {
    todbtype r{};
    r.typ = 1, r.aktiv = 1, r.sekt = sekt;
    r.tval2 = s, r.tval4 = length;
    return r;
}

class TunnelSequenceTool : public ::testing::Test {
protected:
    void SetUp() override {
        CProjPath::ResetNames();
        root = dir.file("P");
        makeDirs(root + "/HARNDB");
        CProjPath proj(dir.winPath().append("\\P").c_str());
        CAutoIni ini;
        ini.SetDatum("2026-03-04");
        CHarnDbs dbs(&proj, &ini);
        ASSERT_EQ(dbs.Init(0, 1, nullptr, nullptr), 0);
        dbstype r{};
        r.typ = 1;
        std::strcpy(r.id, "T1");
        std::strcpy(r.filnamn, "T1");
        dbs.Ny(1, &r);
        ASSERT_EQ(dbs.Uppdat(0), 0);

        CTvarsnitt lib(&proj);
        ASSERT_EQ(lib.Init(1), 0);
        tunnel::SectionTypeDesc trap;
        trap.name = "TRAP", trap.anfstart = 1.5, trap.anfslut = 3;
        ASSERT_EQ(tunnel::AddSectionType(lib, trap,
                                         tunnel::ClosedOutline(tunnel::TrapezoidOutline(6, 4, 4))),
                  0);
        tunnel::SectionTypeDesc valv;
        valv.name = "VALV", valv.anfstart = 1, valv.anfslut = 3;
        ASSERT_EQ(
            tunnel::AddSectionType(lib, valv, tunnel::ClosedOutline(tunnel::ArchOutline(6, 3))), 0);

        CTunDbs tun(&proj, "T1");
        ASSERT_EQ(tun.Create(&dbs), 0);
        for (auto [sekt, name] : {std::pair<double, const char*>{0, "TRAP"},
                                  {10, "TRAP"},
                                  {20, "VALV"},
                                  {30, "VALV"}}) {
            todbtype p{};
            p.typ = 7, p.aktiv = 1, p.sekt = sekt;
            std::snprintf(p.tvnamn, sizeof p.tvnamn, "%s", name);
            tun.Ny(1, &p);
        }
        ASSERT_EQ(tun.Save(&dbs), 0);

        CTunBult bolts(&proj, "T1");
        ASSERT_EQ(bolts.Init(), 0);
        for (todbtype b : {rec(5, 0, 3), rec(5, 2.5, 2), rec(25, -1, 2.5), rec(25.25, 4, 1),
                           rec(25, 40, 2), rec(27, 0, 2)})
            bolts.Ny(1, &b);
        ASSERT_EQ(bolts.Save(), 0);

        // Two drains, the later one entered first; Save orders them by start chainage.
        CTunDran drains(&proj, "T1");
        int place = 0;
        for (todbtype p : {rec(28, 3), rec(22, 4.5), rec(8, -5), rec(12, -4), rec(11, -3.5)}) {
            p.setPsekt(p.sekt);
            p.sekt = 0;
            p.sekt2 = 0;
            p.setLnr(place == 0 || place == 2 ? 1 : 9);
            ++place;
            drains.Ny(1, &p);
        }
        ASSERT_EQ(drains.Save(), 0);
    }
    std::string root;
    TempDir dir;
};

} // namespace

TEST_F(TunnelSequenceTool, ListsPositionsSequenceBoltsAndDrains) {
    ToolResult r = runTool({"tunnel", root, "t1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, readBytes((kSource / "tests/data/cli/tunnel.txt").string()));
    r = runTool({"tunnel", root, "T1", "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, readBytes((kSource / "tests/data/cli/tunnel.json").string()));
}

namespace {

// Pixel position of a value on an axis, from two of its ticks ("tick-chainage"/"tick-s").
double onAxis(const std::string& svg, const std::string& axis, bool horizontal, double value) {
    std::vector<std::pair<double, double>> ticks; // value, pixel
    for (const std::string& t : svgElements(svg, "<g class=\"" + axis + "\"", "</g>"))
        ticks.push_back({svgNumber(t, "data-value"), svgNumber(t, horizontal ? "x1" : "y1")});
    EXPECT_GE(ticks.size(), 2u);
    if (ticks.size() < 2)
        return 0;
    const auto [v0, p0] = ticks.front();
    const auto [v1, p1] = ticks.back();
    return p0 + (value - v0) * (p1 - p0) / (v1 - v0);
}

} // namespace

// The developed surface: the five zones of both types as bands, each bolt at its chainage
// and developed coordinate on the axes, both drains; rendered to PNG.
TEST_F(TunnelSequenceTool, DevelopedSurface) {
    const std::string svg = dir.file("developed.svg");
    ToolResult r = runTool({"draw", root, "T1", "--developed", "-o", svg});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const std::string text = readBytes(svg);
    // Two stretches of each type with an outline and a length: TRAP 0-10, 10-20, VALV 20-30.
    for (int z = 0; z < 5; ++z)
        EXPECT_EQ(svgElements(text, "<rect class=\"zone zone-" + std::to_string(z) + "\"").size(),
                  3u)
            << z;
    // The arch's zone 2 spans sval[2] to sval[3], 3π across, centred on s = 0.
    const std::string roof = svgElements(text, "<rect class=\"zone zone-2\"").back();
    EXPECT_NEAR(svgNumber(roof, "height"),
                onAxis(text, "tick-s", false, -1.5 * M_PI) -
                    onAxis(text, "tick-s", false, 1.5 * M_PI),
                0.02);
    EXPECT_NEAR(svgNumber(roof, "x"), onAxis(text, "tick-chainage", true, 20), 0.02);
    const std::vector<std::string> bolts = svgElements(text, "<g class=\"bolt\"", "</g>");
    // Bolt 5 (s = 40) is off every outline.
    EXPECT_TRUE(contains(text, "; 5 bolts, 2 drains (1 off the outlines, not drawn)<"));
    ASSERT_EQ(bolts.size(), 5u);
    for (const std::string& b : bolts) {
        EXPECT_NEAR(svgNumber(b, "cx"),
                    onAxis(text, "tick-chainage", true, svgNumber(b, "data-chainage")), 0.02)
            << b;
        EXPECT_NEAR(svgNumber(b, "cy"), onAxis(text, "tick-s", false, svgNumber(b, "data-s")), 0.02)
            << b;
    }
    EXPECT_TRUE(contains(bolts[0], "data-nr=\"1\" data-chainage=\"5\" data-s=\"0\""));
    const std::vector<std::string> drains = svgElements(text, "<g class=\"drain\"");
    ASSERT_EQ(drains.size(), 2u);
    EXPECT_TRUE(contains(drains[0], "data-from=\"8\" data-to=\"12\""));
    EXPECT_TRUE(contains(drains[1], "data-from=\"22\" data-to=\"28\""));
    EXPECT_EQ(svgElements(text, "<circle class=\"drain-point\"").size(), 5u);
    for (const char* label : {">zone 0: first wall up to A<", ">zone 4: A down the second wall<",
                              ">bolt (number)<", ">drain<", ">chainage (m)<"})
        EXPECT_TRUE(contains(text, label)) << label;

    if (!platform::programOnPath("rsvg-convert"))
        GTEST_SKIP() << "rsvg-convert is not installed (apt-get install librsvg2-bin)";
    EXPECT_EQ(renderedWidth(svg, dir.file("developed.png")), 1000u);
}

// The cross-section at 25: the arch with its five zones, the springing levels, the four
// crossing points, the bolts within half a metre standing on the outline (the one beyond
// it told), to scale; rendered to PNG. Wrong places are refused (wrong usage: ExitCodeTest).
TEST_F(TunnelSequenceTool, CrossSection) {
    const std::string svg = dir.file("section.svg");
    ToolResult r = runTool({"draw", root, "T1", "--section", "25", "-o", svg, "--width", "800"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = readBytes(svg);
    EXPECT_TRUE(contains(text, ">T1, cross-section at 25 m<"));
    EXPECT_TRUE(contains(text, "Type VALV (cross-section at 20 m), A = 1, B = 3; x to the right, "
                               "y up; 2 bolts within 0.5 m (1 beyond the outline, not drawn)"));
    for (int z = 0; z < 5; ++z)
        EXPECT_EQ(
            svgElements(text, "<polyline class=\"zone zone-" + std::to_string(z) + "\"").size(), 1u)
            << z;
    const std::vector<std::string> crossings = svgElements(text, "<g class=\"crossing\"");
    ASSERT_EQ(crossings.size(), 4u);
    EXPECT_TRUE(contains(crossings[0], "data-points=\"1\""));
    EXPECT_TRUE(contains(crossings[3], "data-points=\"4\""));
    EXPECT_EQ(svgElements(text, "<line class=\"level level-").size(), 2u);

    // Scale: the arch is 6 m wide; the scale bar's length in pixels per metre is the same.
    const std::string bar = text.substr(text.find("<g class=\"scale-bar\""));
    const double barPx = 2 * svgNumber(bar, "width");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(bar, m, std::regex(">([0-9.]+) m<")));
    const double perMetre = barPx / std::atof(m[1].str().c_str());
    const std::vector<std::string> crossing = svgElements(text, "<circle cx=");
    ASSERT_GE(crossing.size(), 4u);
    // Points 1 and 4 lie on the walls at A = 1: 6 m apart.
    EXPECT_NEAR(std::fabs(svgNumber(crossing[0], "cx") - svgNumber(crossing[3], "cx")),
                6 * perMetre, 0.15);

    // Bolt 3 (s = -1, on the roof left of its middle) and bolt 4 (s = 4 at 25.25 m) stand here,
    // their heads on the outline's circle: radius 3 m round (0, 3).
    const std::vector<std::string> bolts = svgElements(text, "<g class=\"bolt\"", "</g>");
    ASSERT_EQ(bolts.size(), 2u);
    EXPECT_TRUE(contains(bolts[0], "data-nr=\"3\" data-chainage=\"25\" data-s=\"-1\""));
    EXPECT_TRUE(contains(bolts[1], "data-nr=\"4\" data-chainage=\"25.25\" data-s=\"4\""));
    const double cx = svgNumber(crossing[0], "cx") - 3 * perMetre; // x = 0
    const double cy = svgNumber(crossing[1], "cy");                // y = B = 3
    for (const std::string& b : bolts) {
        const std::string head = b.substr(b.find("<circle"));
        EXPECT_NEAR(std::hypot(svgNumber(head, "cx") - cx, svgNumber(head, "cy") - cy),
                    3 * perMetre, 0.5)
            << b;
        // Drawn outwards with its length.
        const std::string line = b.substr(b.find("<line"));
        const double len = std::hypot(svgNumber(line, "x2") - svgNumber(line, "x1"),
                                      svgNumber(line, "y2") - svgNumber(line, "y1"));
        EXPECT_NEAR(len, (contains(b, "data-nr=\"3\"") ? 2.5 : 1) * perMetre, 0.05);
        EXPECT_GT(std::hypot(svgNumber(line, "x2") - cx, svgNumber(line, "y2") - cy), 3 * perMetre);
    }

    if (platform::programOnPath("rsvg-convert")) {
        EXPECT_EQ(renderedWidth(svg, dir.file("section.png")), 800u);
    }

    for (const char* at : {"-1", "30.5"}) {
        r = runTool({"draw", root, "T1", "--section", at});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, std::string("harn draw: chainage ") + at +
                             " lies outside the tunnel (0 to 30)\n");
    }
    r = runTool({"draw", root, "T9", "--developed"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "harn draw: no tunnel T9 in ")) << r.err;
}

// What cannot be read is told in the library's words and makes the exit code 1, after the
// listing of what was read; a drainage file not yet saved is no failure.
TEST_F(TunnelSequenceTool, MissingPartsAndUsage) {
    std::remove((root + "/HARNDB/T1.ODD").c_str());
    ToolResult r = runTool({"tunnel", root, "T1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\ndrains: T1.ODD: no file\n")) << r.out;

    std::remove((root + "/HARNDB/VALV.ttv").c_str());
    r = runTool({"tunnel", root, "T1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "Kan ej \xC3\xB6ppna : ")) << r.err;
    EXPECT_TRUE(contains(r.err, "Hittar ej VALV i biblioteket")) << r.err;
    EXPECT_TRUE(contains(r.out, "      20.000    30.000  VALV       0   1.000  3.000     0.000   "
                                "0.000   0.000   0.000   0.000\n"))
        << r.out;
    r = runTool({"draw", root, "T1", "--section", "20"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "harn draw: no outline of type VALV at chainage 20\n")) << r.err;
    // The developed surface is still drawn, without the arch's bands.
    r = runTool({"draw", root, "T1", "--developed"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(svgElements(r.out, "<rect class=\"zone zone-2\"").size(), 2u);

    writeBytes(root + "/HARNDB/T1.ODF", "1.5");
    r = runTool({"tunnel", root, "T1", "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "Fel vid l\xC3\xA4sning av databas :")) << r.err;
    EXPECT_TRUE(
        contains(r.out, "\"file\": \"T1.ODF\",\n    \"present\": true,\n    \"read\": false,"))
        << r.out;

    EXPECT_EQ(runTool({"tunnel", root, "NONE"}).exitCode, 1);
    EXPECT_EQ(runTool({"tunnel", dir.file("none"), "T1"}).exitCode, 1);
}

// The demo's tunnel: its bolts and drains listed, and both drawings with all five zones.
TEST(TunnelSequenceDemo, BoltsDrainsAndDrawings) {
    TempDir dir;
    ASSERT_EQ(runTool({"demo", dir.file("D")}).exitCode, 0);
    ToolResult r = runTool({"tunnel", dir.file("D"), "TUN1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "bolts: TUN1.ODF: 16 bolts, version 1.5, next number 17\n"));
    EXPECT_TRUE(contains(r.out, "drains: TUN1.ODD: 2 drains, version 1.5, next number 7\n"
                                "  drain 1: 40.000 to 55.000, 3 points\n"));
    EXPECT_TRUE(contains(r.out, "      70.000   180.000  VALV10      7   1.500  4.000     1.500   "
                                "2.500  15.708   2.500   1.500\n"))
        << r.out;
    for (const auto& [option, element, bolts] :
         {std::tuple<const char*, const char*, size_t>{"--developed", "<rect class=\"zone zone-",
                                                       16},
          {"--section", "<polyline class=\"zone zone-", 4}}) {
        std::vector<std::string> args = {"draw", dir.file("D"), "TUN1", option};
        if (std::string(option) == "--section")
            args.push_back("80");
        r = runTool(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        for (int z = 0; z < 5; ++z)
            EXPECT_FALSE(svgElements(r.out, element + std::to_string(z) + "\"").empty()) << option;
        EXPECT_EQ(svgElements(r.out, "<g class=\"bolt\"").size(), bolts) << option;
    }
}
