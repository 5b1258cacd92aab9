// `harn show` for boreholes (tables and JSON of each method block) and the boreholes that
// `harn demo` saves through the library.
#include "tests/borehole/BoreholeFixture.h"
#include "tests/support/RunTool.h"

#include "database/CHarnDbs.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <cmath>
#include <filesystem>

using testing_support::readBytes;
using testing_support::runTool;

namespace {

const std::string kHead = "B1                             \n1000.000000\n2000.000000 0\n"
                          "100.000000 95.000000\n1.500000 0.000000\n0.000000 0.000000 0 1\n"
                          "0.000000 30 60\n";
const std::string kBlocks =
    "*\n0 Kärna\n0.000000 95 3 0 1 1 0\n"
    " 12.50  3  1  45 -30 2 4 11  2 3 1995  85 1 1    2.125 150  Granit, grå\n"
    "-12.50 1.5 3.25 2.5 4.5 5.5 1 2 3 4 5 -6\n%2 Sprickzon\n"
    " 20.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n*\n"
    "*\n1 Jord-berg\n0.000000 0 0 0 1 0\n  2.500     30        slut\n*\n"
    "*\n2 VF\n0.000000 93 2 0 1\n 10.000  15.000 0.5 12.5 3.0 0.125 7              Tät sektion\n*\n"
    "*\n3 Registrerad\n0.000000 95 7 0 1 4\n"
    "  1.500    120 12.34  1.10   333  2.20  4.40  5.50  6.60         Berg\n*\n*\n7 okänd\nx\n*\n";

// The rest of `text` from `start` on; empty when it is not there.
std::string from(const std::string& text, const std::string& start) {
    const size_t at = text.find(start);
    return at == std::string::npos ? "" : text.substr(at);
}

class BoreholeToolTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }
    std::string file(const char* name) const { return project() + "/HARNDB/" + name; }

    // A project holding the borehole B1 with the given borehole file (text, "\n" ends).
    void buildProject(const char* sndText) {
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CHarnDbs d(&proj, nullptr);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        dbstype r{.typ = 3, .flagg = 0x0f, .x = 1000, .y = 2000, .z = 100, .id = "B1"};
        d.Ny(1, &r);
        ASSERT_EQ(d.Filnamn(), 0);
        ASSERT_EQ(d.Uppdat(0), 0);
        if (sndText)
            testing_support::writeBytes(file("B1.SND"), testing_support::crlf(sndText));
    }

    testing_support::TempDir dir;
};

TEST_F(BoreholeToolTest, ShowsTheHeadAndEachBlockAsTablesOrJson) {
    const std::string text = kHead + kBlocks;
    buildProject(text.c_str());
    auto r = runTool({"show", project(), "b1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The record comes first, as for every object; then the borehole file.
    EXPECT_EQ(r.out.rfind("type      borehole (3)\nid        B1\n", 0), 0u) << r.out;
    EXPECT_EQ(from(r.out, "\nhead\n"), "\n" + borehole_test::golden("show.txt"));
    auto j = runTool({"show", project(), "B1", "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    EXPECT_EQ(j.out.rfind("{\n  \"record\": {\n    \"typ\": 3,\n", 0), 0u) << j.out;
    EXPECT_EQ(from(j.out, "  \"head\": {"), borehole_test::golden("show.json"));
    // Showing reads only: the file is as it was.
    EXPECT_EQ(readBytes(file("B1.SND")), testing_support::crlf(text));
}

TEST_F(BoreholeToolTest, HeadOnlyOrMissingFile) {
    buildProject((kHead + "*").c_str());
    auto r = runTool({"show", project(), "B1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(from(r.out, "  inclination 60\n"), "  inclination 60\n  survey      JA\n"
                                                 "  jn1         NEJ\n  values      1.5 0 0 0 0 "
                                                 "0\n\nno method blocks\n");
    auto j = runTool({"show", project(), "B1", "--json"});
    ASSERT_EQ(j.exitCode, 0);
    EXPECT_EQ(from(j.out, "  \"methods\""), "  \"methods\": {\n    \"KB\": null,\n    \"JB1\": "
                                            "null,\n    \"VF\": null,\n    \"RB\": null\n  }\n}\n");

    std::filesystem::remove(file("B1.SND"));
    for (bool json : {false, true}) {
        std::vector<std::string> args = {"show", project(), "B1"};
        if (json)
            args.push_back("--json");
        auto m = runTool(args);
        EXPECT_EQ(m.exitCode, 1);
        EXPECT_EQ(m.out, "");
        EXPECT_EQ(m.err,
                  platform::cp1252ToUtf8("harn show: cannot read the borehole file " +
                                         platform::windowsPath(project()) + "\\HARNDB\\B1.SND\n"));
    }
}

// A record of the demo project as read from its database file.
dbstype demoRecord(CProjPath& proj, const char* id) {
    CHarnDbs d(&proj, nullptr);
    EXPECT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
    char text[16];
    std::snprintf(text, sizeof text, "%s", id);
    EXPECT_EQ(d.Findid(3, text), 0) << id;
    return d.Get_aktel() ? *d.Get_aktel() : dbstype{};
}

TEST_F(BoreholeToolTest, DemoSavesBoreholesWithEveryMethod) {
    auto r = runTool({"demo", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, ""); // no warning from any save
    EXPECT_NE(r.out.find("boreholes: BH1 (KB JB1 VF RB), BH2 (KB RB, inclined), BH3 (KB, "
                         "deviation survey BH3.CRD) saved\n"),
              std::string::npos)
        << r.out;
    CProjPath proj(project().c_str());
    const struct {
        const char* id;
        int flagg;
        double dx, dy, dz; // BH2: 30 m inclined 60 degrees at azimuth 45; BH3: from its survey
    } holes[] = {{"BH1", 0x0f, 0, 0, 25},
                 {"BH2", 0x09, 7.5 * std::sqrt(2.0), 7.5 * std::sqrt(2.0), 15 * std::sqrt(3.0)},
                 {"BH3", 0x01, 0.065, -0.54, 17.982}};
    for (const auto& h : holes) {
        SCOPED_TRACE(h.id);
        const dbstype rec = demoRecord(proj, h.id);
        EXPECT_EQ(rec.flagg, h.flagg);
        EXPECT_NEAR(rec.dx, h.dx, 1e-6);
        EXPECT_NEAR(rec.dy, h.dy, 1e-6);
        EXPECT_NEAR(rec.dz, h.dz, 1e-6);
    }
    EXPECT_TRUE(testing_support::exists(file("BH3.CRD")));

    // BH1 reads back through every class, and the registered drilling set the rock level.
    CRegBorr rb(&proj, "BH1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    EXPECT_EQ(borehole_test::records(rb).size(), 10u);
    EXPECT_EQ(rb.m_typ3, 1);
    EXPECT_NEAR(rb.m_bhd.zberg, 41.8 - 25, 1e-6); // slutkod 95
    auto show = runTool({"show", project(), "BH1"});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    for (const char* part :
         {"core drilling (block 0): Kärnborr", "registered drilling JB1 (block 1): Jord-berg",
          "water-loss tests (block 2)", "registered drilling RB (block 3): Registrerad"})
        EXPECT_NE(show.out.find(platform::cp1252ToUtf8(part)), std::string::npos) << part;
}

} // namespace
