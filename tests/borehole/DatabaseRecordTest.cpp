// The borehole's record in the project database after each save: position, extents from
// direction and length or from the deviation survey, and the method flag bits.
#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "database/CHarnDbs.h"

#include "tests/borehole/BoreholeFixture.h"

#include <cmath>
#include <functional>
#include <memory>

using namespace borehole_test;

namespace {

// A head at x 1000, y 2000, ground level 100, rock level 88, with dval1..3 1.5, 2.5, 3.5.
std::string headWith(int azimut, int lutning, bool surveyed, double zberg = 88.0) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "%-15s %-15s\n1000.000000\n2000.000000 0\n100.000000 %f\n1.500000 0.000000\n"
                  "2.500000 3.500000 0 %d\n0.000000 %d %d\n",
                  "B1", "", zberg, surveyed ? 1 : 0, azimut, lutning);
    return text;
}

// A core block with two sections down to `length`, as the library writes it.
std::string coreBlock(double length) {
    std::string block = "*\n0 KB\n0.000000 0 0 0 1 0 0\n";
    for (double d : {length / 2, length}) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "%6.2f  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n"
                      "%.2f 0.0 0.00 0.0 0.0 0.0 0 0 0 0 0 0\n",
                      d, -d);
        block += line;
    }
    return block + "*\n";
}

std::string rbBlock(int number, double length) {
    char line[120];
    std::snprintf(line, sizeof line, "*\n%d R\n0.000000 0 0 0 1 0\n%7.3f %6d\n*\n", number, length,
                  10);
    return line;
}

const std::string kSurvey = "0 1000.0 2000.0 100.0\n"
                            "10 1001.5 1999.0 91.0\n"
                            "20 1003.0 2000.5 81.0\n"
                            "30 1002.0 2002.0 71.5\n";

class DatabaseRecordTest : public BoreholeTest {
protected:
    std::unique_ptr<CHarnDbs> dbs;

    void SetUp() override {
        BoreholeTest::SetUp();
        dbs = std::make_unique<CHarnDbs>(&proj, nullptr);
        ASSERT_EQ(dbs->Init(0, 1, nullptr, nullptr), 0);
        dbstype r{};
        r.typ = 3;
        setText(r.id, "B1");
        dbs->Ny(1, &r);
        ASSERT_EQ(dbs->Filnamn(), 0);
        ASSERT_STREQ(dbs->Get_aktel()->filnamn, "B1");
        ASSERT_EQ(dbs->Uppdat(0), 0);
        ui.clear();
    }

    dbstype& current() { return *dbs->Get_aktel(); }

    // The record as another program reads it from the database file.
    dbstype fromDisk() {
        CHarnDbs other(&proj, nullptr);
        EXPECT_EQ(other.Init(1, 0, nullptr, nullptr), 0);
        char id[] = "B1";
        EXPECT_EQ(other.Findid(3, id), 0);
        return other.Get_aktel() ? *other.Get_aktel() : dbstype{};
    }

    int saveCore() {
        CKarnborr kb(&proj, "B1");
        EXPECT_EQ(kb.Init(), 0);
        kb.m_bhd.metod = CKarnborr::KB;
        return kb.Save(dbs.get(), 0);
    }

    std::string crdPath() const { return dir.winPath() + "\\HARNDB\\B1.CRD"; }
};

TEST_F(DatabaseRecordTest, VerticalHole) {
    writeSnd(headWith(0, 90, false) + coreBlock(30));
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    kb.m_bhd.metod = CKarnborr::KB;
    kb.m_bhd.kod = 0x1234;
    setText(kb.m_bhd.text, "Kärnborrhål nummer1"); // 19 characters; the record keeps 18
    ASSERT_EQ(kb.Save(dbs.get(), 0), 0);
    EXPECT_TRUE(ui.messages().empty());

    for (const dbstype& r : {current(), fromDisk()}) {
        EXPECT_DOUBLE_EQ(r.x, 1000.0);
        EXPECT_DOUBLE_EQ(r.y, 2000.0);
        EXPECT_DOUBLE_EQ(r.z, 100.0);
        EXPECT_NEAR(r.dx, 0.0, 1e-9);
        EXPECT_NEAR(r.dy, 0.0, 1e-9);
        EXPECT_DOUBLE_EQ(r.dz, 30.0);
        EXPECT_EQ(std::vector<double>(r.xyz2, r.xyz2 + 3), (std::vector<double>{1.5, 2.5, 3.5}));
        EXPECT_EQ(r.kod, 0x34);
        EXPECT_STREQ(r.text, "Kärnborrhål nummer");
        EXPECT_EQ(r.flagg, 0x01);
        EXPECT_EQ(r.typ, 3);
        EXPECT_STREQ(r.filnamn, "B1");
    }
}

TEST_F(DatabaseRecordTest, InclinedHole) {
    writeSnd(headWith(30, 60, false) + coreBlock(20));
    ASSERT_EQ(saveCore(), 0);
    const dbstype r = fromDisk();
    EXPECT_NEAR(r.dx, 20 * std::cos(M_PI / 6) * 0.5, 1e-9); // 8.660
    EXPECT_NEAR(r.dy, 5.0, 1e-9);
    EXPECT_NEAR(r.dz, 20 * std::sin(M_PI / 3), 1e-9); // 17.321
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(DatabaseRecordTest, SurveyedHole) {
    writeSnd(headWith(0, 90, true) + coreBlock(30));
    testing_support::writeBytes(crd(), crlf(kSurvey));
    ASSERT_EQ(saveCore(), 0);
    EXPECT_TRUE(ui.messages().empty());
    const dbstype r = fromDisk();
    EXPECT_DOUBLE_EQ(r.dx, 3.0);
    EXPECT_DOUBLE_EQ(r.dy, 2.0);
    EXPECT_DOUBLE_EQ(r.dz, 28.5);
    EXPECT_EQ(r.flagg, 0x01);
}

TEST_F(DatabaseRecordTest, SurveyStartingElsewhereIsReported) {
    writeSnd(headWith(0, 90, true) + coreBlock(30));
    std::string survey = kSurvey;
    survey.replace(0, 8, "0 1000.2");
    testing_support::writeBytes(crd(), survey);
    ASSERT_EQ(saveCore(), 0);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Varning ! id: B1, koordinater X,Y,Z och Zstopp\n"
                         "Harnoplan 1000.00 2000.00 100.00 71.50\n"
                         "CRD-fil 1000.20 2000.00 100.00 71.50");
    EXPECT_EQ(m[0].call, platform::MessageCall::MessageBoxA);
    EXPECT_EQ(m[0].flags, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(m[0].caption, platform::applicationTitle());
    const dbstype r = fromDisk(); // stored anyway
    EXPECT_NEAR(r.dx, 2.8, 1e-9);
    EXPECT_DOUBLE_EQ(r.dz, 28.5);

    // A bottom that does not match the survey's last point is reported too.
    ui.clear();
    testing_support::writeBytes(crd(), "0 1000 2000 100\n5 1000 2000 90\n7 1000 2000 95\n");
    ASSERT_EQ(saveCore(), 0);
    m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Varning ! id: B1, koordinater X,Y,Z och Zstopp\n"
                         "Harnoplan 1000.00 2000.00 100.00 90.00\n"
                         "CRD-fil 1000.00 2000.00 100.00 95.00");
}

TEST_F(DatabaseRecordTest, MissingSurveyFallsBackToDirection) {
    writeSnd(headWith(0, 90, true) + coreBlock(30));
    ASSERT_EQ(saveCore(), 0);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "B1 är markerat som avvikelsemätt men fil\n" + crdPath() + " saknas !");
    EXPECT_EQ(m[0].flags, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_DOUBLE_EQ(fromDisk().dz, 30.0);
}

TEST_F(DatabaseRecordTest, BadSurveyLinesAreSkippedWithAStatusText) {
    ui.setStatusLine(true);
    writeSnd(headWith(0, 90, true) + coreBlock(30));
    std::string survey = kSurvey;
    survey.insert(survey.find("20 "), "20 1003.0\nfel\n");
    testing_support::writeBytes(crd(), crlf(survey));
    ASSERT_EQ(saveCore(), 0);
    auto s = ui.statuses();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].text, "Fel vid läsning av " + crdPath());
    EXPECT_EQ(s[1].text, s[0].text);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_DOUBLE_EQ(fromDisk().dx, 3.0);
}

TEST_F(DatabaseRecordTest, UnreadableSurveyLeavesExtentsZero) {
    writeSnd(headWith(0, 90, true) + coreBlock(30));
    testing_support::makeDirs(crd()); // exists, but cannot be opened as a file
    ASSERT_EQ(saveCore(), 0);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Kan ej öppna : " + crdPath());
    const dbstype r = fromDisk();
    EXPECT_EQ(r.dx, 0.0);
    EXPECT_EQ(r.dy, 0.0);
    EXPECT_EQ(r.dz, 0.0);
}

TEST_F(DatabaseRecordTest, FlagBitsSetAndClearedPerMethod) {
    const std::string vf = "*\n2 VF\n0.000000 0 0 0 1\n*\n";
    writeSnd(headWith(0, 90, false) + coreBlock(30) + rbBlock(1, 5) + vf + rbBlock(3, 6));
    ASSERT_EQ(saveCore(), 0);
    EXPECT_EQ(fromDisk().flagg, 0x01);
    CRegBorr jb(&proj, "B1", CRegBorr::JB1);
    ASSERT_EQ(jb.Init(CRegBorr::JB1), 0);
    ASSERT_EQ(jb.Save(dbs.get(), 0), 0);
    EXPECT_EQ(fromDisk().flagg, 0x03);
    CVattenF wl(&proj, "B1");
    ASSERT_EQ(wl.Init(), 0);
    ASSERT_EQ(wl.Save(dbs.get(), 0), 0); // metod -1: every block kept, the flag set
    EXPECT_EQ(fromDisk().flagg, 0x07);
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    ASSERT_EQ(rb.Save(dbs.get(), 0), 0);
    EXPECT_EQ(fromDisk().flagg, 0x0f);
    current().flagg |= 0x30; // the host's bits are left alone
    const std::string blocks = sndBytes().substr(sndBytes().find("*"));

    struct Step {
        std::function<int()> deleteMetod;
        int flags;
        std::string removed;
    } steps[] = {
        {[&] { return CVattenF(&proj, "B1").DeleteMetod(dbs.get()); }, 0x3b, vf},
        {[&] { return CKarnborr(&proj, "B1").DeleteMetod(dbs.get()); }, 0x3a, coreBlock(30)},
        {[&] { return CRegBorr(&proj, "B1", CRegBorr::RB).DeleteMetod(dbs.get()); }, 0x32,
         "*\n3 R\n0.000000 0 0 0 1 0\n"
         "  6.000     10  0.00  0.00     0  0.00  0.00  0.00  0.00         \n*\n"},
        {[&] { return CRegBorr(&proj, "B1", CRegBorr::JB1).DeleteMetod(dbs.get()); }, 0x30,
         "*\n1 R\n0.000000 0 0 0 1 0\n  5.000     10        \n*\n"},
    };
    std::string expected = blocks;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.flags);
        ASSERT_EQ(s.deleteMetod(), 0);
        EXPECT_EQ(fromDisk().flagg, s.flags);
        const std::string block = crlf(s.removed);
        ASSERT_NE(expected.find(block), std::string::npos);
        expected.erase(expected.find(block), block.size());
        const std::string now = sndBytes();
        EXPECT_EQ(now.substr(std::min(now.find("*"), now.size())), expected);
    }
    // The one message: registered drilling moved the rock level of a core-drilled hole.
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{
                  " VARNING!\n zberg ändrat för metod KB: \n från 88.00 till 100.00"});
}

TEST_F(DatabaseRecordTest, DeleteMetodWithoutFileLeavesTheDatabase) {
    const std::string before = testing_support::readBytes(dir.file("HARNPLAN.DBS"));
    CKarnborr kb(&proj, "B1");
    EXPECT_EQ(kb.DeleteMetod(dbs.get()), -1);
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    EXPECT_EQ(rb.DeleteMetod(dbs.get()), -1);
    CVattenF vf(&proj, "B1");
    EXPECT_EQ(vf.DeleteMetod(dbs.get()), -1);
    EXPECT_EQ(testing_support::readBytes(dir.file("HARNPLAN.DBS")), before);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(DatabaseRecordTest, FailedSaveLeavesTheRecord) {
    writeSnd(headWith(0, 90, false) + coreBlock(30));
    const std::string before = testing_support::readBytes(dir.file("HARNPLAN.DBS"));
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    kb.m_bhd.metod = CKarnborr::KB;
    testing_support::makeDirs(tmp());
    EXPECT_EQ(kb.Save(dbs.get(), 0), -3);
    EXPECT_EQ(current().flagg, 0);
    EXPECT_EQ(testing_support::readBytes(dir.file("HARNPLAN.DBS")), before);
}

TEST_F(DatabaseRecordTest, RegisteredDrillingNeverShrinksExtents) {
    writeSnd(headWith(0, 90, false) + coreBlock(40) + rbBlock(3, 12));
    ASSERT_EQ(saveCore(), 0);
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    ASSERT_EQ(rb.Save(dbs.get(), 0), 0);
    dbstype r = fromDisk();
    EXPECT_DOUBLE_EQ(r.dz, 40.0);
    EXPECT_EQ(r.flagg, 0x09);

    // A longer registered hole does widen them.
    writeSnd(headWith(0, 90, false) + coreBlock(40) + rbBlock(3, 55));
    CRegBorr longer(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(longer.Init(CRegBorr::RB), 0);
    ASSERT_EQ(longer.Save(dbs.get(), 0), 0);
    EXPECT_DOUBLE_EQ(fromDisk().dz, 55.0);

    // Inclined: a shorter registered hole keeps the plan extents of the core log.
    writeSnd(headWith(30, 60, false) + coreBlock(20) + rbBlock(3, 10));
    ASSERT_EQ(saveCore(), 0);
    CRegBorr shorter(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(shorter.Init(CRegBorr::RB), 0);
    ASSERT_EQ(shorter.Save(dbs.get(), 0), 0);
    r = fromDisk();
    EXPECT_NEAR(r.dx, 8.660254, 1e-6);
    EXPECT_NEAR(r.dy, 5.0, 1e-9);
    EXPECT_NEAR(r.dz, 17.320508, 1e-6);
}

TEST_F(DatabaseRecordTest, HeadOnlySaveSetsTheRegisteredDrillingBit) {
    writeSnd(headWith(0, 90, false) + coreBlock(30));
    const std::string blocks = sndBytes().substr(sndBytes().find("*"));
    CRegBorr head(&proj, "B1", CRegBorr::BARABHD);
    ASSERT_EQ(head.Init(CRegBorr::BARABHD), 0);
    ASSERT_EQ(head.Save(dbs.get(), 0), 0);
    EXPECT_EQ(fromDisk().flagg, 0x08);
    EXPECT_DOUBLE_EQ(fromDisk().z, 100.0);
    EXPECT_EQ(sndBytes().substr(sndBytes().find("*")), blocks);
}

TEST_F(DatabaseRecordTest, RockLevelWarningWhenCoreDrillingIsRegistered) {
    struct Case {
        double oldLevel;
        bool warned;
    } cases[] = {{88.03, false}, {87.9, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oldLevel);
        ui.clear();
        current().flagg = 0x01;
        writeSnd(headWith(0, 90, false, c.oldLevel) +
                 "*\n3 RB\n0.000000 95 0 0 1 0\n 12.000      0\n*\n");
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
        ASSERT_EQ(rb.Save(dbs.get(), 0), 0);
        EXPECT_DOUBLE_EQ(rb.m_bhd.zberg, 88.0); // stored either way
        auto m = ui.messages();
        if (c.warned) {
            ASSERT_EQ(m.size(), 1u);
            EXPECT_EQ(m[0].text, " VARNING!\n zberg ändrat för metod KB: \n från 87.90 till 88.00");
            EXPECT_EQ(m[0].flags, MB_OK | MB_ICONEXCLAMATION);
        } else {
            EXPECT_TRUE(m.empty());
        }
    }
    // Without the core-drilling bit nothing is said.
    ui.clear();
    current().flagg = 0;
    writeSnd(headWith(0, 90, false, 50) + "*\n3 RB\n0.000000 95 0 0 1 0\n 12.000      0\n*\n");
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    ASSERT_EQ(rb.Save(dbs.get(), 0), 0);
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(DatabaseRecordTest, WaterLossLeavesExtents) {
    writeSnd(headWith(30, 60, false) + coreBlock(20) + "*\n2 VF\n0.000000 0 0 0 1\n*\n");
    ASSERT_EQ(saveCore(), 0);
    const dbstype before = fromDisk();
    writeSnd(headWith(0, 90, false) + coreBlock(20) + "*\n2 VF\n0.000000 0 0 0 1\n*\n");
    CVattenF vf(&proj, "B1");
    ASSERT_EQ(vf.Init(), 0);
    vf.m_bhd.metod = CVattenF::VF;
    ASSERT_EQ(vf.Save(dbs.get(), 0), 0);
    const dbstype after = fromDisk();
    EXPECT_EQ(after.dx, before.dx);
    EXPECT_EQ(after.dy, before.dy);
    EXPECT_EQ(after.dz, before.dz);
    EXPECT_EQ(after.flagg, 0x05);
}

} // namespace
