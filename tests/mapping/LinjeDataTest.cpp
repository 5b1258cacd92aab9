#include "mapping/CLinjeData.h"

#include "platform/FaultInjection.h"
#include "tests/mapping/LinjeDataFixture.h"

#include <cstring>
#include <filesystem>
#include <string>

using testing_support::crlf;
using testing_support::exists;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

class LinjeDataTest : public mapping_test::MappingProject {
protected:
    // Appends a point through the list and fills it.
    static lintype* point(CLinjeData& l, double pos, double x, double y, double z,
                          const char* txt) {
        l.Ny(1, nullptr);
        lintype* p = l.Get_aktel();
        p->pos = pos;
        p->x = x;
        p->y = y;
        p->z = z;
        std::strcpy(p->txt, txt);
        return p;
    }
    static int count(const CLinjeData& l) {
        int n = 0;
        l.Where(&n);
        return n;
    }
    // The n-th point (1-based).
    static lintype* at(CLinjeData& l, int n) {
        l.Home();
        for (int i = 1; i < n; ++i)
            l++;
        return l.Get_aktel();
    }
    std::string lje(const std::string& name) const { return dataFile(name + ".LJE"); }
};

// The line with two points and two named columns of the format description.
void fillSample(CLinjeData& l) {
    l.m_kod = 2;
    std::strcpy(l.m_jordart, "let");
    l.m_varde = 1.5;
    std::strcpy(l.m_kolnamn[1], "Jord");
}

const char* const kSampleFile = "LINJE1\n"
                                "0\n"
                                "2 4 1.500\n"
                                "90 let\n"
                                "*\n"
                                "   0.00     1000.500     2000.250     10.000 A1\n"
                                "  12.50     1010.000     1995.750     11.250 \n"
                                "*\n"
                                "Berg\n"
                                "     8.500 fast\n"
                                "     0.000 \n"
                                "*\n"
                                "Jord\n"
                                "    -2.000 \n"
                                "     3.125 le\n"
                                "*\n";

TEST_F(LinjeDataTest, SavesPointsAndColumnsByteForByteAndReadsThemBack) {
    dbstype* rec = add(5, "LINJE1");
    CLinjeData l(proj.get(), rec->filnamn, CLinjeData::KR);
    fillSample(l);
    lintype* p = point(l, 0, 1000.5, 2000.25, 10, "A1");
    p->kolval[0] = 8.5;
    std::strcpy(p->koltxt[0], "fast");
    p->kolval[1] = -2;
    p = point(l, 12.5, 1010, 1995.75, 11.25, "");
    p->kolval[1] = 3.125;
    std::strcpy(p->koltxt[1], "le");

    ASSERT_EQ(l.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("LINJE1")), crlf(kSampleFile));
    EXPECT_FALSE(exists(lje("LINJE1") + "$"));
    EXPECT_TRUE(ui.messages().empty());

    // Corner and extent: the column values -2 and 8.5 lie below the lowest point.
    dbstype* r = dbs->Get_aktel();
    EXPECT_EQ(r, rec);
    EXPECT_DOUBLE_EQ(r->x, 1000.5);
    EXPECT_DOUBLE_EQ(r->y, 1995.75);
    EXPECT_DOUBLE_EQ(r->z, -2);
    EXPECT_DOUBLE_EQ(r->dx, 9.5);
    EXPECT_DOUBLE_EQ(r->dy, 4.5);
    EXPECT_DOUBLE_EQ(r->dz, 13.25);
    EXPECT_EQ(image(slotOnDisk(r)), image(*r));

    // Reading back gives the same object; saving it again gives the same file.
    CLinjeData b(proj.get(), "LINJE1", CLinjeData::SP);
    ASSERT_EQ(b.Init(1), 0);
    EXPECT_EQ(b.m_metod, CLinjeData::KR);
    EXPECT_EQ(b.m_kod, 2);
    EXPECT_STREQ(b.m_jordart, "let");
    EXPECT_DOUBLE_EQ(b.m_varde, 1.5);
    EXPECT_EQ(b.m_tal, 90);
    EXPECT_STREQ(b.m_kolnamn[0], "Berg");
    EXPECT_STREQ(b.m_kolnamn[1], "Jord");
    EXPECT_STREQ(b.m_kolnamn[2], "");
    ASSERT_EQ(count(b), 2);
    for (int n = 1; n <= 2; ++n) {
        const lintype* w = at(l, n);
        const lintype* g = at(b, n);
        EXPECT_DOUBLE_EQ(g->pos, w->pos);
        EXPECT_DOUBLE_EQ(g->x, w->x);
        EXPECT_DOUBLE_EQ(g->y, w->y);
        EXPECT_DOUBLE_EQ(g->z, w->z);
        EXPECT_STREQ(g->txt, w->txt);
        for (int i = 0; i < 5; ++i) {
            EXPECT_DOUBLE_EQ(g->kolval[i], w->kolval[i]) << n << " " << i;
            EXPECT_STREQ(g->koltxt[i], w->koltxt[i]) << n << " " << i;
        }
    }
    ASSERT_EQ(b.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("LINJE1")), crlf(kSampleFile));
}

TEST_F(LinjeDataTest, EmptyLineSavesHeadAndEmptyPointBlockWithZeroExtent) {
    dbstype* rec = add(5, "TOM");
    rec->x = 5;
    rec->y = 6;
    rec->z = 7;
    rec->dx = rec->dy = rec->dz = 1;
    CLinjeData l(proj.get(), rec->filnamn, CLinjeData::SP);
    EXPECT_STREQ(l.m_kolnamn[0], "");
    ASSERT_EQ(l.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("TOM")), crlf("TOM\n1\n0 -1 0.000\n90 \n*\n*\n"));
    // Column 0 without a name is called "Berg" from the save on.
    EXPECT_STREQ(l.m_kolnamn[0], "Berg");
    dbstype d = slotOnDisk(rec);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.z, 0);
    EXPECT_EQ(d.dx, 0);
    EXPECT_EQ(d.dy, 0);
    EXPECT_EQ(d.dz, 0);
    EXPECT_STREQ(d.id, "TOM");
}

TEST_F(LinjeDataTest, ConstructorDefaultsAndNameCut) {
    CLinjeData kr(proj.get(), "ABCDEFGHIJKLMNOP", CLinjeData::KR);
    EXPECT_STREQ(kr.m_namn, "ABCDEFGHIJK");
    EXPECT_STREQ(kr.m_kolnamn[0], "Berg");
    EXPECT_EQ(kr.m_kod, 0);
    EXPECT_EQ(kr.m_tal, 90);
    EXPECT_EQ(kr.m_varde, 0);
    EXPECT_STREQ(kr.m_jordart, "");
    EXPECT_EQ(std::string(kr.Sokvag()), std::string(proj->ProjKat()) + "\\HARNDB\\ABCDEFGHIJK.LJE");
    for (int m = CLinjeData::SP; m <= CLinjeData::LI; ++m) {
        CLinjeData l(proj.get(), "X", m);
        EXPECT_EQ(l.m_metod, m);
        for (int i = 0; i < 5; ++i)
            EXPECT_STREQ(l.m_kolnamn[i], "");
        EXPECT_EQ(l.SetMetod(42), 0);
        EXPECT_EQ(l.m_metod, 42);
    }
    EXPECT_THROW(CLinjeData copy(kr), const char*);
}

TEST_F(LinjeDataTest, ColumnBlocksEndAtZMateAndAtTheFirstUnnamedColumn) {
    add(5, "K1");
    CLinjeData a(proj.get(), "K1", CLinjeData::KR);
    point(a, 1, 1, 1, 1, "p")->kolval[2] = 9;
    std::strcpy(a.m_kolnamn[1], "Z-mate");
    std::strcpy(a.m_kolnamn[2], "Tredje");
    ASSERT_EQ(a.Save(dbs.get()), 0);
    const std::string points = "K1\n0\n0 -1 0.000\n90 \n*\n"
                               "   1.00        1.000        1.000      1.000 p\n*\n";
    EXPECT_EQ(readBytes(lje("K1")), crlf(points + "Berg\n     0.000 \n*\n"));
    // The unwritten column does not widen the extent either.
    EXPECT_EQ(dbs->Get_aktel()->dz, 0);

    CLinjeData b(proj.get(), "K1", CLinjeData::FP);
    point(b, 1, 1, 1, 1, "p");
    std::strcpy(b.m_kolnamn[0], "A");
    std::strcpy(b.m_kolnamn[2], "C");
    ASSERT_EQ(b.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("K1")), crlf("K1\n2\n0 -1 0.000\n90 \n*\n"
                                         "   1.00        1.000        1.000      1.000 p\n*\n"
                                         "A\n     0.000 \n*\n"));
}

TEST_F(LinjeDataTest, ColumnValuesWithinAThousandthDoNotWidenTheZExtent) {
    add(5, "Z1");
    CLinjeData l(proj.get(), "Z1", CLinjeData::KR);
    std::strcpy(l.m_kolnamn[1], "B");
    lintype* p = point(l, 0, 0, 0, 10, "");
    p->kolval[0] = 0.001;
    p->kolval[1] = -0.001;
    p = point(l, 0, 3, 4, 12, "");
    p->kolval[0] = 0.0005;
    ASSERT_EQ(l.Save(dbs.get()), 0);
    EXPECT_DOUBLE_EQ(dbs->Get_aktel()->z, 10);
    EXPECT_DOUBLE_EQ(dbs->Get_aktel()->dz, 2);

    // -5 below every point lowers the corner; 50 raises the top.
    at(l, 1)->kolval[1] = -5;
    at(l, 2)->kolval[0] = 50;
    ASSERT_EQ(l.Save(dbs.get()), 0);
    EXPECT_DOUBLE_EQ(dbs->Get_aktel()->z, -5);
    EXPECT_DOUBLE_EQ(dbs->Get_aktel()->dz, 55);
    EXPECT_DOUBLE_EQ(slotOnDisk(dbs->Get_aktel()).dz, 55);
}

TEST_F(LinjeDataTest, SurplusValueLinesLandOnTheLastPoint) {
    writeBytes(lje("S1"), "S1\n0\n0 -1 0\n90\n*\n"
                          "0 1 1 1 a\n"
                          "0 2 2 2 b\n"
                          "*\n"
                          "Berg\n"
                          "1.0 first\n"
                          "2.0 second\n"
                          "3.0 third\n"
                          "4.0 fourth\n"
                          "*\n"
                          "Kort\n"
                          "7.0 only\n"
                          "*\n");
    CLinjeData l(proj.get(), "S1", CLinjeData::SP);
    ASSERT_EQ(l.Init(0), 0);
    ASSERT_EQ(count(l), 2);
    EXPECT_EQ(at(l, 1)->kolval[0], 1.0);
    EXPECT_STREQ(at(l, 1)->koltxt[0], "first");
    EXPECT_EQ(at(l, 2)->kolval[0], 4.0);
    EXPECT_STREQ(at(l, 2)->koltxt[0], "fourth");
    EXPECT_EQ(at(l, 1)->kolval[1], 7.0);
    EXPECT_EQ(at(l, 2)->kolval[1], 0.0);
    EXPECT_STREQ(at(l, 2)->koltxt[1], "");
    EXPECT_STREQ(l.m_kolnamn[1], "Kort");
}

struct FlagCase {
    int metod;
    uint8_t before;
    uint8_t after;
};

class LinjeDataFlagTest : public LinjeDataTest, public testing::WithParamInterface<FlagCase> {};

TEST_P(LinjeDataFlagTest, MethodSetsItsFlagBitAndKeepsTheOthers) {
    const FlagCase c = GetParam();
    dbstype* rec = add(5, "F1");
    rec->flagg = c.before;
    rec->kod = 7;
    rec->reftyp = 3;
    std::strcpy(rec->text, "behålls");
    rec->xyz2[1] = 4.5;
    CLinjeData l(proj.get(), rec->filnamn, c.metod);
    point(l, 0, 1, 2, 3, "");
    ASSERT_EQ(l.Save(dbs.get()), 0);
    dbstype d = slotOnDisk(rec);
    EXPECT_EQ(d.flagg, c.after);
    EXPECT_EQ(rec->flagg, c.after);
    // No other field of the record changes.
    EXPECT_EQ(d.kod, 7);
    EXPECT_EQ(d.reftyp, 3);
    EXPECT_STREQ(d.text, "behålls");
    EXPECT_EQ(d.xyz2[1], 4.5);
    EXPECT_EQ(d.typ, 5);
    EXPECT_STREQ(d.id, "F1");
    EXPECT_EQ(d.x, 1);
    EXPECT_EQ(d.y, 2);
    EXPECT_EQ(d.z, 3);
    EXPECT_EQ(readBytes(lje("F1")).substr(0, 7), "F1\r\n" + std::to_string(c.metod) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    AllMethods, LinjeDataFlagTest,
    testing::Values(FlagCase{CLinjeData::KR, 0xA5, 0x65}, FlagCase{CLinjeData::KR, 0x5A, 0x5A},
                    FlagCase{CLinjeData::SP, 0xA5, 0xA5}, FlagCase{CLinjeData::SP, 0x5A, 0x9A},
                    FlagCase{CLinjeData::FP, 0xFF, 0x3F}, FlagCase{CLinjeData::KV, 0xC1, 0x01},
                    FlagCase{CLinjeData::JG, 0x5A, 0x1A}, FlagCase{CLinjeData::LI, 0xA5, 0x25}));

TEST_F(LinjeDataTest, SoilCodeIndexAndTextFollowTheTable) {
    add(5, "J1");
    CLinjeData l(proj.get(), "J1", CLinjeData::FP);
    std::strcpy(l.m_jordart, "f  ");
    ASSERT_EQ(l.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("J1")), crlf("J1\n2\n0 0 0.000\n90 f  \n*\n*\n"));

    // Line 3 gives "f  ", line 4 replaces it with the word "f"; the next save finds no index.
    CLinjeData b(proj.get(), "J1", CLinjeData::FP);
    ASSERT_EQ(b.Init(0), 0);
    EXPECT_STREQ(b.m_jordart, "f");
    ASSERT_EQ(b.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("J1")), crlf("J1\n2\n0 -1 0.000\n90 f\n*\n*\n"));

    // Every code of the table is written with its index.
    const char* const table[12] = {"f  ", "mu ", "gy ", "t  ", "let", "le ",
                                   "si ", "sa ", "gr ", "st ", "fr ", "mn "};
    for (int i = 0; i < 12; ++i) {
        std::strcpy(b.m_jordart, table[i]);
        ASSERT_EQ(b.Save(dbs.get()), 0);
        std::string file = readBytes(lje("J1"));
        EXPECT_NE(file.find("\r\n0 " + std::to_string(i) + " 0.000\r\n90 " + table[i] + "\r\n"),
                  std::string::npos)
            << i;
    }

    // Without a word in line 4, the index of line 3 picks the code; out of range picks none.
    writeBytes(lje("J1"), "J1\n2\n3 8 0\n90\n*\n*\n");
    CLinjeData c(proj.get(), "J1", CLinjeData::FP);
    ASSERT_EQ(c.Init(0), 0);
    EXPECT_STREQ(c.m_jordart, "gr ");
    EXPECT_EQ(c.m_kod, 3);
    for (const char* head : {"7 12 0\n90\n", "-1 -1 0\n90\n"}) {
        writeBytes(lje("J1"), std::string("J1\n2\n") + head + "*\n*\n");
        CLinjeData d(proj.get(), "J1", CLinjeData::FP);
        ASSERT_EQ(d.Init(0), 0);
        EXPECT_STREQ(d.m_jordart, "") << head;
        EXPECT_EQ(d.m_kod, 0) << head;
    }
}

TEST_F(LinjeDataTest, MethodInTheFileIsTakenOnlyWithMedMetod) {
    writeBytes(lje("M1"), "M1\n3\n5 -1 2.25\n120 sa\n*\n*\n");
    CLinjeData a(proj.get(), "M1", CLinjeData::SP);
    ASSERT_EQ(a.Init(0), 0);
    EXPECT_EQ(a.m_metod, CLinjeData::SP);
    EXPECT_EQ(a.m_kod, 5);
    EXPECT_EQ(a.m_varde, 2.25);
    EXPECT_EQ(a.m_tal, 120);
    EXPECT_STREQ(a.m_jordart, "sa");
    CLinjeData b(proj.get(), "M1", CLinjeData::SP);
    ASSERT_EQ(b.Init(1), 0);
    EXPECT_EQ(b.m_metod, CLinjeData::KV);
    CLinjeData c(proj.get(), "M1", CLinjeData::SP);
    ASSERT_EQ(c.Init(2), 0);
    EXPECT_EQ(c.m_metod, CLinjeData::SP);
}

TEST_F(LinjeDataTest, TalIsWrittenAsASixteenBitNumber) {
    add(5, "T1");
    CLinjeData l(proj.get(), "T1", CLinjeData::LI);
    l.m_tal = 70000;
    ASSERT_EQ(l.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("T1")), crlf("T1\n5\n0 -1 0.000\n4464 \n*\n*\n"));
}

TEST_F(LinjeDataTest, InitAppendsToPointsAlreadyInTheList) {
    writeBytes(lje("A1"), "A1\n0\n0 -1 0\n90\n*\n0 5 5 5 n1\n0 6 6 6 n2\n*\nBerg\n1\n2\n3\n*\n");
    CLinjeData l(proj.get(), "A1", CLinjeData::KR);
    point(l, 0, 1, 1, 1, "old");
    ASSERT_EQ(l.Init(0), 0);
    ASSERT_EQ(count(l), 3);
    EXPECT_STREQ(at(l, 1)->txt, "old");
    EXPECT_STREQ(at(l, 3)->txt, "n2");
    // Column values start again at the first point of the list.
    EXPECT_EQ(at(l, 1)->kolval[0], 1);
    EXPECT_EQ(at(l, 2)->kolval[0], 2);
    EXPECT_EQ(at(l, 3)->kolval[0], 3);
}

TEST_F(LinjeDataTest, MissingFileLeavesTheObjectUnchanged) {
    CLinjeData l(proj.get(), "NONE", CLinjeData::JG);
    point(l, 1, 2, 3, 4, "p");
    l.m_kod = 4;
    EXPECT_EQ(l.Init(1), -1);
    EXPECT_EQ(count(l), 1);
    EXPECT_EQ(l.m_metod, CLinjeData::JG);
    EXPECT_EQ(l.m_kod, 4);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(LinjeDataTest, ReadErrorLeavesTheObjectUnchanged) {
    writeBytes(lje("R1"), "R1\n3\n5 4 1\n80 let\n*\n0 1 1 1 a\n*\nNamn\n2 b\n*\n");
    CLinjeData l(proj.get(), "R1", CLinjeData::SP);
    point(l, 1, 2, 3, 4, "p");
    {
        platform::FaultScope scope;
        platform::FaultInjector::failNth(platform::FileOp::Read, 1, true);
        EXPECT_EQ(l.Init(1), -1);
    }
    EXPECT_EQ(count(l), 1);
    EXPECT_EQ(l.m_metod, CLinjeData::SP);
    EXPECT_EQ(l.m_kod, 0);
    EXPECT_EQ(l.m_tal, 90);
    EXPECT_STREQ(l.m_jordart, "");
    EXPECT_STREQ(l.m_kolnamn[0], "");
    EXPECT_EQ(at(l, 1)->kolval[0], 0);
    // Read again without the fault, the same file fills the object.
    ASSERT_EQ(l.Init(1), 0);
    EXPECT_EQ(count(l), 2);
    EXPECT_EQ(l.m_kod, 5);
}

TEST_F(LinjeDataTest, OverlongWordsAndLinesAreCutToTheirFields) {
    const std::string longId(10000, 'I');
    std::string file = longId +
                       "\n"
                       "4\n"
                       "9 12 2.5\n"
                       "77 ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
                       "*\n"
                       "1 2 3 4 TEXTLONGERTHANSEVEN\n"
                       "1 2 3\n"
                       "5 6 7 8 " +
                       std::string(5000, 'W') +
                       "\n"
                       "garbage\n"
                       "*\n" +
                       std::string(40, 'N') +
                       "\n"
                       "1.5 " +
                       std::string(100, 'K') +
                       "\n"
                       "2.5\n"
                       "*\n"
                       "Second" +
                       std::string(3000, ' ') +
                       "tail\n"
                       "abc\n"
                       "7 x\n"
                       "*\n"
                       "Tredje\n"
                       "3 " +
                       std::string(20000, 'Q'); // last line without a line end
    writeBytes(lje("O1"), file);
    CLinjeData l(proj.get(), "O1", CLinjeData::SP);
    ASSERT_EQ(l.Init(1), 0);
    EXPECT_EQ(l.m_metod, CLinjeData::JG);
    EXPECT_EQ(l.m_kod, 0);
    EXPECT_EQ(l.m_varde, 2.5);
    EXPECT_EQ(l.m_tal, 77);
    EXPECT_EQ(std::string(l.m_jordart, sizeof l.m_jordart), std::string("ABCDEFGH\0\0\0\0", 12));
    EXPECT_EQ(std::string(l.m_kolnamn[0], 16), std::string(15, 'N') + '\0');
    EXPECT_STREQ(l.m_kolnamn[1], "Second");
    EXPECT_STREQ(l.m_kolnamn[2], "Tredje");
    EXPECT_STREQ(l.m_kolnamn[3], "");
    ASSERT_EQ(count(l), 2);
    lintype* p = at(l, 1);
    EXPECT_EQ(p->z, 4);
    EXPECT_EQ(std::string(p->txt, 8), std::string("TEXTLON\0", 8));
    EXPECT_EQ(p->kolval[0], 1.5);
    EXPECT_EQ(std::string(p->koltxt[0], 8), std::string("KKKKKKK\0", 8));
    EXPECT_STREQ(p->koltxt[1], "");
    EXPECT_EQ(p->kolval[1], 0); // "abc" does not scan, the point is passed all the same
    p = at(l, 2);
    EXPECT_EQ(p->pos, 5);
    EXPECT_STREQ(p->txt, "WWWWWWW");
    EXPECT_EQ(p->kolval[0], 2.5);
    EXPECT_EQ(p->kolval[1], 7);
    EXPECT_STREQ(p->koltxt[1], "x");
    EXPECT_EQ(at(l, 1)->kolval[2], 3);
    EXPECT_STREQ(at(l, 1)->koltxt[2], "QQQQQQQ");
    EXPECT_STREQ(at(l, 1)->koltxt[3], "");
}

TEST_F(LinjeDataTest, ValueLinesWithoutPointsAreSkipped) {
    writeBytes(lje("V1"), "V1\n0\n0 -1 0\n90\n*\n*\nBerg\n1 a\n2 b\n*\nAndra\n*\n");
    CLinjeData l(proj.get(), "V1", CLinjeData::SP);
    ASSERT_EQ(l.Init(0), 0);
    EXPECT_EQ(count(l), 0);
    EXPECT_STREQ(l.m_kolnamn[0], "Berg");
    EXPECT_STREQ(l.m_kolnamn[1], "Andra");
}

TEST_F(LinjeDataTest, EmptyLineEndsABlock) {
    // The empty line ends the point block; the next line is the first column's name.
    writeBytes(lje("E1"), "E1\n0\n0 -1 0\n90\n*\n0 1 1 1 a\n\nNamn\n4 v\n*\n");
    CLinjeData l(proj.get(), "E1", CLinjeData::SP);
    ASSERT_EQ(l.Init(0), 0);
    ASSERT_EQ(count(l), 1);
    EXPECT_STREQ(l.m_kolnamn[0], "Namn");
    EXPECT_EQ(at(l, 1)->kolval[0], 4);
}

TEST_F(LinjeDataTest, FileThatCannotBeCreatedIsReportedAndChangesNothing) {
    dbstype* rec = add(5, "C1");
    dbstype before = *rec;
    std::filesystem::remove_all(root + "/HARNDB");
    CLinjeData l(proj.get(), "C1", CLinjeData::KR);
    point(l, 0, 1, 2, 3, "");
    EXPECT_EQ(l.Save(dbs.get()), -3);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Fel: Hittar inte " + std::string(proj->ProjKat()) + "\\HARNDB\\C1.LJE");
    EXPECT_EQ(m[0].caption, "Filöppning");
    EXPECT_EQ(m[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(static_cast<int>(m[0].call), static_cast<int>(platform::MessageCall::MessageBoxA));
    EXPECT_EQ(image(*rec), image(before));
    EXPECT_EQ(image(slotOnDisk(rec)), image(before));
}

TEST_F(LinjeDataTest, FailedWriteOrRenameKeepsTheOldFile) {
    dbstype* rec = add(5, "W1");
    CLinjeData l(proj.get(), "W1", CLinjeData::KR);
    point(l, 0, 1, 2, 3, "a");
    ASSERT_EQ(l.Save(dbs.get()), 0);
    const std::string good = readBytes(lje("W1"));
    const dbstype saved = *rec;
    point(l, 0, 100, 200, 300, "b");

    for (platform::FileOp op : {platform::FileOp::Write, platform::FileOp::Rename}) {
        ui.clear();
        platform::FaultScope scope;
        platform::FaultInjector::failNth(op, 1, true);
        EXPECT_EQ(l.Save(dbs.get()), -3);
        platform::FaultInjector::reset();
        EXPECT_EQ(readBytes(lje("W1")), good);
        EXPECT_FALSE(exists(lje("W1") + "$"));
        EXPECT_EQ(image(*rec), image(saved));
        EXPECT_EQ(image(slotOnDisk(rec)), image(saved));
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_EQ(ui.messages()[0].caption, "Filöppning");
    }
    EXPECT_EQ(ui.messages()[0].text,
              "Fel: Kan ej ersätta " + std::string(proj->ProjKat()) + "\\HARNDB\\W1.LJE");
}

TEST_F(LinjeDataTest, SaveWithoutACurrentRecordWritesTheFileUnderItsOwnName) {
    CLinjeData l(proj.get(), "N1", CLinjeData::SP);
    point(l, 0, 1, 2, 3, "");
    ASSERT_EQ(l.Save(nullptr), 0);
    EXPECT_EQ(readBytes(lje("N1")).substr(0, 4), "N1\r\n");
}

} // namespace
