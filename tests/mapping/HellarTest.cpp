#include "mapping/CHellar.h"

#include "platform/Cp1252Literal.h"
#include "platform/FaultInjection.h"
#include "tests/mapping/MappingFixture.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

using mapping_test::count;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

class HellarTest : public mapping_test::MappingProject {
protected:
    std::string lad(const std::string& name) const { return dataFile(name + ".LAD"); }
    // The members and the points of the first outcrop, as the case files give them.
    static std::string describe(CHellar& h) {
        char buf[256];
        std::snprintf(buf, sizeof buf, "%g %g %g|%g %g %g|%g|%d %d %d %d %d %d|[%s]|[%s]|",
                      h.m_rad2[0], h.m_rad2[1], h.m_rad2[2], h.m_rad3[0], h.m_rad3[1], h.m_rad3[2],
                      h.m_rad4tal, h.m_heltal[0], h.m_heltal[1], h.m_heltal[2], h.m_heltal[3],
                      h.m_heltal[4], h.m_heltal[5], h.m_refid, h.m_text);
        std::string s = buf;
        EXPECT_EQ(h.Home(), 0);
        CHkolista* k = h.Get_aktel()->pPunkter;
        if (!k)
            return s + "null";
        if (k->Home() == 0)
            do {
                const kokotype* p = k->Get_aktel();
                std::snprintf(buf, sizeof buf, "(%g %g %g %s)", p->x, p->y, p->z, p->kod);
                s += buf;
            } while ((*k)++);
        return s;
    }
};

// The cases of tests/data/mapping/OutcropReading.txt.
TEST_F(HellarTest, ReadsLeadHeadAndPointBlocks) {
    for (const auto& c : mapping_test::cases("OutcropReading.txt")) {
        SCOPED_TRACE(c.name);
        writeBytes(lad("L1"), c.parts[0]);
        CHellar h(proj.get(), "L1");
        ASSERT_EQ(h.Init(), 0);
        EXPECT_EQ(count(h), 1);
        EXPECT_EQ(describe(h) + "\n", c.parts.at(1));
    }
}

// SaveToDbs: the cases of tests/data/mapping/OutcropSave.txt. The reference is looked up as
// a tunnel, then as an alignment; every other field of the record stays.
TEST_F(HellarTest, SaveToDbsWritesExtentHeadValuesAndReference) {
    add(1, "TUNNEL1");
    add(6, "VÄG1"_cp);
    dbstype* rec = add(2, "H1");
    rec->flagg = 0x11, rec->reftyp = 9;
    std::strcpy(rec->text, "gammal");
    rec->x = rec->y = rec->z = rec->dx = rec->dy = rec->dz = 7;
    const dbstype before = *rec;
    for (const auto& c : mapping_test::cases("OutcropSave.txt")) {
        SCOPED_TRACE(c.name);
        *rec = before;
        std::remove(lad(rec->filnamn).c_str());
        if (!c.parts[0].empty())
            writeBytes(lad(rec->filnamn), c.parts[0]);
        CHellar h(proj.get(), rec->filnamn);
        ASSERT_EQ(h.Init(), c.parts[0].empty() ? -1 : 0);
        ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
        EXPECT_EQ(dbs->Get_aktel(), rec);
        char got[200];
        std::snprintf(got, sizeof got, "%g %g %g %g %g %g|%g %g %g|%d|%d|%s|%s\n", rec->x, rec->y,
                      rec->z, rec->dx, rec->dy, rec->dz, rec->xyz2[0], rec->xyz2[1], rec->xyz2[2],
                      rec->kod, rec->reftyp, rec->text, h.m_refid);
        EXPECT_EQ(got, c.parts.at(1));
        // The fields above from the record, all else as it was; the text padded with zeros.
        dbstype want = before;
        std::memcpy(&want.x, &rec->x, offsetof(dbstype, id) - offsetof(dbstype, x));
        want.kod = rec->kod, want.reftyp = rec->reftyp;
        std::strncpy(want.text, rec->text, sizeof want.text);
        EXPECT_EQ(image(*rec), image(want));
        EXPECT_EQ(slotOnDisk(rec), image(want));
    }
    EXPECT_TRUE(ui.events.empty());
}

// Without an outcrop, a database or a current record, SaveToDbs refuses and writes nothing.
// A second Init appends an outcrop; SaveToDbs takes the points of the first one.
TEST_F(HellarTest, SaveToDbsRefusesWithoutAnOutcropAndTakesTheFirst) {
    dbstype* rec = add(2, "D1");
    const std::string before = image(*rec), file = readBytes(dbsFile());
    CHellar h(proj.get(), "D1");
    EXPECT_EQ(h.SaveToDbs(dbs.get()), -1);
    writeBytes(lad("D1"), "\nh1\nr2\n1 1 1\n*\n1 1 0\n2 3 0\n");
    ASSERT_EQ(h.Init(), 0);
    CHarnDbs empty(proj.get(), nullptr);
    EXPECT_TRUE(h.SaveToDbs(nullptr) == -1 && h.SaveToDbs(&empty) == -1);
    EXPECT_EQ(image(*rec), before);
    EXPECT_EQ(readBytes(dbsFile()), file);

    writeBytes(lad("D1"), "\nh1\nr2\n9 9 9\n*\n100 100 100\n");
    ASSERT_EQ(h.Init(), 0);
    ASSERT_EQ(count(h), 2);
    ASSERT_EQ(h.SaveToDbs(dbs.get()), 0);
    // The extent of the first outcrop; the head values are those read last.
    EXPECT_TRUE(rec->x == 1 && rec->dx == 1 && rec->dy == 2 && rec->xyz2[0] == 9);
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
