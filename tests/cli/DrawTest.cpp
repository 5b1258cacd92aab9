// harn draw: the plan of a project as SVG.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Empty when `xml` is well formed in the ways an SVG viewer needs: every tag closed in
// order, attribute values quoted, no raw '<' or stray '&', UTF-8; else what is wrong.
std::string xmlProblem(const std::string& xml) {
    static const std::regex entity("&(amp|lt|gt|quot|apos);"),
        tag(R"re(<(/?)([A-Za-z][\w:-]*)(\s+[\w:-]+="[^"<&]*")*\s*(/?)>)re");
    const std::string s = std::regex_replace(xml, entity, "_");
    std::vector<std::string> open;
    size_t i = s.rfind("<?xml", 0) == 0 ? s.find("?>") + 2 : 0;
    for (size_t lt; (lt = s.find('<', i)) != std::string::npos; i = lt + 1) {
        std::smatch m;
        if (s.find('&', i) < lt || !std::regex_search(s.begin() + lt, s.end(), m, tag,
                                                      std::regex_constants::match_continuous))
            return "bad markup at " + std::to_string(lt);
        if (m[1].length() && (open.empty() || open.back() != m[2]))
            return "</" + m[2].str() + "> does not close what is open";
        if (m[1].length())
            open.pop_back();
        else if (!m[4].length())
            open.push_back(m[2]);
    }
    if (!open.empty() || s.find('&', i) != std::string::npos)
        return "not closed or stray & at the end";
    // UTF-8 of characters that CP1252 holds (all the texts come from the project): a CP1252
    // byte left in the output does not survive the round trip.
    if (platform::cp1252ToUtf8(platform::utf8ToCp1252(xml)) != xml)
        return "not UTF-8";
    return "";
}

// The object groups of a drawing: data-id -> the group's markup.
std::map<std::string, std::string> objects(const std::string& svg) {
    std::map<std::string, std::string> found;
    static const std::regex group(R"re(<g class="object [^"]*" data-id="([^"]*)"[^>]*>)re");
    for (std::sregex_iterator it(svg.begin(), svg.end(), group), end; it != end; ++it) {
        const size_t start = static_cast<size_t>(it->position());
        EXPECT_EQ(found.count((*it)[1]), 0u) << "two groups for " << (*it)[1];
        found[(*it)[1]] = svg.substr(start, svg.find("</g>", start) - start);
    }
    return found;
}

class DrawTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }

    TempDir dir;
};

// The demo project: one group per record, a line and an outcrop from their data files, an
// inclined borehole with its trace (the tunnel and the alignments are TunnelToolTest's); the
// frame around the plan; --type, --no-labels and --width.
TEST_F(DrawTest, DrawsEveryObjectOfTheDemoProject) {
    ASSERT_EQ(runTool({"demo", project()}).exitCode, 0);
    auto r = runTool({"draw", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(xmlProblem(r.out), "");
    const auto g = objects(r.out);
    EXPECT_TRUE(
        contains(runTool({"ls", project()}).out, "\n" + std::to_string(g.size()) + " objects\n"));

    // LINJE.1/A has 9 points, HÄLL1's outline 6 (one comma each).
    const struct {
        const char *id, *shape;
        long commas;
    } shapes[] = {
        {"LINJE.1/A", "<polyline", 9}, {"HÄLL1"_cp, "fill-opacity=", 6}, {"BH2", "<line", 0}};
    for (const auto& s : shapes) {
        const std::string& group = g.at(u(s.id));
        EXPECT_TRUE(contains(group, s.shape)) << group;
        if (s.commas) {
            // In the shape's own element (a line's chainage ticks follow it).
            const size_t at = group.rfind('<', group.find(s.shape));
            const std::string shape = group.substr(at, group.find('>', at) - at);
            EXPECT_EQ(std::count(shape.begin(), shape.end(), ','), s.commas) << group;
        }
    }
    EXPECT_FALSE(contains(g.at("BH1"), "<line")); // vertical
    for (const char* part :
         {">line KR<", ">line SP<", ">borehole<", ">PROJ1</text>", "class=\"scale-bar\"",
          "class=\"north-arrow\"", "<text class=\"label\" x=",
          "<svg xmlns=\"http://www.w3.org/2000/svg\" "
          "width=\"1000\""})
        EXPECT_TRUE(contains(r.out, part)) << part;

    r = runTool({"draw", project(), "--type", "borehole", "--no-labels", "--width", "600"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(xmlProblem(r.out), "");
    EXPECT_EQ(objects(r.out).size(), 4u); // BH1, BH2, BH3, KBH-Ö1
    EXPECT_FALSE(contains(r.out, "class=\"label\""));
    EXPECT_TRUE(contains(r.out, "width=\"600\""));
}

// Grid x north (up), grid y east (right), one scale for both axes; the hole's trace runs by
// dx and dy; a line or outcrop without its file shows its extent; ids are UTF-8 and escaped.
TEST_F(DrawTest, MapsTheGridNorthUpAndEscapesIds) {
    newProject(project(),
               {objectRecord(3, "A", 1000, 2000), objectRecord(3, "NORTH", 1100, 2000),
                objectRecord(3, "EAST", 1000, 2100), objectRecord(3, "SLANT", 1050, 2050, 10, 20),
                objectRecord(4, "PÅÄÖ<&>\""_cp, 1020, 2020),
                objectRecord(5, "L9", 1010, 2010, 5, 30),
                objectRecord(2, "H9", 1060, 2010, 8, 10)});
    auto r = runTool({"draw", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(xmlProblem(r.out), "");
    const auto g = objects(r.out);
    ASSERT_EQ(g.size(), 7u);
    const double ax = svgNumber(g.at("A"), "cx"), ay = svgNumber(g.at("A"), "cy");
    const double scale = (svgNumber(g.at("EAST"), "cx") - ax) / 100; // larger grid y: right
    EXPECT_GT(scale, 1);
    EXPECT_NEAR(svgNumber(g.at("EAST"), "cy"), ay, 0.01);
    EXPECT_NEAR(svgNumber(g.at("NORTH"), "cx"), ax, 0.01);
    EXPECT_NEAR(svgNumber(g.at("NORTH"), "cy"), ay - 100 * scale, 0.02); // larger grid x: up

    const std::string& slant = g.at("SLANT");
    EXPECT_NEAR(svgNumber(slant, "x2") - svgNumber(slant, "x1"), 20 * scale, 0.02) << slant;
    EXPECT_NEAR(svgNumber(slant, "y2") - svgNumber(slant, "y1"), -10 * scale, 0.02) << slant;
    for (const char* id : {"L9", "H9"})
        EXPECT_TRUE(contains(g.at(id), "stroke-dasharray")) << g.at(id);
    EXPECT_NEAR(svgNumber(g.at("L9"), "width"), 30 * scale, 0.02);
    EXPECT_NEAR(svgNumber(g.at("L9"), "height"), 5 * scale, 0.02);
    EXPECT_NEAR(svgNumber(g.at("H9"), "width"), 10 * scale, 0.02);

    const std::string id = u("PÅÄÖ"_cp) + "&lt;&amp;&gt;&quot;";
    EXPECT_TRUE(g.count(id)) << r.out;
    EXPECT_TRUE(contains(r.out, ">" + id + "</text>"));
}

// An empty project is a frame with its title. -o writes the same drawing through a temporary
// file that does not stay; a failure writes nothing (wrong usage is ExitCodeTest's).
TEST_F(DrawTest, OutputFileAndExitCodes) {
    newProject(project());
    const auto out = runTool({"draw", project()});
    ASSERT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(xmlProblem(out.out), "");
    EXPECT_TRUE(objects(out.out).empty());
    EXPECT_TRUE(contains(out.out, ">PROJ1</text>") && contains(out.out, "class=\"frame\""));

    const std::string file = dir.path() + u("/plan ö.svg"_cp);
    writeBytes(file, "old");
    auto r = runTool({"draw", project(), "-o", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readBytes(file), out.out);
    const auto names = testing_support::listNames(dir.path());
    // A folder standing at the name, or a missing folder: nothing written, nothing left.
    std::filesystem::create_directory(dir.path() + "/mapp.svg");
    for (const std::string& bad : {dir.path() + "/mapp.svg", dir.path() + "/saknas/plan.svg"}) {
        r = runTool({"draw", project(), "-o", bad});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, "harn draw: cannot write " + bad)) << r.err;
        EXPECT_TRUE(testing_support::listNames(dir.path() + "/mapp.svg").empty());
    }
    EXPECT_EQ(testing_support::listNames(dir.path()).size(), names.size() + 1);
}

} // namespace
