// Opening and reading the project database: creation, the lock protocol, the version and
// count checks, the packing of freed slots, searches, order and file names.
#include "tests/database/DbsFixtures.h"

#include "list/Utilities.h"
#include "platform/Clock.h"

#include <chrono>
#include <sys/wait.h>
#include <unistd.h>

using namespace dbs_test;

namespace {

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

class InitTest : public DbsTest {};

TEST_F(InitTest, NewDatabaseIsTheHeadAloneAndReadsBackEmpty) {
    struct Case {
        bool settings;
        const char* datum; // settings date, or null for the clock
        int yearsSince1900;
        const char* name;
        const char* projnamn;
        const char* want;
    } cases[] = {
        {true, "2026-03-04", 0, nullptr, "PROJ1", "2026-03-04"},
        {true, "2026-03-04 12:00", 0, "X", "X", "2026-03-04"},
        {false, nullptr, 126, "Ett mycket långt projektnamn som inte får plats",
         "Ett mycket långt projektnamn som in", "2026-07-09"},
        {false, nullptr, 79, "P", "P", "2079-07-09"},
        {false, nullptr, 80, "P", "P", "1980-07-09"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        ::unlink(dbsFile().c_str());
        ini.SetDatum(c.datum ? c.datum : "");
        platform::LocalTime t;
        t.year = 1900 + c.yearsSince1900;
        t.yearsSince1900 = c.yearsSince1900;
        t.month = 7;
        t.day = 9;
        platform::setFixedTime(&t);
        TestDbs d(proj.get(), c.settings ? &ini : nullptr);
        int r = d.Init(0, 1, nullptr, c.name);
        platform::setFixedTime(nullptr);
        ASSERT_EQ(r, 0);
        std::string file = readBytes(dbsFile());
        EXPECT_EQ(file, bytesOf(newHead(c.projnamn, c.want)));
        TestDbs again(proj.get(), &ini);
        EXPECT_EQ(again.Init(0, 0, nullptr, nullptr), 0);
        EXPECT_EQ(again.Where(nullptr), -1);
        EXPECT_EQ(bytesOf(again.m_hd), file);
        EXPECT_EQ(readBytes(dbsFile()), file);
        EXPECT_FALSE(exists(lockFile()));
    }
    EXPECT_EQ(events(), "");
}

TEST_F(InitTest, RefusalsShowTheirMessageAndLeaveTheFile) {
    const std::string path = win("HARNPLAN.DBS"), other = win("OTHER.DBS");
    dbshdtype old = newHead();
    std::strcpy(old.version, "0.9");
    old.verdel = 0;
    const std::string created = bytesOf(newHead()), shortHead(323, '\0'),
                      oldFile = fileOf(old, {record(2, "H1", "H1")});
    struct Case {
        const std::string* file; // the database file before, null for none
        int mode, skapa;
        bool fillList; // Init with a path on a list that already holds a record
        int result;
        std::string events;
    } cases[] = {
        {&created, 0, 1, false, -1,
         box(kApp, "Databasen finns redan !") + box(kLas, "Kan ej öppna databas: " + path)},
        {&created, 1, 1, false, -1, box(kLas, "Kan ej öppna databas: " + path)},
        {nullptr, 0, 0, false, -1, box(kLas, "Kan ej öppna databas: " + path)},
        {&shortHead, 0, 0, false, -4, box(kLas, "Fel vid läsning av databas : " + path)},
        {&oldFile, 0, 0, false, -1,
         box(kLas, "Fel vid läsning av databas : " + path +
                       "\nFelaktig version: 0.9\nNu gäller version: 1.5\nVälj Konvertera i "
                       "Arkiv !")},
        {&created, 0, 0, true, -1, box(kLas, "Kan ej läsa databas: " + other + "\nListan ej tom!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.events);
        ui.clear();
        ::unlink(dbsFile().c_str());
        const std::string before = c.file ? *c.file : "";
        if (c.file)
            writeBytes(dbsFile(), before);
        TestDbs d(proj.get(), &ini);
        if (c.fillList)
            d.Ny(1, nullptr);
        EXPECT_EQ(d.Init(c.mode, c.skapa, c.fillList ? other.c_str() : nullptr, nullptr), c.result);
        EXPECT_EQ(events(), c.events);
        EXPECT_EQ(d.count(), c.fillList ? 1 : 0);
        EXPECT_EQ(exists(dbsFile()), c.file != nullptr);
        EXPECT_EQ(readBytes(dbsFile()), before);
        EXPECT_FALSE(exists(lockFile()));
    }
}

// A second process takes the lock through the same protocol and holds the database open for
// 1.5 s: the first Init gives up after about one second, the next one gets in when it goes.
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
        Sleep(1500);
        holder.Dbs_rw(1001);
        _exit(r == 0 ? 0 : 1);
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    ASSERT_EQ(c, 'y');
    TestDbs d(proj.get(), &ini);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(d.Init(0, 0, nullptr, nullptr), -1);
    EXPECT_GE(secondsSince(t0), 0.9);
    EXPECT_EQ(events(), box(kLas, "Kan ej öppna databas: " + win("HARNPLAN.DBS")));
    EXPECT_TRUE(exists(lockFile()));
    ui.clear();
    EXPECT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
    EXPECT_EQ(events(), "");
    EXPECT_FALSE(exists(lockFile()));
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(InitTest, PackingClosesTheFreedSlotByteForByte) {
    const dbshdtype h = head(2, 600 + 3 * 124, 1, "002");
    dbstype a = record(3, "B1", "B1", 1, 2, 3);
    dbstype b = record(0, "B2", "B2", 4, 5, 6); // freed
    dbstype c = record(3, "B3", "B3", 7, 8, 9);
    c.text[0] = 'T';
    const std::string original = fileOf(h, {a, b, c});
    writeBytes(dbsFile(), original);

    // Read only: counted, not packed.
    EXPECT_EQ(open(1)->ids(), "B1@600 B3@848");
    EXPECT_EQ(readBytes(dbsFile()), original);

    auto d = open(0);
    EXPECT_EQ(d->ids(), "B1@600 B3@724");
    dbshdtype packed = head(2, 848, 0, "002");
    dbstype freed = c;
    freed.typ = 0;
    freed.id[0] = 0;
    const std::string after = fileOf(packed, {a, c, freed});
    EXPECT_EQ(readBytes(dbsFile()), after);
    EXPECT_EQ(bytesOf(d->m_hd), after.substr(0, 324));

    auto again = open(0);
    EXPECT_EQ(again->ids(), "B1@600 B3@724");
    again->End();
    EXPECT_EQ(bytesOf(*again->cur()), bytesOf(c));
    EXPECT_EQ(readBytes(dbsFile()), after);
    EXPECT_EQ(events(), "");
    EXPECT_FALSE(exists(lockFile()));
}

TEST_F(InitTest, LiveSlotAtOrBeyondTheEndStopsReading) {
    ui.setStatusLine(true);
    writeBytes(dbsFile(),
               fileOf(head(1, 724, 0, "1"), {record(1, "T1", "T1"), record(4, "", "OLD"),
                                             record(2, "H9", "H9"), record(2, "H10", "H10")}));
    auto t0 = std::chrono::steady_clock::now();
    auto d = open(0);
    EXPECT_GE(secondsSince(t0), 0.25);
    EXPECT_EQ(d->ids(), "T1@600");
    // The free slot past the end is neither counted nor a stop.
    EXPECT_EQ(events(), "status: Kontroll av databas: stopp på id       H9\n");
}

TEST_F(InitTest, CountChecksAreShownAndPackingStillEnds) {
    ui.setMainWindow(true);
    dbshdtype h = head(3, 600 + 3 * 124, 2); // two live slots, one freed
    const std::string file =
        fileOf(h, {record(3, "A", "A"), record(3, "", "X"), record(3, "C", "C")});
    writeBytes(dbsFile(), file);
    EXPECT_EQ(open(0)->ids(), "A@600 C@724");
    const std::string wnd = "CWnd::MessageBox/10030 " + kApp + ": ";
    EXPECT_EQ(events(), wnd + "Osäker databas antal=(3 2), välj Konvertera i Arkiv.\n" + wnd +
                            "Fel vid packning antal=(2 1), välj Konvertera i Arkiv.\n");
    std::string after = readBytes(dbsFile());
    EXPECT_EQ(summary(headOf(after)).substr(0, 29), "antal=3 hal=0 slut=848 typ=00");
    EXPECT_EQ(after.size(), 600u + 4 * 124); // hal free slots after the live ones
    EXPECT_EQ(slotOf(after, 848).typ + slotOf(after, 972).typ, 0);

    // A damaged count far beyond the file writes no more free slots than were read.
    h.hal = 1000000;
    writeBytes(dbsFile(), bytesOf(h) + file.substr(324));
    open(0);
    EXPECT_EQ(readBytes(dbsFile()).size(), 600u + 5 * 124);
}

// A converted database given by its path: read with its DOS-page texts converted; Uppdat
// still writes the project's own database.
TEST_F(InitTest, GivenPathOfAConvertedDatabaseIsReadButUpdatesGoToTheProjectDatabase) {
    create();
    dbshdtype h = head(1, 724, 0, "01");
    std::strcpy(h.version, "1.0");
    std::strcpy(h.projnamn, "G\x94teborg");
    std::strcpy(h.text1, "\x86\x84\x94");
    std::strcpy(h.text6, "\x8f\x8e\x99");
    std::strcpy(h.koordsys, "\x94");
    const std::string other = fileOf(h, {record(2, "H1", "H1")});
    writeBytes(root + "/OTHER.DBS", other);
    TestDbs d(proj.get(), &ini);
    ASSERT_EQ(d.Init(0, 0, win("OTHER.DBS").c_str(), nullptr), 0);
    EXPECT_EQ(d.ids(), "H1@600");
    EXPECT_STREQ(d.m_hd.text1, "åäö");
    EXPECT_STREQ(d.m_hd.projnamn, "Göteborg");
    EXPECT_STREQ(d.m_hd.text6, "ÅÄÖ");
    EXPECT_STREQ(d.m_hd.koordsys, "\x94"); // not a project text
    add(d, record(5, "L8", "L8"));
    EXPECT_EQ(readBytes(root + "/OTHER.DBS"), other);
    EXPECT_EQ(slotOf(readBytes(dbsFile()), 724).id, std::string("L8"));
    EXPECT_EQ(events(), "");
}

TEST_F(InitTest, CadMarkerGoesOnlyWhenOpenedForWritingAndDbsRwPairs) {
    create();
    writeBytes(root + "/TMPCAD.PB$", "x");
    EXPECT_EQ(open(1)->DbsKoll(), 1);
    EXPECT_EQ(open(0)->DbsKoll(), 0);
    TestDbs d(proj.get(), &ini);
    d.m_mode = 0;
    EXPECT_EQ(d.Dbs_rw(1000), 0);
    EXPECT_TRUE(exists(lockFile()) && d.m_dbsfil.IsOpen());
    EXPECT_EQ(d.Dbs_rw(1001), 0);
    EXPECT_FALSE(exists(lockFile()) || d.m_dbsfil.IsOpen());
    EXPECT_EQ(d.Dbs_rw(999), -1);
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_EQ(d.Dbs_rw(1001), 0);
}

// ---- searches and order ----

TEST_F(DbsTest, SearchesMakeTheFoundElementCurrent) {
    TestDbs d(proj.get(), &ini);
    for (dbstype r : {record(3, "B1", "B1"), record(5, "ÅS1", "AS1"), record(3, "ÅS1", "AS1_3"),
                      record(7, "X", "X")}) {
        r.filpos = 600 + 124 * d.count();
        d.Ny(1, &r);
    }
    char id[16] = "ås1";
    EXPECT_EQ(d.Findid(3, id), 0);
    EXPECT_STREQ(id, "ÅS1");
    EXPECT_EQ(d.Where(nullptr), 3);
    EXPECT_EQ(d.Findid(0, id), 0); // any type: the first one
    EXPECT_EQ(d.Where(nullptr), 2);
    EXPECT_EQ(d.Findid(7, id), -1);
    EXPECT_EQ(d.Where(nullptr), 2); // current element kept
    char x[16] = "x", b1[16] = "b1", nix[16] = "nix";
    EXPECT_EQ(d.Findid(8, x), -1);
    EXPECT_EQ(d.Findid(7, x), 0);
    EXPECT_EQ(d.Where(nullptr), 4);
    EXPECT_EQ(d.Findid(9, b1) + d.Findid(-1, b1), -2);
    EXPECT_STREQ(b1, "b1"); // refused types leave the text alone
    EXPECT_EQ(d.Findid(0, nix), -1);
    EXPECT_STREQ(nix, "NIX");

    EXPECT_EQ(d.Findobj(0, 724), 0);
    EXPECT_EQ(d.Where(nullptr), 2);
    EXPECT_EQ(d.Findobj(3, 724) + d.Findobj(0, 601) + d.Findobj(9, 600), -3);
    EXPECT_EQ(d.Findobj(3, 848), 0);
    EXPECT_EQ(d.Where(nullptr), 3);

    d.Home();
    dbstype* first = d.cur();
    d.End();
    dbstype* last = d.cur();
    d.Home();
    d++;
    EXPECT_EQ(d.FindNuel(reinterpret_cast<unsigned long>(last)), 0);
    EXPECT_EQ(d.Where(nullptr), 4);
    dbstype copy = *first;
    EXPECT_EQ(d.FindNuel(reinterpret_cast<unsigned long>(&copy)), -1);
    EXPECT_EQ(d.cur(), last); // back to the element current before
    EXPECT_EQ(d.FindNuel(reinterpret_cast<unsigned long>(first)), 0);
    EXPECT_EQ(d.Where(nullptr), 1);
}

TEST(SortvalTest, OrdersByLeadingNumberThenId) {
    CProjPath p("/tmp");
    TestDbs d(&p, nullptr);
    for (const char* id : {"x", "10", "2A", "7B", "7", "B", "10"}) {
        dbstype r = record(3, id, "");
        d.Ny(1, &r);
    }
    d.Sortera(1);
    EXPECT_EQ(d.ids(), "2A@0 7@0 7B@0 10@0 10@0 B@0 x@0");

    dbstype hi = record(3, "12", ""), lo = record(3, "3A", ""), none = record(3, "Z", "");
    dbstype cut = record(3, "", ""), cut15 = record(3, "AAAAAAAAAAAAAAA", "");
    std::memset(cut.id, 'A', 16); // no terminator: the same as its first 15 letters
    struct Case {
        dbstype *mark, *akt;
        int key, result;
    } cases[] = {
        {&hi, &lo, -1, 1},    {&hi, &lo, 1, 0},     {&hi, &hi, -1, 1},  {&lo, &hi, -1, 0},
        {&lo, &hi, 1, 1},     {&lo, &none, 1, 1},   {&none, &lo, 1, 0}, {&lo, &hi, 2, 0},
        {&cut, &cut15, 1, 0}, {&cut15, &cut, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mark->id, 15) + " / " + std::string(c.akt->id, 15));
        d.setMarkRecord(c.mark);
        d.setCurrentRecord(c.akt);
        EXPECT_EQ(d.Sortval(c.key), c.result) << c.key;
    }
    d.Home(); // the list's own pointers again
}

TEST_F(DbsTest, FilnamnReplacesLettersAndNumbersClashesThroughThePasses) {
    TestDbs d(proj.get(), &ini);
    EXPECT_EQ(d.Filnamn(), -1); // no current record
    auto nameFor = [&](int typ, const char* id) {
        dbstype r = record(typ, id, typ == 9 ? id : "");
        d.Ny(1, &r);
        EXPECT_EQ(d.Filnamn(), 0);
        return std::string(d.cur()->filnamn);
    };
    EXPECT_EQ(nameFor(9, "K1"), "K1"); // the record itself does not clash
    const std::pair<const char*, const char*> single[] = {{"ÅB.1/2", "AB-1-2"},
                                                          {"äö:x+\\", "AO-X--"},
                                                          {"a b*é#", "A_B___"},
                                                          {"ABCDEFGHIJ", "ABCDEFGH"}};
    for (const auto& [id, want] : single)
        EXPECT_EQ(nameFor(3, id), want);
    for (const char* want : {"BH1", "BH11", "BH12"})
        EXPECT_EQ(nameFor(3, "BH1"), want);
    EXPECT_EQ(nameFor(5, "BH1"), "BH1");  // another type does not clash
    EXPECT_EQ(nameFor(0, "BH1"), "BH13"); // a typ-0 record clashes with every type
    nameFor(2, "ABC");
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(nameFor(2, "ABC"), "ABC" + std::to_string(i));
    EXPECT_EQ(nameFor(2, "ABC"), "ABC910"); // pass 2 writes after the last candidate ABC9
    EXPECT_EQ(nameFor(5, "LINJE1234"), "LINJE123");
    EXPECT_EQ(nameFor(5, "LINJE1234"), "LINJE121");
    for (int i = 2; i <= 9; ++i)
        if (i != 3) {
            EXPECT_EQ(nameFor(5, "LINJE1234"), "LINJE12" + std::to_string(i));
        }
    EXPECT_EQ(nameFor(5, "LINJE1234"), "LINJE110"); // pass 2 writes from position 6
}

} // namespace
