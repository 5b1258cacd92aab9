// harn draw: the plan's frame (robust to a far object and to a damaged coordinate), --bbox and
// --only, the coordinate grid, chainage ticks and direction of lines, labels that do not
// overlap.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "platform/Process.h"

#include <cmath>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// The markup of the object group of `id`.
std::string group(const std::string& svg, const std::string& id) {
    const size_t at = svg.find("data-id=\"" + id + "\"");
    if (at == std::string::npos)
        return "";
    size_t end = svg.find("\n    </g>", at);
    return svg.substr(at, end - at);
}

struct Frame {
    double west, east, south, north, scale, x, y;
};
Frame frameOf(const std::string& svg) {
    const std::string t = svgElements(svg, "<rect class=\"frame\"").at(0);
    return {svgNumber(t, "data-west"),  svgNumber(t, "data-east"),  svgNumber(t, "data-south"),
            svgNumber(t, "data-north"), svgNumber(t, "data-scale"), svgNumber(t, "x"),
            svgNumber(t, "y")};
}

class PlanFrameTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ"; }
    TempDir dir;
};

// The demo: the far alignment is noted and left out of the frame, which holds every other
// object; the grid lines stand at their coordinates; lines carry chainage ticks every round
// interval along them and an arrow at their end; labels do not overlap.
TEST_F(PlanFrameTest, DemoFramesTheInvestigatedAreaAndNotesTheFarAlignment) {
    ASSERT_EQ(runTool({"demo", project()}).exitCode, 0);
    const auto r = runTool({"draw", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string& svg = r.out;
    EXPECT_NE(svg.find(u("Far from the others, outside the frame: VÄG2.VL (alignment, "_cp)),
              std::string::npos);
    const Frame f = frameOf(svg);
    EXPECT_LT(f.north - f.south, 400); // VÄG2.VL lies some 700 m away
    CProjPath proj(project().c_str());
    CHarnDbs dbs(&proj, nullptr);
    ASSERT_EQ(dbs.Init(1, 0, nullptr, nullptr), 0);
    ASSERT_EQ(dbs.Home(), 0);
    int inside = 0;
    do {
        const dbstype& rec = *dbs.Get_aktel();
        if (u(rec.id) == u("VÄG2.VL"_cp))
            continue;
        SCOPED_TRACE(rec.id);
        EXPECT_TRUE(rec.x >= f.south && rec.x <= f.north && rec.y >= f.west && rec.y <= f.east);
        ++inside;
    } while (dbs++);
    EXPECT_EQ(inside, 17);

    // Grid lines of constant north (grid x) and east (grid y), at their places.
    const std::regex line(
        R"re(<line class="grid-(north|east)" data-value="([^"]+)" x1="([^"]+)" y1="([^"]+)")re");
    int lines = 0;
    for (std::sregex_iterator it(svg.begin(), svg.end(), line), end; it != end; ++it, ++lines) {
        const double v = std::stod((*it)[2]);
        if ((*it)[1] == "north")
            EXPECT_NEAR(std::stod((*it)[4]), f.y + (f.north - v) * f.scale, 0.011);
        else
            EXPECT_NEAR(std::stod((*it)[3]), f.x + (v - f.west) * f.scale, 0.011);
    }
    EXPECT_GT(lines, 6);
    EXPECT_NE(svg.find("<text x=\""), std::string::npos);
    EXPECT_TRUE(std::regex_search(svg, std::regex(">x 1100<")));
    EXPECT_TRUE(std::regex_search(svg, std::regex(">y 2000<")));

    // LINJE.1/A: ticks from chainage 0 every interval up to its length, and a direction arrow.
    const std::string l = group(svg, "LINJE.1/A");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(l, m, std::regex("<polyline points=\"([^\"]+)\"")));
    std::istringstream pts(m[1].str());
    double x, y, px = NAN, py = NAN, length = 0;
    char comma;
    while (pts >> x >> comma >> y) {
        if (!std::isnan(px))
            length += std::hypot(x - px, y - py) / f.scale;
        px = x, py = y;
    }
    const double every = svgNumber(svgElements(l, "<g class=\"chainage\"").at(0), "data-interval");
    ASSERT_GT(every, 0);
    size_t labels = 0;
    for (size_t at = l.find("chainage-label"); at != std::string::npos;
         at = l.find("chainage-label", at + 1))
        ++labels;
    EXPECT_EQ(labels, static_cast<size_t>(std::floor(length / every + 1e-6)) + 1);
    EXPECT_NE(l.find("class=\"direction\""), std::string::npos);

    // Boreholes are labelled with their length; no two labels overlap.
    EXPECT_NE(svg.find(">BH2 30.0 m<"), std::string::npos);
    struct Box {
        double x1, y1, x2, y2;
    };
    std::vector<Box> boxes;
    const std::regex label(R"re(<text class="label" x="([^"]+)" y="([^"]+)">([^<]*)<)re");
    for (std::sregex_iterator it(svg.begin(), svg.end(), label), end; it != end; ++it) {
        size_t chars = 0;
        for (unsigned char c : (*it)[3].str())
            chars += (c & 0xC0) != 0x80;
        const double lx = std::stod((*it)[1]), ly = std::stod((*it)[2]);
        boxes.push_back({lx, ly - 11, lx + 0.66 * 11 * static_cast<double>(chars), ly + 2});
    }
    EXPECT_GE(boxes.size(), 17u);
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].x1 < boxes[j].x2 && boxes[j].x1 < boxes[i].x2 &&
                         boxes[i].y1 < boxes[j].y2 && boxes[j].y1 < boxes[i].y2)
                << i << " and " << j;
}

// A coordinate of 1e300 in one record: the others are drawn at a sane scale and the bad one is
// named, not drawn. --bbox frames the box asked for, --only draws only the types named.
TEST_F(PlanFrameTest, DamagedCoordinateBboxAndOnly) {
    newProject(project(),
               {objectRecord(4, "P1", 1000, 2000, 5, 5), objectRecord(4, "P2", 1040, 2030, 5, 5),
                objectRecord(3, "B1", 1020, 2010, 5, 5), objectRecord(4, "BAD", 1e300, 2000, 5, 5),
                objectRecord(5, "L1", 1010, 2040, 5, 5)});
    auto r = runTool({"draw", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Not drawn, coordinates beyond any grid: BAD (x 1e+300, y 2000.00)"),
              std::string::npos);
    EXPECT_LT(r.out.size(), 30000u);
    EXPECT_EQ(r.out.find("e+"), r.out.find("1e+300") + 1); // no other huge number anywhere
    Frame f = frameOf(r.out);
    EXPECT_LT(f.north - f.south, 100);
    EXPECT_NE(group(r.out, "P1").find("<path"), std::string::npos);
    EXPECT_NE(group(r.out, "B1").find("<circle"), std::string::npos);
    const std::string bad = group(r.out, "BAD");
    EXPECT_EQ(bad.find("<path"), std::string::npos) << bad;
    if (platform::programOnPath("rsvg-convert")) {
        EXPECT_EQ(runTool({"draw", project(), "-o", dir.file("bad.png")}).exitCode, 0);
    }

    r = runTool({"draw", project(), "--only", "point,borehole", "--bbox", "990,1990,1030,2035"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(group(r.out, "L1"), "");
    EXPECT_NE(group(r.out, "B1"), "");
    f = frameOf(r.out);
    // The box, and the room inside the frame around it (28 pixels), no more.
    const double room = 28 / f.scale + 0.01;
    EXPECT_NEAR(f.south, 990 - room, 0.02);
    EXPECT_NEAR(f.north, 1030 + room, 0.02);
    EXPECT_LE(f.west, 1990 - room + 0.02);
    EXPECT_GE(f.east, 2035 + room - 0.02);
    EXPECT_NE(r.out.find("1 object outside the box"), std::string::npos); // P2 at x 1040
}

} // namespace
