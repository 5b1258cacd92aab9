// A save never loses or doubles the borehole's data: whichever file operation fails, B1.SND
// afterwards holds its old or its new contents, complete, no temporary file is left, and the
// database record agrees with the file unless the failure was reported.
#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "database/CHarnDbs.h"
#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"

#include "platform/Cp1252Literal.h"
#include "tests/borehole/BoreholeFixture.h"
#include "tests/support/FaultSweep.h"

#include <functional>

using namespace borehole_test;
using platform::FaultInjector;
using platform::FileOp;

namespace {

// Blocks large enough that reading and writing take several system calls each (the
// stream reads 64 KiB at a time).
std::string bigBlock(int number, int lines) {
    std::string block = "*\n" + std::to_string(number) + " block\n0.000000 0 0 0 1 0\n";
    for (int i = 0; i < lines; ++i)
        block += "  " + std::to_string(i) + ".000     10 reading " + std::string(50, '.') + "\n";
    return block + "*\n";
}

using Arm = std::function<void()>;

class SaveFaultTest : public BoreholeTest {
protected:
    void SetUp() override {
        BoreholeTest::SetUp();
        CHarnDbs dbs(&proj, nullptr);
        ASSERT_EQ(dbs.Init(0, 1, nullptr, nullptr), 0);
        dbstype r{.typ = 3, .id = "B1"};
        dbs.Ny(1, &r);
        ASSERT_EQ(dbs.Filnamn(), 0);
        ASSERT_EQ(dbs.Uppdat(0), 0);
        slot = dbs.Get_aktel()->filpos;
        writeSnd(kHead + bigBlock(3, 1500) + bigBlock(2, 1000) + bigBlock(7, 1500));
        ui.clear();
    }

    // The project database opened for writing with B1's record current, as a host has it.
    std::unique_ptr<CHarnDbs> openDbs() {
        auto dbs = std::make_unique<CHarnDbs>(&proj, nullptr);
        EXPECT_EQ(dbs->Init(0, 0, nullptr, nullptr), 0);
        char id[] = "B1";
        EXPECT_EQ(dbs->Findid(3, id), 0);
        return dbs;
    }

    testing_support::SweepTally sweep(const std::string& name,
                                      const std::function<int(CHarnDbs*, const Arm&)>& save) {
        testing_support::SweepSubject s;
        s.name = name;
        s.folders = {dir.path(), dir.file("HARNDB")};
        s.data = [this] { return sndBytes(); };
        s.record = [this] {
            return testing_support::readBytes(dir.file("HARNPLAN.DBS")).substr(slot, 124);
        };
        s.save = [&](const Arm& arm) {
            auto dbs = openDbs();
            return save(dbs.get(), arm);
        };
        return testing_support::sweep(s);
    }

    int32_t slot = 0;
};

TEST_F(SaveFaultTest, EveryFileOperationOfEverySaveFailingInTurn) {
    testing_support::SweepTally total;
    auto add = [&](const testing_support::SweepTally& t) {
        total.runs += t.runs;
        total.lost += t.lost;
        total.halfWritten += t.halfWritten;
        total.leftovers += t.leftovers;
    };
    add(sweep("CKarnborr::Save", [this](CHarnDbs* dbs, const Arm& arm) {
        CKarnborr kb(&proj, "B1");
        kb.Init();
        kb.m_bhd.metod = CKarnborr::KB;
        setText(kb.m_bhd.metodtext, "Kärna"_cp);
        for (int i = 1; i <= 300; ++i) {
            kbtype r{.djup = i * 0.5, .text = "sektion", .extra = {32, 32, 32, 32, 32, 32}};
            kb.Ny(1, &r);
        }
        arm();
        return kb.Save(dbs, 0);
    }));
    add(sweep("CRegBorr::Save", [this](CHarnDbs* dbs, const Arm& arm) {
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        rb.Init(CRegBorr::RB);
        for (int i = 1; i <= 200; ++i) {
            rbtype r{.djup = i * 0.25f, .sjunktid = i};
            rb.Ny(1, &r);
        }
        arm();
        return rb.Save(dbs, 0);
    }));
    // Here the faults also reach the reading of the head inside DeleteMetod.
    add(sweep("CVattenF::DeleteMetod", [this](CHarnDbs* dbs, const Arm& arm) {
        arm();
        return CVattenF(&proj, "B1").DeleteMetod(dbs);
    }));
    EXPECT_GT(total.runs, 100);
    EXPECT_EQ(total.lost + total.halfWritten + total.leftovers, 0);
}

// The database update after a saved file fails (another program holds the lock): the save
// keeps its result 0, as it always did, and the failure is reported.
TEST_F(SaveFaultTest, AFailedDatabaseUpdateIsReported) {
    auto dbs = openDbs();
    testing_support::writeBytes(dir.file("HARNPLAN.LCK"), "");
    platform::FailureLog::reset();
    CVattenF vf(&proj, "B1");
    vf.Init();
    vf.m_bhd.metod = CVattenF::VF;
    EXPECT_EQ(vf.Save(dbs.get(), 0), 0);
    EXPECT_EQ(ui.messages().size(), 1u); // the database's own message
    EXPECT_EQ(platform::FailureLog::entries(),
              std::vector<std::string>{"database record not updated after saving " + win("B1.SND") +
                                       " (Uppdat gave -3)"});
    platform::FailureLog::reset();
}

TEST_F(SaveFaultTest, MessagesNameTheFailedStep) {
    const std::string oldFile = sndBytes();
    // clang-format off
    const struct { FileOp op; int nth; std::string text; bool temporary; } cases[] = {
        {FileOp::Open, 1, "Fel: Hittar inte " + win("B1.SND"), false},
        {FileOp::Open, 2, "Fel: Kan ej öppna "_cp + win("B1.SND."), true},
        {FileOp::Read, 3, "Fel vid läsning av "_cp + win("B1.SND"), false},
        {FileOp::Write, 1, "Fel vid skrivning av " + win("B1.SND."), true},
        {FileOp::Rename, 1, "Fel: Kan ej ersätta "_cp + win("B1.SND"), false},
    }; // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ui.clear();
        CKarnborr kb(&proj, "B1");
        ASSERT_EQ(kb.Init(), -1);
        kb.m_bhd.metod = CKarnborr::KB;
        platform::FaultScope scope;
        FaultInjector::failNth(c.op, c.nth);
        EXPECT_EQ(kb.Save(nullptr, 0), -3);
        const auto m = ui.messages();
        ASSERT_EQ(m.size(), 1u);
        // The temporary file has a name of its own beside the borehole file.
        if (c.temporary) {
            EXPECT_EQ(m[0].text.rfind(c.text, 0), 0u) << m[0].text;
            EXPECT_EQ(m[0].text.substr(m[0].text.size() - 5), ".tmp$");
        } else {
            EXPECT_EQ(m[0].text, c.text);
        }
        EXPECT_EQ(m[0].caption, "Filöppning"_cp);
        EXPECT_EQ(m[0].call, platform::MessageCall::MessageBoxA);
        EXPECT_EQ(m[0].flags, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(sndBytes(), oldFile);
        EXPECT_EQ(testing_support::listNames(dir.file("HARNDB")),
                  std::vector<std::string>{"B1.SND"});
    }
}

} // namespace
