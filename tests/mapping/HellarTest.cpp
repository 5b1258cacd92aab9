#include "mapping/CHellar.h"

#include "platform/FaultInjection.h"
#include "tests/mapping/LinjeDataFixture.h"

#include <cstring>
#include <string>

using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

class HellarTest : public mapping_test::MappingProject {
protected:
    std::string lad(const std::string& name) const { return dataFile(name + ".LAD"); }

    static int count(const CHellar& h) {
        int n = 0;
        h.Where(&n);
        return n;
    }
    // The points of the first outcrop.
    static CHkolista* points(CHellar& h) {
        EXPECT_EQ(h.Home(), 0);
        return h.Get_aktel()->pPunkter;
    }
    static int count(const CHkolista* k) {
        int n = 0;
        if (k)
            k->Where(&n);
        return n;
    }
    static kokotype* at(CHkolista* k, int n) {
        k->Home();
        for (int i = 1; i < n; ++i)
            (*k)++;
        return k->Get_aktel();
    }
};

const char* const kSample = "Hällkartering\n"
                            "projekt 7\n"
                            "*\n"
                            "HÄLL 1\n"
                            "1.5 2.5 3.5\n"
                            "10.25 20.5 30.75\n"
                            "4.5 7 8\n"
                            "300 11 12 13\n"
                            "tunnel1\n"
                            "Beskrivning av hällen\n"
                            "rad 8 läses inte\n"
                            "*\n"
                            "1 1 50 ABCDE\n"
                            "2 2 0 X\n"
                            "3 3 45\n";

TEST_F(HellarTest, ReadsHeadAndPointsAndRegistersTheOutcrop) {
    add(1, "TUNNEL1");
    dbstype* rec = add(2, "HÄLL1");
    rec->flagg = 0x11;
    writeBytes(lad(rec->filnamn), testing_support::crlf(kSample));
    CHellar h(proj.get(), rec->filnamn);
    ASSERT_EQ(h.Init(), 0);
    EXPECT_EQ(count(h), 1);
    EXPECT_EQ(h.m_rad2[0], 1.5);
    EXPECT_EQ(h.m_rad2[1], 2.5);
    EXPECT_EQ(h.m_rad2[2], 3.5);
    EXPECT_EQ(h.m_rad3[2], 30.75);
    EXPECT_EQ(h.m_rad4tal, 4.5);
    const int16_t heltal[6] = {300, 11, 12, 7, 8, 13};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(h.m_heltal[i], heltal[i]) << i;
    EXPECT_STREQ(h.m_refid, "tunnel1");
    EXPECT_STREQ(h.m_text, "Beskrivnin");
    CHkolista* k = points(h);
    ASSERT_EQ(count(k), 3);
    EXPECT_STREQ(at(k, 1)->kod, "ABC");
    EXPECT_EQ(at(k, 1)->z, 50);
    EXPECT_STREQ(at(k, 2)->kod, "X");
    EXPECT_EQ(at(k, 3)->x, 3);
    EXPECT_STREQ(at(k, 3)->kod, "");

    ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
    dbstype* r = dbs->Get_aktel();
    ASSERT_EQ(r, rec);
    // The point at height 0 has no height: z runs 45..50.
    EXPECT_EQ(r->x, 1);
    EXPECT_EQ(r->y, 1);
    EXPECT_EQ(r->z, 45);
    EXPECT_EQ(r->dx, 2);
    EXPECT_EQ(r->dy, 2);
    EXPECT_EQ(r->dz, 5);
    EXPECT_EQ(r->xyz2[0], 10.25);
    EXPECT_EQ(r->xyz2[1], 20.5);
    EXPECT_EQ(r->xyz2[2], 30.75);
    EXPECT_EQ(r->kod, 44); // low byte of 300
    EXPECT_EQ(r->reftyp, 1);
    EXPECT_EQ(std::string(r->text, sizeof r->text), std::string("tunnel1") + std::string(12, '\0'));
    EXPECT_STREQ(h.m_refid, "TUNNEL1");
    EXPECT_EQ(r->flagg, 0x11);
    EXPECT_EQ(r->typ, 2);
    EXPECT_STREQ(r->id, "HÄLL1");
    EXPECT_EQ(image(slotOnDisk(r)), image(*r));
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(HellarTest, ExtentWithoutHeights) {
    dbstype* rec = add(2, "H2");
    writeBytes(lad("H2"), "x\n*\n1\n2\n3\n4\n5\n\n\n*\n0 0 0\n10 5 0\n4 8 0\n");
    CHellar h(proj.get(), "H2");
    ASSERT_EQ(h.Init(), 0);
    ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
    dbstype d = slotOnDisk(rec);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.z, 0);
    EXPECT_EQ(d.dx, 10);
    EXPECT_EQ(d.dy, 8);
    EXPECT_EQ(d.dz, 0);
    EXPECT_EQ(d.xyz2[0], 3);
    EXPECT_EQ(d.xyz2[1], 0);
    EXPECT_EQ(d.kod, 5);
}

TEST_F(HellarTest, ReferenceGoesToAnAlignmentWhenNoTunnelHasTheId) {
    add(1, "T9");
    add(6, "VÄG1");
    dbstype* rec = add(2, "H3");
    writeBytes(lad("H3"), "\n1\n2\n3\n4\n5\nväg1\n*\n1 2 3\n");
    CHellar h(proj.get(), "H3");
    ASSERT_EQ(h.Init(), 0);
    ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
    EXPECT_EQ(dbs->Get_aktel(), rec);
    EXPECT_EQ(rec->reftyp, 6);
    EXPECT_STREQ(rec->text, "väg1");
    EXPECT_STREQ(h.m_refid, "VÄG1");
    EXPECT_EQ(image(slotOnDisk(rec)), image(*rec));

    // An id that names nothing gives -1.
    writeBytes(lad("H3"), "\n1\n2\n3\n4\n5\nT10\n*\n1 2 3\n");
    CHellar g(proj.get(), "H3");
    ASSERT_EQ(g.Init(), 0);
    ASSERT_EQ(g.SaveToDbs(dbs.get()), 0);
    EXPECT_EQ(dbs->Get_aktel(), rec);
    EXPECT_EQ(rec->reftyp, -1);
    EXPECT_STREQ(rec->text, "T10");
    EXPECT_EQ(slotOnDisk(rec).reftyp, -1);
}

TEST_F(HellarTest, BlankOrEmptyReferenceLeavesTextAndReftyp) {
    add(1, "T1");
    dbstype* rec = add(2, "H4");
    for (const char* line6 : {" T1", ""}) {
        std::strcpy(rec->text, "gammal");
        rec->reftyp = 6;
        writeBytes(lad("H4"), std::string("\n1\n2\n3\n4\n5\n") + line6 + "\nsju\n*\n1 2 3\n");
        CHellar h(proj.get(), "H4");
        ASSERT_EQ(h.Init(), 0);
        EXPECT_STREQ(h.m_text, "sju");
        ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
        EXPECT_STREQ(rec->text, "gammal") << line6;
        EXPECT_EQ(rec->reftyp, 6) << line6;
        EXPECT_EQ(rec->x, 1);
        EXPECT_STREQ(slotOnDisk(rec).text, "gammal");
    }
}

// Each lead block ends at its last line; the next line is head line 1.
class HellarLeadTest : public HellarTest, public testing::WithParamInterface<const char*> {};

TEST_P(HellarLeadTest, NextLineIsHeadLineOne) {
    writeBytes(lad("L1"), std::string("lead a\nlead b\n") + GetParam() +
                              "\nhead 1\n2 3 4\n5 6 7\n*\n8 9 10 K\n");
    CHellar h(proj.get(), "L1");
    ASSERT_EQ(h.Init(), 0);
    EXPECT_EQ(h.m_rad2[0], 2);
    EXPECT_EQ(h.m_rad3[2], 7);
    CHkolista* k = points(h);
    ASSERT_EQ(count(k), 1);
    EXPECT_EQ(at(k, 1)->x, 8);
    EXPECT_STREQ(at(k, 1)->kod, "K");
}

INSTANTIATE_TEST_SUITE_P(LeadEnds, HellarLeadTest,
                         testing::Values("", "*", "**", " *", "x*yz", "*slut"));

TEST_F(HellarTest, PointsAreNeverDropped) {
    writeBytes(lad("P1"), "\n\n\n\n\n\n\n*\n"
                          "100.0 200.0 30.5 ABCDE\n"
                          "100.0 200.0 30.5\n"
                          "100.0\n"
                          "abc\n"
                          "1 2 3 " +
                              std::string(5000, 'Q') +
                              "\n"
                              "\n"
                              "7 7 7 after-the-end\n");
    CHellar h(proj.get(), "P1");
    ASSERT_EQ(h.Init(), 0);
    CHkolista* k = points(h);
    ASSERT_EQ(count(k), 5);
    kokotype* p = at(k, 1);
    EXPECT_EQ(p->x, 100);
    EXPECT_EQ(p->y, 200);
    EXPECT_EQ(p->z, 30.5);
    EXPECT_EQ(std::string(p->kod, 8), std::string("ABC\0\0\0\0\0", 8));
    EXPECT_STREQ(at(k, 2)->kod, "");
    EXPECT_EQ(at(k, 2)->z, 30.5);
    p = at(k, 3);
    EXPECT_EQ(p->x, 100);
    EXPECT_EQ(p->y, 0);
    EXPECT_EQ(p->z, 0);
    p = at(k, 4);
    EXPECT_EQ(p->x, 0);
    EXPECT_STREQ(p->kod, "");
    EXPECT_EQ(std::string(at(k, 5)->kod, 8), std::string("QQQ\0\0\0\0\0", 8));
}

TEST_F(HellarTest, OverlongHeadLinesAreCutToTheirFields) {
    writeBytes(lad("O1"), std::string(10000, 'L') + "\n*\n" + std::string(10000, 'H') +
                              "\n"
                              "1 2 3 " +
                              std::string(3000, '4') +
                              "\n"
                              "\n"
                              "9.5 1 2 " +
                              std::string(3000, 'x') +
                              "\n"
                              "5 6 7 8 9 10\n"
                              "ABCDEFGHIJKLMNOPQRST\n" +
                              std::string(10000, 'T') + "\n" + std::string(10000, '8') +
                              "\n*\n1 1 1 P\n");
    CHellar h(proj.get(), "O1");
    ASSERT_EQ(h.Init(), 0);
    EXPECT_EQ(h.m_rad2[0], 1);
    EXPECT_EQ(h.m_rad2[1], 2);
    EXPECT_EQ(h.m_rad2[2], 3);
    // The empty head line 3 leaves its fields as they were.
    EXPECT_EQ(h.m_rad3[0], 0);
    EXPECT_EQ(h.m_rad4tal, 9.5);
    EXPECT_EQ(h.m_heltal[3], 1);
    EXPECT_EQ(h.m_heltal[4], 2);
    EXPECT_EQ(h.m_heltal[0], 5);
    EXPECT_EQ(h.m_heltal[5], 8);
    EXPECT_EQ(std::string(h.m_refid, 16), std::string("ABCDEFGHIJKLMNO") + '\0');
    EXPECT_EQ(std::string(h.m_text, 11), std::string(10, 'T') + '\0');
    EXPECT_STREQ(h.m_namn, "O1");
    CHkolista* k = points(h);
    ASSERT_EQ(count(k), 1);
    EXPECT_STREQ(at(k, 1)->kod, "P");
}

TEST_F(HellarTest, MissingFileLeavesOneEmptyOutcropThatRegistersAZeroExtent) {
    dbstype* rec = add(2, "M1");
    rec->x = 3;
    rec->dz = 4;
    std::strcpy(rec->text, "kvar");
    CHellar h(proj.get(), "M1");
    EXPECT_EQ(h.Init(), -1);
    ASSERT_EQ(count(h), 1);
    EXPECT_EQ(points(h), nullptr);
    EXPECT_TRUE(ui.events.empty());
    ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
    dbstype d = slotOnDisk(rec);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.z, 0);
    EXPECT_EQ(d.dx, 0);
    EXPECT_EQ(d.dy, 0);
    EXPECT_EQ(d.dz, 0);
    EXPECT_STREQ(d.text, "kvar");
}

TEST_F(HellarTest, ReadErrorLeavesTheOutcropEmpty) {
    writeBytes(lad("R1"), "\n1\n2 2 2\n3 3 3\n*\n1 1 1 A\n");
    CHellar h(proj.get(), "R1");
    {
        platform::FaultScope scope;
        platform::FaultInjector::failNth(platform::FileOp::Read, 1, true);
        EXPECT_EQ(h.Init(), -1);
    }
    ASSERT_EQ(count(h), 1);
    EXPECT_EQ(points(h), nullptr);
    EXPECT_EQ(h.m_rad2[0], 0);
    EXPECT_EQ(h.m_rad3[0], 0);
}

TEST_F(HellarTest, WithoutAnOutcropSaveToDbsRefusesAndChangesNothing) {
    dbstype* rec = add(2, "E1");
    rec->x = 12;
    ASSERT_EQ(dbs->Uppdat(0), 0);
    const dbstype before = *rec;
    const std::string file = readBytes(dbsFile());
    CHellar h(proj.get(), "E1");
    EXPECT_EQ(h.SaveToDbs(dbs.get()), -1);
    EXPECT_EQ(image(*rec), image(before));
    EXPECT_EQ(readBytes(dbsFile()), file);

    // Nor without a database or a current record in it.
    writeBytes(lad("E1"), "\n\n\n*\n1 1 1\n");
    ASSERT_EQ(h.Init(), 0);
    EXPECT_EQ(h.SaveToDbs(nullptr), -1);
    CHarnDbs empty(proj.get(), nullptr);
    EXPECT_EQ(h.SaveToDbs(&empty), -1);
    EXPECT_EQ(readBytes(dbsFile()), file);
}

TEST_F(HellarTest, SecondInitAppendsAnotherOutcropAndTheFirstOneIsSaved) {
    dbstype* rec = add(2, "D1");
    writeBytes(lad("D1"), "\nh1\nr2\n1 1 1\n*\n1 1 0\n2 3 0\n");
    CHellar h(proj.get(), "D1");
    ASSERT_EQ(h.Init(), 0);
    writeBytes(lad("D1"), "\nh1\nr2\n9 9 9\n*\n100 100 100\n");
    ASSERT_EQ(h.Init(), 0);
    ASSERT_EQ(count(h), 2);
    h.End();
    EXPECT_EQ(count(h.Get_aktel()->pPunkter), 1);
    ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
    EXPECT_EQ(rec->x, 1);
    EXPECT_EQ(rec->dx, 1);
    EXPECT_EQ(rec->dy, 2);
    EXPECT_EQ(rec->xyz2[0], 9); // the head values are those read last
}

TEST_F(HellarTest, HkolistaIsAPlainPointList) {
    CHkolista k;
    EXPECT_EQ(k.Home(), -1);
    kokotype p{1, 2, 3, {'A', 'B', 0}};
    k.Ny(1, &p);
    k.Ny(1, nullptr);
    EXPECT_EQ(count(&k), 2);
    EXPECT_STREQ(at(&k, 1)->kod, "AB");
    EXPECT_EQ(at(&k, 2)->x, 0);
    EXPECT_THROW(CHkolista copy(k), const char*);
}

} // namespace
