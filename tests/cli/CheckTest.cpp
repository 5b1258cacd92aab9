// `harn check`: a consistent project passes; each kind of damage is reported as an error
// with exit code 1, in text and in JSON.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"

#include <cstdio>
#include <cstring>

using testing_support::crlf;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::writeBytes;

namespace {

const std::string kSnd = "B1                             \n1000.000000\n2000.000000 0\n"
                         "100.000000 0.000000\n0.000000 0.000000\n0.000000 0.000000 0 0\n"
                         "0.000000 0 90\n*\n0 Kärna\n0.000000 95 0 0 1 1 0\n*\n"_cp;

class CheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        CProjPath::ResetNames();
        ASSERT_EQ(runTool({"new", project()}).exitCode, 0);
        CProjPath proj(project().c_str());
        CHarnDbs d(&proj, nullptr);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        dbstype r{};
        r.typ = 3, r.flagg = 0x01; // core drilling
        std::strcpy(r.id, "B1");
        d.Ny(1, &r);
        ASSERT_EQ(d.Filnamn() + d.Uppdat(0), 0);
        writeBytes(snd(), crlf(kSnd));
    }
    std::string project() const { return dir.path() + "/PROJ1"; }
    std::string snd() const { return project() + "/HARNDB/B1.SND"; }
    std::string dbs() const { return project() + "/HARNPLAN.DBS"; }

    testing_support::TempDir dir;
};

TEST_F(CheckTest, ConsistentProjectPasses) {
    auto r = runTool({"check", project()});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "1 objects checked: 0 errors, 0 warnings\n");
}

TEST_F(CheckTest, EachDamageIsAnError) {
    const std::string good = readBytes(dbs()), goodSnd = crlf(kSnd);
    struct Case {
        int offset; // of a byte of the database set to `byte`; 0 for none
        char byte;
        std::string snd; // the borehole file; empty: removed
        const char* expected;
    } cases[] = {
        {0, 0, "", "file-missing  B1  "},
        {0, 0, crlf(kSnd.substr(0, kSnd.find("*\n0 ")) + "*"), "borehole-flag  B1  "},
        {600 + 4, 0, goodSnd, // flagg of the first slot
         "B1.SND: the file has core drilling but the database record's flag is not set"},
        {224 + 2 * 4, 2, goodSnd, // typantal of boreholes
         "head counts 2 objects of type borehole, the database holds 1"},
        {600 + 80, 'b', goodSnd, "identifier is not in upper case"},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        if (c.offset)
            bytes[c.offset] = c.byte;
        writeBytes(dbs(), bytes);
        if (c.snd.empty())
            std::remove(snd().c_str());
        else
            writeBytes(snd(), c.snd);
        auto r = runTool({"check", project()});
        EXPECT_EQ(r.exitCode, 1) << c.expected;
        EXPECT_NE(r.out.find(c.expected), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("1 errors"), std::string::npos) << r.out;
    }
}

TEST_F(CheckTest, JsonCountsFindingsAndLibraryMessagesCount) {
    std::string b = readBytes(dbs());
    b[220] = 3; // antal: the library's own count check reports it
    writeBytes(dbs(), b);
    auto r = runTool({"check", project(), "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\"objects\": 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"errors\": 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(platform::cp1252ToUtf8("Osäker databas antal=(3 1)"_cp)),
              std::string::npos)
        << r.out;
}

TEST_F(CheckTest, MissingDatabaseAndUsage) {
    EXPECT_EQ(runTool({"check", dir.path() + "/NONE"}).exitCode, 2); // nothing could be checked
    EXPECT_EQ(runTool({"check"}).exitCode, 2);
}

} // namespace
