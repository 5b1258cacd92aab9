// The .SND block scheme: other blocks pass through a save unchanged, this object's block is
// replaced, appended or removed, and the head is rewritten.
#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"

#include "tests/borehole/BoreholeFixture.h"

using namespace borehole_test;

namespace {

// Blocks of other methods and of numbers the library does not know. Block 42 holds lines a
// reader must not take for block ends, Swedish letters and a line longer than any buffer.
const std::string kBlock3 = "*\n3 Registrerad\n0.000000 0 0 0 1 2\n"
                            "  1.000     12  0.50  1.00     3  2.00  4.00  5.00  6.00\n*\n";
const std::string kBlock7 = "*\n7 okänd metod\nvad som helst\n  -5 negativt\n*\n";
const std::string kBlock1 = "*\n1 Jord-berg\n0.000000 0 0 0 1 0\n  2.500     30        slut\n*\n";
const std::string kBlock42 = "*\n42\n *inte slut\n\n" + std::string(300, 'L') + "\nÅÄÖ åäö\n*\n";
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
        setText(kb.m_bhd.klassland, "SE");
        setText(kb.m_bhd.klassystem, "Q-");
        setText(kb.m_bhd.slutkod, "");
        kb.m_bhd.blockparam = 0;
        kbtype r{};
        r.djup = 4;
        std::memset(r.extra, 32, 6);
        kb.Ny(1, &r);
        return kb.Save(nullptr, 0);
    }
};

TEST_F(BlockSchemeTest, OtherBlocksPassThroughUnchanged) {
    writeSnd(kHead + kBlock3 + kOldCore + kBlock7 + kBlock1 + kBlock42);
    ASSERT_EQ(saveCore(), 0);
    // The core block is replaced in its place; every other block is copied byte for byte.
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock3 + kNewCore + kBlock7 + kBlock1 + kBlock42));
    EXPECT_FALSE(testing_support::exists(tmp()));
}

TEST_F(BlockSchemeTest, MissingBlockIsAppended) {
    testing_support::writeBytes(snd(), crlf(kHead) + "*");
    ASSERT_EQ(saveCore(), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kNewCore));

    writeSnd(kHead + kBlock7 + kBlock42);
    ASSERT_EQ(saveCore(), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock7 + kBlock42 + kNewCore));
}

TEST_F(BlockSchemeTest, NegativeMethodCopiesEveryBlock) {
    const std::string all = kHead + kBlock3 + kOldCore + kBlock7 + kBlock1 + kBlock42;
    writeSnd(all);
    for (int metod : {-1, CRegBorr::BARABHD}) {
        CKarnborr kb(&proj, "B1");
        ASSERT_EQ(kb.Init(), 0);
        kb.m_bhd.metod = metod;
        ASSERT_EQ(kb.Save(nullptr, 0), 0);
        EXPECT_EQ(sndBytes(), crlf(all));
        ASSERT_EQ(kb.Save(nullptr, 1), 0); // nothing to remove either
        EXPECT_EQ(sndBytes(), crlf(all));
    }
}

TEST_F(BlockSchemeTest, ExtraStarLinesBetweenBlocksAreAccepted) {
    writeSnd(kHead + "*\n*\n" + kBlock7 + "*\n*\n*\n" + kOldCore + "*\n" + kBlock1);
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    EXPECT_STREQ(kb.m_bhd.metodtext, "Gammal");
    int n = 0;
    kb.Where(&n);
    EXPECT_EQ(n, 1);
    CRegBorr jb(&proj, "B1", CRegBorr::JB1);
    ASSERT_EQ(jb.Init(CRegBorr::JB1), 0);
    ASSERT_EQ(saveCore(), 0);
    // The blocks keep their order; between two blocks stand two "*" lines again.
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock7 + kNewCore + kBlock1));
}

TEST_F(BlockSchemeTest, LineFeedFilesAreWrittenWithCarriageReturns) {
    testing_support::writeBytes(snd(), kHead + kBlock7 + kOldCore);
    ASSERT_EQ(saveCore(), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock7 + kNewCore));
}

TEST_F(BlockSchemeTest, DeleteMetodRemovesOnlyItsOwnBlock) {
    const std::string vf = "*\n2 Vattenförlust\n0.000000 0 0 0 1\n"
                           "  1.000   2.000 3.0 4.0 5.0 6.000 7                 text\n*\n";
    writeSnd(kHead + kBlock3 + kOldCore + vf + kBlock7 + kBlock1);

    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.DeleteMetod(nullptr), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock3 + vf + kBlock7 + kBlock1));

    CVattenF wl(&proj, "B1");
    ASSERT_EQ(wl.DeleteMetod(nullptr), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock3 + kBlock7 + kBlock1));

    CRegBorr jb(&proj, "B1", CRegBorr::JB1);
    ASSERT_EQ(jb.DeleteMetod(nullptr), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock3 + kBlock7));

    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.DeleteMetod(nullptr), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock7));

    // Removing a block that is not there changes nothing.
    ASSERT_EQ(kb.DeleteMetod(nullptr), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kBlock7));
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(BlockSchemeTest, RemovingTheLastBlockLeavesAReadableHead) {
    writeSnd(kHead + kOldCore);
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.DeleteMetod(nullptr), 0);
    // The head lines alone; the head block then ends with the file.
    EXPECT_EQ(sndBytes(), crlf(kHead));
    CKarnborr again(&proj, "B1");
    EXPECT_EQ(again.Init(), -1);
    EXPECT_STREQ(again.m_bhd.id, "B1");
    EXPECT_DOUBLE_EQ(again.m_bhd.y, 2000.0);
    ASSERT_EQ(saveCore(), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kNewCore));
}

TEST_F(BlockSchemeTest, TemporaryFileThatCannotBeCreated) {
    writeSnd(kHead + kOldCore);
    testing_support::makeDirs(tmp()); // a folder in the way of "id.tmp"
    EXPECT_EQ(saveCore(), -3);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Fel: Kan ej öppna " + dir.winPath() + "\\HARNDB\\id.tmp");
    EXPECT_EQ(m[0].caption, "Filöppning");
    EXPECT_EQ(sndBytes(), crlf(kHead + kOldCore));
}

TEST_F(BlockSchemeTest, FileNamesAreFoundWithoutRegardToCase) {
    testing_support::writeBytes(dir.file("HARNDB/b1.snd"), crlf(kHead + kOldCore));
    ASSERT_EQ(saveCore(), 0);
    EXPECT_EQ(testing_support::listNames(dir.file("HARNDB")), std::vector<std::string>{"b1.snd"});
    EXPECT_EQ(testing_support::readBytes(dir.file("HARNDB/b1.snd")), crlf(kHead + kNewCore));
}

} // namespace
