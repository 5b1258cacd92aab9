#include "mapping/CHellar.h"

#include "platform/FaultInjection.h"
#include "tests/mapping/LinjeDataFixture.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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
    // The members and the points of the first outcrop as one text; checks on the way that
    // no text runs past its field.
    static std::string describe(CHellar& h) {
        char buf[256];
        std::snprintf(buf, sizeof buf, "%g %g %g|%g %g %g|%g|%d %d %d %d %d %d|[%s]|[%s]|",
                      h.m_rad2[0], h.m_rad2[1], h.m_rad2[2], h.m_rad3[0], h.m_rad3[1], h.m_rad3[2],
                      h.m_rad4tal, h.m_heltal[0], h.m_heltal[1], h.m_heltal[2], h.m_heltal[3],
                      h.m_heltal[4], h.m_heltal[5], h.m_refid, h.m_text);
        std::string s = buf;
        EXPECT_TRUE(h.m_refid[15] == 0 && h.m_text[10] == 0);
        EXPECT_EQ(h.Home(), 0);
        CHkolista* k = h.Get_aktel()->pPunkter;
        if (!k)
            return s + "null";
        if (k->Home() == 0) {
            do {
                const kokotype* p = k->Get_aktel();
                EXPECT_EQ(std::string(p->kod + 3, 5), std::string(5, '\0'));
                std::snprintf(buf, sizeof buf, "(%g %g %g %s)", p->x, p->y, p->z, p->kod);
                s += buf;
            } while ((*k)++);
        }
        return s;
    }
};

TEST_F(HellarTest, ReadsLeadHeadAndPointBlocks) {
    const std::string head = "head 1\n2 3 4\n5 6 7\n*\n8 9 10 K\n";
    const std::string headSeen = "2 3 4|5 6 7|0|0 0 0 0 0 0|[]|[]|(8 9 10 K)";
    std::vector<std::pair<std::string, std::string>> cases = {
        {testing_support::crlf("Hällkartering\nprojekt 7\n*\nHÄLL 1\n1.5 2.5 3.5\n"
                               "10.25 20.5 30.75\n4.5 7 8\n300 11 12 13\ntunnel1\n"
                               "Beskrivning av hällen\nrad 8 läses inte\n*\n"
                               "1 1 50 ABCDE\n2 2 0 X\n3 3 45\n"),
         "1.5 2.5 3.5|10.25 20.5 30.75|4.5|300 11 12 7 8 13|[tunnel1]|[Beskrivnin]|"
         "(1 1 50 ABC)(2 2 0 X)(3 3 45 )"},
        // A point is never dropped: what converts stays, the code only with all four
        // fields; a zero byte does not join two lines; an empty line ends the block.
        {std::string("\n\n\n\n\n\n\n*\n100.0 200.0 30.5 ABCDE\n100.0 200.0 30.5\n100.0\nabc\n"
                     "1 2 3 ") +
             std::string(5000, 'Q') + "\n4 5 6 nu" + std::string(1, '\0') +
             "ll\n7 8 9 Z\n\n7 7 7 after-the-end\n",
         "0 0 0|0 0 0|0|0 0 0 0 0 0|[]|[]|(100 200 30.5 ABC)(100 200 30.5 )(100 0 0 )(0 0 0 )"
         "(1 2 3 QQQ)(4 5 6 nu)(7 8 9 Z)"},
        // Overlong head lines are cut; an empty head line counts and leaves its fields.
        {std::string(10000, 'L') + "\n*\n" + std::string(10000, 'H') + "\n1 2 3 " +
             std::string(3000, '4') + "\n\n9.5 1 2 " + std::string(3000, 'x') +
             "\n5 6 7 8 9 10\nABCDEFGHIJKLMNOPQRST\n" + std::string(10000, 'T') + "\n" +
             std::string(10000, '8') + "\n*\n1 1 1 P\n",
         "1 2 3|0 0 0|9.5|5 6 7 1 2 8|[ABCDEFGHIJKLMNO]|[TTTTTTTTTT]|(1 1 1 P)"},
        // A head without its closing "*" has no points.
        {"\nh\n1 2 3\n", "1 2 3|0 0 0|0|0 0 0 0 0 0|[]|[]|null"},
    };
    // Each of these lines ends the lead block; the next line is head line 1.
    for (const char* end : {"", "*", "**", " *", "x*yz", "*slut"})
        cases.push_back({std::string("lead a\nlead b\n") + end + "\n" + head, headSeen});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first.substr(0, 30));
        writeBytes(lad("L1"), c.first);
        CHellar h(proj.get(), "L1");
        ASSERT_EQ(h.Init(), 0);
        EXPECT_EQ(count(h), 1);
        EXPECT_EQ(describe(h), c.second);
    }
}

// SaveToDbs: extent (z of exactly 0 left out), xyz2, kod, and the reference looked up as a
// tunnel, then as an alignment; a reference that is empty or begins with a blank leaves
// `text` and `reftyp`.
TEST_F(HellarTest, SaveToDbsWritesExtentHeadValuesAndReference) {
    const struct {
        const char* file; // null: no file
        double ext[6], xyz2[3];
        int kod, reftyp;
        const char *text, *refid;
    } cases[] = {
        {"\n1\n0 0 0\n10.25 20.5 30.75\n4 5 6\n300 1 2 3\ntunnel1\n*\n1 1 50 A\n2 2 0\n3 3 45\n",
         {1, 1, 45, 2, 2, 5},
         {10.25, 20.5, 30.75},
         44,
         1,
         "tunnel1",
         "TUNNEL1"},
        {"x\n*\n1\n2\n3 0 0\n4\n5\n\n\n*\n0 0 0\n10 5 0\n4 8 0\n",
         {0, 0, 0, 10, 8, 0},
         {3, 0, 0},
         5,
         9,
         "gammal",
         ""},
        {"\n1\n2\n3\n4\n5\nväg1\n*\n1 2 3\n", {1, 2, 3, 0, 0, 0}, {3, 0, 0}, 5, 6, "väg1", "VÄG1"},
        {"\n1\n2\n3\n4\n5\nT10\n*\n1 2 3\n", {1, 2, 3, 0, 0, 0}, {3, 0, 0}, 5, -1, "T10", "T10"},
        {"\n1\n2\n3\n4\n5\n TUNNEL1\n*\n-1 -2 -3\n",
         {-1, -2, -3, 0, 0, 0},
         {3, 0, 0},
         5,
         9,
         "gammal",
         " TUNNEL1"},
        {"\n1\n2\n3\n4\n5\n\n*\n", {0, 0, 0, 0, 0, 0}, {3, 0, 0}, 5, 9, "gammal", ""},
        {nullptr, {0, 0, 0, 0, 0, 0}, {0, 0, 0}, 0, 9, "gammal", ""},
    };
    add(1, "TUNNEL1");
    add(6, "VÄG1");
    dbstype* rec = add(2, "H1");
    rec->flagg = 0x11;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "no file");
        std::memset(rec->text, 0, sizeof rec->text);
        std::strcpy(rec->text, "gammal");
        rec->reftyp = 9;
        rec->x = rec->y = rec->z = rec->dx = rec->dy = rec->dz = 7;
        std::remove(lad(rec->filnamn).c_str());
        if (c.file)
            writeBytes(lad(rec->filnamn), c.file);
        CHellar h(proj.get(), rec->filnamn);
        ASSERT_EQ(h.Init(), c.file ? 0 : -1);
        dbstype want = *rec;
        want.x = c.ext[0], want.y = c.ext[1], want.z = c.ext[2];
        want.dx = c.ext[3], want.dy = c.ext[4], want.dz = c.ext[5];
        std::memcpy(want.xyz2, c.xyz2, sizeof want.xyz2);
        want.kod = static_cast<uint8_t>(c.kod);
        want.reftyp = static_cast<int8_t>(c.reftyp);
        std::memset(want.text, 0, sizeof want.text);
        std::strcpy(want.text, c.text);
        ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
        EXPECT_EQ(dbs->Get_aktel(), rec);
        EXPECT_EQ(image(*rec), image(want));
        EXPECT_EQ(slotOnDisk(rec), image(want));
        EXPECT_STREQ(h.m_refid, c.refid);
    }
    EXPECT_TRUE(ui.events.empty());
}

// Without an outcrop, a database or a current record, SaveToDbs refuses and writes nothing.
TEST_F(HellarTest, SaveToDbsWithoutAnOutcropRefuses) {
    dbstype* rec = add(2, "E1");
    const dbstype before = *rec;
    const std::string file = readBytes(dbsFile());
    CHellar h(proj.get(), "E1");
    EXPECT_EQ(h.SaveToDbs(dbs.get()), -1);
    writeBytes(lad("E1"), "\n\n\n*\n1 1 1\n");
    ASSERT_EQ(h.Init(), 0);
    EXPECT_EQ(h.SaveToDbs(nullptr), -1);
    CHarnDbs empty(proj.get(), nullptr);
    EXPECT_EQ(h.SaveToDbs(&empty), -1);
    EXPECT_EQ(image(*rec), image(before));
    EXPECT_EQ(readBytes(dbsFile()), file);
}

// A second Init appends an outcrop; SaveToDbs takes the points of the first one.
TEST_F(HellarTest, SecondInitAppendsAndTheFirstOutcropIsSaved) {
    dbstype* rec = add(2, "D1");
    writeBytes(lad("D1"), "\nh1\nr2\n1 1 1\n*\n1 1 0\n2 3 0\n");
    CHellar h(proj.get(), "D1");
    ASSERT_EQ(h.Init(), 0);
    writeBytes(lad("D1"), "\nh1\nr2\n9 9 9\n*\n100 100 100\n");
    ASSERT_EQ(h.Init(), 0);
    ASSERT_EQ(count(h), 2);
    ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
    EXPECT_EQ(rec->x, 1);
    EXPECT_EQ(rec->dx, 1);
    EXPECT_EQ(rec->dy, 2);
    EXPECT_EQ(rec->xyz2[0], 9); // the head values are those read last
}

// A missing file or a read error: -1 silently, one empty outcrop in the list.
TEST_F(HellarTest, FileThatCannotBeReadLeavesOneEmptyOutcrop) {
    writeBytes(lad("R1"), "\n1\n2 2 2\n3 3 3\n*\n1 1 1 A\n");
    for (const char* name : {"NONE", "R1"}) {
        CHellar h(proj.get(), name);
        platform::FaultScope scope;
        platform::FaultInjector::failNth(platform::FileOp::Read, 1, true);
        EXPECT_EQ(h.Init(), -1);
        EXPECT_EQ(count(h), 1);
        EXPECT_EQ(describe(h), "0 0 0|0 0 0|0|0 0 0 0 0 0|[]|[]|null");
    }
    EXPECT_TRUE(ui.events.empty());
    CHellar n(proj.get(), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(std::string(n.Sokvag()), std::string(proj->ProjKat()) + "\\HARNDB\\ABCDEFGHIJK.LAD");
    EXPECT_THROW(CHellar copy(n), const char*);
}

} // namespace
