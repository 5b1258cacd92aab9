// The .SND block scheme: other blocks pass through a save unchanged, this object's block is
// replaced, appended or removed, and the head is rewritten.
#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"

#include "platform/Cp1252Literal.h"
#include "tests/borehole/BoreholeFixture.h"

using namespace borehole_test;

namespace {

// Blocks of other methods and of numbers the library does not know. Block 42 holds lines a
// reader must not take for block ends, Swedish letters and a line longer than any buffer;
// the last one has no number at all.
const std::string kBlock3 = "*\n3 Registrerad\n0.000000 0 0 0 1 2\n"
                            "  1.000     12  0.50  1.00     3  2.00  4.00  5.00  6.00\n*\n";
const std::string kBlock7 = "*\n7 okänd metod\nvad som helst\n  -5 negativt\n*\n"_cp;
const std::string kBlock1 = "*\n1 Jord-berg\n0.000000 0 0 0 1 0\n  2.500     30        slut\n*\n";
const std::string kBlock42 = "*\n42\n *inte slut\n\n" + std::string(600, 'L') + "\nÅÄÖ åäö\n*\n"_cp;
const std::string kNoNumber = "*\nutan nummer\n0 ser ut som ett block\n*\n";
const std::string kOldCore = "*\n0 Gammal\n0.000000 0 0 0 1 0 0\n"
                             "  1.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n*\n";
// The core block that saveCore() writes.
const std::string kNewCore = "*\n0 Ny\n0.000000 0 0 0 1 0 0\n"
                             "  4.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n*\n";

class BlockSchemeTest : public BoreholeTest {
protected:
    // Saves a core log of one section at 4 m with the title "Ny".
    int saveCore() {
        CKarnborr kb(&proj, "B1");
        kb.Init();
        while (kb.Home() == 0 && kb.Delete() == 0) {
        }
        kb.m_bhd.metod = CKarnborr::KB;
        setText(kb.m_bhd.metodtext, "Ny");
        kbtype r{.djup = 4, .extra = {32, 32, 32, 32, 32, 32}};
        kb.Ny(1, &r);
        return kb.Save(nullptr, 0);
    }
};

TEST_F(BlockSchemeTest, TheCoreBlockIsReplacedOrAppendedAndEveryOtherBlockCopied) {
    const std::string all = kBlock3 + kOldCore + kNoNumber + kBlock7 + kBlock1 + kBlock42;
    const struct {
        const char* what;
        const char* name; // as it stands on disk
        std::string before, after;
    } cases[] = {
        {"replaced in place", "B1.SND", crlf(kHead + all),
         crlf(kHead + kBlock3 + kNewCore + kNoNumber + kBlock7 + kBlock1 + kBlock42)},
        {"head and \"*\"", "B1.SND", crlf(kHead) + "*", crlf(kHead + kNewCore)},
        {"head alone", "B1.SND", crlf(kHead), crlf(kHead + kNewCore)},
        {"appended", "B1.SND", crlf(kHead + kBlock7 + kNoNumber + kBlock42),
         crlf(kHead + kBlock7 + kNoNumber + kBlock42 + kNewCore)},
        {"several stars", "B1.SND", crlf(kHead + "*\n*\n" + kBlock7 + "*\n*\n" + kOldCore + "*\n"),
         crlf(kHead + kBlock7 + kNewCore)},
        {"LF line ends", "B1.SND", kHead + kBlock7 + kOldCore, crlf(kHead + kBlock7 + kNewCore)},
        {"name in another case", "b1.snd", crlf(kHead + kOldCore), crlf(kHead + kNewCore)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& name : testing_support::listNames(dir.file("HARNDB")))
            std::remove(dir.file("HARNDB/" + name).c_str());
        testing_support::writeBytes(dir.file("HARNDB/") + c.name, c.before);
        ASSERT_EQ(saveCore(), 0);
        EXPECT_EQ(testing_support::listNames(dir.file("HARNDB")), std::vector<std::string>{c.name});
        EXPECT_EQ(testing_support::readBytes(dir.file("HARNDB/") + c.name), c.after);
    }
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(BlockSchemeTest, ANegativeMethodRewritesOnlyTheHead) {
    const std::string all = kBlock3 + kOldCore + kBlock7 + kBlock1 + kBlock42;
    std::string head = kHead;
    head.replace(head.find("95.000000"), 9, "90.500000");
    for (int del : {0, 1}) {
        writeSnd(kHead + all);
        CKarnborr kb(&proj, "B1");
        ASSERT_EQ(kb.Init(), 0); // the method stays -1
        kb.m_bhd.zberg = 90.5;
        kb.Home();
        kb.Delete(); // the list changes, but the block stays as it is
        ASSERT_EQ(kb.Save(nullptr, del), 0);
        EXPECT_EQ(sndBytes(), crlf(head + all));
        writeSnd(kHead + all);
        CRegBorr rb(&proj, "B1", CRegBorr::BARABHD); // the head alone, its rock level as set
        ASSERT_EQ(rb.Init(CRegBorr::BARABHD), 0);
        EXPECT_EQ(rb.Where(nullptr), -1);
        rb.m_bhd.zberg = 90.5;
        ASSERT_EQ(rb.Save(nullptr, del), 0);
        EXPECT_EQ(sndBytes(), crlf(head + all));
    }
    EXPECT_EQ(CRegBorr(&proj, "B1", -5).m_bhd.metod, -1); // other negatives: the default
}

TEST_F(BlockSchemeTest, InitFindsOnlyItsOwnBlock) {
    writeSnd(kHead + kBlock3 + kBlock7 + "*\n2 VF\n*\n"); // a title line alone is no block
    CKarnborr kb(&proj, "B1");
    EXPECT_EQ(kb.Init(), -1);
    EXPECT_EQ(kb.Where(nullptr), -1);
    EXPECT_DOUBLE_EQ(kb.m_bhd.x, 1000.0); // the head is read
    EXPECT_EQ(CVattenF(&proj, "B1").Init(), -1);
    EXPECT_EQ(CRegBorr(&proj, "B1", CRegBorr::JB1).Init(CRegBorr::JB1), -1);
    EXPECT_EQ(CRegBorr(&proj, "B1", CRegBorr::RB).Init(CRegBorr::RB), 0);
    EXPECT_TRUE(ui.events.empty());
}

} // namespace
