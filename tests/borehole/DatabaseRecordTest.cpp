// The borehole's record in the project database after each save: position, extents from
// direction and length or from the deviation survey, and the method flag bits.
#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "database/CHarnDbs.h"
#include "platform/FaultInjection.h"

#include "platform/Cp1252Literal.h"
#include "tests/borehole/BoreholeFixture.h"

#include <cmath>
#include <filesystem>
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
std::string rbBlock(int number, double length, const char* slutkod = "0") {
    char text[200];
    std::snprintf(text, sizeof text, "*\n%d R\n0.000000 %s 0 0 1 0\n%7.3f %6d%s\n*\n", number,
                  slutkod, length, 10,
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
        kb.m_bhd.kod = 0x1234;
        setText(kb.m_bhd.text, "Kärnborrhål nummer1"_cp); // 19 characters; the record keeps 18
        return kb.Save(dbs.get(), 0);
    }
    // Saves block 3 of `file`, or of the file as it stands when `file` is empty.
    int saveRb(const std::string& file = "") {
        if (!file.empty())
            writeSnd(file);
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        EXPECT_EQ(rb.Init(CRegBorr::RB), 0);
        return rb.Save(dbs.get(), 0);
    }
};

// The record of a core-drilled hole: position, the three values, code and text from the head;
// the extents from direction and length, or from the survey with the messages it gives.
TEST_F(DatabaseRecordTest, ExtentsFromDirectionOrSurvey) {
    ui.setStatusLine(true);
    const std::string path = win("B1.CRD"), bad = "Fel vid läsning av "_cp + path;
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
        {0, 90, true, "", 0, 0, 30, {"B1 är markerat som avvikelsemätt men fil\n"_cp + path + " saknas !"}},
        {0, 90, true, "/", 0, 0, 0, {"Kan ej öppna : "_cp + path}},
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
        EXPECT_EQ(std::vector<double>({r.x, r.y, r.z, r.xyz2[0], r.xyz2[1], r.xyz2[2]}),
                  (std::vector<double>{1000, 2000, 100, 1.5, 2.5, 3.5}));
        EXPECT_NEAR(r.dx, c.dx, 1e-9);
        EXPECT_NEAR(r.dy, c.dy, 1e-9);
        EXPECT_NEAR(r.dz, c.dz, 1e-9);
        EXPECT_EQ(r.kod, 0x34);
        EXPECT_STREQ(r.text, "Kärnborrhål nummer"_cp);
        EXPECT_EQ(r.flagg, 0x01);
        EXPECT_EQ(std::memcmp(&r, &current(), 124), 0); // the list's record is the one written
        std::vector<std::string> said;
        for (const auto& e : ui.events)
            said.push_back(e.text);
        EXPECT_EQ(said, c.said);
        for (const auto& m : ui.messages())
            EXPECT_EQ(m.caption + " " + std::to_string(m.flags),
                      std::string(platform::applicationTitle()) + " " +
                          std::to_string(MB_ICONEXCLAMATION));
    }
}

TEST_F(DatabaseRecordTest, FlagBitsSetAndClearedPerMethod) {
    const std::string vf = "*\n2 VF\n0.000000 0 0 0 1\n*\n";
    const std::string other = "*\n7 okänd\nx\n*\n"_cp;
    writeSnd(headWith(0, 90, false) + coreBlock(30) + rbBlock(1, 5) + vf + other + rbBlock(3, 6));
    const std::string blocks = sndBlocks();
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
    ASSERT_EQ(saveRb(), 0);
    EXPECT_EQ(fromDisk().flagg, 0x0f);
    EXPECT_EQ(sndBlocks(), blocks);
    current().flagg |= 0x30; // the host's bits are left alone

    auto deleteMetod = [&](int metod) {
        if (metod == CKarnborr::KB)
            return CKarnborr(&proj, "B1").DeleteMetod(dbs.get());
        if (metod == CVattenF::VF)
            return CVattenF(&proj, "B1").DeleteMetod(dbs.get());
        return CRegBorr(&proj, "B1", metod).DeleteMetod(dbs.get());
    };
    // clang-format off
    const struct { int metod, flags; std::string removed; } steps[] = {
        {CVattenF::VF, 0x3b, vf}, {CKarnborr::KB, 0x3a, coreBlock(30)},
        {CRegBorr::RB, 0x32, rbBlock(3, 6)}, {CRegBorr::JB1, 0x30, rbBlock(1, 5)},
        {CKarnborr::KB, 0x30, ""}, // not there: nothing changes
    }; // clang-format on
    std::string expected = blocks;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.flags);
        ASSERT_EQ(deleteMetod(s.metod), 0);
        EXPECT_EQ(fromDisk().flagg, s.flags);
        ASSERT_NE(expected.find(crlf(s.removed)), std::string::npos);
        expected.erase(expected.find(crlf(s.removed)), crlf(s.removed).size());
        EXPECT_EQ(sndBlocks(), expected);
    }
    EXPECT_EQ(expected, crlf(other));
    // The one message: registered drilling moved the rock level of a core-drilled hole.
    EXPECT_EQ(messageTexts(), std::vector<std::string>{" VARNING!\n zberg ändrat för metod "
                                                       "KB: \n från 88.00 till 100.00"_cp});
}

TEST_F(DatabaseRecordTest, FailuresLeaveTheDatabase) {
    const std::string before = dbsBytes();
    CKarnborr kb(&proj, "B1"); // no .SND: nothing is read, DeleteMetod is silent
    EXPECT_EQ(kb.Init(), -1);
    EXPECT_EQ(CVattenF(&proj, "B1").Init(), -1);
    EXPECT_EQ(CRegBorr(&proj, "B1", CRegBorr::RB).Init(CRegBorr::RB), -1);
    EXPECT_EQ(kb.DeleteMetod(dbs.get()), -1);
    EXPECT_EQ(CRegBorr(&proj, "B1", CRegBorr::RB).DeleteMetod(dbs.get()), -1);
    EXPECT_EQ(CVattenF(&proj, "B1").DeleteMetod(dbs.get()), -1);
    kb.m_bhd.metod = CKarnborr::KB;
    EXPECT_EQ(kb.Save(dbs.get(), 0), -3);
    EXPECT_TRUE(testing_support::listNames(dir.file("HARNDB")).empty());
    writeSnd(headWith(0, 90, false) + coreBlock(30));
    {
        platform::FaultScope scope; // the new file cannot take the old one's place
        platform::FaultInjector::failNth(platform::FileOp::Rename, 1);
        EXPECT_EQ(saveCore(), -3);
    }
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"Fel: Hittar inte " + win("B1.SND"),
                                        "Fel: Kan ej ersätta "_cp + win("B1.SND")}));
    EXPECT_EQ(current().flagg, 0);
    EXPECT_EQ(dbsBytes(), before);
}

// Registered drilling after an optional core log: the extents never shrink; with slutkod 95
// the rock level is the ground level less the last depth along the hole, otherwise the
// ground level; a core-drilled hole warns when it moves.
TEST_F(DatabaseRecordTest, RegisteredDrillingExtentsAndRockLevel) {
    const double r3 = std::sqrt(3.0); // 20 m at 30 and 60 degrees: 5 r3, 5, 10 r3
    const std::string warning = " VARNING!\n zberg ändrat för metod KB: \n från "_cp;
    // clang-format off
    const struct { int azimut, lutning; double core; const char* slutkod; double rb, oldLevel,
                   dx, dy, dz, zberg; std::string warned; } cases[] = {
        {0, 90, 40, "95", 12, 88.03, 0, 0, 40, 88, ""}, // a shorter hole keeps the core log's dz
        {0, 90, 40, "95", 12, 87.9, 0, 0, 40, 88, warning + "87.90 till 88.00"},
        {0, 90, 40, "94", 55, 100, 0, 0, 55, 100, ""},  // a longer one widens it
        {30, 60, 20, "94", 10, 100, 5 * r3, 5, 10 * r3, 100, ""}, // and the plan extents
        {30, 60, 10, "94", 20, 100, 5 * r3, 5, 10 * r3, 100, ""},
        {0, 90, 0, "95", 12, 50, 0, 0, 12, 88, ""},     // no core log: no warning
        {0, 30, 0, "95", 12, 50, 6 * r3, 0, 6, 94, ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rb) + c.warned);
        ui.clear();
        current().flagg = 0;
        current().dx = current().dy = current().dz = 0;
        const std::string head = headWith(c.azimut, c.lutning, false, c.oldLevel);
        const std::string core = c.core > 0 ? coreBlock(c.core) : "";
        writeSnd(head + core);
        EXPECT_EQ(c.core > 0 ? saveCore() : 0, 0);
        ASSERT_EQ(saveRb(head + core + rbBlock(3, c.rb, c.slutkod)), 0);
        const dbstype r = fromDisk();
        EXPECT_NEAR(r.dx, c.dx, 1e-9);
        EXPECT_NEAR(r.dy, c.dy, 1e-9);
        EXPECT_NEAR(r.dz, c.dz, 1e-9);
        EXPECT_EQ(r.flagg, c.core > 0 ? 0x09 : 0x08);
        EXPECT_EQ(messageTexts(), c.warned.empty() ? std::vector<std::string>{}
                                                   : std::vector<std::string>{c.warned});
        CRegBorr back(&proj, "B1", CRegBorr::BARABHD); // the new level is stored either way
        ASSERT_EQ(back.Init(CRegBorr::BARABHD), 0);
        EXPECT_NEAR(back.m_bhd.zberg, c.zberg, 1e-6);
    }
}

} // namespace
