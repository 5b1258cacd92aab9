// harn draw: the plan of a project as SVG.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/Encoding.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
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

// Empty when `xml` is well formed in the ways an SVG viewer needs: every tag closed in
// order, attribute values quoted, no raw '<' or stray '&' in text, valid UTF-8; else what
// is wrong.
std::string xmlProblem(const std::string& xml) {
    std::vector<std::string> open;
    size_t i = 0;
    auto textOk = [](const std::string& t) {
        static const std::regex entity("&(amp|lt|gt|quot|apos);");
        return std::regex_replace(t, entity, "").find_first_of("<&") == std::string::npos;
    };
    if (xml.rfind("<?xml", 0) == 0)
        i = xml.find("?>") + 2;
    while (i < xml.size()) {
        const size_t lt = xml.find('<', i);
        if (!textOk(xml.substr(i, lt - i)))
            return "bad text before " + std::to_string(lt);
        if (lt == std::string::npos)
            break;
        const size_t gt = xml.find('>', lt);
        if (gt == std::string::npos)
            return "unterminated tag";
        const std::string tag = xml.substr(lt + 1, gt - lt - 1);
        if (tag.empty() || tag.find('<') != std::string::npos)
            return "bad tag at " + std::to_string(lt);
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1))
                return "</" + tag.substr(1) + "> does not close " +
                       (open.empty() ? "anything" : open.back());
            open.pop_back();
        } else {
            static const std::regex element(R"(([A-Za-z][\w:-]*)(\s+[\w:-]+="[^"<]*")*\s*/?)");
            std::smatch m;
            if (!std::regex_match(tag, m, element) || !textOk(tag.substr(m[1].length())))
                return "bad start tag <" + tag + ">";
            if (tag.back() != '/')
                open.push_back(m[1]);
        }
        i = gt + 1;
    }
    if (!open.empty())
        return "<" + open.back() + "> not closed";
    for (size_t k = 0; k < xml.size();) {
        const unsigned char c = static_cast<unsigned char>(xml[k]);
        const size_t n = c < 0x80         ? 1
                         : (c >> 5) == 6  ? 2
                         : (c >> 4) == 14 ? 3
                         : (c >> 3) == 30 ? 4
                                          : 0;
        if (n == 0 || k + n > xml.size())
            return "not UTF-8 at " + std::to_string(k);
        for (size_t j = 1; j < n; ++j)
            if ((static_cast<unsigned char>(xml[k + j]) & 0xC0) != 0x80)
                return "not UTF-8 at " + std::to_string(k);
        k += n;
    }
    return "";
}

// The object groups of a drawing: data-id -> the group's markup.
std::map<std::string, std::string> objects(const std::string& svg) {
    std::map<std::string, std::string> found;
    static const std::regex group(R"re(<g class="object [^"]*" data-id="([^"]*)"[^>]*>)re");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), group);
         it != std::sregex_iterator(); ++it) {
        const size_t start = static_cast<size_t>(it->position());
        const std::string id = (*it)[1];
        EXPECT_EQ(found.count(id), 0u) << "two groups for " << id;
        found[id] = svg.substr(start, svg.find("</g>", start) - start);
    }
    return found;
}

// The number in attribute `name` of the first element of `markup` that has it.
double attr(const std::string& markup, const std::string& name) {
    std::smatch m;
    EXPECT_TRUE(std::regex_search(markup, m, std::regex(" " + name + "=\"([-0-9.]+)\"")))
        << name << " in " << markup;
    return m.empty() ? 0 : std::atof(m[1].str().c_str());
}

class DrawTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }

    // A new project with the given records (type, id, x, y, dx, dy).
    struct Rec {
        int typ;
        const char* id;
        double x, y, dx, dy;
    };
    void build(const std::vector<Rec>& recs) {
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CAutoIni ini;
        CHarnDbs d(&proj, &ini);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        for (const Rec& rec : recs) {
            d.Ny(1, nullptr);
            dbstype* r = d.Get_aktel();
            r->typ = static_cast<uint8_t>(rec.typ);
            std::strcpy(r->id, rec.id);
            r->x = rec.x;
            r->y = rec.y;
            r->dx = rec.dx;
            r->dy = rec.dy;
            ASSERT_EQ(d.Filnamn(), 0);
            ASSERT_EQ(d.Uppdat(0), 0);
        }
    }

    TempDir dir;
};

// The demo project: one group per record with the object's id, geometry from the data files.
TEST_F(DrawTest, DrawsEveryObjectOfTheDemoProject) {
    ASSERT_EQ(runTool({"demo", project()}).exitCode, 0);
    auto r = runTool({"draw", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(xmlProblem(r.out), "");
    EXPECT_TRUE(contains(r.out, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\""));

    std::set<std::string> ids;
    CProjPath proj(project().c_str());
    CHarnDbs d(&proj, nullptr);
    ASSERT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
    ASSERT_EQ(d.Home(), 0);
    do
        ids.insert(u(d.Get_aktel()->id));
    while (d++);
    const auto groups = objects(r.out);
    std::set<std::string> drawn;
    for (const auto& g : groups)
        drawn.insert(g.first);
    EXPECT_EQ(drawn, ids);

    // A line as the polyline of its 7 points, an outcrop as the polygon of its 6 outline
    // points, extents of tunnels and alignments dashed, an inclined borehole with its trace.
    auto count = [](const std::string& s, const std::string& part) {
        size_t n = 0;
        for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1))
            ++n;
        return n;
    };
    CLinjeData l(&proj, "LINJE-1-", -1);
    ASSERT_EQ(l.Init(1), 0);
    int points = 0;
    l.Where(&points);
    const std::string& line = groups.at("LINJE.1/A");
    EXPECT_TRUE(contains(line, "<polyline")) << line;
    EXPECT_EQ(count(line, ","), static_cast<size_t>(points)) << line;
    CHellar h(&proj, "HALL1");
    ASSERT_EQ(h.Init(), 0);
    ASSERT_EQ(h.Home(), 0);
    ASSERT_NE(h.Get_aktel()->pPunkter, nullptr);
    h.Get_aktel()->pPunkter->Where(&points);
    const std::string& hall = groups.at(u("HÄLL1"));
    EXPECT_TRUE(contains(hall, "<polygon")) << hall;
    EXPECT_TRUE(contains(hall, "fill-opacity"));
    EXPECT_EQ(count(hall, ","), static_cast<size_t>(points)) << hall;
    for (const char* id : {"TUN1", "VÄG1.VL", "VÄG2.VL"})
        EXPECT_TRUE(contains(groups.at(u(id)), "<rect") &&
                    contains(groups.at(u(id)), "stroke-dasharray"))
            << id;
    EXPECT_TRUE(contains(groups.at("BH2"), "<line"));
    EXPECT_FALSE(contains(groups.at("BH1"), "<line")); // vertical
    for (const char* entry : {">line KR<", ">line SP<", ">borehole<", ">tunnel (extent)<"})
        EXPECT_TRUE(contains(r.out, entry)) << entry;
    EXPECT_TRUE(contains(r.out, ">PROJ1</text>"));
    EXPECT_TRUE(contains(r.out, "class=\"scale-bar\""));
    EXPECT_TRUE(contains(r.out, "class=\"north-arrow\""));
    EXPECT_TRUE(contains(r.out, "<text class=\"label\" x=")) << "labels";

    // --type and --no-labels.
    r = runTool({"draw", project(), "--type", "borehole", "--no-labels", "--width", "600"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(xmlProblem(r.out), "");
    std::set<std::string> holes;
    for (const auto& g : objects(r.out))
        holes.insert(g.first);
    EXPECT_EQ(holes, (std::set<std::string>{"BH1", "BH2", "BH3", u("KBH-Ö1")}));
    EXPECT_FALSE(contains(r.out, "class=\"label\""));
    EXPECT_TRUE(contains(r.out, "width=\"600\""));
}

// Grid x north (up), grid y east (right), one scale for both axes; the hole's trace runs by dx and
// dy; a line or outcrop without its file shows its extent; ids are UTF-8 and escaped.
TEST_F(DrawTest, MapsTheGridNorthUpAndEscapesIds) {
    build({{3, "A", 1000, 2000, 0, 0},
           {3, "NORTH", 1100, 2000, 0, 0},
           {3, "EAST", 1000, 2100, 0, 0},
           {3, "SLANT", 1050, 2050, 10, 20},
           {4, "PÅÄÖ<&>\"", 1020, 2020, 0, 0},
           {5, "L9", 1010, 2010, 5, 30},
           {2, "H9", 1060, 2010, 8, 10}});
    auto r = runTool({"draw", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(xmlProblem(r.out), "");
    const auto g = objects(r.out);
    ASSERT_EQ(g.size(), 7u);
    const double ax = attr(g.at("A"), "cx"), ay = attr(g.at("A"), "cy");
    const double nx = attr(g.at("NORTH"), "cx"), ny = attr(g.at("NORTH"), "cy");
    const double ex = attr(g.at("EAST"), "cx"), ey = attr(g.at("EAST"), "cy");
    EXPECT_NEAR(nx, ax, 0.01);
    EXPECT_LT(ny, ay - 100); // larger grid x (north) is higher on the page
    EXPECT_NEAR(ey, ay, 0.01);
    EXPECT_GT(ex, ax + 100);
    EXPECT_NEAR(ay - ny, ex - ax, 0.02); // aspect ratio kept
    const double scale = (ex - ax) / 100;

    const std::string& slant = g.at("SLANT");
    EXPECT_NEAR(attr(slant, "x2") - attr(slant, "x1"), 20 * scale, 0.02) << slant;
    EXPECT_NEAR(attr(slant, "y2") - attr(slant, "y1"), -10 * scale, 0.02) << slant;
    for (const char* id : {"L9", "H9"}) {
        const std::string& e = g.at(id);
        EXPECT_TRUE(contains(e, "stroke-dasharray")) << e;
        EXPECT_NEAR(attr(e, "width"), 10 * (id[0] == 'L' ? 3 : 1) * scale, 0.02) << e;
    }
    EXPECT_NEAR(attr(g.at("L9"), "height"), 5 * scale, 0.02);

    const std::string id = u("PÅÄÖ") + "&lt;&amp;&gt;&quot;";
    EXPECT_TRUE(g.count(id)) << r.out;
    EXPECT_TRUE(contains(r.out, ">" + id + "</text>"));
    EXPECT_FALSE(contains(r.out, "\xC5")) << "a CP1252 byte left";
}

// -o writes the same drawing through a temporary file that does not stay; a failure keeps
// the old file. An empty project is a frame with its title.
TEST_F(DrawTest, WritesTheFileInOneStep) {
    build({});
    const auto out = runTool({"draw", project()});
    ASSERT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(xmlProblem(out.out), "");
    EXPECT_TRUE(objects(out.out).empty());
    EXPECT_TRUE(contains(out.out, ">PROJ1</text>"));
    EXPECT_TRUE(contains(out.out, "class=\"frame\""));

    const std::string file = dir.path() + u("/plan ö.svg");
    writeBytes(file, "old");
    auto r = runTool({"draw", project(), "-o", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readBytes(file), out.out);
    EXPECT_FALSE(exists(file + ".tmp"));

    writeBytes(file, "old");
    std::filesystem::create_directory(file + ".tmp");
    r = runTool({"draw", project(), "-o", file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "cannot write")) << r.err;
    EXPECT_EQ(readBytes(file), "old");
    EXPECT_TRUE(std::filesystem::is_directory(file + ".tmp"));

    r = runTool({"draw", project(), "-o", dir.path() + "/no/such/folder/p.svg"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(exists(dir.path() + "/no"));
}

TEST_F(DrawTest, UsageErrorsAndMissingDatabase) {
    build({});
    const std::vector<std::vector<std::string>> bad = {
        {"draw"},
        {"draw", project(), "extra"},
        {"draw", project(), "-o"},
        {"draw", project(), "--width", "wide"},
        {"draw", project(), "--width", "100"},
        {"draw", project(), "--width", "800px"},
        {"draw", project(), "--type", "river"},
        {"draw", project(), "--type"},
    };
    for (const auto& args : bad) {
        auto r = runTool(args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_TRUE(contains(r.err, "harn draw DIR")) << r.err;
        EXPECT_EQ(r.out, "");
    }
    auto r = runTool({"draw", dir.path() + "/NOPROJ"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, u("Kan ej öppna databas"))) << r.err;
}

} // namespace
