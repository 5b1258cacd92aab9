// Updating the project database: appending and rewriting records, the head's counters and
// extent, the change marker, deleting with the data files, the extent recomputation, the
// full rewrite, the point file and the alignment list.
#include "tests/database/DbsFixtures.h"

#include "platform/Cp1252Literal.h"
#include "platform/FaultInjection.h"

#include <sstream>
#include <unistd.h>

using namespace dbs_test;
using platform::FaultInjector;
using platform::FileOp;
using testing_support::crlf;

namespace {

class UppdatTest : public DbsTest {
protected:
    void SetUp() override {
        DbsTest::SetUp();
        create();
        d = open(0);
    }
    std::string marker() const { return root + "/TMPPROG.PB$"; }
    std::unique_ptr<TestDbs> d;
};

// tests/data/database/extent.txt: records appended in order, "typ id x y z dx dy dz" and the
// head in the file after it as summary() gives it.
TEST_F(UppdatTest, ExtentRuleAndCounters) {
    std::istringstream steps(dataOf("extent.txt"));
    std::string slots, id, want;
    for (int typ; steps >> typ >> id;) {
        dbstype r = record(typ, id.c_str(), id.c_str());
        steps >> r.x >> r.y >> r.z >> r.dx >> r.dy >> r.dz >> std::ws;
        std::getline(steps, want);
        add(*d, {r});
        EXPECT_EQ(fileHead(), want) << id;
        slots += bytesOf(r);
    }
    // The slots from 600 on in order, the head as in memory, nothing else.
    EXPECT_EQ(readBytes(dbsFile()), bytesOf(d->m_hd) + std::string(276, '\0') + slots);
    EXPECT_EQ(d->ids(), "B1@600 B2@724 V@848 T1@972 T2@1096 Q@1220");
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_EQ(events(), "");
}

TEST_F(UppdatTest, OpsDecideWhetherTheHeadIsWritten) {
    // A list of one element takes that element's box and always writes the head.
    d->m_hd.xmin = -100, d->m_hd.zmax = 100;
    add(*d, {record(3, "B1", "B1", 0, 0, 0, 10, 10, 10)});
    std::strcpy(d->m_hd.text3, "one");
    ASSERT_EQ(d->Uppdat(0), 0);
    EXPECT_STREQ(fileHd().text3, "one");
    EXPECT_EQ(fileHead(), "antal=1 hal=0 slut=724 typ=001000000 x=0:10 y=0:10 z=0:10");
    add(*d, {record(3, "B2", "B2", 1, 1, 1, 1, 1, 1)});
    const std::string head = readBytes(dbsFile()).substr(0, 324);
    std::strcpy(d->m_hd.text1, "mem");
    d->cur()->kod = 7;
    ASSERT_EQ(d->Uppdat(0), 0); // inside the extent: only the slot
    EXPECT_EQ(readBytes(dbsFile()).substr(0, 324), head);
    EXPECT_EQ(fileSlot(724).kod, 7);
    ASSERT_EQ(d->Uppdat(1), 0);
    EXPECT_STREQ(fileHd().text1, "mem");
    d->cur()->kod = 9;
    std::strcpy(d->m_hd.text2, "two");
    ASSERT_EQ(d->Uppdat(2), 0); // only the head
    EXPECT_STREQ(fileHd().text2, "two");
    EXPECT_EQ(fileSlot(724).kod, 7);
}

// A lock file of another program makes Uppdat give up after about one second and stays.
TEST_F(UppdatTest, RefusalsWriteNothing) {
    const std::string path = win("HARNPLAN.DBS");
    struct Case {
        int mode;
        bool addRecord, lock, removeDbs;
        int op, result;
        std::string events;
    } cases[] = {
        {1, true, false, false, 0, -3,
         box(kUpp, "Kan ej öppna databas : "_cp + path + "\nBehörighet: Read only !"_cp)},
        {1, true, false, false, 3, 0, ""}, // op 3 widens in memory only
        {0, true, true, false, 0, -3, box(kUpp, "Kan ej öppna databas: "_cp + path)},
        {0, false, false, false, 0, -1, ""}, // no current record
        {0, true, false, true, 1, -3, box(kUpp, "Kan ej öppna databas: "_cp + path)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.events + std::to_string(c.op));
        ui.clear();
        auto db = open(c.mode);
        dbstype r = record(3, "B1", "B1", 1, 2, 3, 1, 1, 1);
        if (c.addRecord)
            db->Ny(1, &r);
        if (c.lock)
            writeBytes(lockFile(), "");
        if (c.removeDbs)
            ::unlink(dbsFile().c_str());
        const std::string before = readBytes(dbsFile());
        const double waited = seconds([&] { EXPECT_EQ(db->Uppdat(c.op), c.result); });
        EXPECT_TRUE(c.lock ? waited >= 0.9 && waited < 3.0 : waited < 0.5) << waited;
        EXPECT_EQ(events(), c.events);
        EXPECT_EQ(readBytes(dbsFile()), before);
        EXPECT_EQ(exists(dbsFile()), !c.removeDbs);
        EXPECT_EQ(exists(lockFile()), c.lock);
        EXPECT_FALSE(exists(marker()));
        EXPECT_EQ(c.addRecord ? db->cur()->filpos : 0, 0);
        EXPECT_EQ(db->m_hd.xmin, c.op == 3 ? 1 : DBL_MAX);
        ::unlink(lockFile().c_str());
    }
}

TEST_F(UppdatTest, ChangeMarkerHoldsTheSettingsDateOrItsPathAndIsKept) {
    add(*d, {record(3, "B1", "B1")});
    EXPECT_EQ(readBytes(marker()), "2026-03-04\r\n");
    ini.SetDatum("1999-12-31");
    add(*d, {record(3, "B2", "B2")});
    EXPECT_EQ(readBytes(marker()), "2026-03-04\r\n");
    ::unlink(marker().c_str());
    TestDbs bare(proj.get(), nullptr);
    ASSERT_EQ(bare.Init(0, 0, nullptr, nullptr), 0);
    add(bare, {record(3, "B3", "B3")});
    EXPECT_EQ(readBytes(marker()), win("TMPPROG.PB$") + "\r\n");
}

TEST_F(UppdatTest, DiskErrorDuringAWriteLeavesNoLockBehind) {
    dbstype r = record(3, "B1", "B1");
    d->Ny(1, &r);
    FaultInjector::failNth(FileOp::Write, 1, true);
    EXPECT_THROW(d->Uppdat(0), CFileException);
    FaultInjector::reset();
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_EQ(d->Uppdat(0), 0);
    EXPECT_EQ(fileHd().antal, 1);
}

// ---- deleting ----

TEST_F(UppdatTest, DeleteFreesTheSlotAndTheNextInitPacks) {
    add(*d, {record(3, "B1", "B1", 1, 1, 1), record(5, "L1", "L1", 2, 2, 2),
             record(2, "H1", "H1", 3, 3, 3)});
    char h1[16] = "H1", b1[16] = "B1";
    ASSERT_EQ(d->Findid(2, h1), 0);
    EXPECT_EQ(d->Delete(), 0); // the last slot: slut goes down; the extent is not narrowed
    EXPECT_EQ(fileHead(), "antal=2 hal=0 slut=848 typ=001010000 x=1:3 y=1:3 z=1:3");
    EXPECT_EQ(fileSlot(848).typ + fileSlot(848).id[0], 0);
    EXPECT_STREQ(d->cur()->id, "L1");
    ASSERT_EQ(d->Findid(3, b1), 0);
    EXPECT_EQ(d->Delete(), 0); // another slot: hal goes up
    EXPECT_EQ(fileHead(), "antal=1 hal=1 slut=848 typ=000010000 x=1:3 y=1:3 z=1:3");
    EXPECT_EQ(fileSlot(600).typ + fileSlot(600).id[0], 0);
    const std::string file = readBytes(dbsFile());
    EXPECT_EQ(d->ids(), "L1@724");
    dbstype fresh = record(3, "NY", "NY");
    d->Ny(1, &fresh);
    EXPECT_EQ(d->Delete(), 0); // never written: only taken from the list
    d->Home();
    EXPECT_EQ(d->DeletePost(), -1); // the list only; empty afterwards
    EXPECT_EQ(readBytes(dbsFile()), file);

    EXPECT_EQ(open(0)->ids(), "L1@600");
    EXPECT_EQ(fileHead(), "antal=1 hal=0 slut=724 typ=000010000 x=1:3 y=1:3 z=1:3");
    EXPECT_EQ(events(), "");
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(UppdatTest, DeleteIdRemovesTheFilesOfEachType) {
    for (const char* n : {"T1.LAT", "T1.odb", "T1.Tko", "T1.LAF", "H1.LAD", "B1.SND", "B1.gvr",
                          "B2.snd", "B2.GVR", "L1.LJE", "VAG.VL", "VAG", "P1", "X7"})
        writeBytes(dataFile(n), "x");
    dbstype gvr = record(3, "B2", "B2");
    gvr.flagg = 0x20;
    for (const dbstype& r :
         {record(1, "T1", "T1"), record(2, "H1", "H1"), record(3, "B1", "B1"), gvr,
          record(5, "L1", "L1"), record(6, "VAG.VL", "VAG"), record(4, "P1", "P1")}) {
        add(*d, {r});
        EXPECT_EQ(d->DeleteId(), 0);
        EXPECT_EQ(d->count(), 0) << r.id;
    }
    EXPECT_EQ(testing_support::listNames(root + "/HARNDB"),
              (std::vector<std::string>{"B1.gvr", "B2.snd", "P1", "T1.LAF", "VAG", "X7"}));
    EXPECT_EQ(fileHd().antal, 0);
    add(*d, {record(7, "X7", "X7")}); // other types are left alone
    EXPECT_EQ(d->DeleteId(), 0);
    EXPECT_EQ(d->count() + fileHd().antal, 2);
    EXPECT_TRUE(exists(dataFile("X7")));
    EXPECT_EQ(events(), ""); // missing files are skipped silently
}

// ---- extent ----

TEST_F(UppdatTest, XyzRecomputesTheExtent) {
    EXPECT_EQ(d->XYZ(), 0); // an empty list
    EXPECT_EQ(fileHead(), "antal=0 hal=0 slut=600 typ=000000000 x=0:0 y=0:0 z=0:0");
    add(*d,
        {record(3, "B1", "B1", 0, 0, 5, 10, 10, 0), record(3, "B2", "B2", 100, 100, -7, 1, 1, 0),
         record(3, "B3", "B3", 50, 50, 2, 1, 1, 0)});
    d->Home();
    (*d)++;
    d->Set_mark();
    EXPECT_EQ(d->DeletePost(), 0); // B2 leaves the list only; the extent still has it
    EXPECT_EQ(d->m_hd.xmax, 101);
    d->Home();
    EXPECT_EQ(d->XYZ(), 0);
    EXPECT_EQ(fileHead(), "antal=3 hal=0 slut=972 typ=003000000 x=0:51 y=0:51 z=2:5");
    EXPECT_EQ(d->Where(nullptr), 2); // the last element is current
    EXPECT_EQ(d->Goto_mark(), 0);    // the mark stays on the element current before
    EXPECT_EQ(d->Where(nullptr), 1);
    while (d->Home() == 0 && d->DeletePost() == 0) {
    }
    add(*d, {record(6, "V1", "V1", 5, 5, 5, 1, 1, 1)});
    EXPECT_EQ(d->XYZ(), 0); // only alignments
    EXPECT_EQ(fileHead(), "antal=4 hal=0 slut=1096 typ=003001000 x=0:0 y=0:0 z=0:0");
    add(*d, {record(3, "N", "N", 1, 1, 5, 0, 0, -10)}); // z bounds crossed: both 0
    EXPECT_EQ(d->XYZ(), 0);
    EXPECT_EQ(fileHead(), "antal=5 hal=0 slut=1220 typ=004001000 x=1:1 y=1:1 z=0:0");
}

// ---- full rewrite ----

TEST_F(UppdatTest, TempfilSetsTheDatabaseAsideForARewriteOrRefuses) {
    add(*d, {record(3, "B1", "B1", 1, 1, 1), record(5, "L1", "L1", 2, 2, 2)});
    const std::string old = readBytes(dbsFile());
    ASSERT_EQ(d->Tempfil(0), 0);
    EXPECT_EQ(readBytes(root + "/temp.dbs"), old);
    EXPECT_EQ(readBytes(dbsFile()), old.substr(0, 324)); // the unchanged head only
    EXPECT_EQ(summary(d->m_hd), "antal=0 hal=0 slut=600 typ=000000000 x=1:2 y=1:2 z=1:2");
    EXPECT_FALSE(exists(lockFile()));
    for (bool last : {true, false}) { // rewritten in another order
        last ? d->End() : d->Home();
        d->cur()->filpos = 0;
        ASSERT_EQ(d->Uppdat(0), 0);
    }
    ASSERT_EQ(d->Tempfil(1), 0);
    EXPECT_FALSE(exists(root + "/temp.dbs"));
    EXPECT_EQ(fileHead(), "antal=2 hal=0 slut=848 typ=001010000 x=1:2 y=1:2 z=1:2");
    EXPECT_EQ(open(0)->ids(), "L1@600 B1@724");
    EXPECT_EQ(events(), "");

    // Refusals keep the database where it is: read only, locked, cannot be set aside.
    ui.setStatusLine(true);
    const std::string before = readBytes(dbsFile());
    EXPECT_EQ(open(1)->Tempfil(0), -3);
    writeBytes(lockFile(), "");
    EXPECT_EQ(d->Tempfil(0), -3);
    ::unlink(lockFile().c_str());
    FaultInjector::failNth(FileOp::Rename, 1);
    EXPECT_EQ(d->Tempfil(0), -3);
    FaultInjector::reset();
    const std::string status = "status: Kan ej öppna databas : "_cp + win("HARNPLAN.DBS") + "\n";
    EXPECT_EQ(events(), status + status + status);
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_EQ(d->m_hd.antal, 2);
    EXPECT_FALSE(exists(root + "/temp.dbs") || exists(lockFile()));
    EXPECT_EQ(d->Tempfil(7), 0);
}

// ---- point file ----

TEST_F(UppdatTest, SkrivAvpWritesEveryPoint) {
    const std::string pkt = root + "/Harnplan.PKT";
    EXPECT_EQ(d->SkrivAvp(), 0);
    EXPECT_EQ(readBytes(pkt), "*\r\n");
    dbstype p1 = record(4, "P1", "P1", 1.5, 2.25, -3);
    p1.xyz2[0] = 10, p1.xyz2[1] = 20.0006, p1.xyz2[2] = 1234.5678;
    p1.kod = 200;
    std::strcpy(p1.text, "Fixpunkt");
    add(*d, {p1, record(3, "B1", "B1", 1, 1, 1), record(4, "P2", "P2")});
    d->Home();
    EXPECT_EQ(d->SkrivAvp(), 0);
    EXPECT_EQ(readBytes(pkt), dataOf("Harnplan.PKT"));
    EXPECT_EQ(d->Where(nullptr), 3);
    ::unlink(pkt.c_str());
    testing_support::makeDirs(pkt);
    EXPECT_EQ(d->SkrivAvp(), -3);
    EXPECT_EQ(events(), box("Filöppning"_cp, "Fel: Hittar inte " + win("Harnplan.PKT")));
}

// ---- alignment list ----

class VagTest : public UppdatTest {
protected:
    std::string list() const { return dataFile("VAGLINJE.LIS"); }
    std::string entry(const char* id, const char* fil) const {
        char buf[512];
        std::snprintf(buf, sizeof buf, "%-15s %-8s %s\\HARNDB Kopierad av Orvandel\n", id, fil,
                      proj->ProjKat());
        return buf;
    }
};

TEST_F(VagTest, EntryIsWrittenOnceLastAndRemoved) {
    add(*d, {record(6, "VAG1.VL", "VAG1")});
    EXPECT_EQ(d->VagPaelUppdat(0), 0); // a missing list is created first
    EXPECT_EQ(readBytes(list()), crlf("*\n" + entry("VAG1.VL", "VAG1") + "*\n"));
    // Plain line ends are read; long lines are copied whole; lines after the second "*" go.
    const std::string longLine = "LANG " + std::string(400, 'x');
    writeBytes(list(), "Väglinjer\n*\nVAG1.VL x\n"_cp + longLine + "\n\n*\nefter\n");
    EXPECT_EQ(d->VagPaelUppdat(0), 0);
    EXPECT_EQ(d->VagPaelUppdat(0), 0);
    EXPECT_EQ(readBytes(list()),
              crlf("Väglinjer\n*\n"_cp + longLine + "\n\n" + entry("VAG1.VL", "VAG1") + "*\n"));
    EXPECT_EQ(d->VagPaelUppdat(1), 0);
    EXPECT_EQ(readBytes(list()), crlf("Väglinjer\n*\n"_cp + longLine + "\n\n*\n"));
    EXPECT_FALSE(exists(dataFile("Pbvl$.tmp")));
    EXPECT_EQ(events(), "");
}

TEST_F(VagTest, FileErrorsAreReportedAndTheListIsKept) {
    EXPECT_EQ(d->VagPaelUppdat(0), -1); // no current record
    add(*d, {record(6, "V", "V")});
    FaultInjector::failNth(FileOp::Open, 1); // the new list
    EXPECT_EQ(d->VagPaelUppdat(0), -1);
    EXPECT_FALSE(exists(list()));
    const std::string before = crlf("*\nA 1\n*\n");
    writeBytes(list(), before);
    for (int nth : {2, 1}) { // the temporary file, then the list
        FaultInjector::reset();
        FaultInjector::failNth(FileOp::Open, nth);
        EXPECT_EQ(d->VagPaelUppdat(0), -1);
    }
    EXPECT_EQ(readBytes(list()), before);
    EXPECT_EQ(events(), box(kApp, "Kan ej skapa väglinjefil : "_cp + win("HARNDB\\VAGLINJE.LIS")) +
                            box(kApp, "Kan ej temporär fil : "_cp + win("HARNDB\\Pbvl$.tmp")) +
                            box(kApp, "Kan ej öppna väglinje : "_cp + win("HARNDB\\VAGLINJE.LIS")));
    EXPECT_FALSE(exists(dataFile("Pbvl$.tmp")));
}

} // namespace
