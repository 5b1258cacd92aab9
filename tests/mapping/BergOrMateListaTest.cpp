// The rock, infill and soil code lists: built-in codes, the reading rules of "Harnkod.dat",
// where the file is looked for, and saving in place.
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "mapping/CBergOrMateLista.h"
#include "platform/FaultInjection.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <string>
#include <vector>

using testing_support::crlf;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

// A list whose records a test can walk.
class Lista : public CBergOrMateLista {
public:
    using CBergOrMateLista::CBergOrMateLista;
    std::vector<bergmattype> records() {
        std::vector<bergmattype> out;
        if (Home() == 0) {
            do {
                out.push_back(*m_pael);
            } while ((*this)++);
        }
        return out;
    }
    // The first record numbered `nr` (there must be one).
    bergmattype* rec(int nr) {
        if (Home() == 0) {
            do {
                if (m_pael->nr == nr)
                    return m_pael;
            } while ((*this)++);
        }
        return nullptr;
    }
};

std::vector<std::string> designations(Lista& l) {
    std::vector<std::string> out;
    for (const bergmattype& r : l.records())
        out.push_back(r.beteckning);
    return out;
}

class BergOrMateLista : public testing_support::RecordingTest {
protected:
    std::string kodfil() const { return dir.file("Harnkod.dat"); }
    CProjPath proj{dir.winPath().c_str()};
};

// Two blocks of other users, the rock block and the infill block.
const std::string kFile = "Kodfil for tester\n"
                          "*\n"
                          "9 annat block\n"
                          "*\n"
                          "3 Xx granit 2.5 7 90\n"
                          "21 Qq\n"
                          "20 Qq\n"
                          "\n"
                          "40 Abc\n"
                          "-1 Zz t 1 5 0 9\n"
                          "40 Zz t 1 5 0 9\n"
                          "-1 Yy u 1 5 0 8\n"
                          "50 Pp t 1 5 0 9\n"
                          "41 Ff abcdefghijklmnopq 0.005 0\n"
                          "42 Ww w 2 300 -45\n"
                          "7\n"
                          "ingen kod\n"
                          "*\n"
                          "13 Ox ny 1.5\n"
                          "12 Yy\n"
                          "1 Kk kalk 3\n"
                          "*\n"
                          "22 Ej inte laest\n";

} // namespace

TEST_F(BergOrMateLista, BuiltInRockListWithoutCodeFile) {
    Lista l(nullptr, &proj, 0);
    EXPECT_EQ(l.Init(), 0);
    std::vector<std::string> want = {" ",  "Ss", "Ks", "Sk", "Kv", "Kk", "Gs", "Gn",
                                     "Lt", "Gg", "Gö", "Gr", "Pf", "Db", "My", "Mg",
                                     "Br", "Am", "Ap", "Pm", "Ga", "Kf"};
    EXPECT_EQ(designations(l), want);
    std::vector<bergmattype> recs = l.records();
    for (size_t i = 0; i < recs.size(); ++i) {
        EXPECT_EQ(recs[i].nr, static_cast<int>(i));
        EXPECT_EQ(recs[i].tal, 4);
        EXPECT_EQ(recs[i].extra, 0);
        EXPECT_EQ(recs[i].faktor, 1.0);
        EXPECT_EQ(recs[i].vinkel, 0.0);
        EXPECT_STREQ(recs[i].text, "");
    }
    EXPECT_STREQ(l.Find(11), "Gr");
    EXPECT_STREQ(l.Find(0), " ");
    EXPECT_STREQ(l.Find(99), "??");
    CString kf = "kf", go = "GÖ", none = "Zz";
    EXPECT_EQ(l.FindNr(kf), 21);
    EXPECT_EQ(l.FindNr(go), 10);
    EXPECT_EQ(l.FindNr(none), 0);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(BergOrMateLista, EmptyListLookups) {
    Lista l(nullptr, &proj, 0);
    EXPECT_STREQ(l.Find(1), "??");
    CString ss = "Ss";
    EXPECT_EQ(l.FindNr(ss), 0);
}

TEST_F(BergOrMateLista, BuiltInInfillAndSoilLists) {
    writeBytes(kodfil(), crlf(kFile));
    Lista soil(nullptr, &proj, 7);
    soil.Init();
    std::vector<std::string> want = {" ",   "f  ", "mu ", "gy ", "t  ", "let", "le ",
                                     "si ", "sa ", "gr ", "st ", "fr ", "mn "};
    EXPECT_EQ(designations(soil), want); // the code file is never read for soil
    EXPECT_STREQ(soil.Find(5), "let");
    CString let = "LET";
    EXPECT_EQ(soil.FindNr(let), 5);

    writeBytes(kodfil(), "");
    Lista infill(nullptr, &proj, 1);
    infill.Init();
    want = {" ", "ka", "kl", "gf", "tk", "fe", "kv", "ep", "hb", "fs", "su", "le", "jo", "of"};
    EXPECT_EQ(designations(infill), want);
}

TEST_F(BergOrMateLista, ReadingRulesOfTheRockBlock) {
    writeBytes(kodfil(), crlf(kFile));
    Lista l(nullptr, &proj, 0);
    EXPECT_EQ(l.Init(), 0);

    // Updated built-in code below n keeps its designation.
    bergmattype* r = l.rec(3);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->beteckning, "Sk");
    EXPECT_STREQ(r->text, "granit");
    EXPECT_EQ(r->faktor, 2.5);
    EXPECT_EQ(r->tal, 7);
    EXPECT_DOUBLE_EQ(r->vinkel, 90 * 0.017453292519944444);
    EXPECT_NEAR(r->vinkel, M_PI / 2, 1e-9);
    // Code n itself takes the file's designation, code n-1 does not.
    EXPECT_STREQ(l.Find(21), "Qq");
    EXPECT_STREQ(l.Find(20), "Ga");

    std::vector<bergmattype> recs = l.records();
    ASSERT_EQ(recs.size(), 22u + 6u);
    // Appended in file order: 40, -1, -1, 50, 41, 42.
    const bergmattype& c40 = recs[22];
    EXPECT_EQ(c40.nr, 40);
    EXPECT_STREQ(c40.beteckning, "Zz"); // cut "Ab" first, then replaced by the update
    EXPECT_STREQ(c40.text, "t");
    EXPECT_EQ(c40.tal, 5);
    EXPECT_EQ(c40.extra, 0); // an update leaves extra alone
    EXPECT_EQ(recs[23].nr, -1);
    EXPECT_STREQ(recs[23].beteckning, "Zz");
    EXPECT_EQ(recs[23].extra, 9);
    EXPECT_EQ(recs[24].nr, -1); // negative numbers always append
    EXPECT_STREQ(recs[24].beteckning, "Yy");
    EXPECT_EQ(recs[24].extra, 8);
    EXPECT_EQ(recs[25].nr, 50);
    EXPECT_EQ(recs[25].extra, 0); // extra kept only for negative numbers
    EXPECT_EQ(recs[26].nr, 41);
    EXPECT_STREQ(recs[26].text, "abcdefghijkl"); // cut to 12
    EXPECT_EQ(recs[26].faktor, 1.0);             // 0.005 is below 0.01
    EXPECT_EQ(recs[26].tal, 4);                  // 0 is outside 1..256
    EXPECT_EQ(recs[26].vinkel, 0.0);
    EXPECT_EQ(recs[27].nr, 42);
    EXPECT_EQ(recs[27].faktor, 2.0);
    EXPECT_EQ(recs[27].tal, 4); // 300 is outside 1..256
    EXPECT_DOUBLE_EQ(recs[27].vinkel, -45 * 0.017453292519944444);
    // The designation alone resets a code to the defaults.
    bergmattype* c20 = l.rec(20);
    EXPECT_STREQ(c20->text, "");
    EXPECT_EQ(c20->faktor, 1.0);
    EXPECT_EQ(c20->tal, 4);
    CString ab = "zz";
    EXPECT_EQ(l.FindNr(ab), 40);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(BergOrMateLista, InfillListReadsTheBlockAfterTheRockBlock) {
    writeBytes(kodfil(), kFile); // LF line ends are read as well
    Lista l(nullptr, &proj, 1);
    l.Init();
    EXPECT_EQ(l.records().size(), 14u);
    EXPECT_STREQ(l.Find(13), "Ox");
    EXPECT_STREQ(l.Find(12), "jo");
    EXPECT_STREQ(l.Find(1), "ka");
    EXPECT_EQ(l.rec(1)->faktor, 3.0);
    EXPECT_STREQ(l.rec(13)->text, "ny");
}

TEST_F(BergOrMateLista, TooFewStarLinesKeepBuiltInCodes) {
    writeBytes(kodfil(), crlf("rubrik\n*\n1 Xx text 2\n"));
    Lista rock(nullptr, &proj, 0);
    rock.Init();
    EXPECT_EQ(rock.records().size(), 22u);
    EXPECT_STREQ(rock.rec(1)->text, "");
    writeBytes(kodfil(), crlf("*\n*\n1 Xx text 2\n"));
    Lista infill(nullptr, &proj, 1);
    infill.Init();
    EXPECT_EQ(infill.records().size(), 14u);
    EXPECT_EQ(infill.rec(1)->faktor, 1.0);
}

TEST_F(BergOrMateLista, OverlongLineIsNotSplitIntoCodes) {
    std::string longLine = "5 Lo " + std::string(600, 'a') + " 99 Xx\n";
    writeBytes(kodfil(), crlf("*\n*\n" + longLine + "*\n"));
    Lista l(nullptr, &proj, 0);
    l.Init();
    EXPECT_EQ(l.records().size(), 22u);
    EXPECT_EQ(std::string(l.rec(5)->text), std::string(12, 'a'));
}

TEST_F(BergOrMateLista, CodeFileIsLookedForInProjectThenSecondThenFirstFolder) {
    testing_support::TempDir s1, s2;
    writeBytes(s1.file("Harnkod.dat"), crlf("*\n*\n1 Ss ett\n*\n"));
    writeBytes(s2.file("Harnkod.dat"), crlf("*\n*\n1 Ss tva\n*\n"));
    CAutoIni ini;
    ini.SetKatalog1(s1.winPath().c_str());
    ini.SetKatalog2(s2.winPath().c_str());
    auto textOf1 = [&](CAutoIni* i) {
        Lista l(i, &proj, 0);
        l.Init();
        return std::string(l.rec(1)->text);
    };
    EXPECT_EQ(textOf1(&ini), "tva");
    EXPECT_EQ(textOf1(nullptr), "");
    writeBytes(kodfil(), crlf("*\n*\n1 Ss proj\n*\n"));
    EXPECT_EQ(textOf1(&ini), "proj");
    EXPECT_EQ(textOf1(nullptr), "proj");
    testing_support::TempDir other;
    CProjPath tom(other.winPath().c_str());
    Lista l(&ini, &tom, 0);
    EXPECT_STREQ(l.Kodfil(), (s2.winPath() + "\\Harnkod.dat").c_str());
    CAutoIni bara1;
    bara1.SetKatalog1(s1.winPath().c_str());
    Lista l1(&bara1, &tom, 0);
    l1.Init();
    EXPECT_STREQ(l1.rec(1)->text, "ett");
}

TEST_F(BergOrMateLista, SaveRewritesRockAndInfillBlocksInPlace) {
    const std::string before = "Kodfil for tester\n*\n9 annat block\n*\n";
    writeBytes(kodfil(), before + crlf(kFile.substr(before.size())));
    Lista rock(nullptr, &proj, 0), infill(nullptr, &proj, 1);
    rock.Init();
    infill.Init();
    // A factor without a text is not written.
    bergmattype* r2 = rock.rec(2);
    r2->faktor = 2.0;
    r2->tal = 9;
    EXPECT_EQ(rock.Save(&infill), 0);

    std::string rockBlock = "0  \n1 Ss\n2 Ks\n3 Sk granit 2.500 7 90.000 0\n";
    const char* rest[] = {"Kv", "Kk", "Gs", "Gn", "Lt", "Gg", "Gö", "Gr", "Pf",
                          "Db", "My", "Mg", "Br", "Am", "Ap", "Pm", "Ga", "Qq"};
    for (int i = 4; i <= 21; ++i)
        rockBlock += std::to_string(i) + " " + rest[i - 4] + "\n";
    rockBlock += "40 Zz t 1.000 5 0.000 0\n"
                 "-1 Zz t 1.000 5 0.000 9\n"
                 "-1 Yy u 1.000 5 0.000 8\n"
                 "50 Pp t 1.000 5 0.000 0\n"
                 "41 Ff abcdefghijkl 1.000 4 0.000 0\n"
                 "42 Ww w 2.000 4 -45.000 0\n"
                 "*\n";
    std::string infillBlock = "0  \n1 ka\n2 kl\n3 gf\n4 tk\n5 fe\n6 kv\n7 ep\n8 hb\n9 fs\n"
                              "10 su\n11 le\n12 jo\n13 Ox\n*\n";
    std::string written = crlf(rockBlock + infillBlock);
    std::string old = readBytes(kodfil());
    std::string want = before + written;
    std::string oldFull = before + crlf(kFile.substr(before.size()));
    ASSERT_GT(oldFull.size(), 0u);
    if (oldFull.size() > want.size())
        want += oldFull.substr(want.size());
    EXPECT_EQ(old, want);

    // Read back: what was written in full comes back; the short form resets the values.
    Lista back(nullptr, &proj, 0);
    back.Init();
    EXPECT_EQ(back.rec(2)->faktor, 1.0);
    EXPECT_EQ(back.rec(2)->tal, 4);
    EXPECT_DOUBLE_EQ(back.rec(3)->vinkel, 90 * 0.017453292519944444);
    EXPECT_EQ(back.rec(3)->faktor, 2.5);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(BergOrMateLista, ShorterSaveLeavesTheOldTailBehindTheLastStarLine) {
    std::string prefix = "A\n*\nB\n*\n";
    std::string tail;
    for (int i = 60; i < 100; ++i)
        tail += std::to_string(i) + " Xx lang_text_som_tar 1 1 1\n";
    writeBytes(kodfil(), crlf(prefix + tail + "*\n*\n"));
    Lista rock(nullptr, &proj, 0), infill(nullptr, &proj, 1);
    rock.Init();
    infill.Init(); // only built-in codes: the infill block is empty
    // Only the blank code and one code: much shorter than the old block.
    while (rock.records().size() > 2) {
        rock.End();
        rock.Delete();
    }
    rock.rec(1)->tal = 2;
    rock.Save(&infill);
    std::string oldFull = crlf(prefix + tail + "*\n*\n");
    std::string written = crlf("0  \n1 Ss\n*\n0  \n1 ka\n2 kl\n3 gf\n4 tk\n5 fe\n6 kv\n7 ep\n"
                               "8 hb\n9 fs\n10 su\n11 le\n12 jo\n13 of\n*\n");
    std::string want = crlf(prefix) + written;
    ASSERT_LT(want.size(), oldFull.size());
    want += oldFull.substr(want.size());
    EXPECT_EQ(readBytes(kodfil()), want);
    // Readers stop at the written "*" lines.
    Lista back(nullptr, &proj, 0);
    back.Init();
    EXPECT_EQ(back.records().size(), 22u);
}

TEST_F(BergOrMateLista, InfillListSaveStartsAfterTheThirdStarLine) {
    writeBytes(kodfil(), crlf("*\n*\nR\n*\n13 xx\n*\n"));
    Lista infill(nullptr, &proj, 1);
    infill.Init();
    Lista empty(nullptr, &proj, 0); // never initialised: an empty list
    infill.Save(&empty);
    std::string written = "0  \n1 ka\n2 kl\n3 gf\n4 tk\n5 fe\n6 kv\n7 ep\n8 hb\n9 fs\n10 su\n"
                          "11 le\n12 jo\n13 xx\n*\n*\n";
    EXPECT_EQ(readBytes(kodfil()), crlf("*\n*\nR\n*\n" + written));
}

TEST_F(BergOrMateLista, SaveWithTooFewStarLinesAppendsBothLists) {
    writeBytes(kodfil(), "rubrik\r\n*\r\n3 Xx t\r\n");
    Lista rock(nullptr, &proj, 0), infill(nullptr, &proj, 1);
    rock.Init();
    infill.Init();
    EXPECT_STREQ(rock.rec(3)->text, ""); // no rock block yet
    rock.Save(&infill);
    std::string file = readBytes(kodfil());
    std::string head = "rubrik\r\n*\r\n3 Xx t\r\n0  \r\n1 Ss\r\n2 Ks\r\n";
    EXPECT_EQ(file.substr(0, head.size()), head);
    EXPECT_EQ(file.substr(file.size() - 12), "\r\n13 of\r\n*\r\n");
    // The appended rock list is not behind the second "*" line: still no rock block.
    Lista back(nullptr, &proj, 0);
    back.Init();
    EXPECT_EQ(back.records().size(), 22u);
}

TEST_F(BergOrMateLista, SaveWithoutCodeFileWritesNothing) {
    Lista rock(nullptr, &proj, 0);
    rock.Init();
    EXPECT_EQ(rock.Save(nullptr), 0);
    EXPECT_TRUE(testing_support::listNames(dir.path()).empty());
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(BergOrMateLista, FailedSaveLeavesTheFileAsItWas) {
    platform::FaultScope scope;
    std::string original = crlf(kFile);
    writeBytes(kodfil(), original);
    Lista rock(nullptr, &proj, 0), infill(nullptr, &proj, 1);
    rock.Init();
    infill.Init();
    rock.rec(1)->tal = 3;
    rock.rec(1)->text[0] = 'x';
    for (platform::FileOp op : {platform::FileOp::Write, platform::FileOp::Rename}) {
        platform::FaultInjector::reset();
        platform::FaultInjector::failNth(op, 1, true);
        EXPECT_EQ(rock.Save(&infill), 0);
        platform::FaultInjector::reset();
        EXPECT_EQ(readBytes(kodfil()), original);
        EXPECT_EQ(testing_support::listNames(dir.path()), std::vector<std::string>{"Harnkod.dat"});
    }
    // A file that cannot be opened for writing is left alone.
    platform::FaultInjector::failNth(platform::FileOp::Open, 1);
    rock.Save(&infill);
    EXPECT_EQ(readBytes(kodfil()), original);
}
