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

    // A project holding the borehole B1 with the given bytes as its borehole file.
    void buildProject(const std::string& snd) {
        testing_support::newProject(
            project(), {{.typ = 3, .flagg = 0x0f, .x = 1000, .y = 2000, .z = 100, .id = "B1"}});
        testing_support::writeBytes(file("B1.SND"), snd);
    }

    testing_support::TempDir dir;
};

TEST_F(BoreholeToolTest, ShowsTheHeadAndEachBlockAsTablesOrJson) {
    // Every method block and one the library does not know.
    buildProject(borehole_test::golden("show.snd"));
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
    EXPECT_EQ(readBytes(file("B1.SND")), borehole_test::golden("show.snd"));
}

TEST_F(BoreholeToolTest, HeadOnlyOrMissingFile) {
    const std::string snd = borehole_test::golden("show.snd");
    buildProject(snd.substr(0, snd.find('*') + 1));
    auto r = runTool({"show", project(), "B1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(from(r.out, "  values "), "  values      1.5 0 0 0 0 0\n\nno method blocks\n");
    auto j = runTool({"show", project(), "B1", "--json"});
    ASSERT_EQ(j.exitCode, 0);
    EXPECT_EQ(from(j.out, "  \"methods\""), "  \"methods\": {\n    \"KB\": null,\n    \"JB1\": "
                                            "null,\n    \"VF\": null,\n    \"RB\": null\n  }\n}\n");

    std::filesystem::remove(file("B1.SND"));
    auto m = runTool({"show", project(), "B1"});
    EXPECT_EQ(m.exitCode, 1);
    EXPECT_EQ(m.out, "");
    EXPECT_EQ(m.err, "harn show: cannot read the borehole file " + project() + "/HARNDB/B1.SND\n");
}

TEST_F(BoreholeToolTest, DemoSavesBoreholesWithEveryMethod) {
    auto r = runTool({"demo", project()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, ""); // no warning from any save
    EXPECT_NE(r.out.find("boreholes: BH1 (KB JB1 VF RB), BH2 (KB RB, inclined), BH3 (KB, "
                         "deviation survey BH3.CRD) saved\n"),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(testing_support::exists(file("BH3.CRD")));
    CProjPath proj(project().c_str());
    CHarnDbs d(&proj, nullptr);
    ASSERT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
    const struct {
        char id[4];
        int flagg;
        double dx, dy, dz; // BH2: 30 m inclined 60 degrees at azimuth 45; BH3: from its survey
    } holes[] = {{"BH1", 0x0f, 0, 0, 25},
                 {"BH2", 0x09, 7.5 * std::sqrt(2.0), 7.5 * std::sqrt(2.0), 15 * std::sqrt(3.0)},
                 {"BH3", 0x01, 0.065, -0.54, 17.982}};
    for (auto h : holes) {
        SCOPED_TRACE(h.id);
        ASSERT_EQ(d.Findid(3, h.id), 0);
        const dbstype& rec = *d.Get_aktel();
        EXPECT_EQ(rec.flagg, h.flagg);
        EXPECT_NEAR(rec.dx, h.dx, 1e-6);
        EXPECT_NEAR(rec.dy, h.dy, 1e-6);
        EXPECT_NEAR(rec.dz, h.dz, 1e-6);
    }
}

} // namespace
