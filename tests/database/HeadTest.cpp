// The borehole head (written with CR LF, read back field for field from either line end,
// the edge cases of the block, the message of a file that cannot be created), the date
// normaliser, the version rule and the database object's starting state.
#include "database/CHarnDbs.h"

#include "platform/Cp1252Literal.h"
#include "platform/FaultInjection.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

namespace {

using testing_support::crlf;
using testing_support::readBytes;
using testing_support::writeBytes;

// Every field of a head in declaration order: id|text|x y z|dval1-3|kod ival1|zberg dval5|
// jn1 avvmatt bhdtext2|metod ival3 fval1|slutkod blockparam metodtext|azimut lutning|
// klassland klassystem|fval2-4.
std::string fields(const harnbhdtype& h) {
    char b[512];
    std::snprintf(
        b, sizeof b,
        "%.16s|%.20s|%.17g %.17g %.17g|%g %g %g|%d %d|%g %g|%.4s %.4s %.4s|%d %d %g|%.4s %d "
        "%.12s|%d %d|%.3s %.5s|%g %g %g",
        h.id, h.text, h.x, h.y, h.z, h.dval1, h.dval2, h.dval3, h.kod, h.ival1, h.zberg, h.dval5,
        h.jn1, h.avvmatt, h.bhdtext2, h.metod, h.ival3, h.fval1, h.slutkod, h.blockparam,
        h.metodtext, h.azimut, h.lutning, h.klassland, h.klassystem, h.fval2, h.fval3, h.fval4);
    return b;
}

// The fields after dval1-3 of a head read from a block that gives none of them.
const std::string kDefaults = "|0 0|0 0|NEJ NEJ |-1 -1 0| 0 |0 90| |0 0 0";

harnbhdtype sampleHead() {
    harnbhdtype h;
    std::memset(&h, 0x5A, sizeof h); // BhdNull must clear everything but the id
    std::strcpy(h.id, "B1");
    CHarnDbs::BhdNull(&h);
    EXPECT_EQ(fields(h), "B1||0 0 0|0 0 0|0 0|0 0|  |-1 -1 0| 0 |0 90| |0 0 0");
    std::strcpy(h.text, "KÄRNA"_cp);
    h.x = 6543210.125, h.y = 1234567.5, h.z = 12.25, h.zberg = 10.5, h.ival1 = 3;
    h.dval1 = 1, h.dval5 = 2, h.dval2 = 3, h.dval3 = -4.5;
    std::strcpy(h.jn1, "JA");
    std::strcpy(h.avvmatt, "NEJ");
    h.fval1 = 0.5f, h.azimut = 45, h.lutning = 60;
    h.kod = 7, h.metod = 2, h.fval2 = 1; // not on file
    return h;
}

const std::string kSampleText = "B1              KÄRNA          \n6543210.125000\n"
                                "1234567.500000 3\n12.250000 10.500000\n1.000000 2.000000\n"
                                "3.000000 -4.500000 1 0\n0.500000 45 60\n*"_cp;
// The sample read back: the id keeps the blanks that padded it, the text is not read.
const char* kSampleFields = "B1             ||6543210.125 1234567.5 12.25|1 3 -4.5|0 3|10.5 2|"
                            "JA NEJ |-1 -1 0.5| 0 |45 60| |0 0 0";

class HeadTest : public testing_support::RecordingTest {
protected:
    CProjPath proj{dir.winPath().c_str()};
    CHarnDbs dbs{&proj, nullptr};
    void SetUp() override {
        RecordingTest::SetUp();
        testing_support::makeDirs(dir.file("HARNDB"));
    }
    // The head read from HARNDB\<name>.SND, or its raw bytes when the read does not give 0.
    std::string read(const char* name, int expect = 0) {
        harnbhdtype h;
        std::memset(&h, 0x33, sizeof h);
        h.id[0] = 0;
        EXPECT_EQ(dbs.LasHead(name, &h), expect);
        return expect == 0 ? fields(h) : std::string(reinterpret_cast<char*>(&h), sizeof h);
    }
    int write(harnbhdtype h, const char* name) {
        char n[16];
        std::snprintf(n, sizeof n, "%s", name);
        return dbs.SkrivHead(&h, n);
    }
};

TEST_F(HeadTest, WrittenWithCrLfAndReadBackFromEitherLineEnd) {
    writeBytes(dir.file("HARNDB/b1.snd"), std::string(5000, 'x')); // truncated, found in any case
    ASSERT_EQ(write(sampleHead(), "B1"), 0);
    EXPECT_EQ(readBytes(dir.file("HARNDB/b1.snd")), crlf(kSampleText));
    EXPECT_EQ(read("B1"), kSampleFields);
    writeBytes(dir.file("HARNDB/LF.SND"), kSampleText);
    EXPECT_EQ(read("LF"), kSampleFields);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(HeadTest, ClearedHeadWithEmptyTextAndFullFields) {
    harnbhdtype h;
    std::strcpy(h.id, "B3");
    CHarnDbs::BhdNull(&h);
    ASSERT_EQ(write(h, "B3"), 0);
    // Empty flag texts are not "NEJ": both written as 1, read as "JA".
    EXPECT_EQ(readBytes(dir.file("HARNDB/B3.SND")),
              crlf("B3                             \n0.000000\n0.000000 0\n0.000000 0.000000\n"
                   "0.000000 0.000000\n0.000000 0.000000 1 1\n0.000000 0 90\n*"));
    EXPECT_EQ(read("B3"), "B3||0 0 0|0 0 0|0 0|0 0|JA JA |-1 -1 0| 0 |0 90| |0 0 0");
    // Fields without a terminating zero are written to their end and no further.
    h = sampleHead();
    std::memcpy(h.id, "ABCDEFGHIJKLMNOP", 16);
    std::memcpy(h.text, "TTTTTTTTTTTTTTTTTTTT", 20);
    std::memcpy(h.avvmatt, "NEJX", 4);
    ASSERT_EQ(write(h, "F"), 0);
    std::string disk = readBytes(dir.file("HARNDB/F.SND"));
    EXPECT_EQ(disk.substr(0, 39), "ABCDEFGHIJKLMNOP " + std::string(20, 'T') + "\r\n");
    EXPECT_NE(disk.find("\r\n3.000000 -4.500000 1 1\r\n"), std::string::npos);
}

TEST_F(HeadTest, ReadingRules) {
    const std::string cases[][2] = {
        // Two lines: id and x, the rest defaults, both flags "NEJ".
        {"B7\r\n12.5\r\n*\r\nKB\r\n", "B7||12.5 0 0|0 0 0" + kDefaults},
        // A blank before "*" does not end the block.
        {"B8\n1.0\n *\n3.0 4.0\n*\n9.0 9.0\n",
         "B8||1 0 3|0 0 0|0 0|4 0|NEJ NEJ |-1 -1 0| 0 |0 90| |0 0 0"},
        // Only 1 reads as "JA"; without a "*" the block ends with the file.
        {"B9\n1\n2 3\n4 5\n6 7\n8 9 2 -1\n",
         "B9||1 2 4|6 8 9|0 3|5 7|NEJ NEJ |-1 -1 0| 0 |0 90| |0 0 0"},
        // Lines after the seventh are ignored.
        {kSampleText.substr(0, kSampleText.size() - 1) + "99 99 99\nmer\n*", kSampleFields},
        // The id is cut after 15 characters. An empty file: the id is only replaced by a line.
        {"ABCDEFGHIJKLMNOPQRSTU text\n", "ABCDEFGHIJKLMNO||0 0 0|0 0 0" + kDefaults},
        {"", "||0 0 0|0 0 0" + kDefaults},
    };
    for (auto& c : cases) {
        writeBytes(dir.file("HARNDB/R.SND"), c[0]);
        EXPECT_EQ(read("R"), c[1]) << c[0];
    }
    // The open-file reader stops after the "*" line and closes only when asked.
    writeBytes(dir.file("HARNDB/B1.SND"), crlf(kSampleText + "\nKB block\n*"));
    CStdioFile f((dir.winPath() + "\\HARNDB\\b1.snd").c_str(), CFile::modeRead);
    harnbhdtype h;
    EXPECT_EQ(CHarnDbs::LasHead(&f, &h, 0), 0);
    CString line;
    EXPECT_TRUE(f.ReadString(line));
    EXPECT_EQ(line, CString("KB block"));
    f.SeekToBegin();
    EXPECT_EQ(CHarnDbs::LasHead(&f, &h, 1), 0);
    EXPECT_FALSE(f.IsOpen());
}

TEST_F(HeadTest, FilesThatCannotBeCreatedOrOpened) {
    testing_support::TempDir other; // no HARNDB below it
    CProjPath noFolder(other.winPath().c_str());
    CHarnDbs d(&noFolder, nullptr);
    harnbhdtype h = sampleHead();
    char name[] = "B1";
    EXPECT_EQ(d.SkrivHead(&h, name), -3);
    ASSERT_EQ(ui.events.size(), 1u);
    const auto& m = ui.events[0];
    EXPECT_EQ(std::string(platform::messageCallName(m.call)) + "|" + m.text + "|" + m.caption,
              "MessageBoxA|Fel: Hittar inte " + other.winPath() + "\\HARNDB\\B1.SND|Fil\xF6ppning");
    EXPECT_EQ(m.flags, MB_ICONEXCLAMATION);
    // A failed open leaves the old file whole.
    writeBytes(dir.file("HARNDB/B1.SND"), "old");
    platform::FaultInjector::failNth(platform::FileOp::Open, 1);
    EXPECT_EQ(write(h, "B1"), -3);
    EXPECT_EQ(readBytes(dir.file("HARNDB/B1.SND")), "old");
    // A missing or unopenable file gives -1 without a message and leaves the head.
    ui.clear();
    std::string untouched = read("SAKNAS", -1);
    EXPECT_EQ(untouched, '\0' + std::string(sizeof(harnbhdtype) - 1, '\x33'));
    platform::FaultInjector::failNth(platform::FileOp::Open, 1);
    EXPECT_EQ(read("B1", -1), untouched);
    EXPECT_TRUE(ui.events.empty());
}

TEST(DatumFix, Examples) {
    // Input and result; an empty result comes with -1.
    // clang-format off
    const char* cases[][2] = {
        {"990101", "1999-01-01"},   {"050101", "2005-01-01"}, {"20050101", "2005-01-01"},
        {"05-01-01", "2005-01-01"}, {"691231", "2069-12-31"}, {"700101", "1970-01-01"},
        {"12", "2012"}, {"7", ""}, {"abc", ""}, {"", ""}, {" 990101", ""},
        {"990101abc", "1999-1a-bc"}, {"2005-1-2", "2005-1---2"}, {"--0101", "20---01-01"},
        {"1999-01-01 12:30", "1999-01-01"},
    };
    // clang-format on
    for (auto& c : cases) {
        char buf[64];
        std::strcpy(buf, c[0]);
        EXPECT_EQ(CHarnDbs::DatumFix(buf), *c[1] ? 0 : -1) << c[0];
        EXPECT_STREQ(buf, c[1]) << c[0];
    }
}

TEST(VersionRule, FromPointNinetyFourUpAccepted) {
    struct Case {
        const char* version;
        double verdel;
        bool accepted;
    } cases[] = {
        {"1.5", 0.5, true}, {"1.0", 0.5, true}, {"1.4", 0, true},      {"2.5", 0, true},
        {"0.94", 0, true},  {"9.9", 0.5, true}, {"1.5000", 0.5, true}, {"9e99", 0, true},
        {"0.9", 0, false},  {"0.93", 0, false}, {"-1.5", 0, false},    {"0.1234", 0, false},
        {"", 0.5, false},   {"v1.5", 0, false}, {"1.5", NAN, false},   {"1.5", -1e300, false},
    };
    for (const Case& c : cases) {
        dbshdtype hd{};
        std::memcpy(hd.version, c.version, std::min(std::strlen(c.version), sizeof hd.version));
        hd.verdel = c.verdel;
        EXPECT_EQ(CHarnDbs::VersionAccepted(hd), c.accepted) << c.version << " + " << c.verdel;
    }
}

TEST(CHarnDbsConstruction, EmptyHeadOfTheCurrentVersionAndNoCopies) {
    CProjPath proj("C:\\Proj");
    CHarnDbs d(&proj, nullptr);
    const dbshdtype& hd = d.m_hd;
    EXPECT_EQ(std::string(hd.version, 6), std::string("1.5\0\0\0", 6));
    // Texts and counters (offsets 6 to 263) are zero.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&hd) + 6, 258), std::string(258, 0));
    EXPECT_EQ((std::vector<double>{hd.xmin, hd.ymin, hd.zmin, hd.xmax, hd.ymax, hd.zmax, hd.verdel,
                                   double(hd.slut), double(d.m_mode), double(d.m_reclen)}),
              (std::vector<double>{DBL_MAX, DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX, -DBL_MAX, 0.5,
                                   600, 1, 124}));
    EXPECT_EQ(d.m_lasfil.GetFilePath() + "|" + d.m_dbsfil.GetFilePath(),
              CString("C:\\Proj\\HARNPLAN.LCK|C:\\Proj\\HARNPLAN.DBS"));
    EXPECT_THROW(CHarnDbs copy(d), const char*);
}

} // namespace
