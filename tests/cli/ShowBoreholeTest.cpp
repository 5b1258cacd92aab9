// `harn show` for boreholes (tables and JSON of each method block) and the boreholes that
// `harn demo` saves through the library.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <cmath>
#include <cstring>

using testing_support::readBytes;
using testing_support::runTool;
using testing_support::writeBytes;

namespace {

// Literals of this file are CP1252; the tool speaks UTF-8.
std::string u(const std::string& cp1252) {
    return platform::cp1252ToUtf8(cp1252);
}

const std::string kHead = "B1                             \n"
                          "1000.000000\n"
                          "2000.000000 0\n"
                          "100.000000 95.000000\n"
                          "1.500000 0.000000\n"
                          "0.000000 0.000000 0 1\n"
                          "0.000000 30 60\n";

const std::string kBlocks =
    "*\n0 Kärna\n0.000000 95 3 0 1 1 0\n"
    " 12.50  3  1  45 -30 2 4 11  2 3 1995  85 1 1    2.125 150  Granit, grå\n"
    "-12.50 1.5 3.25 2.5 4.5 5.5 1 2 3 4 5 -6\n"
    "%2 Sprickzon\n"
    " 20.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n"
    "*\n"
    "*\n1 Jord-berg\n0.000000 0 0 0 1 0\n  2.500     30        slut\n*\n"
    "*\n2 VF\n0.000000 93 2 0 1\n"
    " 10.000  15.000 0.5 12.5 3.0 0.125 7              Tät sektion\n*\n"
    "*\n3 Registrerad\n0.000000 95 7 0 1 4\n"
    "  1.500    120 12.34  1.10   333  2.20  4.40  5.50  6.60         Berg\n*\n"
    "*\n7 okänd\nx\n*\n";

class BoreholeToolTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    std::string project() const { return dir.path() + "/PROJ1"; }
    std::string snd() const { return project() + "/HARNDB/B1.SND"; }

    // A project holding the borehole B1 with the given borehole file (text, "\n" ends).
    void buildProject(const std::string* sndText) {
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CHarnDbs d(&proj, nullptr);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        dbstype r{};
        r.typ = 3;
        std::strcpy(r.id, "B1");
        r.x = 1000;
        r.y = 2000;
        r.z = 100;
        r.flagg = 0x0f;
        d.Ny(1, &r);
        ASSERT_EQ(d.Filnamn(), 0);
        ASSERT_EQ(d.Uppdat(0), 0);
        if (sndText)
            writeBytes(snd(), testing_support::crlf(*sndText));
    }

    testing_support::TempDir dir;
};

TEST_F(BoreholeToolTest, ShowsTheHeadAndEachBlockAsTables) {
    const std::string text = kHead + kBlocks;
    buildProject(&text);
    auto r = runTool({"show", project(), "b1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The record comes first, as for every object; then the borehole file.
    EXPECT_EQ(r.out.rfind("type      borehole (3)\nid        B1\n", 0), 0u) << r.out;
    const size_t head = r.out.find("\nhead\n");
    ASSERT_NE(head, std::string::npos) << r.out;
    EXPECT_EQ(
        r.out.substr(head),
        u("\nhead\n"
          "  id          B1\n"
          "  top         1000 2000\n"
          "  ground z    100\n"
          "  rock z      95\n"
          "  azimuth     30\n"
          "  inclination 60\n"
          "  survey      JA\n"
          "  jn1         NEJ\n"
          "  values      1.5 0 0 0 0 0\n"
          "\n"
          "core drilling (block 0): Kärna\n"
          "  code 95, parameter 3, country SE, class system RMR-\n"
          "    DEPTH   K1  UK1   K2  UK2   K3  UK3  ANG1  ANG2  PCT   N1  CL VAL  FL    N2     "
          "VALUE  TEXT\n"
          "    12.50   11    2    3    1    2    4    45   -30   85  150   3   1   1  1995     "
          "2.125  Granit, grå\n"
          "          extra 1 2 3 4 5 -6  values 1.5 2.5 3.25 4.5 5.5\n"
          "          remark 2: Sprickzon\n"
          "    20.00    0    0    0    0    0    0     0     0    0    0   0   0   0     0     "
          "0.000  \n"
          "\n"
          "registered drilling JB1 (block 1): Jord-berg\n"
          "  code 0, parameter 0\n"
          "     DEPTH    TIME  TEXT\n"
          "     2.500      30  slut\n"
          "\n"
          "water-loss tests (block 2)\n"
          "  code 93, parameter 2\n"
          "        V1       V2      V3      V4      V5       V6  CODE  TEXT\n"
          "    10.000   15.000     0.5    12.5     3.0    0.125     7  Tät sektion\n"
          "\n"
          "registered drilling RB (block 3): Registrerad\n"
          "  code 95, parameter 7, kind 4\n"
          "     DEPTH    TIME   SPEED      V1      V2      V3      V4      V5      V6  TEXT\n"
          "     1.500     120   12.34    1.10    2.20     333    4.40    5.50    6.60  Berg\n"));
    // Showing reads only: the file is as it was.
    EXPECT_EQ(readBytes(snd()), testing_support::crlf(text));
}

TEST_F(BoreholeToolTest, ShowsTheBlocksAsJson) {
    const std::string text = kHead + kBlocks;
    buildProject(&text);
    auto r = runTool({"show", project(), "B1", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\n  \"record\": {\n    \"typ\": 3,\n", 0), 0u) << r.out;
    const size_t head = r.out.find("  \"head\": {");
    ASSERT_NE(head, std::string::npos) << r.out;
    std::string compact;
    for (char c : r.out.substr(head))
        if (c != ' ' && c != '\n')
            compact += c;
    EXPECT_EQ(compact,
              u("\"head\":{\"id\":\"B1\",\"x\":1000,\"y\":2000,\"z\":100,\"zberg\":95,"
                "\"dval1\":1.5,\"dval2\":0,\"dval3\":0,\"dval5\":0,\"ival1\":0,\"fval1\":0,"
                "\"jn1\":\"NEJ\",\"avvmatt\":\"JA\",\"azimut\":30,\"lutning\":60},"
                "\"methods\":{"
                "\"KB\":{\"block\":0,\"title\":\"Kärna\",\"slutkod\":\"95\",\"blockparam\":3,"
                "\"klassland\":\"SE\",\"klassystem\":\"RMR-\",\"sections\":["
                "{\"djup\":12.5,\"vinkel1\":45,\"vinkel2\":-30,\"procent\":85,\"tal1\":150,"
                "\"klass\":3,\"kod1\":11,\"underkod1\":2,\"kod2\":3,\"underkod2\":1,\"kod3\":2,"
                "\"underkod3\":4,\"val\":1,\"flagga\":1,\"tal2\":1995,\"varde\":2.125,"
                "\"text\":\"Granit,grå\",\"extra\":[1,2,3,4,5,-6],"
                "\"extravarde\":[1.5,2.5,3.25,4.5,5.5],"
                "\"textrad\":[\"\",\"Sprickzon\",\"\",\"\",\"\",\"\"]},"
                "{\"djup\":20,\"vinkel1\":0,\"vinkel2\":0,\"procent\":0,\"tal1\":0,\"klass\":0,"
                "\"kod1\":0,\"underkod1\":0,\"kod2\":0,\"underkod2\":0,\"kod3\":0,"
                "\"underkod3\":0,\"val\":0,\"flagga\":0,\"tal2\":0,\"varde\":0,\"text\":\"\","
                "\"extra\":[0,0,0,0,0,0],\"extravarde\":[0,0,0,0,0],"
                "\"textrad\":[\"\",\"\",\"\",\"\",\"\",\"\"]}]},"
                "\"JB1\":{\"block\":1,\"title\":\"Jord-berg\",\"slutkod\":\"0\","
                "\"blockparam\":0,\"readings\":[{\"djup\":2.5,\"sjunktid\":30,\"text\":\"slut\"}]},"
                "\"VF\":{\"block\":2,\"slutkod\":\"93\",\"blockparam\":2,\"tests\":["
                "{\"vfvarde\":[10,15,0.5,12.5,3,0.125],\"vfkod\":7,\"text\":\"Tätsektion\"}]},"
                "\"RB\":{\"block\":3,\"title\":\"Registrerad\",\"slutkod\":\"95\","
                "\"blockparam\":7,\"kind\":4,\"readings\":[{\"djup\":1.5,\"sjunktid\":120,"
                "\"hastighet\":12.34,\"rbvarde\":[1.1,2.2,333,4.4,5.5,6.6],\"text\":\"Berg\"}]}"
                "}}"));
}

TEST_F(BoreholeToolTest, HeadOnlyFileHasNoMethodBlocks) {
    const std::string text = kHead + "*";
    buildProject(&text);
    auto r = runTool({"show", project(), "B1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  inclination 60\n"), std::string::npos);
    const std::string tail = "\n\nno method blocks\n";
    ASSERT_GT(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    auto j = runTool({"show", project(), "B1", "--json"});
    ASSERT_EQ(j.exitCode, 0);
    EXPECT_NE(
        j.out.find("\"methods\": {\n    \"KB\": null,\n    \"JB1\": null,\n    \"VF\": null,\n"
                   "    \"RB\": null\n  }\n}\n"),
        std::string::npos)
        << j.out;
}

TEST_F(BoreholeToolTest, MissingBoreholeFileFails) {
    buildProject(nullptr);
    for (bool json : {false, true}) {
        std::vector<std::string> args = {"show", project(), "B1"};
        if (json)
            args.push_back("--json");
        auto r = runTool(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, u("harn show: cannot read the borehole file " +
                           platform::windowsPath(project()) + "\\HARNDB\\B1.SND\n"));
    }
}

// Reads a record of the demo project from its database file.
dbstype demoRecord(CProjPath& proj, const char* id) {
    CHarnDbs d(&proj, nullptr);
    EXPECT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
    char text[16];
    std::snprintf(text, sizeof text, "%s", id);
    EXPECT_EQ(d.Findid(3, text), 0) << id;
    return d.Get_aktel() ? *d.Get_aktel() : dbstype{};
}

template <class L> int countOf(L& list) {
    int n = 0;
    list.Where(&n);
    return n;
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
    // BH1: all methods, vertical.
    dbstype bh1 = demoRecord(proj, "BH1");
    EXPECT_EQ(bh1.flagg, 0x0f);
    EXPECT_NEAR(bh1.dx, 0, 1e-9);
    EXPECT_NEAR(bh1.dy, 0, 1e-9);
    EXPECT_DOUBLE_EQ(bh1.dz, 25);
    EXPECT_STREQ(bh1.text, "Alla metoder");
    CKarnborr kb(&proj, "BH1");
    ASSERT_EQ(kb.Init(), 0);
    EXPECT_EQ(countOf(kb), 3);
    CRegBorr jb(&proj, "BH1", CRegBorr::JB1);
    ASSERT_EQ(jb.Init(CRegBorr::JB1), 0);
    EXPECT_EQ(countOf(jb), 3);
    CRegBorr rb(&proj, "BH1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    EXPECT_EQ(countOf(rb), 10);
    EXPECT_EQ(rb.m_typ3, 1);
    EXPECT_NEAR(rb.m_bhd.zberg, 41.8 - 25, 1e-6); // slutkod 95 of the registered drilling
    CVattenF vf(&proj, "BH1");
    ASSERT_EQ(vf.Init(), 0);
    EXPECT_EQ(countOf(vf), 3);

    // Read and saved again, the demo's file keeps every block but the core log, which gains
    // extra lines of zeros for the sections that had none; from then on it is stable.
    const std::string bh1File = readBytes(project() + "/HARNDB/BH1.SND");
    std::snprintf(kb.m_bhd.text, sizeof kb.m_bhd.text, "%s", bh1.text);
    kb.m_bhd.metod = CKarnborr::KB;
    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    const std::string once = readBytes(project() + "/HARNDB/BH1.SND");
    EXPECT_EQ(once.substr(0, once.find("*\r\n0 ")), bh1File.substr(0, bh1File.find("*\r\n0 ")));
    EXPECT_NE(once.find("-25.00 0.0 0.00 0.0 0.0 0.0 0 0 0 0 0 0\r\n*\r\n*\r\n2 "),
              std::string::npos);
    CKarnborr again(&proj, "BH1");
    ASSERT_EQ(again.Init(), 0);
    std::snprintf(again.m_bhd.text, sizeof again.m_bhd.text, "%s", bh1.text);
    again.m_bhd.metod = CKarnborr::KB;
    ASSERT_EQ(again.Save(nullptr, 0), 0);
    EXPECT_EQ(readBytes(project() + "/HARNDB/BH1.SND"), once);

    // BH2: inclined 60 degrees at azimuth 45, 30 m.
    dbstype bh2 = demoRecord(proj, "BH2");
    EXPECT_EQ(bh2.flagg, 0x09);
    EXPECT_NEAR(bh2.dx, 30 * 0.5 * std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(bh2.dy, 30 * 0.5 * std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(bh2.dz, 30 * std::sqrt(0.75), 1e-6);

    // BH3: extents from its survey file, not from its 18 m vertical length.
    ASSERT_TRUE(testing_support::exists(project() + "/HARNDB/BH3.CRD"));
    dbstype bh3 = demoRecord(proj, "BH3");
    EXPECT_EQ(bh3.flagg, 0x01);
    EXPECT_NEAR(bh3.dx, 0.065, 1e-9); // the survey file holds millimetres
    EXPECT_NEAR(bh3.dy, -0.54, 1e-9);
    EXPECT_NEAR(bh3.dz, 17.982, 1e-9);

    auto show = runTool({"show", project(), "BH1"});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    for (const char* part :
         {"core drilling (block 0): Kärnborr",
          "registered drilling JB1 "
          "(block 1): Jord-berg",
          "water-loss tests (block 2)", "registered drilling RB (block 3): Registrerad"})
        EXPECT_NE(show.out.find(u(part)), std::string::npos) << part;
}

} // namespace
