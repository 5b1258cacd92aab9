// harn draw DIR ID...: borehole logs, checked against the data read through the library: every
// drawn section, bar and curve point sits at its depth on the common scale, and every logged
// value of the demo's three boreholes is drawn.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Encoding.h"
#include "platform/Process.h"

#include <cmath>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace testing_support;

namespace {

std::string text(const std::string& tag, const std::string& name) {
    std::smatch m;
    return std::regex_search(tag, m, std::regex(" " + name + "=\"([^\"]*)\"")) ? m[1].str() : "";
}

// What one log shows: cells (quantity, from, to, value) with the pixel top and bottom of
// their shape, curve points per quantity, and the remark texts.
struct Drawn {
    struct Cell {
        std::string quantity;
        double from, to, value, y1, y2;
    };
    std::vector<Cell> cells;
    std::map<std::string, std::vector<std::pair<double, double>>> curves; // quantity -> (x, y)
    std::map<std::string, std::vector<double>> curveScale; // lo, hi, x of lo, x of hi
    std::string markup;
};

std::map<std::string, Drawn> parseLogs(const std::string& svg, double& top, double& k) {
    static const std::regex tag("<(g|rect|polyline|svg) [^>]*>");
    std::map<std::string, Drawn> logs;
    Drawn* log = nullptr;
    std::string quantity;
    Drawn::Cell* cell = nullptr;
    for (std::sregex_iterator it(svg.begin(), svg.end(), tag), end; it != end; ++it) {
        const std::string t = it->str();
        const std::string cls = text(t, "class");
        if ((*it)[1] == "svg") {
            top = svgNumber(t, "data-depth-top");
            k = svgNumber(t, "data-px-per-m");
        } else if (cls == "log") {
            log = &logs[text(t, "data-id")];
            log->markup = svg.substr(static_cast<size_t>(it->position()));
        } else if (cls.rfind("column", 0) == 0) {
            quantity = text(t, "data-quantity");
        } else if (cls == "cell" && log) {
            log->cells.push_back({quantity, svgNumber(t, "data-from"), svgNumber(t, "data-to"),
                                  svgNumber(t, "data-value"), NAN, NAN});
            cell = &log->cells.back();
        } else if ((*it)[1] == "rect" && cell) {
            cell->y1 = svgNumber(t, "y");
            cell->y2 = cell->y1 + svgNumber(t, "height");
            cell = nullptr;
        } else if (cls == "curve" && log) {
            std::istringstream pts(text(t, "points"));
            double x, y;
            char comma;
            while (pts >> x >> comma >> y)
                log->curves[quantity].push_back({x, y});
            log->curveScale[quantity] = {svgNumber(t, "data-lo"), svgNumber(t, "data-hi"),
                                         svgNumber(t, "data-x-lo"), svgNumber(t, "data-x-hi")};
        }
    }
    return logs;
}

class DrawLogTest : public DemoProjectTest {
protected:
    void SetUp() override {
        DemoProjectTest::SetUp();
        copyDemo("DEMO");
    }
    std::string project() const { return dir.path() + "/DEMO"; }
};

using Expected = std::set<std::tuple<std::string, double, double, double>>;

// The values a log must show for one borehole, read through the library: each non-zero
// quantity of each core section over the section, each water-loss value over its test section.
Expected expectedCells(CProjPath& proj, const std::string& namn) {
    Expected e;
    CKarnborr kb(&proj, namn.c_str());
    if (kb.Init() == 0 && kb.Home() == 0) {
        double from = 0;
        do {
            const kbtype& r = *kb.Get_aktel();
            const bool extra = std::any_of(r.extra, r.extra + 6, [](int8_t v) { return v != 32; });
            std::vector<std::pair<std::string, double>> q = {
                {"kod1", r.kod1},       {"kod2", r.kod2},       {"kod3", r.kod3},
                {"vinkel1", r.vinkel1}, {"vinkel2", r.vinkel2}, {"procent", r.procent},
                {"tal1", r.tal1},       {"klass", r.klass},     {"tal2", r.tal2},
                {"varde", r.varde},     {"val", r.val},         {"flagga", r.flagga}};
            for (int i = 0; i < 6; ++i)
                q.push_back({"extra" + std::to_string(i + 1), extra ? r.extra[i] : 0});
            for (int i = 0; i < 5; ++i)
                q.push_back({"extravarde" + std::to_string(i + 1), r.extravarde[i]});
            for (const auto& [key, v] : q)
                if (v != 0)
                    e.insert({key, from, r.djup, v});
            if (r.text[0])
                e.insert({"text", from, r.djup, 0});
            from = r.djup;
        } while (kb++);
    }
    CVattenF vf(&proj, namn.c_str());
    if (vf.Init() == 0 && vf.Home() == 0) {
        do {
            const vftype& t = *vf.Get_aktel();
            for (int i = 2; i < 6; ++i)
                if (t.vfvarde[i] != 0)
                    e.insert({"vfvarde" + std::to_string(i + 1), t.vfvarde[0], t.vfvarde[1],
                              t.vfvarde[i]});
        } while (vf++);
    }
    return e;
}

TEST_F(DrawLogTest, ThreeLogsShowEveryLoggedValueAtItsDepth) {
    const auto r = runTool({"draw", project(), "--ids", "BH1,bh2", "BH3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    double top = NAN, k = NAN;
    const auto logs = parseLogs(r.out, top, k);
    ASSERT_EQ(logs.size(), 3u);
    ASSERT_GT(k, 0);

    CProjPath proj(project().c_str());
    CHarnDbs dbs(&proj, nullptr);
    ASSERT_EQ(dbs.Init(1, 0, nullptr, nullptr), 0);
    size_t cells = 0, points = 0;
    for (const char* id : {"BH1", "BH2", "BH3"}) {
        SCOPED_TRACE(id);
        char key[16];
        std::snprintf(key, sizeof key, "%s", id);
        ASSERT_EQ(dbs.Findid(3, key), 0);
        const std::string namn = dbs.Get_aktel()->filnamn;
        ASSERT_TRUE(logs.count(id));
        const Drawn& log = logs.at(id);

        Expected drawn;
        for (const Drawn::Cell& c : log.cells) {
            drawn.insert({c.quantity, c.from, c.to, c.value});
            // The shape covers the section on the common depth scale.
            EXPECT_NEAR(c.y1, top + c.from * k, 0.011) << c.quantity << " from " << c.from;
            EXPECT_NEAR(c.y2, top + c.to * k, 0.02) << c.quantity << " to " << c.to;
        }
        const Expected want = expectedCells(proj, namn);
        EXPECT_EQ(drawn, want);
        cells += want.size();

        // Registered drilling: a curve point at every reading's depth and value.
        for (int metod : {CRegBorr::RB, CRegBorr::JB1}) {
            CRegBorr rb(&proj, namn.c_str(), metod);
            if (rb.Init(metod) != 0 || rb.Home() != 0)
                continue;
            std::map<std::string, std::function<double(const rbtype&)>> q = {
                {metod == CRegBorr::RB ? "sjunktid" : "jb1-sjunktid",
                 [](const rbtype& x) { return x.sjunktid; }}};
            if (metod == CRegBorr::RB) {
                q["hastighet"] = [](const rbtype& x) { return x.hastighet; };
                for (int i = 0; i < 6; ++i)
                    q["rbvarde" + std::to_string(i + 1)] = [i](const rbtype& x) {
                        return x.rbvarde[i];
                    };
            }
            for (const auto& [key, get] : q) {
                SCOPED_TRACE(key);
                ASSERT_TRUE(log.curves.count(key));
                const auto& pts = log.curves.at(key);
                const auto& s = log.curveScale.at(key);
                size_t i = 0;
                ASSERT_EQ(rb.Home(), 0);
                do {
                    const rbtype& reading = *rb.Get_aktel();
                    ASSERT_LT(i, pts.size());
                    EXPECT_NEAR(pts[i].second, top + reading.djup * k, 0.011);
                    EXPECT_NEAR(pts[i].first,
                                s[2] + (get(reading) - s[0]) / (s[1] - s[0]) * (s[3] - s[2]),
                                0.011);
                    ++i, ++points;
                } while (rb++);
                EXPECT_EQ(i, pts.size());
            }
        }
    }
    // BH1: 10 RB readings of 8 quantities and 3 JB1 readings; BH2: 6 RB readings.
    EXPECT_GT(cells, 40u);
    EXPECT_EQ(points, 8 * 10 + 3 + 8 * 6);
    // Codes are named from the project's code list (rock 11 is "Gr", text "Granit"), remarks
    // and the head are beside.
    const std::string& bh1 = logs.at("BH1").markup;
    for (const char* part :
         {">Gr.2<", ">Granit<", "1: Sprickzon med lera", "VF code 2: Sprickig zon", "JB1: Fyllning",
          "ground z 41.80", "inclination 90"})
        EXPECT_NE(bh1.find(platform::cp1252ToUtf8(part)), std::string::npos) << part;
    EXPECT_NE(logs.at("BH2").markup.find("depths along the hole"), std::string::npos);
}

// Wrong identifiers are refused before anything is written (wrong options: ExitCodeTest); a PNG is
// a PNG, written in place of the old file only when complete.
TEST_F(DrawLogTest, RefusesUnknownBoreholesAndWritesPng) {
    auto r = runTool({"draw", project(), "BH1", "BH9", "-o", dir.file("x.svg")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "harn draw: no borehole BH9 in the project\n");
    EXPECT_FALSE(exists(dir.file("x.svg")));
    r = runTool({"draw", project(), "LINJE.1/A"}); // a line, not a borehole
    EXPECT_EQ(r.exitCode, 1);

    // A damaged depth (1e300, written over the last section's 18.00) keeps the log drawable:
    // its section ends at the bottom edge.
    const std::string snd = project() + "/HARNDB/BH3.SND";
    std::string bytes = readBytes(snd);
    const size_t at = bytes.find("\r\n 18.00 ");
    ASSERT_NE(at, std::string::npos);
    writeBytes(snd, bytes.replace(at, 9, "\r\n 1e300 "));
    r = runTool({"draw", project(), "BH3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_LT(r.out.size(), 100000u);
    double top = 0, k = 0;
    const auto logs = parseLogs(r.out, top, k);
    ASSERT_EQ(logs.count("BH3"), 1u);
    bool damaged = false;
    for (const Drawn::Cell& c : logs.at("BH3").cells)
        if (c.to == 1e300) {
            damaged = true;
            EXPECT_GT(c.y2, c.y1);
            EXPECT_LT(c.y2, svgNumber(r.out.substr(r.out.find("<svg")), "height"));
        }
    EXPECT_TRUE(damaged);

    if (!platform::programOnPath("rsvg-convert"))
        GTEST_SKIP() << "rsvg-convert is not installed";
    writeBytes(dir.file("bh1.png"), "old");
    r = runTool({"draw", project(), "BH1", "-o", dir.file("bh1.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string png = readBytes(dir.file("bh1.png"));
    // Width and height: those of the SVG.
    const std::string svg = runTool({"draw", project(), "BH1"}).out;
    const std::string svgTag = svg.substr(svg.find("<svg"));
    EXPECT_EQ(pngSize(png), std::make_pair(static_cast<unsigned>(svgNumber(svgTag, "width")),
                                           static_cast<unsigned>(svgNumber(svgTag, "height"))));
    EXPECT_EQ(listNames(dir.path()).size(), 2u); // DEMO and bh1.png: no temporary file left
}

} // namespace
