// Opening and reading the project database: creation, the lock protocol, the version and
// count checks, the packing of freed slots, searches, order and file names.
#include "tests/database/DbsFixtures.h"

#include "list/Utilities.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <chrono>
#include <sys/wait.h>
#include <unistd.h>

using namespace dbs_test;
using testing_support::exists;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

const char* kLas = "Inläsning av Harnoplan - databas";

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

class InitTest : public DbsTest {};

TEST_F(InitTest, CreatesTheHeadOfANewDatabaseNamedAfterItsFolder) {
    TestDbs d(proj.get(), &ini);
    ASSERT_EQ(d.Init(0, 1, nullptr, nullptr), 0);
    std::string file = readBytes(dbsFile());
    ASSERT_EQ(file.size(), 324u);
    EXPECT_EQ(file, bytesOf(newHead("PROJ1", "2026-03-04")));
    EXPECT_EQ(d.m_hd.slut, 600);
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_TRUE(ui.events.empty());

    // Read back: an empty list, the version accepted.
    TestDbs again(proj.get(), &ini);
    EXPECT_EQ(again.Init(0, 0, nullptr, nullptr), 0);
    EXPECT_EQ(again.Where(nullptr), -1);
    EXPECT_EQ(bytesOf(again.m_hd), bytesOf(newHead("PROJ1", "2026-03-04")));
    EXPECT_EQ(readBytes(dbsFile()), file);
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(InitTest, NewDatabaseTakesTheGivenNameAndTodayWithoutSettings) {
    platform::LocalTime t;
    t.year = 2026;
    t.yearsSince1900 = 126;
    t.month = 7;
    t.day = 9;
    platform::setFixedTime(&t);
    TestDbs d(proj.get(), nullptr);
    int r = d.Init(0, 1, nullptr, "Ett mycket långt projektnamn som inte får plats");
    platform::setFixedTime(nullptr);
    ASSERT_EQ(r, 0);
    dbshdtype h = headOf(readBytes(dbsFile()));
    EXPECT_STREQ(h.projnamn, "Ett mycket långt projektnamn som in"); // cut to 35
    EXPECT_STREQ(h.datum, "2026-07-09");
}

TEST_F(InitTest, LongSettingsDateIsCutToTheField) {
    ini.SetDatum("2026-03-04 12:00");
    TestDbs d(proj.get(), &ini);
    ASSERT_EQ(d.Init(0, 1, nullptr, nullptr), 0);
    EXPECT_STREQ(headOf(readBytes(dbsFile())).datum, "2026-03-04");
}

TEST_F(InitTest, CreatingOverAnExistingDatabaseIsRefused) {
    create();
    std::string before = readBytes(dbsFile());
    TestDbs d(proj.get(), &ini);
    EXPECT_EQ(d.Init(0, 1, nullptr, "X"), -1);
    ASSERT_EQ(ui.messages().size(), 2u);
    expectMessage(0, "Databasen finns redan !", platform::applicationTitle());
    expectMessage(1, "Kan ej öppna databas: " + win("HARNPLAN.DBS"), kLas);
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(InitTest, ReadOnlyCreateIsRefusedWithoutTouchingTheFile) {
    create();
    std::string before = readBytes(dbsFile());
    TestDbs d(proj.get(), &ini);
    EXPECT_EQ(d.Init(1, 1, nullptr, nullptr), -1);
    expectMessage(0, "Kan ej öppna databas: " + win("HARNPLAN.DBS"), kLas);
    EXPECT_EQ(readBytes(dbsFile()), before);
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(InitTest, MissingDatabaseFails) {
    TestDbs d(proj.get(), &ini);
    EXPECT_EQ(d.Init(0, 0, nullptr, nullptr), -1);
    ASSERT_EQ(ui.messages().size(), 1u);
    expectMessage(0, "Kan ej öppna databas: " + win("HARNPLAN.DBS"), kLas);
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_FALSE(exists(dbsFile()));
}

TEST_F(InitTest, HeldLockFileMakesInitFailAfterAboutOneSecond) {
    create();
    writeBytes(lockFile(), "");
    TestDbs d(proj.get(), &ini);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(d.Init(1, 0, nullptr, nullptr), -1);
    double waited = secondsSince(t0);
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 3.0);
    expectMessage(0, "Kan ej öppna databas: " + win("HARNPLAN.DBS"), kLas);
    EXPECT_TRUE(exists(lockFile())) << "another program's lock file must stay";
}

// A second process takes the lock through the same protocol and keeps the database open.
TEST_F(InitTest, SecondProcessHoldingTheDatabaseBlocksThenReleases) {
    create();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        TestDbs holder(proj.get(), &ini);
        holder.m_mode = 0;
        int r = holder.Dbs_rw(1000);
        char c = r == 0 ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        Sleep(1800);
        holder.Dbs_rw(1001);
        _exit(r == 0 ? 0 : 1);
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    ASSERT_EQ(c, 'y');
    EXPECT_TRUE(exists(lockFile()));

    TestDbs d(proj.get(), &ini);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(d.Init(0, 0, nullptr, nullptr), -1);
    EXPECT_GE(secondsSince(t0), 0.9);
    expectMessage(0, "Kan ej öppna databas: " + win("HARNPLAN.DBS"), kLas);
    EXPECT_TRUE(exists(lockFile()));

    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(exists(lockFile()));
    ui.clear();
    EXPECT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
    EXPECT_TRUE(ui.events.empty());
    EXPECT_FALSE(exists(lockFile()));
}

// A lock released during the wait lets the opener in.
TEST_F(InitTest, LockReleasedWithinTheWaitIsTaken) {
    create();
    writeBytes(lockFile(), "");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        usleep(300 * 1000);
        ::unlink(lockFile().c_str());
        _exit(0);
    }
    TestDbs d(proj.get(), &ini);
    EXPECT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(ui.events.empty());
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(InitTest, PackingClosesTheFreedSlotByteForByte) {
    dbshdtype h = newHead("P", "2026-01-01");
    h.antal = 2;
    h.typantal[2] = 2;
    h.hal = 1;
    h.slut = 600 + 3 * 124;
    dbstype a = record(3, "B1", "B1", 1, 2, 3);
    dbstype b = record(3, "B2", "B2", 4, 5, 6);
    b.typ = 0; // freed
    b.id[0] = 0;
    dbstype c = record(3, "B3", "B3", 7, 8, 9);
    c.text[0] = 'T';
    writeBytes(dbsFile(), fileOf(h, {a, b, c}));

    auto d = open(0);
    ASSERT_EQ(d->count(), 2);
    d->Home();
    EXPECT_STREQ(d->cur()->id, "B1");
    EXPECT_EQ(d->cur()->filpos, 600);
    (*d)++;
    EXPECT_STREQ(d->cur()->id, "B3");
    EXPECT_EQ(d->cur()->filpos, 724);
    EXPECT_TRUE(ui.events.empty());

    dbshdtype packed = h;
    packed.hal = 0;
    packed.slut = 848;
    dbstype freed = c;
    freed.typ = 0;
    freed.id[0] = 0;
    EXPECT_EQ(readBytes(dbsFile()), fileOf(packed, {a, c, freed}));
    EXPECT_EQ(d->m_hd.hal, 0);
    EXPECT_EQ(d->m_hd.slut, 848);

    // Reading again gives the same list and leaves the file alone.
    std::string after = readBytes(dbsFile());
    auto again = open(0);
    ASSERT_EQ(again->count(), 2);
    again->Home();
    EXPECT_STREQ(again->cur()->id, "B1");
    EXPECT_EQ(again->cur()->filpos, 600);
    (*again)++;
    EXPECT_STREQ(again->cur()->id, "B3");
    EXPECT_EQ(again->cur()->filpos, 724);
    EXPECT_EQ(0, std::memcmp(again->cur(), &c, kDbsRecordSize));
    EXPECT_EQ(readBytes(dbsFile()), after);
    EXPECT_TRUE(ui.events.empty());
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(InitTest, ReadOnlyOpenCountsFreedSlotsWithoutPacking) {
    dbshdtype h = newHead("P", "2026-01-01");
    h.antal = 1;
    h.typantal[4] = 1;
    h.hal = 1;
    h.slut = 600 + 2 * 124;
    dbstype a = record(5, "L1", "L1");
    a.typ = 0;
    dbstype b = record(5, "L2", "L2");
    std::string file = fileOf(h, {a, b});
    writeBytes(dbsFile(), file);
    auto d = open(1);
    ASSERT_EQ(d->count(), 1);
    d->Home();
    EXPECT_EQ(d->cur()->filpos, 724);
    EXPECT_EQ(readBytes(dbsFile()), file);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(InitTest, LiveSlotAtOrBeyondTheEndStopsReading) {
    ui.setStatusLine(true);
    dbshdtype h = newHead("P", "2026-01-01");
    h.antal = 1;
    h.typantal[0] = 1;
    h.slut = 724;
    writeBytes(dbsFile(),
               fileOf(h, {record(1, "T1", "T1"), record(2, "H9", "H9"), record(2, "H10", "H10")}));
    auto t0 = std::chrono::steady_clock::now();
    auto d = open(0);
    EXPECT_GE(secondsSince(t0), 0.25);
    ASSERT_EQ(d->count(), 1);
    d->Home();
    EXPECT_STREQ(d->cur()->id, "T1");
    auto s = ui.statuses();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, "Kontroll av databas: stopp på id       H9");
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(InitTest, FreeSlotsPastTheEndAreIgnored) {
    dbshdtype h = newHead("P", "2026-01-01");
    h.antal = 1;
    h.typantal[3] = 1;
    h.slut = 724;
    dbstype old = record(4, "", "OLD");
    writeBytes(dbsFile(), fileOf(h, {record(4, "P1", "P1"), old, old}));
    auto d = open(0);
    EXPECT_EQ(d->count(), 1);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(InitTest, CountChecksShowTheirMessagesWithTheApplicationCaption) {
    dbshdtype h = newHead("P", "2026-01-01");
    h.antal = 3; // two live slots
    h.hal = 2;   // one freed slot
    h.slut = 600 + 3 * 124;
    dbstype gone = record(3, "", "X");
    writeBytes(dbsFile(), fileOf(h, {record(3, "A", "A"), gone, record(3, "C", "C")}));
    auto d = open(0);
    EXPECT_EQ(d->count(), 2);
    ASSERT_EQ(ui.messages().size(), 2u);
    expectMessage(0, "Osäker databas antal=(3 2), välj Konvertera i Arkiv.",
                  platform::applicationTitle());
    expectMessage(1, "Fel vid packning antal=(2 1), välj Konvertera i Arkiv.",
                  platform::applicationTitle());
    // The packing still ends: hal free slots are written after the live ones.
    std::string file = readBytes(dbsFile());
    dbshdtype after = headOf(file);
    EXPECT_EQ(after.hal, 0);
    EXPECT_EQ(after.slut, 600 + 2 * 124);
    EXPECT_EQ(file.size(), static_cast<size_t>(600 + 4 * 124));
    EXPECT_EQ(slotOf(file, 848).typ, 0);
    EXPECT_EQ(slotOf(file, 972).typ, 0);
}

TEST_F(InitTest, CountMessagesGoThroughTheMainWindowWhenThereIsOne) {
    ui.setMainWindow(true);
    dbshdtype h = newHead("P", "2026-01-01");
    h.antal = 5;
    writeBytes(dbsFile(), fileOf(h, {}));
    auto d = open(1);
    expectMessage(0, "Osäker databas antal=(5 0), välj Konvertera i Arkiv.",
                  platform::applicationTitle(), MB_ICONEXCLAMATION | MB_SETFOREGROUND,
                  platform::MessageCall::CWndMessageBox);
}

TEST_F(InitTest, ShortHeadGivesMinusFour) {
    writeBytes(dbsFile(), std::string(100, '\0'));
    TestDbs d(proj.get(), &ini);
    EXPECT_EQ(d.Init(0, 0, nullptr, nullptr), -4);
    expectMessage(0, "Fel vid läsning av databas : " + win("HARNPLAN.DBS"), kLas);
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(InitTest, WrongVersionIsRefusedWithTheRemedy) {
    dbshdtype h = newHead("P", "2026-01-01");
    std::strcpy(h.version, "0.9");
    h.verdel = 0;
    writeBytes(dbsFile(), fileOf(h, {record(2, "H1", "H1")}));
    TestDbs d(proj.get(), &ini);
    EXPECT_EQ(d.Init(0, 0, nullptr, nullptr), -1);
    ASSERT_EQ(ui.messages().size(), 1u);
    expectMessage(0,
                  "Fel vid läsning av databas : " + win("HARNPLAN.DBS") +
                      "\nFelaktig version: 0.9\nNu gäller version: 1.5\nVälj Konvertera i Arkiv !",
                  kLas);
    EXPECT_EQ(d.Where(nullptr), -1);
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(InitTest, ConvertedDatabaseVersionIsAccepted) {
    dbshdtype h = newHead("P", "2026-01-01");
    std::strcpy(h.version, "1.0");
    h.antal = 1;
    h.typantal[1] = 1;
    h.slut = 724;
    writeBytes(dbsFile(), fileOf(h, {record(2, "H1", "H1")}));
    auto d = open(0);
    EXPECT_EQ(d->count(), 1);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(InitTest, ProjectTextsAreConvertedFromTheDosCodePage) {
    dbshdtype h = newHead("P", "2026-01-01");
    std::strcpy(h.text1, "\x86\x84\x94");
    std::strcpy(h.projnamn, "G\x94teborg");
    std::strcpy(h.text6, "\x8f\x8e\x99");
    std::strcpy(h.koordsys, "\x94");
    writeBytes(dbsFile(), fileOf(h, {}));
    auto d = open(1);
    EXPECT_STREQ(d->m_hd.text1, "åäö");
    EXPECT_STREQ(d->m_hd.projnamn, "Göteborg");
    EXPECT_STREQ(d->m_hd.text6, "ÅÄÖ");
    EXPECT_STREQ(d->m_hd.koordsys, "\x94"); // not a project text
}

TEST_F(InitTest, GivenPathOnANonEmptyListIsRefused) {
    create();
    auto d = open(0);
    d->Ny(1, nullptr);
    std::string other = win("OTHER.DBS");
    EXPECT_EQ(d->Init(0, 0, other.c_str(), nullptr), -1);
    expectMessage(0, "Kan ej läsa databas: " + other + "\nListan ej tom!", kLas);
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(InitTest, GivenPathIsReadInsteadOfTheProjectDatabase) {
    dbshdtype h = newHead("ANNAN", "2026-01-01");
    h.antal = 1;
    h.typantal[4] = 1;
    h.slut = 724;
    writeBytes(root + "/OTHER.DBS", fileOf(h, {record(5, "L7", "L7")}));
    TestDbs d(proj.get(), &ini);
    std::string other = win("OTHER.DBS");
    ASSERT_EQ(d.Init(1, 0, other.c_str(), nullptr), 0);
    EXPECT_STREQ(d.m_hd.projnamn, "ANNAN");
    EXPECT_EQ(d.count(), 1);
}

TEST_F(InitTest, CadMarkerIsRemovedOnlyWhenOpenedForWriting) {
    create();
    writeBytes(root + "/TMPCAD.PB$", "x");
    auto ro = open(1);
    EXPECT_TRUE(exists(root + "/TMPCAD.PB$"));
    EXPECT_EQ(ro->DbsKoll(), 1);
    auto rw = open(0);
    EXPECT_FALSE(exists(root + "/TMPCAD.PB$"));
    EXPECT_EQ(rw->DbsKoll(), 0);
}

TEST_F(InitTest, DbsRwClosesAndRejectsUnknownOps) {
    create();
    TestDbs d(proj.get(), &ini);
    d.m_mode = 0;
    EXPECT_EQ(d.Dbs_rw(1000), 0);
    EXPECT_TRUE(exists(lockFile()));
    EXPECT_TRUE(d.m_dbsfil.IsOpen());
    EXPECT_EQ(d.Dbs_rw(1001), 0);
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_FALSE(d.m_dbsfil.IsOpen());
    EXPECT_EQ(d.Dbs_rw(999), -1);
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_EQ(d.Dbs_rw(1001), 0); // closing twice is harmless
}

// ---- searches ----

class SearchTest : public DbsTest {
protected:
    void SetUp() override {
        DbsTest::SetUp();
        d = std::make_unique<TestDbs>(proj.get(), &ini);
        for (dbstype r : {record(3, "B1", "B1"), record(5, "ÅS1", "AS1"), record(3, "ÅS1", "AS1_3"),
                          record(7, "X", "X")}) {
            r.filpos = 600 + 124 * d->count();
            d->Ny(1, &r);
        }
    }
    std::unique_ptr<TestDbs> d;
};

TEST_F(SearchTest, FindidUpperCasesAndMatchesTypeAndId) {
    char id[16] = "ås1";
    EXPECT_EQ(d->Findid(3, id), 0);
    EXPECT_STREQ(id, "ÅS1");
    EXPECT_STREQ(d->cur()->filnamn, "AS1_3");
    EXPECT_EQ(d->Where(nullptr), 3);
    EXPECT_EQ(d->Findid(0, id), 0); // any type: the first one
    EXPECT_STREQ(d->cur()->filnamn, "AS1");
    EXPECT_EQ(d->Where(nullptr), 2);
    EXPECT_EQ(d->Findid(7, id), -1);
    EXPECT_EQ(d->Where(nullptr), 2); // current element kept
    char x[16] = "x";
    EXPECT_EQ(d->Findid(7, x), 0);
    EXPECT_EQ(d->Where(nullptr), 4);
}

TEST_F(SearchTest, FindidRefusesTypesOutOfRangeWithoutTouchingTheText) {
    char id[16] = "b1";
    EXPECT_EQ(d->Findid(9, id), -1);
    EXPECT_EQ(d->Findid(-1, id), -1);
    EXPECT_STREQ(id, "b1");
    char missing[16] = "nix";
    EXPECT_EQ(d->Findid(0, missing), -1);
    EXPECT_STREQ(missing, "NIX");
}

TEST_F(SearchTest, FindobjMatchesTheSlotOffset) {
    EXPECT_EQ(d->Findobj(0, 724), 0);
    EXPECT_STREQ(d->cur()->id, "ÅS1");
    EXPECT_EQ(d->Where(nullptr), 2);
    EXPECT_EQ(d->Findobj(3, 724), -1);
    EXPECT_EQ(d->Findobj(3, 848), 0);
    EXPECT_EQ(d->Findobj(0, 601), -1);
    EXPECT_EQ(d->Findobj(9, 600), -1);
}

TEST_F(SearchTest, FindNuelMakesTheRecordAtAnAddressCurrent) {
    d->Home();
    dbstype* first = d->cur();
    d->End();
    dbstype* last = d->cur();
    d->Home();
    (*d)++;
    EXPECT_EQ(d->FindNuel(reinterpret_cast<unsigned long>(last)), 0);
    EXPECT_EQ(d->cur(), last);
    EXPECT_EQ(d->Where(nullptr), 4);
    dbstype copy = *first;
    EXPECT_EQ(d->FindNuel(reinterpret_cast<unsigned long>(&copy)), -1);
    EXPECT_EQ(d->cur(), last); // back to the element current before
    EXPECT_EQ(d->FindNuel(reinterpret_cast<unsigned long>(first)), 0);
    EXPECT_EQ(d->Where(nullptr), 1);
}

TEST(SortvalTest, OrdersByLeadingNumberThenId) {
    CProjPath p("/tmp");
    TestDbs d(&p, nullptr);
    for (const char* id : {"x", "10", "2A", "7B", "7", "B", "10"}) {
        dbstype r = record(3, id, "");
        d.Ny(1, &r);
    }
    d.Sortera(1);
    std::string order;
    d.Home();
    do
        order += std::string(d.cur()->id) + ",";
    while (d++);
    EXPECT_EQ(order, "2A,7,7B,10,10,B,x,");

    // Key -1: descending by number only, equal numbers ahead of each other.
    dbstype hi = record(3, "12", "");
    dbstype lo = record(3, "3A", "");
    dbstype none = record(3, "Z", "");
    d.setMarkRecord(&hi);
    d.setCurrentRecord(&lo);
    EXPECT_EQ(d.Sortval(-1), 1);
    EXPECT_EQ(d.Sortval(1), 0);
    d.setCurrentRecord(&hi);
    EXPECT_EQ(d.Sortval(-1), 1); // equal numbers
    d.setMarkRecord(&lo);
    EXPECT_EQ(d.Sortval(-1), 0);
    EXPECT_EQ(d.Sortval(1), 1);
    d.setCurrentRecord(&none);
    EXPECT_EQ(d.Sortval(1), 1); // no number: after every numbered id
    EXPECT_EQ(d.Sortval(2), 0);
    d.Home(); // leave the list's own pointers consistent
}

TEST(SortvalTest, IdsWithoutTerminatorAreCutAtFifteen) {
    CProjPath p("/tmp");
    TestDbs d(&p, nullptr);
    dbstype a = record(3, "", "");
    dbstype b = record(3, "", "");
    std::memset(a.id, 'A', 16);
    std::memcpy(b.id, "AAAAAAAAAAAAAAA", 16); // the same 15 letters and a zero
    d.setMarkRecord(&a);
    d.setCurrentRecord(&b);
    EXPECT_EQ(d.Sortval(1), 0);
    d.setMarkRecord(&b);
    d.setCurrentRecord(&a);
    EXPECT_EQ(d.Sortval(1), 0);
    d.setMarkRecord(nullptr);
    d.setCurrentRecord(nullptr);
}

// ---- file names ----

class FilnamnTest : public DbsTest {
protected:
    void SetUp() override {
        DbsTest::SetUp();
        d = std::make_unique<TestDbs>(proj.get(), &ini);
    }
    std::string nameFor(int typ, const char* id) {
        dbstype r = record(typ, id, "");
        d->Ny(1, &r);
        EXPECT_EQ(d->Filnamn(), 0);
        return d->cur()->filnamn;
    }
    std::unique_ptr<TestDbs> d;
};

TEST_F(FilnamnTest, ReplacesSwedishLettersAndPunctuation) {
    EXPECT_EQ(nameFor(3, "ÅB.1/2"), "AB-1-2");
    EXPECT_EQ(nameFor(3, "äö:x+\\"), "AO-X--");
    EXPECT_EQ(nameFor(3, "a b*é#"), "A_B___");
    EXPECT_EQ(nameFor(3, "ABCDEFGHIJ"), "ABCDEFGH");
}

TEST_F(FilnamnTest, ClashesAreNumberedThroughThePasses) {
    EXPECT_EQ(nameFor(3, "BH1"), "BH1");
    EXPECT_EQ(nameFor(3, "BH1"), "BH11");
    EXPECT_EQ(nameFor(3, "BH1"), "BH12");
    EXPECT_EQ(nameFor(5, "BH1"), "BH1"); // another type does not clash
    // A typ-0 record clashes with every type.
    EXPECT_EQ(nameFor(0, "BH1"), "BH13");
}

TEST_F(FilnamnTest, SecondPassFollowsTheLastCandidate) {
    nameFor(2, "ABC");
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(nameFor(2, "ABC"), "ABC" + std::to_string(i));
    EXPECT_EQ(nameFor(2, "ABC"), "ABC910");
    EXPECT_EQ(nameFor(2, "ABC"), "ABC911");
}

TEST_F(FilnamnTest, LongNamesAreShortenedForTheNumber) {
    EXPECT_EQ(nameFor(5, "LINJE1234"), "LINJE123");
    EXPECT_EQ(nameFor(5, "LINJE1234"), "LINJE121");
    // LINJE122 to LINJE129; LINJE123 is taken by the first record.
    for (const char* n :
         {"LINJE122", "LINJE124", "LINJE125", "LINJE126", "LINJE127", "LINJE128", "LINJE129"})
        EXPECT_EQ(nameFor(5, "LINJE1234"), n);
    EXPECT_EQ(nameFor(5, "LINJE1234"), "LINJE110"); // pass 2 writes from position 6
}

TEST_F(FilnamnTest, TheRecordItselfDoesNotClash) {
    dbstype r = record(3, "K1", "K1");
    d->Ny(1, &r);
    EXPECT_EQ(d->Filnamn(), 0);
    EXPECT_STREQ(d->cur()->filnamn, "K1");
}

TEST_F(FilnamnTest, NoCurrentRecordGivesMinusOne) {
    EXPECT_EQ(d->Filnamn(), -1);
}

} // namespace
