// The rock, infill and soil code lists: built-in codes, the reading rules of "Harnkod.dat",
// where the file is looked for, and saving in place.
#include "mapping/CBergOrMateLista.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"
#include "tests/mapping/MappingFixture.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using testing_support::crlf;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

class Lista : public CBergOrMateLista {
public:
    using CBergOrMateLista::CBergOrMateLista;
    // The last code numbered `nr`.
    bergmattype* rec(int nr) {
        bergmattype* found = nullptr;
        if (Home() == 0)
            do
                found = m_pael->nr == nr ? m_pael : found;
            while ((*this)++);
        return found;
    }
    // The last code numbered `nr` as "designation|text|factor|integer|degrees|extra".
    std::string describe(int nr) {
        const bergmattype* r = rec(nr);
        char out[100] = "none";
        if (r)
            std::snprintf(out, sizeof out, "%s|%s|%g|%d|%.15g|%d", r->beteckning, r->text,
                          r->faktor, r->tal, r->vinkel / 0.017453292519944444, r->extra);
        return out;
    }
};

class BergOrMateLista : public testing_support::RecordingTest {
protected:
    void write(const std::string& text) { writeBytes(dir.file("Harnkod.dat"), text); }
    std::string onDisk() const { return readBytes(dir.file("Harnkod.dat")); }
    CProjPath proj{dir.winPath().c_str()};
};

} // namespace

TEST_F(BergOrMateLista, BuiltInListsAndLookups) {
    const struct {
        int typ;
        const char* designations;
        int nr;
        const char *bet, *word;
        int wordNr;
    } cases[] = {
        {0, " |Ss|Ks|Sk|Kv|Kk|Gs|Gn|Lt|Gg|Gö|Gr|Pf|Db|My|Mg|Br|Am|Ap|Pm|Ga|Kf|"_cp, 11, "Gr", "kf",
         21},
        {0, "", 10, "Gö"_cp, "gÖ"_cp, 10},
        {1, " |ka|kl|gf|tk|fe|kv|ep|hb|fs|su|le|jo|of|", 13, "of", "KA", 1},
        {7, " |f  |mu |gy |t  |let|le |si |sa |gr |st |fr |mn |", 5, "let", "LET", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.designations);
        // The soil list never reads the code file.
        if (c.typ > 1)
            write("*\n*\n1 Xx t 2\n*\n1 Xx t 2\n*\n");
        Lista l(nullptr, &proj, c.typ);
        CString word = c.word;
        EXPECT_STREQ(l.Find(c.nr), "??");
        EXPECT_EQ(l.FindNr(word), 0);
        EXPECT_EQ(l.Init(), 0);
        std::string built;
        for (int nr = 0; nr < mapping_test::count(l) && *c.designations; ++nr) {
            std::string d = l.describe(nr);
            built += d.substr(0, d.find('|') + 1);
            EXPECT_EQ(d.substr(d.find('|')), "||1|4|0|0") << nr; // the defaults
        }
        EXPECT_EQ(built, c.designations);
        EXPECT_STREQ(l.Find(c.nr), c.bet);
        EXPECT_STREQ(l.Find(99), "??");
        EXPECT_EQ(l.FindNr(word), c.wordNr);
        EXPECT_EQ(l.FindNr(word = "Zz"), 0);
    }
    EXPECT_TRUE(ui.events.empty());
}

// The cases of tests/data/mapping/CodeReading.txt, each with both line ends.
TEST_F(BergOrMateLista, ReadingRules) {
    for (const auto& c : mapping_test::cases("CodeReading.txt")) {
        int typ, nr, count;
        std::string code;
        std::istringstream(c.name) >> typ >> nr >> count >> code;
        for (bool withCr : {true, false}) {
            SCOPED_TRACE(c.name + (withCr ? " (CR LF)" : " (LF)"));
            write(withCr ? crlf(c.parts[0]) : c.parts[0]);
            Lista l(nullptr, &proj, typ);
            EXPECT_EQ(l.Init(), 0);
            EXPECT_EQ(mapping_test::count(l), count);
            EXPECT_EQ(l.describe(nr), code);
        }
    }
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(BergOrMateLista, CodeFileIsLookedForInProjectThenSecondThenFirstFolder) {
    testing_support::TempDir s1, s2, other;
    writeBytes(s1.file("Harnkod.dat"), "*\n*\n1 Ss ett\n*\n");
    writeBytes(s2.file("Harnkod.dat"), "*\n*\n1 Ss tva\n*\n");
    CAutoIni both, first, empty;
    both.SetKatalog1(s1.winPath().c_str()), both.SetKatalog2(s2.winPath().c_str());
    first.SetKatalog1(s1.winPath().c_str()), empty.SetKatalog1("");
    CProjPath none(other.winPath().c_str());
    auto textOf1 = [](CAutoIni* ini, CProjPath* p) {
        Lista l(ini, p, 0);
        l.Init();
        return std::string(l.rec(1)->text);
    };
    EXPECT_EQ(textOf1(&both, &none), "tva");
    EXPECT_EQ(textOf1(&first, &none), "ett");
    EXPECT_EQ(textOf1(&empty, &none), "");
    EXPECT_EQ(textOf1(nullptr, &none), "");
    EXPECT_STREQ(Lista(&both, &none, 0).Kodfil(), (s2.winPath() + "\\Harnkod.dat").c_str());
    write("*\n*\n1 Ss proj\n*\n");
    EXPECT_EQ(textOf1(&both, &proj), "proj");
}

// The cases of tests/data/mapping/CodeSave.txt.
TEST_F(BergOrMateLista, SaveRewritesTheBlocksInPlace) {
    for (const auto& c : mapping_test::cases("CodeSave.txt")) {
        SCOPED_TRACE(c.name);
        const int typ = c.name[0] - '0';
        write(c.parts[0]);
        Lista list(nullptr, &proj, typ), annan(nullptr, &proj, 1);
        list.Init();
        if (typ == 0) {
            annan.Init();
            list.rec(2)->faktor = 2.0;
            list.rec(2)->tal = 9;
        }
        EXPECT_EQ(list.Save(&annan), 0);
        std::string want = c.parts.at(1);
        if (c.parts[0].size() > want.size())
            want += c.parts[0].substr(want.size());
        EXPECT_EQ(onDisk(), want);
    }
    EXPECT_EQ(testing_support::listNames(dir.path()), std::vector<std::string>{"Harnkod.dat"});
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(BergOrMateLista, SaveLosesNothing) {
    Lista rock(nullptr, &proj, 0), infill(nullptr, &proj, 1);
    rock.Init();
    EXPECT_EQ(rock.Save(&infill), 0); // no code file: nothing is written
    EXPECT_TRUE(testing_support::listNames(dir.path()).empty());

    const std::string original = crlf("*\n*\n1 Ss\n*\n1 ka\n*\n");
    write(original);
    for (platform::FileOp op :
         {platform::FileOp::Open, platform::FileOp::Write, platform::FileOp::Rename}) {
        platform::FaultInjector::failNth(op, 1, true);
        EXPECT_EQ(rock.Save(&infill), 0); // the result stays 0; the caller learns it here:
        platform::FaultInjector::reset();
        EXPECT_EQ(platform::FailureLog::entries(),
                  std::vector<std::string>{std::string("code list not saved: cannot ") +
                                           (op == platform::FileOp::Open ? "open " : "write ") +
                                           dir.winPath() + "\\Harnkod.dat"});
        platform::FailureLog::reset();
        EXPECT_EQ(onDisk(), original);
        EXPECT_EQ(testing_support::listNames(dir.path()), std::vector<std::string>{"Harnkod.dat"});
    }
    // A code file that could not be read whole is never written from what was read: its
    // codes would be lost. Both the reading and the save that is refused are reported.
    const std::string win = dir.winPath() + "\\Harnkod.dat";
    for (platform::FileOp op : {platform::FileOp::Open, platform::FileOp::Read}) {
        platform::FailureLog::reset();
        Lista unread(nullptr, &proj, op == platform::FileOp::Open ? 0 : 1);
        platform::FaultInjector::failNth(op, 1, true);
        EXPECT_EQ(unread.Init(), 0);
        platform::FaultInjector::reset();
        EXPECT_FALSE(unread.ReadWhole());
        EXPECT_EQ(unread.Save(&infill), 0);
        EXPECT_EQ(infill.Save(&unread), 0);
        EXPECT_EQ(platform::FailureLog::entries(),
                  (std::vector<std::string>{
                      op == platform::FileOp::Open ? "code list not read: cannot open " + win
                                                   : "code list not read whole: cannot read " + win,
                      "code list not saved: " + win + " was not read whole",
                      "code list not saved: " + win + " was not read whole"}));
        EXPECT_EQ(onDisk(), original);
    }
    platform::FailureLog::reset();
    EXPECT_TRUE(ui.events.empty());
}
