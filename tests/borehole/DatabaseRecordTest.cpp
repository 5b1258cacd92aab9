// The borehole's record in the project database after each save: position, extents from
// direction and length or from the deviation survey, and the method flag bits.
#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "database/CHarnDbs.h"

#include "tests/borehole/BoreholeFixture.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>

using namespace borehole_test;

namespace {

// A head at x 1000, y 2000, ground level 100, with dval1..3 1.5, 2.5, 3.5.
std::string headWith(int azimut, int lutning, bool surveyed, double zberg = 88.0) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "%-15s %-15s\n1000.000000\n2000.000000 0\n100.000000 %f\n1.500000 0.000000\n"
                  "2.500000 3.500000 0 %d\n0.000000 %d %d\n",
                  "B1", "", zberg, surveyed ? 1 : 0, azimut, lutning);
    return text;
}

// A core block with sections at half the length and at the length, or an RB or JB1 block
// with one reading at `length`, as the library writes them.
std::string coreBlock(double length) {
    char text[300];
    const char* line = "%6.2f  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n"
                       "%.2f 0.0 0.00 0.0 0.0 0.0 0 0 0 0 0 0\n";
    std::string format = std::string("*\n0 KB\n0.000000 0 0 0 1 0 0\n") + line + line + "*\n";
    std::snprintf(text, sizeof text, format.c_str(), length / 2, -length / 2, length, -length);
    return text;
}
std::string rbBlock(int number, double length) {
    char text[200];
    std::snprintf(text, sizeof text, "*\n%d R\n0.000000 0 0 0 1 0\n%7.3f %6d%s\n*\n", number,
                  length, 10,
                  number == 3 ? "  0.00  0.00     0  0.00  0.00  0.00  0.00         " : "        ");
    return text;
}

const std::string kSurvey = "0 1000.0 2000.0 100.0\n10 1001.5 1999.0 91.0\n"
                            "20 1003.0 2000.5 81.0\n30 1002.0 2002.0 71.5\n";

class DatabaseRecordTest : public BoreholeTest {
protected:
    std::unique_ptr<CHarnDbs> dbs;

    void SetUp() override {
        BoreholeTest::SetUp();
        dbs = std::make_unique<CHarnDbs>(&proj, nullptr);
        ASSERT_EQ(dbs->Init(0, 1, nullptr, nullptr), 0);
        dbstype r{.typ = 3, .id = "B1"};
        dbs->Ny(1, &r);
        ASSERT_EQ(dbs->Filnamn(), 0);
        ASSERT_EQ(dbs->Uppdat(0), 0);
        ui.clear();
    }

    dbstype& current() { return *dbs->Get_aktel(); }
    std::string dbsBytes() const { return testing_support::readBytes(dir.file("HARNPLAN.DBS")); }

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
    // Saves block 3 of `file`, or of the file as it stands when `file` is empty.
    int saveRb(const std::string& file) {
        if (!file.empty())
            writeSnd(file);
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        EXPECT_EQ(rb.Init(CRegBorr::RB), 0);
        return rb.Save(dbs.get(), 0);
    }
};

TEST_F(DatabaseRecordTest, CoreDrillingFillsTheRecord) {
    writeSnd(headWith(0, 90, false) + coreBlock(30));
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    kb.m_bhd.metod = CKarnborr::KB;
    kb.m_bhd.kod = 0x1234;
    setText(kb.m_bhd.text, "Kärnborrhål nummer1"); // 19 characters; the record keeps 18
    ASSERT_EQ(kb.Save(dbs.get(), 0), 0);
    EXPECT_TRUE(ui.messages().empty());
    const dbstype r = fromDisk();
    EXPECT_EQ(std::vector<double>({r.x, r.y, r.z, r.dz}),
              std::vector<double>({1000, 2000, 100, 30}));
    EXPECT_NEAR(std::hypot(r.dx, r.dy), 0.0, 1e-9);
    EXPECT_EQ(std::vector<double>(r.xyz2, r.xyz2 + 3), (std::vector<double>{1.5, 2.5, 3.5}));
    EXPECT_EQ(r.kod, 0x34);
    EXPECT_STREQ(r.text, "Kärnborrhål nummer");
    EXPECT_EQ(r.flagg, 0x01);
    EXPECT_EQ(std::memcmp(&r, &current(), 124), 0); // the list's record is the one written
}

TEST_F(DatabaseRecordTest, ExtentsFromDirectionOrSurvey) {
    ui.setStatusLine(true);
    const std::string path = win("B1.CRD"), bad = "Fel vid läsning av " + path;
    auto warning = [](const char* record, const char* survey) {
        return std::string("Varning ! id: B1, koordinater X,Y,Z och Zstopp\nHarnoplan ") + record +
               "\nCRD-fil " + survey;
    };
    const double r3 = std::sqrt(3.0);
    // clang-format off
    const struct {
        int azimut, lutning;
        bool surveyed;
        std::string crd; // none when empty, a folder in its place for "/"
        double dx, dy, dz;
        std::vector<std::string> said; // messages and status texts
    } cases[] = {
        {0, 90, false, "", 0, 0, 30, {}},
        {30, 60, false, "", 7.5 * r3, 7.5, 15 * r3, {}},
        {0, 90, true, kSurvey, 3, 2, 28.5, {}},
        {0, 90, true, "0 1000.2" + kSurvey.substr(8), 2.8, 2, 28.5,
         {warning("1000.00 2000.00 100.00 71.50", "1000.20 2000.00 100.00 71.50")}},
        {0, 90, true, "0 1000 2000 100\n5 1000 2000 90\n7 1000 2000 95\n", 0, 0, 10,
         {warning("1000.00 2000.00 100.00 90.00", "1000.00 2000.00 100.00 95.00")}},
        {0, 90, true, "0 1000 2000 100\n20 1003.0\nfel\n30 1002 2002 71.5\n", 2, 2, 28.5, {bad, bad}},
        {0, 90, true, "", 0, 0, 30, {"B1 är markerat som avvikelsemätt men fil\n" + path + " saknas !"}},
        {0, 90, true, "/", 0, 0, 0, {"Kan ej öppna : " + path}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.crd + std::to_string(c.lutning));
        ui.clear();
        std::filesystem::remove_all(crd());
        if (c.crd == "/")
            testing_support::makeDirs(crd()); // exists, but cannot be opened as a file
        else if (!c.crd.empty())
            testing_support::writeBytes(crd(), crlf(c.crd));
        writeSnd(headWith(c.azimut, c.lutning, c.surveyed) + coreBlock(30));
        ASSERT_EQ(saveCore(), 0);
        const dbstype r = fromDisk();
        EXPECT_NEAR(r.dx, c.dx, 1e-9);
        EXPECT_NEAR(r.dy, c.dy, 1e-9);
        EXPECT_NEAR(r.dz, c.dz, 1e-9);
        std::vector<std::string> said;
        for (const auto& e : ui.events) {
            said.push_back(e.text);
            const bool box = e.kind == platform::RecordingUserInterface::Event::Kind::Message;
            EXPECT_EQ(box ? e.caption + std::to_string(e.flags) : "",
                      box ? std::string(platform::applicationTitle()) +
                                std::to_string(MB_ICONEXCLAMATION)
                          : "");
        }
        EXPECT_EQ(said, c.said);
    }
}

TEST_F(DatabaseRecordTest, FlagBitsSetAndClearedPerMethod) {
    const std::string vf = "*\n2 VF\n0.000000 0 0 0 1\n*\n";
    writeSnd(headWith(0, 90, false) + coreBlock(30) + rbBlock(1, 5) + vf + rbBlock(3, 6));
    const std::string blocks = sndBytes().substr(sndBytes().find('*'));
    CRegBorr head(&proj, "B1", CRegBorr::BARABHD); // the head alone: bit 0x08
    ASSERT_EQ(head.Init(CRegBorr::BARABHD), 0);
    ASSERT_EQ(head.Save(dbs.get(), 0), 0);
    EXPECT_EQ(current().flagg, 0x08);
    current().flagg = 0;
    ASSERT_EQ(saveCore(), 0);
    EXPECT_EQ(current().flagg, 0x01);
    CRegBorr jb(&proj, "B1", CRegBorr::JB1);
    ASSERT_EQ(jb.Init(CRegBorr::JB1), 0);
    ASSERT_EQ(jb.Save(dbs.get(), 0), 0);
    EXPECT_EQ(current().flagg, 0x03);
    CVattenF wl(&proj, "B1");
    ASSERT_EQ(wl.Init(), 0);
    current().dz = 44;                   // water-loss tests leave the extents alone
    ASSERT_EQ(wl.Save(dbs.get(), 0), 0); // metod -1: every block kept, the flag set
    EXPECT_EQ(fromDisk().flagg, 0x07);
    EXPECT_EQ(fromDisk().dz, 44);
    ASSERT_EQ(saveRb(""), 0);
    EXPECT_EQ(fromDisk().flagg, 0x0f);
    EXPECT_EQ(sndBytes().substr(sndBytes().find('*')), blocks);
    current().flagg |= 0x30; // the host's bits are left alone

    const struct {
        std::function<int()> deleteMetod;
        int flags;
        std::string removed;
    } steps[] = {
        {[&] { return CVattenF(&proj, "B1").DeleteMetod(dbs.get()); }, 0x3b, vf},
        {[&] { return CKarnborr(&proj, "B1").DeleteMetod(dbs.get()); }, 0x3a, coreBlock(30)},
        {[&] { return CRegBorr(&proj, "B1", CRegBorr::RB).DeleteMetod(dbs.get()); }, 0x32,
         rbBlock(3, 6)},
        {[&] { return CRegBorr(&proj, "B1", CRegBorr::JB1).DeleteMetod(dbs.get()); }, 0x30,
         rbBlock(1, 5)},
    };
    std::string expected = blocks;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.flags);
        ASSERT_EQ(s.deleteMetod(), 0);
        EXPECT_EQ(fromDisk().flagg, s.flags);
        ASSERT_NE(expected.find(crlf(s.removed)), std::string::npos);
        expected.erase(expected.find(crlf(s.removed)), crlf(s.removed).size());
        EXPECT_EQ(sndBytes().substr(std::min(sndBytes().find('*'), sndBytes().size())), expected);
    }
    // The one message: registered drilling moved the rock level of a core-drilled hole.
    EXPECT_EQ(messageTexts(), std::vector<std::string>{" VARNING!\n zberg ändrat för metod "
                                                       "KB: \n från 88.00 till 100.00"});
}

TEST_F(DatabaseRecordTest, FailuresLeaveTheDatabase) {
    const std::string before = dbsBytes();
    EXPECT_EQ(CKarnborr(&proj, "B1").DeleteMetod(dbs.get()), -1); // no .SND
    EXPECT_EQ(CRegBorr(&proj, "B1", CRegBorr::RB).DeleteMetod(dbs.get()), -1);
    EXPECT_EQ(CVattenF(&proj, "B1").DeleteMetod(dbs.get()), -1);
    writeSnd(headWith(0, 90, false) + coreBlock(30));
    testing_support::makeDirs(tmp()); // the temporary file cannot be created
    EXPECT_EQ(saveCore(), -3);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Fel: Kan ej öppna " + win("id.tmp")});
    EXPECT_EQ(current().flagg, 0);
    EXPECT_EQ(dbsBytes(), before);
}

TEST_F(DatabaseRecordTest, RegisteredDrillingNeverShrinksExtents) {
    const double dx = 5 * std::sqrt(3.0), dz = 10 * std::sqrt(3.0); // 20 m at 30 and 60 degrees
    // clang-format off
    const struct { int azimut, lutning; double core, rb, dx, dy, dz; } cases[] = {
        {0, 90, 40, 12, 0, 0, 40},         // a shorter hole keeps the core log's dz
        {0, 90, 40, 55, 0, 0, 55},         // a longer one widens it
        {30, 60, 20, 10, dx, 5, dz},       // and the plan extents
        {30, 60, 10, 20, dx, 5, dz},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rb);
        const std::string head = headWith(c.azimut, c.lutning, false);
        writeSnd(head + coreBlock(c.core));
        ASSERT_EQ(saveCore(), 0);
        ASSERT_EQ(saveRb(head + coreBlock(c.core) + rbBlock(3, c.rb)), 0);
        const dbstype r = fromDisk();
        EXPECT_NEAR(r.dx, c.dx, 1e-9);
        EXPECT_NEAR(r.dy, c.dy, 1e-9);
        EXPECT_NEAR(r.dz, c.dz, 1e-9);
        EXPECT_EQ(r.flagg, 0x09);
    }
}

TEST_F(DatabaseRecordTest, RockLevelWarningOnlyForACoreDrilledHole) {
    const std::string rb95 = "*\n3 RB\n0.000000 95 0 0 1 0\n 12.000      0\n*\n";
    const std::vector<std::string> warned = {
        " VARNING!\n zberg ändrat för metod KB: \n från 87.90 till 88.00"};
    // clang-format off
    const struct { int flagg; double oldLevel; bool warned; } cases[] = {
        {0x01, 88.03, false}, {0x01, 87.9, true}, {0x00, 50, false}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oldLevel);
        ui.clear();
        current().flagg = static_cast<uint8_t>(c.flagg);
        ASSERT_EQ(saveRb(headWith(0, 90, false, c.oldLevel) + rb95), 0);
        EXPECT_EQ(messageTexts(), c.warned ? warned : std::vector<std::string>{});
        CRegBorr back(&proj, "B1", CRegBorr::BARABHD); // the new level is stored either way
        ASSERT_EQ(back.Init(CRegBorr::BARABHD), 0);
        EXPECT_DOUBLE_EQ(back.m_bhd.zberg, 88.0);
    }
}

} // namespace
