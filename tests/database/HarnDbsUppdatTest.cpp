// Updating the project database: appending and rewriting records, the head's counters and
// extent, the change marker, deleting with the data files, the extent recomputation, the
// full rewrite, the point file and the alignment list.
#include "tests/database/DbsFixtures.h"

#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"

#include <chrono>

using namespace dbs_test;
using testing_support::crlf;
using testing_support::exists;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

const char* kUpp = "Uppdatering av Harnoplan - databas";

class UppdatTest : public DbsTest {
protected:
    void SetUp() override {
        DbsTest::SetUp();
        create();
        d = open(0);
    }
    std::unique_ptr<TestDbs> d;
};

TEST_F(UppdatTest, FirstRecordGoesToOffset600AndSetsTheHead) {
    add(*d, record(3, "B1", "B1", 10, 20, 30, 1, 2, 3));
    std::string file = readBytes(dbsFile());
    ASSERT_EQ(file.size(), 724u);
    EXPECT_EQ(file.substr(324, 276), std::string(276, '\0'));
    dbstype want = record(3, "B1", "B1", 10, 20, 30, 1, 2, 3);
    EXPECT_EQ(file.substr(600), bytesOf(want));
    dbshdtype h = headOf(file);
    EXPECT_EQ(h.slut, 724);
    EXPECT_EQ(h.antal, 1);
    EXPECT_EQ(h.typantal[2], 1);
    EXPECT_EQ(h.hal, 0);
    EXPECT_EQ(h.xmin, 10);
    EXPECT_EQ(h.xmax, 11);
    EXPECT_EQ(h.ymin, 20);
    EXPECT_EQ(h.ymax, 22);
    EXPECT_EQ(h.zmin, 30);
    EXPECT_EQ(h.zmax, 33);
    EXPECT_EQ(d->cur()->filpos, 600);
    EXPECT_EQ(bytesOf(d->m_hd), file.substr(0, 324));
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_TRUE(ui.events.empty());

    add(*d, record(5, "L1", "L1", 5, 25, 31, 1, 1, 1));
    file = readBytes(dbsFile());
    h = headOf(file);
    EXPECT_EQ(file.size(), 848u);
    EXPECT_EQ(h.slut, 848);
    EXPECT_EQ(h.antal, 2);
    EXPECT_EQ(h.typantal[4], 1);
    EXPECT_EQ(h.xmin, 5);
    EXPECT_EQ(h.xmax, 11);
    EXPECT_EQ(h.ymax, 26);
    EXPECT_EQ(h.zmin, 30);
    EXPECT_EQ(d->cur()->filpos, 724);
}

TEST_F(UppdatTest, RecordInsideTheExtentWritesOnlyItsSlot) {
    add(*d, record(3, "B1", "B1", 0, 0, 0, 10, 10, 10));
    add(*d, record(3, "B2", "B2", 1, 1, 1, 1, 1, 1));
    std::string head = readBytes(dbsFile()).substr(0, 324);
    std::strcpy(d->m_hd.text1, "only in memory");
    d->cur()->kod = 7;
    ASSERT_EQ(d->Uppdat(0), 0);
    std::string file = readBytes(dbsFile());
    EXPECT_EQ(file.substr(0, 324), head);
    EXPECT_EQ(slotOf(file, 724).kod, 7);
    // Uppdat(1) always writes the head; Uppdat(2) only the head.
    ASSERT_EQ(d->Uppdat(1), 0);
    EXPECT_STREQ(headOf(readBytes(dbsFile())).text1, "only in memory");
    d->cur()->kod = 9;
    std::strcpy(d->m_hd.text2, "two");
    ASSERT_EQ(d->Uppdat(2), 0);
    file = readBytes(dbsFile());
    EXPECT_STREQ(headOf(file).text2, "two");
    EXPECT_EQ(slotOf(file, 724).kod, 7);
}

TEST_F(UppdatTest, SingleElementAlwaysWritesTheHead) {
    add(*d, record(2, "H1", "H1", 5, 5, 5, 1, 1, 1));
    std::strcpy(d->m_hd.text3, "set");
    ASSERT_EQ(d->Uppdat(0), 0);
    EXPECT_STREQ(headOf(readBytes(dbsFile())).text3, "set");
}

TEST_F(UppdatTest, ExtentGrowsOnlyOutwardsInAListOfSeveral) {
    add(*d, record(3, "B1", "B1", 0, 0, 0, 10, 10, 10));
    add(*d, record(3, "B2", "B2", -5, 2, 2, 20, 1, 1));
    EXPECT_EQ(d->m_hd.xmin, -5);
    EXPECT_EQ(d->m_hd.xmax, 15);
    EXPECT_EQ(d->m_hd.ymin, 0);
    EXPECT_EQ(d->m_hd.ymax, 10);
    EXPECT_EQ(d->m_hd.zmax, 10);
}

TEST_F(UppdatTest, AlignmentsAndTunnelsAtTheOriginLeaveTheExtent) {
    add(*d, record(3, "B1", "B1", 1, 1, 1, 1, 1, 1));
    add(*d, record(6, "VAG.VL", "VAG", 100, 100, 100, 5, 5, 5));
    add(*d, record(1, "T1", "T1", 0, 0, -50, 500, 500, 0));
    dbshdtype h = headOf(readBytes(dbsFile()));
    EXPECT_EQ(h.xmin, 1);
    EXPECT_EQ(h.xmax, 2);
    EXPECT_EQ(h.zmin, 1);
    EXPECT_EQ(h.antal, 3);
    EXPECT_EQ(h.typantal[5], 1);
    EXPECT_EQ(h.typantal[0], 1);
    // A tunnel elsewhere does count.
    add(*d, record(1, "T2", "T2", 0, 5, 0, 10, 1, 0));
    EXPECT_EQ(d->m_hd.xmin, 0);
    EXPECT_EQ(d->m_hd.xmax, 10);
}

TEST_F(UppdatTest, TypesAboveNineAreNotCounted) {
    add(*d, record(12, "Q", "Q"));
    dbshdtype h = headOf(readBytes(dbsFile()));
    EXPECT_EQ(h.antal, 1);
    for (int t = 0; t < 9; ++t)
        EXPECT_EQ(h.typantal[t], 0);
}

TEST_F(UppdatTest, OpThreeOnlyWidensInMemoryEvenReadOnly) {
    auto ro = open(1);
    dbstype r = record(3, "B1", "B1", 1, 2, 3, 1, 1, 1);
    ro->Ny(1, &r);
    std::string before = readBytes(dbsFile());
    EXPECT_EQ(ro->Uppdat(3), 0);
    EXPECT_EQ(ro->m_hd.xmin, 1);
    EXPECT_EQ(ro->m_hd.zmax, 4);
    EXPECT_EQ(ro->cur()->filpos, 0);
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_FALSE(exists(root + "/TMPPROG.PB$"));
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(UppdatTest, ReadOnlyModeIsRefused) {
    auto ro = open(1);
    dbstype r = record(3, "B1", "B1");
    ro->Ny(1, &r);
    std::string before = readBytes(dbsFile());
    EXPECT_EQ(ro->Uppdat(0), -3);
    expectMessage(0, "Kan ej öppna databas : " + win("HARNPLAN.DBS") + "\nBehörighet: Read only !",
                  kUpp);
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(UppdatTest, HeldLockMakesUppdatFailAndLeavesTheLock) {
    dbstype r = record(3, "B1", "B1");
    d->Ny(1, &r);
    writeBytes(lockFile(), "");
    std::string before = readBytes(dbsFile());
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(d->Uppdat(0), -3);
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 3.0);
    expectMessage(0, "Kan ej öppna databas: " + win("HARNPLAN.DBS"), kUpp);
    EXPECT_TRUE(exists(lockFile()));
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_EQ(d->cur()->filpos, 0);
}

TEST_F(UppdatTest, MissingDatabaseIsReported) {
    dbstype r = record(3, "B1", "B1");
    d->Ny(1, &r);
    ::unlink(dbsFile().c_str());
    EXPECT_EQ(d->Uppdat(1), -3);
    expectMessage(0, "Kan ej öppna databas: " + win("HARNPLAN.DBS"), kUpp);
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_FALSE(exists(dbsFile()));
}

TEST_F(UppdatTest, WritesTheProjectDatabaseWhateverPathInitUsed) {
    std::string copy = readBytes(dbsFile());
    writeBytes(root + "/COPY.DBS", copy);
    TestDbs other(proj.get(), &ini);
    std::string path = win("COPY.DBS");
    ASSERT_EQ(other.Init(0, 0, path.c_str(), nullptr), 0);
    add(other, record(5, "L1", "L1"));
    EXPECT_EQ(readBytes(root + "/COPY.DBS"), copy);
    EXPECT_EQ(readBytes(dbsFile()).size(), 724u);
}

TEST_F(UppdatTest, NoCurrentRecordChangesNothing) {
    std::string before = readBytes(dbsFile());
    EXPECT_EQ(d->Uppdat(0), -1);
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_FALSE(exists(root + "/TMPPROG.PB$"));
    EXPECT_EQ(d->Uppdat(2), 0); // the head needs no record
}

TEST_F(UppdatTest, ChangeMarkerHoldsTheSettingsDateAndIsKept) {
    add(*d, record(3, "B1", "B1"));
    EXPECT_EQ(readBytes(root + "/TMPPROG.PB$"), "2026-03-04\r\n");
    ini.SetDatum("1999-12-31");
    add(*d, record(3, "B2", "B2"));
    EXPECT_EQ(readBytes(root + "/TMPPROG.PB$"), "2026-03-04\r\n");
}

TEST_F(UppdatTest, ChangeMarkerWithoutSettingsHoldsItsOwnPath) {
    TestDbs bare(proj.get(), nullptr);
    ASSERT_EQ(bare.Init(0, 0, nullptr, nullptr), 0);
    add(bare, record(3, "B1", "B1"));
    EXPECT_EQ(readBytes(root + "/TMPPROG.PB$"), win("TMPPROG.PB$") + "\r\n");
}

TEST_F(UppdatTest, DiskErrorDuringAWriteLeavesNoLockBehind) {
    dbstype r = record(3, "B1", "B1");
    d->Ny(1, &r);
    platform::FaultScope scope;
    platform::FaultInjector::failNth(platform::FileOp::Write, 1, true);
    EXPECT_THROW(d->Uppdat(0), CFileException);
    platform::FaultInjector::reset();
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_EQ(d->Uppdat(0), 0);
    EXPECT_EQ(headOf(readBytes(dbsFile())).antal, 1);
}

// ---- deleting ----

class DeleteTest : public UppdatTest {
protected:
    void SetUp() override {
        UppdatTest::SetUp();
        add(*d, record(3, "B1", "B1", 1, 1, 1));
        add(*d, record(5, "L1", "L1", 2, 2, 2));
        add(*d, record(2, "H1", "H1", 3, 3, 3));
    }
};

TEST_F(DeleteTest, DeletingTheLastSlotLowersTheEnd) {
    char id[16] = "H1";
    ASSERT_EQ(d->Findid(2, id), 0);
    EXPECT_EQ(d->Delete(), 0);
    std::string file = readBytes(dbsFile());
    dbshdtype h = headOf(file);
    EXPECT_EQ(h.slut, 848);
    EXPECT_EQ(h.hal, 0);
    EXPECT_EQ(h.antal, 2);
    EXPECT_EQ(h.typantal[1], 0);
    EXPECT_EQ(slotOf(file, 848).typ, 0);
    EXPECT_EQ(slotOf(file, 848).id[0], 0);
    EXPECT_EQ(h.xmax, 3); // the extent is not narrowed
    EXPECT_EQ(d->count(), 2);
    EXPECT_STREQ(d->cur()->id, "L1");
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(DeleteTest, DeletingAnotherSlotRaisesHalAndTheNextInitPacks) {
    char id[16] = "B1";
    ASSERT_EQ(d->Findid(3, id), 0);
    EXPECT_EQ(d->Delete(), 0);
    dbshdtype h = headOf(readBytes(dbsFile()));
    EXPECT_EQ(h.slut, 972);
    EXPECT_EQ(h.hal, 1);
    EXPECT_EQ(h.antal, 2);
    EXPECT_EQ(h.typantal[2], 0);
    EXPECT_EQ(slotOf(readBytes(dbsFile()), 600).typ, 0);

    auto again = open(0);
    EXPECT_TRUE(ui.events.empty());
    ASSERT_EQ(again->count(), 2);
    again->Home();
    EXPECT_STREQ(again->cur()->id, "L1");
    EXPECT_EQ(again->cur()->filpos, 600);
    h = headOf(readBytes(dbsFile()));
    EXPECT_EQ(h.slut, 848);
    EXPECT_EQ(h.hal, 0);
}

TEST_F(DeleteTest, UnwrittenRecordIsOnlyTakenFromTheList) {
    std::string before = readBytes(dbsFile());
    dbstype r = record(3, "NY", "NY");
    d->Ny(1, &r);
    EXPECT_EQ(d->Delete(), 0);
    EXPECT_EQ(d->count(), 3);
    EXPECT_EQ(readBytes(dbsFile()), before);
}

TEST_F(DeleteTest, ReadOnlyDeleteChangesOnlyMemory) {
    auto ro = open(1);
    std::string before = readBytes(dbsFile());
    ro->Home();
    EXPECT_EQ(ro->Delete(), 0);
    expectMessage(0, "Kan ej öppna databas : " + win("HARNPLAN.DBS") + "\nBehörighet: Read only !",
                  kUpp);
    EXPECT_EQ(ro->count(), 2);
    EXPECT_EQ(ro->m_hd.antal, 2);
    EXPECT_EQ(ro->m_hd.hal, 1);
    EXPECT_EQ(readBytes(dbsFile()), before);
}

TEST_F(DeleteTest, DeletePostLeavesTheFile) {
    std::string before = readBytes(dbsFile());
    d->Home();
    EXPECT_EQ(d->DeletePost(), 0);
    EXPECT_EQ(d->count(), 2);
    EXPECT_EQ(readBytes(dbsFile()), before);
}

class DeleteIdTest : public UppdatTest {
protected:
    void touch(const std::string& name) { writeBytes(dataFile(name), "x"); }
    void deleteObject(const dbstype& r) {
        add(*d, r);
        ASSERT_EQ(d->DeleteId(), 0);
    }
};

TEST_F(DeleteIdTest, RemovesTheFilesOfEachType) {
    for (const char* n : {"T1.LAT", "T1.odb", "T1.Tko", "T1.LAF", "H1.LAD", "B1.SND", "B1.gvr",
                          "L1.LJE", "VAG.VL", "VAG"})
        touch(n);
    deleteObject(record(1, "T1", "T1"));
    deleteObject(record(2, "H1", "H1"));
    deleteObject(record(3, "B1", "B1"));
    deleteObject(record(5, "L1", "L1"));
    deleteObject(record(6, "VAG.VL", "VAG"));
    EXPECT_EQ(testing_support::listNames(root + "/HARNDB"),
              (std::vector<std::string>{"B1.gvr", "T1.LAF", "VAG"}));
    EXPECT_EQ(d->count(), 0);
    dbshdtype h = headOf(readBytes(dbsFile()));
    EXPECT_EQ(h.antal, 0);
    EXPECT_EQ(h.slut, 600);
    EXPECT_TRUE(ui.events.empty()); // missing files are skipped silently
}

TEST_F(DeleteIdTest, BoreholeWithTheGvrFlagLosesItsGvrFile) {
    touch("B2.snd");
    touch("B2.GVR");
    dbstype r = record(3, "B2", "B2");
    r.flagg = 0x20;
    deleteObject(r);
    EXPECT_EQ(testing_support::listNames(root + "/HARNDB"), std::vector<std::string>{"B2.snd"});
}

TEST_F(DeleteIdTest, PointHasNoFilesButIsFreed) {
    touch("P1");
    deleteObject(record(4, "P1", "P1"));
    EXPECT_TRUE(exists(dataFile("P1")));
    EXPECT_EQ(d->count(), 0);
    EXPECT_EQ(headOf(readBytes(dbsFile())).antal, 0);
}

TEST_F(DeleteIdTest, OtherTypesAreLeftAlone) {
    add(*d, record(7, "X7", "X7"));
    touch("X7");
    EXPECT_EQ(d->DeleteId(), 0);
    EXPECT_EQ(d->count(), 1);
    EXPECT_EQ(headOf(readBytes(dbsFile())).antal, 1);
    EXPECT_TRUE(exists(dataFile("X7")));
}

// ---- extent ----

TEST_F(UppdatTest, XyzRecomputesTheExtent) {
    add(*d, record(3, "B1", "B1", 0, 0, 5, 10, 10, 0));
    add(*d, record(3, "B2", "B2", 100, 100, -7, 1, 1, 0));
    add(*d, record(3, "B3", "B3", 50, 50, 2, 1, 1, 0));
    d->Home();
    (*d)++;
    d->Set_mark();
    EXPECT_EQ(d->DeletePost(), 0); // B2 goes from the list only; the extent still has it
    EXPECT_EQ(d->m_hd.xmax, 101);
    d->Home();
    EXPECT_EQ(d->XYZ(), 0);
    dbshdtype h = headOf(readBytes(dbsFile()));
    EXPECT_EQ(h.xmin, 0);
    EXPECT_EQ(h.xmax, 51);
    EXPECT_EQ(h.ymax, 51);
    EXPECT_EQ(h.zmin, 2);
    EXPECT_EQ(h.zmax, 5);
    EXPECT_EQ(d->Where(nullptr), 2); // the last element is current
    EXPECT_EQ(d->Goto_mark(), 0);    // the mark stays on the element current before
    EXPECT_EQ(d->Where(nullptr), 1);
}

TEST_F(UppdatTest, XyzOfOnlyAlignmentsIsAllZero) {
    add(*d, record(6, "V1", "V1", 5, 5, 5, 1, 1, 1));
    add(*d, record(6, "V2", "V2", 7, 7, 7, 1, 1, 1));
    EXPECT_EQ(d->XYZ(), 0);
    dbshdtype h = headOf(readBytes(dbsFile()));
    for (double v : {h.xmin, h.xmax, h.ymin, h.ymax, h.zmin, h.zmax})
        EXPECT_EQ(v, 0);
}

TEST_F(UppdatTest, XyzOfAnEmptyListIsAllZero) {
    EXPECT_EQ(d->XYZ(), 0);
    dbshdtype h = headOf(readBytes(dbsFile()));
    EXPECT_EQ(h.xmin, 0);
    EXPECT_EQ(h.zmax, 0);
}

// ---- full rewrite ----

TEST_F(UppdatTest, TempfilSetsTheDatabaseAsideForARewrite) {
    add(*d, record(3, "B1", "B1", 1, 1, 1));
    add(*d, record(5, "L1", "L1", 2, 2, 2));
    std::string old = readBytes(dbsFile());
    ASSERT_EQ(d->Tempfil(0), 0);
    EXPECT_EQ(readBytes(root + "/temp.dbs"), old);
    EXPECT_EQ(readBytes(dbsFile()), old.substr(0, 324)); // the unchanged head only
    EXPECT_EQ(d->m_hd.slut, 600);
    EXPECT_EQ(d->m_hd.antal, 0);
    EXPECT_EQ(d->m_hd.typantal[2], 0);
    EXPECT_FALSE(exists(lockFile()));

    // Rewrite in another order.
    d->End();
    d->cur()->filpos = 0;
    ASSERT_EQ(d->Uppdat(0), 0);
    d->Home();
    d->cur()->filpos = 0;
    ASSERT_EQ(d->Uppdat(0), 0);
    ASSERT_EQ(d->Tempfil(1), 0);
    EXPECT_FALSE(exists(root + "/temp.dbs"));
    std::string file = readBytes(dbsFile());
    dbshdtype h = headOf(file);
    EXPECT_EQ(h.antal, 2);
    EXPECT_EQ(h.slut, 848);
    EXPECT_EQ(h.typantal[2], 1);
    EXPECT_EQ(h.typantal[4], 1);
    EXPECT_STREQ(slotOf(file, 600).id, "L1");
    EXPECT_STREQ(slotOf(file, 724).id, "B1");
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(UppdatTest, TempfilRefusesALockedOrReadOnlyDatabase) {
    ui.setStatusLine(true);
    std::string before = readBytes(dbsFile());
    auto ro = open(1);
    EXPECT_EQ(ro->Tempfil(0), -3);
    writeBytes(lockFile(), "");
    EXPECT_EQ(d->Tempfil(0), -3);
    auto s = ui.statuses();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].text, "Kan ej öppna databas : " + win("HARNPLAN.DBS"));
    EXPECT_EQ(s[1].text, s[0].text);
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_FALSE(exists(root + "/temp.dbs"));
    EXPECT_EQ(d->Tempfil(7), 0);
}

TEST_F(UppdatTest, TempfilThatCannotRenameKeepsTheDatabase) {
    add(*d, record(3, "B1", "B1"));
    std::string before = readBytes(dbsFile());
    platform::FaultScope scope;
    platform::FaultInjector::failNth(platform::FileOp::Rename, 1);
    EXPECT_EQ(d->Tempfil(0), -3);
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_EQ(d->m_hd.antal, 1);
    EXPECT_FALSE(exists(lockFile()));
}

// ---- point file ----

TEST_F(UppdatTest, SkrivAvpWritesEveryPoint) {
    dbstype p1 = record(4, "P1", "P1", 1.5, 2.25, -3, 0, 0, 0);
    p1.xyz2[0] = 10;
    p1.xyz2[1] = 20.0006;
    p1.xyz2[2] = 1234.5678;
    p1.kod = 200;
    std::strcpy(p1.text, "Fixpunkt");
    add(*d, p1);
    add(*d, record(3, "B1", "B1", 1, 1, 1));
    add(*d, record(4, "P2", "P2", 0, 0, 0));
    d->Home();
    EXPECT_EQ(d->SkrivAvp(), 0);
    EXPECT_EQ(readBytes(root + "/Harnplan.PKT"),
              crlf("P1\n"
                   "  1.500   2.250  -3.000  10.000  20.001 1234.568 200 P1\n"
                   "Fixpunkt\n"
                   "\n"
                   "P2\n"
                   "  0.000   0.000   0.000   0.000   0.000   0.000 0 P2\n"
                   "\n"
                   "\n"
                   "*\n"));
    EXPECT_EQ(d->Where(nullptr), 3);
}

TEST_F(UppdatTest, SkrivAvpWithoutPointsWritesOnlyTheEnd) {
    EXPECT_EQ(d->SkrivAvp(), 0);
    EXPECT_EQ(readBytes(root + "/Harnplan.PKT"), "*\r\n");
}

TEST_F(UppdatTest, SkrivAvpReportsAFileThatCannotBeCreated) {
    testing_support::makeDirs(root + "/Harnplan.PKT");
    EXPECT_EQ(d->SkrivAvp(), -3);
    expectMessage(0, "Fel: Hittar inte " + win("Harnplan.PKT"), "Filöppning");
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

TEST_F(VagTest, MissingListIsCreatedWithTheEntry) {
    add(*d, record(6, "VAG1.VL", "VAG1"));
    EXPECT_EQ(d->VagPaelUppdat(0), 0);
    EXPECT_EQ(readBytes(list()), crlf("*\n" + entry("VAG1.VL", "VAG1") + "*\n"));
    EXPECT_FALSE(exists(dataFile("Pbvl$.tmp")));
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(VagTest, RewritingKeepsOneEntryLastAndRemovingDropsIt) {
    writeBytes(list(), crlf("Väglinjer\n*\nVAG1.VL x\nANNAN y z\n\n*\nefter\n"));
    add(*d, record(6, "VAG1.VL", "VAG1"));
    EXPECT_EQ(d->VagPaelUppdat(0), 0);
    EXPECT_EQ(d->VagPaelUppdat(0), 0);
    EXPECT_EQ(readBytes(list()),
              crlf("Väglinjer\n*\nANNAN y z\n\n" + entry("VAG1.VL", "VAG1") + "*\n"));
    EXPECT_EQ(d->VagPaelUppdat(1), 0);
    EXPECT_EQ(readBytes(list()), crlf("Väglinjer\n*\nANNAN y z\n\n*\n"));
}

TEST_F(VagTest, ListWithPlainLineEndsIsRead) {
    writeBytes(list(), "*\nA 1\n*\n");
    add(*d, record(6, "B", "B"));
    EXPECT_EQ(d->VagPaelUppdat(0), 0);
    EXPECT_EQ(readBytes(list()), crlf("*\nA 1\n" + entry("B", "B") + "*\n"));
}

TEST_F(VagTest, LongLinesAreCopiedWhole) {
    std::string longLine = "LANG " + std::string(400, 'x');
    writeBytes(list(), crlf("*\n" + longLine + "\n*\n"));
    add(*d, record(6, "C", "C"));
    EXPECT_EQ(d->VagPaelUppdat(1), 0);
    EXPECT_EQ(readBytes(list()), crlf("*\n" + longLine + "\n*\n"));
}

TEST_F(VagTest, FileErrorsAreReportedAndTheListIsKept) {
    add(*d, record(6, "V", "V"));
    platform::FaultScope scope;
    // The new list cannot be created.
    platform::FaultInjector::failNth(platform::FileOp::Open, 1);
    EXPECT_EQ(d->VagPaelUppdat(0), -1);
    EXPECT_FALSE(exists(list()));
    // The temporary file cannot be created.
    std::string before = crlf("*\nA 1\n*\n");
    writeBytes(list(), before);
    platform::FaultInjector::reset();
    platform::FaultInjector::failNth(platform::FileOp::Open, 2);
    EXPECT_EQ(d->VagPaelUppdat(0), -1);
    EXPECT_EQ(readBytes(list()), before);
    // The list cannot be opened.
    platform::FaultInjector::reset();
    platform::FaultInjector::failNth(platform::FileOp::Open, 1);
    EXPECT_EQ(d->VagPaelUppdat(0), -1);
    EXPECT_EQ(readBytes(list()), before);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 3u);
    expectMessage(0, "Kan ej skapa väglinjefil : " + win("HARNDB\\VAGLINJE.LIS"),
                  platform::applicationTitle(), MB_ICONEXCLAMATION);
    expectMessage(1, "Kan ej temporär fil : " + win("HARNDB\\Pbvl$.tmp"),
                  platform::applicationTitle());
    expectMessage(2, "Kan ej öppna väglinje : " + win("HARNDB\\VAGLINJE.LIS"),
                  platform::applicationTitle());
    EXPECT_FALSE(exists(dataFile("Pbvl$.tmp")));
}

TEST_F(VagTest, NoCurrentRecordLeavesTheList) {
    EXPECT_EQ(d->VagPaelUppdat(0), -1);
    EXPECT_FALSE(exists(list()));
}

} // namespace
