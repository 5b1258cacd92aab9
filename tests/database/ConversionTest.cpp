// The conversion of a project: the dialog's whole history in the recording sink, the
// database rebuilt from the data files against the same project built directly, the
// versions that are converted or refused, the point file and alignment list, and Arkinit.
#include "tests/database/DbsFixtures.h"

#include "borehole/CKarnborr.h"
#include "database/CHarnKonvertera.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "resources/Dialog1000.h"
#include "tunnel/CTunDbs.h"

#include <algorithm>
#include <filesystem>
#include <map>

using namespace dbs_test;
using testing_support::crlf;
using Kind = platform::RecordingUserInterface::Event::Kind;

namespace {

template <std::size_t N> void setText(char (&field)[N], const char* text) {
    std::snprintf(field, N, "%s", text);
}

// The dialog's events, one per line: "open 1000 CAPTION", "caption C", "text ID T",
// "enable ID 1|0", "press ID 1|0" (accepted or not), "close RESULT"; message boxes as
// "message TEXT" in their place.
std::string history(const platform::RecordingUserInterface& ui) {
    std::string s;
    for (const auto& e : ui.events) {
        switch (e.kind) {
        case Kind::DialogOpen:
            s += "open " + std::to_string(e.control) + " " + e.caption + "\n";
            break;
        case Kind::DialogCaption:
            s += "caption " + e.caption + "\n";
            break;
        case Kind::DialogText:
            s += "text " + std::to_string(e.control) + " " + e.text + "\n";
            break;
        case Kind::DialogEnable:
            s += "enable " + std::to_string(e.control) + (e.enabled ? " 1\n" : " 0\n");
            break;
        case Kind::DialogPress:
            s += "press " + std::to_string(e.control) + (e.enabled ? " 1\n" : " 0\n");
            break;
        case Kind::DialogClose:
            s += "close " + std::to_string(e.answer) + "\n";
            break;
        case Kind::Message:
            s += "message " + e.text + "\n";
            break;
        case Kind::Status:
            s += "status " + e.text + "\n";
            break;
        }
    }
    return s;
}

// An old database: the given version text and fraction, project texts, and slots that no
// longer describe the project.
std::string oldDatabase(const char* version, double verdel, const char* koordsys = "XYZ") {
    dbshdtype h = head(7, 600 + 2 * 124, 0, "1000002", "Gamla projektet", "1998-05-06");
    std::memset(h.version, 0, sizeof h.version);
    std::strcpy(h.version, version);
    h.verdel = verdel;
    std::strcpy(h.text1, "Väg 12"_cp);
    std::strcpy(h.text6, "Åsa"_cp);
    std::strcpy(h.koordsys, koordsys);
    std::strcpy(h.riktning, "SYD");
    return fileOf(h, {record(3, "GAMMAL", "GAMMAL", 1, 2, 3), record(9, "?", "?")});
}

class ConversionTest : public DbsTest {
protected:
    void SetUp() override {
        DbsTest::SetUp();
        platform::FailureLog::reset();
    }

    // The records of a database file, each as its 124 bytes, sorted.
    std::vector<std::string> fileRecords() {
        TestDbs d(proj.get(), nullptr);
        EXPECT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
        std::vector<std::string> out;
        if (d.Home() == 0)
            do
                out.push_back(bytesOf(*d.Get_aktel()));
            while (d++);
        std::sort(out.begin(), out.end());
        return out;
    }

    // A project of every kind of object, built through the classes that own them: a
    // borehole with a core log, a line, an outcrop, a tunnel, two points in the point file
    // and an alignment in the alignment list.
    void buildDirect() {
        TestDbs d(proj.get(), &ini);
        ASSERT_EQ(d.Init(0, 1, nullptr, nullptr), 0);

        d.Ny(1, nullptr);
        dbstype* r = d.Get_aktel();
        r->typ = 3;
        setText(r->id, "AB1");
        ASSERT_EQ(d.Filnamn(), 0);
        harnbhdtype bhd{};
        setText(bhd.id, "AB1");
        CHarnDbs::BhdNull(&bhd);
        bhd.x = 1010, bhd.y = 2020, bhd.z = 31.5, bhd.zberg = 29;
        bhd.lutning = 60, bhd.azimut = 135;
        setText(bhd.jn1, "NEJ");
        setText(bhd.avvmatt, "NEJ");
        ASSERT_EQ(d.SkrivHead(&bhd, r->filnamn), 0);
        ASSERT_EQ(d.Uppdat(0), 0);
        CKarnborr kb(proj.get(), r->filnamn);
        kb.Init();
        kb.m_bhd.metod = CKarnborr::KB;
        kbtype soil{}, rock{};
        soil.djup = 2.5, soil.val = 1;
        rock.djup = 18.25, rock.kod1 = 11, rock.procent = 80, rock.val = 1;
        std::memset(soil.extra, 32, sizeof soil.extra);
        std::memset(rock.extra, 32, sizeof rock.extra);
        kb.Ny(1, &soil);
        kb.Ny(1, &rock);
        ASSERT_EQ(kb.Save(&d, 0), 0);

        d.Ny(1, nullptr);
        r = d.Get_aktel();
        r->typ = 5;
        setText(r->id, "L1");
        ASSERT_EQ(d.Filnamn(), 0);
        CLinjeData line(proj.get(), r->filnamn, CLinjeData::SP);
        line.m_kod = CLinjeData::SP;
        for (int k = 0; k < 3; ++k) {
            line.Ny(1, nullptr);
            lintype* p = line.Get_aktel();
            p->pos = k * 10.0, p->x = 1100 + k * 5, p->y = 2100 - k * 2, p->z = 30 + k;
            std::snprintf(p->txt, sizeof p->txt, "P%d", k + 1);
        }
        ASSERT_EQ(line.Save(&d), 0);

        d.Ny(1, nullptr);
        r = d.Get_aktel();
        r->typ = 2;
        setText(r->id, "H1");
        ASSERT_EQ(d.Filnamn(), 0);
        const std::filesystem::path sample =
            std::filesystem::path(__FILE__).parent_path() / "../../samples/outcrops/HALL3.LAD";
        writeBytes(dataFile("H1.LAD"), readBytes(sample));
        CHellar outcrop(proj.get(), "H1");
        ASSERT_EQ(outcrop.Init(), 0);
        ASSERT_EQ(outcrop.SaveToDbs(&d), 0);

        add(d, {record(4, "PKT1", "PKT1", 1200.125, 2200.5, 33.75),
                record(4, "PKT2", "P2", 1250, 2250, 34)});
        d.Findid(4, std::string("PKT1").data());
        d.Get_aktel()->kod = 7;
        d.Get_aktel()->xyz2[0] = 1.5;
        setText(d.Get_aktel()->text, "Kontroll");
        ASSERT_EQ(d.Uppdat(0), 0);
        ASSERT_EQ(d.SkrivAvp(), 0);

        d.Ny(1, nullptr);
        r = d.Get_aktel();
        r->typ = 1;
        setText(r->id, "T1");
        setText(r->text, "vag1.vl");
        ASSERT_EQ(d.Filnamn(), 0);
        ASSERT_EQ(d.Uppdat(0), 0);
        CTunDbs tunnel(proj.get(), r->filnamn);
        ASSERT_EQ(tunnel.Create(&d), 0);
        todbtype position{};
        position.typ = 7;
        position.aktiv = 1;
        position.sekt = 12.5;
        setText(position.tvnamn, "TV1");
        tunnel.Ny(1, &position);
        ASSERT_EQ(tunnel.Uppdat(0), 0);
        ASSERT_EQ(tunnel.Save(&d), 0);

        dbstype vl = record(6, "VÄG1.VL"_cp, "VAG1-VL");
        vl.kod = 255;
        add(d, {vl});
        ASSERT_EQ(d.VagPaelUppdat(0), 0);
    }

    // Runs the dialog on the project's database file with the scripted presses.
    int runDialog(CHarnDbs& d, std::initializer_list<int> presses, const char* name = "PROJ1") {
        for (int id : presses)
            ui.pressButton(id);
        const CString path = proj->DbsPath();
        CHarnKonvertera dialog(path, name, &d, nullptr);
        const int closed = dialog.DoModal();
        EXPECT_EQ(closed, IDCANCEL); // the dialog is closed with button 2
        return dialog.m_resultat;
    }
};

} // namespace

TEST_F(ConversionTest, OldProjectRebuildsToTheRecordsOfTheDirectBuild) {
    buildDirect();
    const std::vector<std::string> direct = fileRecords();
    ASSERT_EQ(direct.size(), 7u);
    writeBytes(dataFile("readme.txt"), "inte en datafil\n");
    writeBytes(dbsFile(), oldDatabase("1.0", 0.4));
    ui.clear();

    TestDbs d(proj.get(), nullptr);
    EXPECT_EQ(runDialog(d, {IDOK}), 1);
    // Listing order: AB1.SND, H1.LAD, L1.LJE, T1.ODB (and the tunnel's other files),
    // readme.txt, then the points.
    EXPECT_EQ(history(ui), "open 1000 Konvertera projekt:\n"
                           "caption Konvertera projekt: PROJ1\n"
                           "text 1001 1.5\n"
                           "text 1000 1.4\n"
                           "enable 1 1\n"
                           "press 1 1\n"
                           "enable 1 0\n"
                           "enable 2 0\n"
                           "text 1002 1\n"
                           "text 1004 1\n"
                           "text 1003 1\n"
                           "text 1005 1\n"
                           "text 1006 1\n"
                           "text 1006 2\n"
                           "enable 2 1\n"
                           "text 2 Klar!\n"
                           "press 2 1\n"
                           "close 2\n");
    EXPECT_EQ(ui.controlTexts(IDC_PUNKTER), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(ui.buttonStates(IDOK), (std::vector<bool>{true, false}));
    EXPECT_EQ(ui.buttonStates(IDCANCEL), (std::vector<bool>{false, true}));
    EXPECT_EQ(platform::FailureLog::count(), 0);

    EXPECT_EQ(fileRecords(), direct);
    const dbshdtype h = fileHd();
    EXPECT_EQ(std::string(h.version), "1.0");
    EXPECT_EQ(h.verdel, 0.5);
    EXPECT_EQ(std::string(h.projnamn), "PROJ1");
    EXPECT_EQ(std::string(h.text1), "Väg 12"_cp);
    EXPECT_EQ(std::string(h.text6), "Åsa"_cp);
    EXPECT_EQ(std::string(h.datum), "1998-05-06");
    EXPECT_EQ(std::string(h.koordsys), "LOK");
    EXPECT_EQ(std::string(h.riktning), "SYD");
    // The counters shown are the records written: one tunnel, borehole, line and outcrop,
    // two points, and the alignment.
    EXPECT_EQ(summary(h).substr(0, 37), "antal=7 hal=0 slut=1468 typ=111211000");
    // The rebuilt database opens without a word.
    ui.clear();
    TestDbs again(proj.get(), nullptr);
    EXPECT_EQ(again.Init(0, 0, nullptr, nullptr), 0);
    EXPECT_EQ(history(ui), "");
}

TEST_F(ConversionTest, VersionsAreReadConvertedOrRefused) {
    struct Case {
        const char* version;
        double verdel;
        const char* shown; // in "Från version:"
        int code;
    };
    const Case cases[] = {
        {"1.0", 0.4, "1.4", 140}, {"1.0", 7.0, "1.0", 100}, {"1.0", -0.5, "1.0", 100},
        {"0.9", 0.05, "0.1", 5},  {"1.5", 0.0, "1.0", 100}, {"2.0", 0.5, "2.5", 250},
        {"abc", 0.5, "0.5", 50},
    };
    for (const Case& c : cases) {
        writeBytes(dbsFile(), oldDatabase(c.version, c.verdel));
        double v = 0;
        EXPECT_EQ(CHarnKonvertera::LasVersion(win("HARNPLAN.DBS").c_str(), &v), c.code)
            << c.version << " " << c.verdel;
        char shown[16];
        std::snprintf(shown, sizeof shown, "%.1f", v);
        EXPECT_EQ(std::string(shown), c.shown) << c.version << " " << c.verdel;
    }

    // A version outside the list: the message, and the file as it was.
    const std::string newer = oldDatabase("2.0", 0.5);
    writeBytes(dbsFile(), newer);
    TestDbs d(proj.get(), nullptr);
    EXPECT_EQ(d.Restore(win("HARNPLAN.DBS").c_str(), "PROJ1", nullptr), -1);
    EXPECT_EQ(history(ui), "message Otillåten version : 2.50 \n"_cp);
    EXPECT_EQ(readBytes(dbsFile()), newer);

    // "RAK" is kept; a head whose fraction is out of range converts as its whole version.
    ui.clear();
    writeBytes(dbsFile(), oldDatabase("1.0", 7.0, "RAK"));
    EXPECT_EQ(d.Restore(win("HARNPLAN.DBS").c_str(), "P", nullptr), 1);
    EXPECT_EQ(std::string(fileHd().koordsys), "RAK");
    EXPECT_EQ(std::string(fileHd().projnamn), "P");
    EXPECT_EQ(readBytes(dbsFile()).size(), 324u); // an empty folder: only the head
    EXPECT_EQ(history(ui), "");
}

// The database object the host holds when it offers the conversion has read the head it
// refused or doubted: the conversion on it writes what it writes on a fresh object.
TEST_F(ConversionTest, AnObjectThatReadTheHeadConvertsAsAFreshOne) {
    buildDirect();
    std::string doubted = readBytes(dbsFile());
    const int32_t antal = 5; // "Osäker databas": the file holds 7
    std::memcpy(doubted.data() + offsetof(dbshdtype, antal), &antal, sizeof antal);
    const std::string path = win("HARNPLAN.DBS");
    for (const std::string& before : {oldDatabase("1.0", 0.4), doubted}) {
        writeBytes(dbsFile(), before);
        TestDbs fresh(proj.get(), nullptr);
        ASSERT_EQ(fresh.Restore(path.c_str(), "PROJ1", nullptr), 1);
        const std::string converted = readBytes(dbsFile());

        writeBytes(dbsFile(), before);
        TestDbs d(proj.get(), nullptr);
        const int read = d.Init(0, 0, nullptr, nullptr); // refused, or read with the warning
        ASSERT_EQ(d.Restore(path.c_str(), "PROJ1", nullptr), 1) << read;
        EXPECT_EQ(readBytes(dbsFile()), converted) << read;
        ui.clear();
        TestDbs again(proj.get(), nullptr);
        EXPECT_EQ(again.Init(0, 0, nullptr, nullptr), 0);
        EXPECT_EQ(history(ui), "") << read;
    }
}

TEST_F(ConversionTest, UnreadableFileLeavesOkDisabledAndNothingChanged) {
    // Missing, a single byte, and shorter than the head's texts.
    for (const std::string& bytes : {std::string(), std::string("x"), std::string(219, '1')}) {
        ui.clear();
        if (bytes.empty())
            std::filesystem::remove(dbsFile());
        else
            writeBytes(dbsFile(), bytes);
        TestDbs d(proj.get(), nullptr);
        EXPECT_EQ(runDialog(d, {IDOK}, "X"), 0);
        EXPECT_EQ(history(ui), "open 1000 Konvertera projekt:\n"
                               "caption Konvertera projekt: X\n"
                               "text 1001 1.5\n"
                               "text 1000 ??\n"
                               "enable 1 0\n"
                               "press 1 0\n"
                               "press 2 1\n"
                               "close 2\n");
        EXPECT_EQ(readBytes(dbsFile()), bytes);
        ui.clear();
        EXPECT_EQ(d.Restore(win("HARNPLAN.DBS").c_str(), "X", nullptr), -1);
        EXPECT_EQ(history(ui), "message Konverteringen avbruten !\n");
        EXPECT_EQ(exists(dbsFile()), !bytes.empty());
    }
    // "Avbryt" before the start leaves a good database untouched.
    const std::string old = oldDatabase("1.0", 0.4);
    writeBytes(dbsFile(), old);
    ui.clear();
    TestDbs d(proj.get(), nullptr);
    EXPECT_EQ(runDialog(d, {IDCANCEL}), 0);
    EXPECT_EQ(ui.buttonStates(IDOK), (std::vector<bool>{true}));
    EXPECT_EQ(ui.controlTexts(IDCANCEL).size(), 0u);
    EXPECT_EQ(readBytes(dbsFile()), old);
}

TEST_F(ConversionTest, FolderEntriesPointsAndAlignments) {
    // Data files whose class cannot read them (names too long for the classes) are still
    // counted; a borehole's record is written with its id and file name only, the others
    // stay in memory.
    writeBytes(dataFile("AB1.SND"), crlf("ab1             Texten\n1.0\n*"));
    writeBytes(dataFile("langtnamn123.lje"), "x\n");
    writeBytes(dataFile("LANGHALLNAMN.LAD"), "x\n");
    writeBytes(dataFile("readme.txt"), "x");
    writeBytes(dataFile(".SND"), "x");
    writeBytes(dataFile("NOEXT"), "x");
    writeBytes(root + "/Harnplan.pkt",
               crlf("P1\n1 2 3 4 5 6 9 N1\nText med blanka\n\n" // a point
                    "\n"                                        // no id: skipped
                    "P2\n1 2 3 4 5 6\nT2\n\n"                   // six numbers: dropped
                    "P3\n*\n*\n\n"                              // fields as they were
                    "*\nP4\n1 1 1 1 1 1 1 N4\nT4\n\n"));        // after the end
    writeBytes(dataFile("VAGLINJE.LIS"), crlf("huvud\n*\nVL1 VL1F extra\n\nVL2\n*\nVL3 X Y\n"));
    writeBytes(dbsFile(), oldDatabase("1.0", 0.4));

    TestDbs d(proj.get(), nullptr);
    EXPECT_EQ(d.Restore(win("HARNPLAN.DBS").c_str(), "PROJ1", nullptr), 1);
    EXPECT_EQ(d.ids(), "ab1@600 LANGHALLNAMN@0 LANGTNAMN123@0 P1@724 P3@848 VL1@972 VL2@1096");
    // The objects whose files were not read are said, not dropped.
    EXPECT_EQ(platform::FailureLog::entries(),
              (std::vector<std::string>{"conversion: outcrop Init failed (-1) for LANGHALLNAMN",
                                        "conversion: line Init failed (-1) for langtnamn123"}));
    std::map<std::string, dbstype> byId;
    for (const std::string& bytes : fileRecords())
        byId[at<dbstype>(bytes, 0).id] = at<dbstype>(bytes, 0);
    ASSERT_EQ(byId.size(), 5u);
    EXPECT_EQ(std::string(byId["ab1"].filnamn), "AB1");
    EXPECT_EQ(byId["ab1"].typ, 3);
    const dbstype& p1 = byId["P1"];
    EXPECT_EQ(p1.typ, 4);
    EXPECT_EQ(p1.kod, 9);
    EXPECT_EQ(std::string(p1.filnamn), "N1");
    EXPECT_EQ(std::string(p1.text), "Text"); // one word
    EXPECT_EQ(p1.xyz2[2], 6);
    const dbstype& p3 = byId["P3"]; // the fields of the block before
    EXPECT_EQ(p3.x, 1);
    EXPECT_EQ(std::string(p3.filnamn), "N1");
    EXPECT_EQ(byId["VL1"].kod, 255);
    EXPECT_EQ(std::string(byId["VL1"].filnamn), "VL1F");
    EXPECT_EQ(std::string(byId["VL2"].filnamn), "");
    EXPECT_EQ(summary(fileHd()).substr(0, 37), "antal=5 hal=0 slut=1220 typ=001202000");
}

TEST_F(ConversionTest, ArkinitLoadsOrOpens) {
    create();
    TestDbs d(proj.get(), nullptr);
    EXPECT_EQ(d.Arkinit(win("HARNPLAN.DBS").c_str()), 0); // nothing loaded: Init
    EXPECT_FALSE(d.m_dbsfil.IsOpen());
    EXPECT_EQ(d.m_mode, 0);
    add(d, {record(4, "P1", "P1")});
    EXPECT_EQ(d.Arkinit("ignored"), 0); // opened and left open, without a lock file
    EXPECT_TRUE(d.m_dbsfil.IsOpen());
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_EQ(d.Arkinit("ignored"), -1);
    d.Dbs_rw(1001);
    std::filesystem::remove(dbsFile());
    ui.setStatusLine(true);
    EXPECT_EQ(d.Arkinit("C:\\X.DBS"), -3);
    EXPECT_EQ(history(ui), "status Kan ej öppna databas : C:\\X.DBS\n"_cp);
}

TEST_F(ConversionTest, KonverteraRunsTheDialogOnTheProjectsDatabase) {
    writeBytes(dbsFile(), oldDatabase("1.0", 0.4));
    writeBytes(root + "/Harnplan.pkt", crlf("P1\n1 2 3 4 5 6 9 N1\nT\n\n*\n"));
    ui.pressButton(IDOK);
    TestDbs d(proj.get(), nullptr);
    EXPECT_EQ(d.Konvertera("NYTT"), 1);
    EXPECT_EQ(ui.controlTexts(IDC_PUNKTER), std::vector<std::string>{"1"});
    EXPECT_EQ(std::string(fileHd().projnamn), "NYTT");
    EXPECT_EQ(summary(fileHd()).substr(0, 36), "antal=1 hal=0 slut=724 typ=000100000");

    // Closed with "Avbryt": 1 all the same, the file as it was. The caption holds the whole
    // name, however long.
    const std::string rebuilt = readBytes(dbsFile());
    ui.pressButton(IDCANCEL);
    TestDbs other(proj.get(), nullptr);
    const std::string longName = "Projektet för den nya järnvägen mellan Åre och Östersund"_cp;
    EXPECT_EQ(other.Konvertera(longName.c_str()), 1);
    EXPECT_EQ(readBytes(dbsFile()), rebuilt);
    EXPECT_NE(history(ui).find("caption Konvertera projekt: " + longName + "\n"),
              std::string::npos);
}

// A borehole file not named after its head's id (as the demo's KBH-Ö1 in KBH-O1.SND) is read
// by its own name: its record gets what the core log gives, as it does in a direct build (the
// method classes built for the id would find no file).
TEST_F(ConversionTest, ABoreholeFileNotNamedAfterItsIdKeepsItsMethods) {
    buildDirect();
    dbstype direct{};
    for (const std::string& bytes : fileRecords())
        if (at<dbstype>(bytes, 0).typ == 3)
            direct = at<dbstype>(bytes, 0);
    ASSERT_EQ(direct.flagg & 1, 1); // the core log
    std::string snd = readBytes(dataFile("AB1.SND"));
    ASSERT_EQ(snd.substr(0, 5), "AB1  ");
    snd.replace(0, 5, "AB-Ö1"_cp);
    std::filesystem::remove(dataFile("AB1.SND"));
    writeBytes(dataFile("AB-O1.SND"), snd);
    writeBytes(dbsFile(), oldDatabase("1.0", 0.4));
    TestDbs d(proj.get(), nullptr);
    EXPECT_EQ(d.Restore(win("HARNPLAN.DBS").c_str(), "PROJ1", nullptr), 1);
    EXPECT_EQ(platform::FailureLog::count(), 0);
    dbstype converted{};
    for (const std::string& bytes : fileRecords())
        if (at<dbstype>(bytes, 0).typ == 3)
            converted = at<dbstype>(bytes, 0);
    EXPECT_EQ(std::string(converted.id), "AB-Ö1"_cp);
    EXPECT_EQ(std::string(converted.filnamn), "AB-O1");
    EXPECT_EQ(converted.flagg, direct.flagg);
    EXPECT_EQ(bytesOf(converted).substr(offsetof(dbstype, x), 9 * sizeof(double)),
              bytesOf(direct).substr(offsetof(dbstype, x), 9 * sizeof(double)));
}

TEST_F(ConversionTest, FailuresTheConversionGoesPastAreLogged) {
    writeBytes(dbsFile(), oldDatabase("1.0", 0.4));
    writeBytes(root + "/Harnplan.pkt", crlf("P1\n1 2 3 4 5 6 9 N1\nT\n\n*\n"));
    writeBytes(dataFile("VAGLINJE.LIS"), crlf("*\nVL1 F\n*\n"));
    // Every write after the new head fails: each record's update is refused or raises.
    platform::FaultInjector::failNth(platform::FileOp::Write, 2, true);
    TestDbs d(proj.get(), nullptr);
    EXPECT_EQ(runDialog(d, {IDOK}), -1);
    platform::FaultInjector::reset();
    ASSERT_EQ(platform::FailureLog::count(), 1);
    EXPECT_EQ(platform::FailureLog::entries()[0].substr(0, 34),
              "conversion stopped by a file error");
    // The dialog still ends with "Klar!", the head that was written is whole and no lock
    // file is left behind.
    EXPECT_EQ(ui.controlTexts(IDCANCEL), std::vector<std::string>{"Klar!"});
    EXPECT_EQ(std::string(fileHd().version), "1.0");
    EXPECT_FALSE(exists(lockFile()));
}
