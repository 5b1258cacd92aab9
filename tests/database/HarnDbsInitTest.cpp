// Opening and reading the project database: creation, the lock protocol, the version and
// count checks, the packing of freed slots, searches, order and file names.
#include "tests/database/DbsFixtures.h"

#include "platform/Clock.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"

#include <sstream>
#include <unistd.h>

using namespace dbs_test;

namespace {

class InitTest : public DbsTest {};

TEST_F(InitTest, NewDatabaseIsTheHeadAlone) {
    struct Case {
        const char* datum; // settings date; null: no settings, the clock's date
        int yearsSince1900;
        const char *name, *projnamn, *want;
    } cases[] = {
        {"2026-03-04", 0, nullptr, "PROJ1", "2026-03-04"},
        {"2026-03-04 12:00", 0, "X", "X", "2026-03-04"},
        {nullptr, 126, "Ett mycket långt projektnamn som inte får plats"_cp,
         "Ett mycket långt projektnamn som in"_cp, "2026-07-09"},
        {nullptr, 79, "P", "P", "2079-07-09"},
        {nullptr, 80, "P", "P", "1980-07-09"},
    };
    for (const Case& c : cases) {
        ::unlink(dbsFile().c_str());
        ini.SetDatum(c.datum ? c.datum : "");
        platform::LocalTime t;
        t.year = 1900 + c.yearsSince1900, t.yearsSince1900 = c.yearsSince1900;
        t.month = 7, t.day = 9;
        platform::setFixedTime(&t);
        TestDbs d(proj.get(), c.datum ? &ini : nullptr);
        EXPECT_EQ(d.Init(0, 1, nullptr, c.name), 0);
        platform::setFixedTime(nullptr);
        EXPECT_EQ(readBytes(dbsFile()), bytesOf(head(0, 600, 0, "", c.projnamn, c.want)));
        EXPECT_EQ(bytesOf(open()->m_hd), readBytes(dbsFile())) << c.want;
    }
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_EQ(events(), "");
}

// Each refusal shows its message and leaves the file; a lock file of another program makes
// Init give up after about one second and stays, every other way out removes our lock.
TEST_F(InitTest, RefusalsShowTheirMessageAndLeaveTheFile) {
    const std::string path = win("HARNPLAN.DBS"), other = win("OTHER.DBS");
    dbshdtype old = head();
    std::strcpy(old.version, "0.9");
    old.verdel = 0;
    const std::string created = bytesOf(head()), shortHead(323, '\0'),
                      oldFile = fileOf(old, {record(2, "H1", "H1")});
    struct Case {
        const std::string* file; // the database file before, null for none
        int mode, skapa;
        bool fillList, locked; // a list that already holds a record; a lock file present
        int result;
        std::string events;
    } cases[] = {
        {&created, 0, 1, false, false, -1,
         box(kApp, "Databasen finns redan !") + box(kLas, "Kan ej öppna databas: "_cp + path)},
        {&created, 1, 1, false, false, -1, box(kLas, "Kan ej öppna databas: "_cp + path)},
        {nullptr, 0, 0, false, false, -1, box(kLas, "Kan ej öppna databas: "_cp + path)},
        {&created, 0, 0, false, true, -1, box(kLas, "Kan ej öppna databas: "_cp + path)},
        {&shortHead, 0, 0, false, false, -4, box(kLas, "Fel vid läsning av databas : "_cp + path)},
        {&oldFile, 0, 0, false, false, -1,
         box(kLas, "Fel vid läsning av databas : "_cp + path +
                       "\nFelaktig version: 0.9\nNu gäller version: 1.5\nVälj Konvertera i "
                       "Arkiv !"_cp)},
        {&created, 0, 0, true, false, -1,
         box(kLas, "Kan ej läsa databas: "_cp + other + "\nListan ej tom!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.events);
        ui.clear();
        ::unlink(dbsFile().c_str());
        const std::string before = c.file ? *c.file : "";
        if (c.file)
            writeBytes(dbsFile(), before);
        if (c.locked)
            writeBytes(lockFile(), "");
        TestDbs d(proj.get(), &ini);
        if (c.fillList)
            d.Ny(1, nullptr);
        const double waited = seconds([&] {
            EXPECT_EQ(d.Init(c.mode, c.skapa, c.fillList ? other.c_str() : nullptr, nullptr),
                      c.result);
        });
        EXPECT_TRUE(c.locked ? waited >= 0.9 && waited < 3 : waited < 0.5) << waited;
        EXPECT_EQ(events(), c.events);
        EXPECT_EQ(d.count(), c.fillList ? 1 : 0);
        EXPECT_EQ(readBytes(dbsFile()), before);
        EXPECT_EQ(exists(dbsFile()), c.file != nullptr);
        EXPECT_EQ(exists(lockFile()), c.locked);
        ::unlink(lockFile().c_str());
    }
}

TEST_F(InitTest, PackingClosesTheFreedSlotByteForByte) {
    dbstype a = record(3, "B1", "B1", 1, 2, 3), c = record(3, "B3", "B3", 7, 8, 9), freed = c;
    c.text[0] = 'T';
    const std::string original =
        fileOf(head(2, 600 + 3 * 124, 1, "002"), {a, record(0, "B2", "B2", 4, 5, 6), c});
    writeBytes(dbsFile(), original);
    EXPECT_EQ(open(1)->ids(), "B1@600 B3@848"); // read only: counted, not packed
    EXPECT_EQ(readBytes(dbsFile()), original);

    freed.typ = 0, freed.id[0] = 0, freed.text[0] = 'T';
    const std::string after = fileOf(head(2, 848, 0, "002"), {a, c, freed});
    auto d = open();
    EXPECT_EQ(d->ids(), "B1@600 B3@724");
    EXPECT_EQ(bytesOf(d->m_hd) + readBytes(dbsFile()), after.substr(0, 324) + after);
    auto again = open();
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
    std::unique_ptr<TestDbs> d;
    EXPECT_GE(seconds([&] { d = open(); }), 0.25);
    EXPECT_EQ(d->ids(), "T1@600");
    // The free slot past the end is neither counted nor a stop.
    EXPECT_EQ(events(), "status: Kontroll av databas: stopp på id       H9\n"_cp);
}

TEST_F(InitTest, CountChecksAreShownAndPackingStillEnds) {
    ui.setMainWindow(true);
    dbshdtype h = head(3, 600 + 3 * 124, 2); // two live slots, one freed
    const std::string file =
        fileOf(h, {record(3, "A", "A"), record(3, "", "X"), record(3, "C", "C")});
    writeBytes(dbsFile(), file);
    EXPECT_EQ(open()->ids(), "A@600 C@724");
    const std::string wnd = "CWnd::MessageBox/10030 " + kApp + ": ";
    EXPECT_EQ(events(), wnd + "Osäker databas antal=(3 2), välj Konvertera i Arkiv.\n"_cp + wnd +
                            "Fel vid packning antal=(2 1), välj Konvertera i Arkiv.\n"_cp);
    EXPECT_EQ(fileHead().substr(0, 29), "antal=3 hal=0 slut=848 typ=00");
    EXPECT_EQ(readBytes(dbsFile()).size(), 600u + 4 * 124); // hal free slots after the live ones
    EXPECT_EQ(fileSlot(848).typ + fileSlot(972).typ, 0);
    // A damaged count far beyond the file writes no more free slots than were read.
    h.hal = 1000000;
    writeBytes(dbsFile(), bytesOf(h) + file.substr(324));
    open();
    EXPECT_EQ(readBytes(dbsFile()).size(), 600u + 5 * 124);
}

// A converted database given by its path: read with its DOS-page project texts converted;
// Uppdat still writes the project's own database.
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
    EXPECT_EQ(std::string(d.m_hd.text1) + d.m_hd.projnamn + d.m_hd.text6 + d.m_hd.koordsys,
              std::string("åäöGöteborgÅÄÖ"_cp) + "\x94");
    add(d, {record(5, "L8", "L8")});
    EXPECT_EQ(readBytes(root + "/OTHER.DBS"), other);
    EXPECT_STREQ(fileSlot(724).id, "L8");
    EXPECT_EQ(events(), "");
}

TEST_F(InitTest, CadMarkerGoesOnlyWhenOpenedForWritingAndDbsRwPairs) {
    create();
    writeBytes(root + "/TMPCAD.PB$", "x");
    EXPECT_EQ(open(1)->DbsKoll() * 10 + open()->DbsKoll(), 10);
    TestDbs d(proj.get(), &ini);
    d.m_mode = 0;
    EXPECT_EQ(d.Dbs_rw(1000), 0);
    EXPECT_TRUE(exists(lockFile()) && d.m_dbsfil.IsOpen());
    EXPECT_EQ(d.Dbs_rw(1001), 0);
    EXPECT_FALSE(exists(lockFile()) || d.m_dbsfil.IsOpen());
    EXPECT_EQ(d.Dbs_rw(999), -1);
    EXPECT_FALSE(exists(lockFile()));
}

// ---- searches and order ----

// Findid takes the id to upper case (type 0: any type); a miss keeps the current element, a
// refused type also the text. (Findobj and FindNuel, and Findid over random lists, are
// SearchIndexTest's.)
TEST_F(DbsTest, SearchesMakeTheFoundElementCurrent) {
    TestDbs d(proj.get(), &ini);
    for (dbstype r : {record(3, "B1", "B1"), record(5, "ÅS1"_cp, "AS1"),
                      record(3, "ÅS1"_cp, "AS1_3"), record(7, "X", "X")})
        d.Ny(1, &r);
    struct Case {
        int typ;
        const char* id;
        int result, where;
        const char* after;
    } cases[] = {{3, "ås1"_cp, 0, 3, "ÅS1"_cp},
                 {0, "ÅS1"_cp, 0, 2, "ÅS1"_cp},
                 {7, "ÅS1"_cp, -1, 2, "ÅS1"_cp},
                 {8, "x", -1, 2, "X"},
                 {7, "x", 0, 4, "X"},
                 {9, "b1", -1, 4, "b1"},
                 {-1, "b1", -1, 4, "b1"},
                 {0, "nix", -1, 4, "NIX"}};
    for (const Case& c : cases) {
        char id[16] = {};
        std::strncpy(id, c.id, sizeof id - 1);
        EXPECT_EQ(d.Findid(c.typ, id), c.result) << c.typ << c.after;
        EXPECT_EQ(d.Where(nullptr), c.where) << c.typ << c.after;
        EXPECT_STREQ(id, c.after);
    }
}

// Sortera by Sortval: by the leading number, then by the id; Sortval's keys -1, 1 and 2 on
// the mark and the current record (an id of 16 letters without a terminator is its first 15).
TEST(SortvalTest, OrdersByLeadingNumberThenId) {
    CProjPath p("/tmp");
    TestDbs d(&p, nullptr);
    for (const char* id : {"x", "10", "2A", "7B", "7", "B", "10"}) {
        dbstype r = record(3, id, "");
        d.Ny(1, &r);
    }
    d.Sortera(1);
    EXPECT_EQ(d.ids(), "2A@0 7@0 7B@0 10@0 10@0 B@0 x@0");
    const std::string a16(16, 'A'), a15(15, 'A');
    struct Case {
        std::string mark, akt;
        int key, result;
    } cases[] = {{"12", "3A", -1, 1}, {"12", "3A", 1, 0}, {"12", "12", -1, 1}, {"3A", "12", -1, 0},
                 {"3A", "12", 1, 1},  {"3A", "Z", 1, 1},  {"Z", "3A", 1, 0},   {"3A", "12", 2, 0},
                 {a16, a15, 1, 0},    {a15, a16, 1, 0}};
    for (const Case& c : cases) {
        dbstype mark = record(3, c.mark.c_str(), ""), akt = record(3, c.akt.c_str(), "");
        d.setMarkAndCurrent(&mark, &akt);
        EXPECT_EQ(d.Sortval(c.key), c.result) << c.mark << " / " << c.akt << " " << c.key;
    }
    d.Home(); // the list's own pointers again
}

// tests/data/database/filnamn.txt: records added in order, "typ<TAB>id<TAB>the name Filnamn
// gives[<TAB>why]" (UTF-8).
TEST_F(DbsTest, FilnamnReplacesLettersAndNumbersClashesThroughThePasses) {
    TestDbs d(proj.get(), &ini);
    EXPECT_EQ(d.Filnamn(), -1); // no current record
    std::istringstream steps(platform::utf8ToCp1252(dataOf("filnamn.txt")));
    int n = 0;
    for (std::string line, typ, id, want; std::getline(steps, line); ++n) {
        std::istringstream f(line);
        std::getline(std::getline(std::getline(f, typ, '\t'), id, '\t'), want, '\t');
        dbstype r = record(std::stoi(typ), id.c_str(), typ == "9" ? id.c_str() : "");
        d.Ny(1, &r);
        EXPECT_EQ(d.Filnamn(), 0);
        EXPECT_EQ(d.cur()->filnamn, want) << line;
    }
    EXPECT_EQ(n, 31);
}

} // namespace
