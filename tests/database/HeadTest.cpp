// The borehole head: written with CR LF line ends, read back field for field from either
// line end, the edge cases of the block, the message of a file that cannot be created, the
// marker test and the database object's starting state.
#include "database/CHarnDbs.h"

#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>

namespace {

using platform::MessageCall;
using testing_support::crlf;
using testing_support::readBytes;
using testing_support::writeBytes;

harnbhdtype sampleHead() {
    harnbhdtype h;
    std::memset(&h, 0x5A, sizeof h); // BhdNull must clear everything but the id
    std::strcpy(h.id, "B1");
    CHarnDbs::BhdNull(&h);
    std::strcpy(h.text, "KÄRNA");
    h.x = 6543210.125;
    h.y = 1234567.5;
    h.ival1 = 3;
    h.z = 12.25;
    h.zberg = 10.5;
    h.dval1 = 1;
    h.dval5 = 2;
    h.dval2 = 3;
    h.dval3 = -4.5;
    std::strcpy(h.jn1, "JA");
    std::strcpy(h.avvmatt, "NEJ");
    h.fval1 = 0.5f;
    h.azimut = 45;
    h.lutning = 60;
    return h;
}

const std::string kSampleText = "B1              KÄRNA          \n"
                                "6543210.125000\n"
                                "1234567.500000 3\n"
                                "12.250000 10.500000\n"
                                "1.000000 2.000000\n"
                                "3.000000 -4.500000 1 0\n"
                                "0.500000 45 60\n"
                                "*";

class HeadTest : public testing_support::RecordingTest {
protected:
    CProjPath proj{dir.winPath().c_str()};
    CHarnDbs dbs{&proj, nullptr};
    void SetUp() override {
        RecordingTest::SetUp();
        testing_support::makeDirs(dir.file("HARNDB"));
    }
    harnbhdtype read(const char* name, int expect = 0) {
        harnbhdtype h;
        std::memset(&h, 0x33, sizeof h);
        EXPECT_EQ(dbs.LasHead(name, &h), expect);
        return h;
    }
};

TEST_F(HeadTest, WrittenWithCrLfAndAStarWithoutLineEnd) {
    harnbhdtype h = sampleHead();
    char name[] = "B1";
    EXPECT_EQ(dbs.SkrivHead(&h, name), 0);
    EXPECT_EQ(readBytes(dir.file("HARNDB/B1.SND")), crlf(kSampleText));
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(HeadTest, ReadsBackFieldForField) {
    harnbhdtype h = sampleHead();
    char name[] = "B1";
    ASSERT_EQ(dbs.SkrivHead(&h, name), 0);
    harnbhdtype r = read("B1");
    // The text after the id padded the id to 15 characters; the reader keeps them.
    EXPECT_STREQ(r.id, "B1             ");
    EXPECT_STREQ(r.text, ""); // written, not read back
    EXPECT_EQ(r.x, 6543210.125);
    EXPECT_EQ(r.y, 1234567.5);
    EXPECT_EQ(r.ival1, 3);
    EXPECT_EQ(r.z, 12.25);
    EXPECT_EQ(r.zberg, 10.5);
    EXPECT_EQ(r.dval1, 1);
    EXPECT_EQ(r.dval5, 2);
    EXPECT_EQ(r.dval2, 3);
    EXPECT_EQ(r.dval3, -4.5);
    EXPECT_STREQ(r.jn1, "JA");
    EXPECT_STREQ(r.avvmatt, "NEJ");
    EXPECT_EQ(r.fval1, 0.5f);
    EXPECT_EQ(r.azimut, 45);
    EXPECT_EQ(r.lutning, 60);
    // Fields not on file have their cleared values.
    EXPECT_EQ(r.kod, 0);
    EXPECT_EQ(r.metod, -1);
    EXPECT_EQ(r.ival3, -1);
    EXPECT_EQ(r.blockparam, 0);
    EXPECT_STREQ(r.slutkod, "");
    EXPECT_STREQ(r.metodtext, "");
    EXPECT_STREQ(r.bhdtext2, "");
    EXPECT_EQ(r.fval2, 0.0f);
}

TEST_F(HeadTest, LfLineEndsReadIdentically) {
    writeBytes(dir.file("HARNDB/CRLF.SND"), crlf(kSampleText));
    writeBytes(dir.file("HARNDB/LF.SND"), kSampleText);
    harnbhdtype a = read("CRLF");
    harnbhdtype b = read("LF");
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(b.x, 6543210.125);
    EXPECT_STREQ(b.avvmatt, "NEJ");
}

TEST_F(HeadTest, EmptyTextGivesTheIdWithoutBlanks) {
    harnbhdtype h = sampleHead();
    h.text[0] = 0;
    char name[] = "B2";
    ASSERT_EQ(dbs.SkrivHead(&h, name), 0);
    EXPECT_EQ(readBytes(dir.file("HARNDB/B2.SND")).substr(0, 33),
              "B1" + std::string(29, ' ') + "\r\n");
    EXPECT_STREQ(read("B2").id, "B1");
}

TEST_F(HeadTest, FifteenCharacterIdAndLongLinesAreCut) {
    writeBytes(dir.file("HARNDB/L.SND"), "ABCDEFGHIJKLMNOPQRSTU text\n" + std::string(2000, '7') +
                                             "\n" + std::string(600, ' ') + "5.5 2\n*\n");
    harnbhdtype r = read("L");
    EXPECT_STREQ(r.id, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(r.ival1, 0); // the blanks fill the scratch buffer: nothing left to read
    EXPECT_EQ(r.y, 0);
}

TEST_F(HeadTest, ClearedHeadIsWrittenWithBothFlagsSet) {
    harnbhdtype h;
    std::strcpy(h.id, "B3");
    CHarnDbs::BhdNull(&h);
    EXPECT_STREQ(h.id, "B3");
    EXPECT_EQ(h.lutning, 90);
    char name[] = "B3";
    ASSERT_EQ(dbs.SkrivHead(&h, name), 0);
    EXPECT_EQ(readBytes(dir.file("HARNDB/B3.SND")), crlf("B3                             \n"
                                                         "0.000000\n"
                                                         "0.000000 0\n"
                                                         "0.000000 0.000000\n"
                                                         "0.000000 0.000000\n"
                                                         "0.000000 0.000000 1 1\n"
                                                         "0.000000 0 90\n"
                                                         "*"));
    harnbhdtype r = read("B3");
    EXPECT_STREQ(r.jn1, "JA");
    EXPECT_STREQ(r.avvmatt, "JA");
    EXPECT_EQ(r.lutning, 90);
}

TEST_F(HeadTest, TwoLineHeadKeepsTheDefaults) {
    writeBytes(dir.file("HARNDB/B7.SND"), "B7\r\n12.5\r\n*\r\nKB\r\n");
    harnbhdtype r = read("B7");
    EXPECT_STREQ(r.id, "B7");
    EXPECT_EQ(r.x, 12.5);
    EXPECT_EQ(r.y, 0);
    EXPECT_EQ(r.z, 0);
    EXPECT_EQ(r.azimut, 0);
    EXPECT_EQ(r.lutning, 90);
    EXPECT_EQ(r.metod, -1);
    EXPECT_STREQ(r.jn1, "NEJ");
    EXPECT_STREQ(r.avvmatt, "NEJ");
}

TEST_F(HeadTest, EmptyFileGivesTheDefaults) {
    writeBytes(dir.file("HARNDB/TOM.SND"), "");
    harnbhdtype r;
    std::memset(&r, 0x33, sizeof r);
    std::strcpy(r.id, "FÖRE");
    EXPECT_EQ(dbs.LasHead("TOM", &r), 0);
    EXPECT_STREQ(r.id, "FÖRE"); // the id is only replaced by a first line
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.lutning, 90);
    EXPECT_STREQ(r.jn1, "NEJ");
}

TEST_F(HeadTest, StarAfterABlankDoesNotEndTheBlock) {
    writeBytes(dir.file("HARNDB/B8.SND"), "B8\n1.0\n *\n3.0 4.0\n*\n9.0 9.0\n");
    harnbhdtype r = read("B8");
    EXPECT_EQ(r.x, 1.0);
    EXPECT_EQ(r.y, 0);
    EXPECT_EQ(r.z, 3.0);
    EXPECT_EQ(r.zberg, 4.0);
    EXPECT_EQ(r.dval1, 0);
}

TEST_F(HeadTest, LinesAfterTheSeventhAreIgnored) {
    writeBytes(dir.file("HARNDB/B9.SND"),
               kSampleText.substr(0, kSampleText.size() - 1) + "99 99 99\nmer\n*");
    harnbhdtype r = read("B9");
    EXPECT_EQ(r.azimut, 45);
    EXPECT_EQ(r.lutning, 60);
}

TEST_F(HeadTest, OpenFileReaderStopsAfterTheStarLine) {
    writeBytes(dir.file("HARNDB/B1.SND"),
               crlf(kSampleText.substr(0, kSampleText.size() - 1) + "*\nKB block\n*"));
    CStdioFile f;
    ASSERT_TRUE(f.Open((dir.winPath() + "\\HARNDB\\B1.SND").c_str(), CFile::modeRead));
    harnbhdtype h;
    EXPECT_EQ(CHarnDbs::LasHead(&f, &h, 0), 0);
    EXPECT_EQ(h.lutning, 60);
    EXPECT_TRUE(f.IsOpen());
    CString line;
    EXPECT_TRUE(f.ReadString(line));
    EXPECT_EQ(line, CString("KB block"));
    f.SeekToBegin();
    EXPECT_EQ(CHarnDbs::LasHead(&f, &h, 1), 0);
    EXPECT_FALSE(f.IsOpen());
}

TEST_F(HeadTest, StreamWriterWritesSevenLinesOnly) {
    harnbhdtype h = sampleHead();
    FILE* f = platform::fopen((dir.winPath() + "\\HARNDB\\S.SND").c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(CHarnDbs::SkrivHead(f, &h), 0);
    std::fclose(f);
    EXPECT_EQ(readBytes(dir.file("HARNDB/S.SND")),
              crlf(kSampleText.substr(0, kSampleText.size() - 1)));
}

TEST_F(HeadTest, RewritingTruncatesAndFindsTheFileInAnyCase) {
    writeBytes(dir.file("HARNDB/b1.snd"), std::string(5000, 'x'));
    harnbhdtype h = sampleHead();
    char name[] = "B1";
    ASSERT_EQ(dbs.SkrivHead(&h, name), 0);
    EXPECT_EQ(testing_support::listNames(dir.file("HARNDB")), std::vector<std::string>{"b1.snd"});
    EXPECT_EQ(readBytes(dir.file("HARNDB/b1.snd")), crlf(kSampleText));
    EXPECT_EQ(read("b1").x, 6543210.125);
}

TEST_F(HeadTest, UncreatableFileGivesTheMessageAndMinusThree) {
    testing_support::TempDir other;
    CProjPath noFolder(other.winPath().c_str()); // no HARNDB below it
    CHarnDbs d(&noFolder, nullptr);
    harnbhdtype h = sampleHead();
    char name[] = "B1";
    EXPECT_EQ(d.SkrivHead(&h, name), -3);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].call, MessageCall::MessageBoxA);
    EXPECT_EQ(m[0].text, "Fel: Hittar inte " + other.winPath() + "\\HARNDB\\B1.SND");
    EXPECT_EQ(m[0].caption, "Filöppning");
    EXPECT_EQ(m[0].caption, "Fil\xF6ppning");
    EXPECT_EQ(m[0].flags, MB_ICONEXCLAMATION);
    EXPECT_TRUE(testing_support::listNames(other.path()).empty());
}

TEST_F(HeadTest, FailedOpenLeavesTheOldFileWhole) {
    writeBytes(dir.file("HARNDB/B1.SND"), crlf(kSampleText));
    harnbhdtype h = sampleHead();
    h.x = 1;
    char name[] = "B1";
    platform::FaultInjector::failNth(platform::FileOp::Open, 1);
    EXPECT_EQ(dbs.SkrivHead(&h, name), -3);
    EXPECT_EQ(readBytes(dir.file("HARNDB/B1.SND")), crlf(kSampleText));
    EXPECT_EQ(ui.messages().size(), 1u);
}

TEST_F(HeadTest, MissingOrUnopenableFileGivesMinusOneAndLeavesTheHead) {
    harnbhdtype before;
    std::memset(&before, 0x33, sizeof before);
    harnbhdtype r = read("SAKNAS", -1);
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
    writeBytes(dir.file("HARNDB/B1.SND"), crlf(kSampleText));
    platform::FaultInjector::failNth(platform::FileOp::Open, 1);
    r = read("B1", -1);
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(HeadTest, MarkerTestFollowsTheFile) {
    EXPECT_EQ(dbs.DbsKoll(), 0);
    writeBytes(dir.file("TMPCAD.PB$"), "");
    EXPECT_EQ(dbs.DbsKoll(), 1);
    std::remove(dir.file("TMPCAD.PB$").c_str());
    EXPECT_EQ(dbs.DbsKoll(), 0);
    writeBytes(dir.file("tmpcad.pb$"), "");
    EXPECT_EQ(dbs.DbsKoll(), 1);
}

TEST_F(HeadTest, FullFieldsWithoutTerminatorAreWrittenToTheirEnd) {
    harnbhdtype h = sampleHead();
    std::memcpy(h.id, "ABCDEFGHIJKLMNOP", 16);       // all 16 bytes used
    std::memcpy(h.text, "TTTTTTTTTTTTTTTTTTTT", 20); // all 20 bytes used
    std::memcpy(h.jn1, "NEJX", 4);
    char name[] = "F";
    ASSERT_EQ(dbs.SkrivHead(&h, name), 0);
    std::string disk = readBytes(dir.file("HARNDB/F.SND"));
    EXPECT_EQ(disk.substr(0, 39), "ABCDEFGHIJKLMNOP " + std::string(20, 'T') + "\r\n");
    EXPECT_NE(disk.find("3.000000 -4.500000 1 0\r\n"), std::string::npos);
}

TEST(CHarnDbsConstruction, StartsWithAnEmptyHeadOfTheCurrentVersion) {
    CProjPath proj("C:\\Proj");
    CHarnDbs d(&proj, nullptr);
    EXPECT_STREQ(CHarnDbs::m_Dbsver, "1.5");
    EXPECT_STREQ(d.m_hd.version, "1.5");
    EXPECT_DOUBLE_EQ(d.m_hd.verdel, 0.5);
    EXPECT_EQ(d.m_hd.slut, 600);
    EXPECT_EQ(d.m_hd.antal, 0);
    EXPECT_EQ(d.m_hd.hal, 0);
    EXPECT_STREQ(d.m_hd.projnamn, "");
    EXPECT_EQ(d.m_hd.xmin, DBL_MAX);
    EXPECT_EQ(d.m_hd.ymin, DBL_MAX);
    EXPECT_EQ(d.m_hd.zmin, DBL_MAX);
    EXPECT_EQ(d.m_hd.xmax, -DBL_MAX);
    EXPECT_EQ(d.m_hd.ymax, -DBL_MAX);
    EXPECT_EQ(d.m_hd.zmax, -DBL_MAX);
    EXPECT_EQ(d.m_mode, 1);
    EXPECT_EQ(d.m_reclen, 124);
    EXPECT_EQ(d.m_pProj, &proj);
    EXPECT_EQ(d.m_pIni, nullptr);
    EXPECT_EQ(d.m_lasfil.GetFilePath(), CString("C:\\Proj\\HARNPLAN.LCK"));
    EXPECT_EQ(d.m_dbsfil.GetFilePath(), CString("C:\\Proj\\HARNPLAN.DBS"));
    EXPECT_FALSE(d.m_dbsfil.IsOpen());
    EXPECT_EQ(d.Where(nullptr), -1);
}

TEST(CHarnDbsConstruction, CopyingAndAssigningAreRefused) {
    CProjPath proj("C:\\Proj");
    CHarnDbs a(&proj, nullptr);
    try {
        CHarnDbs b(a);
        FAIL() << "copied";
    } catch (const char* e) {
        EXPECT_STREQ(e, "Internt fel (Initiering list0)");
    }
    CHarnDbs c(&proj, nullptr);
    try {
        c = a;
        FAIL() << "assigned";
    } catch (const char* e) {
        EXPECT_STREQ(e, "Internt fel (Tilldelning list0)");
    }
}

} // namespace
