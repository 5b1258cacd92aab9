// harn show for alignments: the demo's alignment files with their elements and chainages,
// an alignment without a file, and one whose file is refused.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <string>
#include <vector>

using namespace testing_support;

namespace {

class ShowAlignmentTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ"; }
    // The data folder as the tool prints it (POSIX); the temporary folder is plain ASCII.
    std::string dataFolder() const { return project() + "/HARNDB/"; }
    TempDir dir;
};

TEST_F(ShowAlignmentTest, DemoAlignmentsHaveTheirFilesElementsAndChainages) {
    auto demo = runTool({"demo", project()});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    EXPECT_TRUE(contains(demo.out, "alignments: 2 alignment files written\n")) << demo.out;
    // Written in CR LF like the library's text files.
    EXPECT_EQ(readBytes(project() + "/HARNDB/V\xC3\x84G1.VL").substr(0, 13), "ALIGNMENT 1\r\n");

    auto r = runTool({"show", project(), u("väg1.vl"_cp)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              u("alignment  VÄG1.VL\n"
                "file       "_cp +
                dataFolder() +
                "VÄG1.VL\n"
                "file name  VAG1-VL\n"
                "code       255\n"
                "corner     990.000 1990.000 0.000\n"
                "extent     300.000 60.000 0.000\n"
                "text       \n"
                "chainage   0.000 to 252.360 (252.360 m)\n"
                "\n"
                "3 elements\n"
                "  NR KIND             FROM           TO     LENGTH     RADIUS TURN       START X"
                "      START Y\n"
                "   1 straight        0.000      100.000    100.000                      1000.000"
                "     2010.000\n"
                "   2 arc           100.000      152.359     52.359    299.998 right     1100.000"
                "     2010.000\n"
                "   3 straight      152.359      252.360    100.000                      1152.094"
                "     2014.558\n"
                "     end                        252.360                                 1250.575"
                "     2031.923\n"_cp));

    auto j = runTool({"show", project(), u("VÄG2.VL"_cp), "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    for (const char* part : {"\"startChainage\": 500,", "\"endChainage\": 834.9068",
                             "\"kind\": \"arc\"", "\"bulge\": -0.0436609429085,",
                             "\"radius\": 200.00", "\"turn\": \"left\"", "\"record\": {"})
        EXPECT_TRUE(contains(j.out, part)) << part << "\n" << j.out;
}

TEST_F(ShowAlignmentTest, WithoutAFileTheRecordAloneAndARefusedFileFails) {
    std::vector<dbstype> records;
    for (const char* id : {"NONE.VL", "BAD.VL", "RIGHT.VL"}) {
        records.push_back(objectRecord(6, id));
        records.back().kod = 255;
    }
    newProject(project(), records);
    writeBytes(project() + "/HARNDB/BAD.VL", "ALIGNMENT 1\n0\n0 0\n1,5 0\n");
    writeBytes(project() + "/HARNDB/RIGHT.VL", "ALIGNMENT 1\r\n10\r\n0 0 1\r\n0 -20\r\n");

    auto none = runTool({"show", project(), "NONE.VL"});
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_TRUE(
        contains(none.out, "file       " + dataFolder() + "NONE.VL (missing: no geometry)\n"))
        << none.out;
    EXPECT_FALSE(contains(none.out, "chainage"));
    auto nj = runTool({"show", project(), "NONE.VL", "--json"});
    EXPECT_TRUE(contains(nj.out, "\"geometry\": null,")) << nj.out;

    auto bad = runTool({"show", project(), "BAD.VL"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "harn show: cannot read the alignment file " + dataFolder() +
                           "BAD.VL: line 4: \"1,5\" is not a number\n");

    // A half circle to the right, radius 10, from chainage 10.
    auto right = runTool({"show", project(), "RIGHT.VL"});
    ASSERT_EQ(right.exitCode, 0) << right.err;
    EXPECT_TRUE(contains(right.out, "chainage   10.000 to 41.416 (31.416 m)\n\n1 element\n"))
        << right.out;
    EXPECT_TRUE(contains(right.out, "   1 arc            10.000       41.416     31.416     "
                                    "10.000 right        0.000        0.000\n"))
        << right.out;
}

} // namespace
