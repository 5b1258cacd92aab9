// The rock, infill and soil code lists: built-in codes, the reading rules of "Harnkod.dat",
// where the file is looked for, and saving in place.
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "mapping/CBergOrMateLista.h"
#include "platform/FaultInjection.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <string>
#include <vector>

using testing_support::crlf;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

class Lista : public CBergOrMateLista {
public:
    using CBergOrMateLista::CBergOrMateLista;
    int count() const {
        int n = 0;
        Where(&n);
        return n;
    }
    // The last code numbered `nr`.
    bergmattype* rec(int nr) {
        bergmattype* found = nullptr;
        if (Home() == 0) {
            do {
                if (m_pael->nr == nr)
                    found = m_pael;
            } while ((*this)++);
        }
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

// The built-in infill codes 0 to 12, as saved.
const std::string kInfill12 = "0  \n1 ka\n2 kl\n3 gf\n4 tk\n5 fe\n6 kv\n7 ep\n8 hb\n9 fs\n10 su\n"
                              "11 le\n12 jo\n";

} // namespace

TEST_F(BergOrMateLista, BuiltInListsAndLookups) {
    struct Case {
        int typ;
        const char* designations;
        int nr;
        const char* bet;
        const char* word;
        int wordNr;
    } cases[] = {
        {0, " |Ss|Ks|Sk|Kv|Kk|Gs|Gn|Lt|Gg|Gö|Gr|Pf|Db|My|Mg|Br|Am|Ap|Pm|Ga|Kf|", 11, "Gr", "kf",
         21},
        {0, "", 10, "Gö", "gÖ", 10},
        {1, " |ka|kl|gf|tk|fe|kv|ep|hb|fs|su|le|jo|of|", 13, "of", "KA", 1},
        {7, " |f  |mu |gy |t  |let|le |si |sa |gr |st |fr |mn |", 5, "let", "LET", 5},
    };
    for (const Case& c : cases) {
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
        for (int nr = 0; nr < l.count() && *c.designations; ++nr) {
            std::string d = l.describe(nr);
            built += d.substr(0, d.find('|') + 1);
            EXPECT_EQ(d.substr(d.find('|')), "||1|4|0|0") << nr; // the defaults
        }
        EXPECT_EQ(built, c.designations);
        EXPECT_STREQ(l.Find(c.nr), c.bet);
        EXPECT_STREQ(l.Find(99), "??");
        EXPECT_EQ(l.FindNr(word), c.wordNr);
        CString none = "Zz";
        EXPECT_EQ(l.FindNr(none), 0);
    }
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(BergOrMateLista, ReadingRules) {
    const std::string R = "*\n*\n";
    const std::string infill = "*\n*\n3 Zz rock\n*\n13 Ox ny 1.5\n12 Yy\n*\n1 Kk efter\n";
    struct Case {
        int typ;
        std::string file;
        int nr, count;
        const char* code; // as Lista::describe gives it
    } cases[] = {
        {0, "A\n*\nB\n*\n3 Xx granit 2.5 7 90\n*\n", 3, 22, "Sk|granit|2.5|7|90|0"},
        {0, R + "3 Xx granit 2.5 7 90\n3 Yy\n", 3, 22, "Sk||1|4|0|0"},
        {0, R + "21 Qq\n", 21, 22, "Qq||1|4|0|0"},
        {0, R + "20 Qq\n", 20, 22, "Ga||1|4|0|0"},
        {0, R + "40 Abc\n", 40, 23, "Ab||1|4|0|0"},
        {0, R + "-1 Zz t 1 5 0 9\n", -1, 23, "Zz|t|1|5|0|9"},
        {0, R + "40 Abc\n40 Zz t 1 5 0 9\n", 40, 23, "Zz|t|1|5|0|0"},
        {0, R + "-1 Zz t 1 5 0 9\n-1 Yy u 1 5 0 8\n", -1, 24, "Yy|u|1|5|0|8"},
        {0, R + "50 Pp t 1 5 0 9\n", 50, 23, "Pp|t|1|5|0|0"},
        {0, R + "-2 Pp t 1 5 30\n", -2, 23, "Pp|t|1|5|30|0"},
        {0, R + "41 Ff abcdefghijklmnopq 0.005 0\n", 41, 23, "Ff|abcdefghijkl|1|4|0|0"},
        {0, R + "41 Ff t 0.01 256 -45\n", 41, 23, "Ff|t|0.01|256|-45|0"},
        {0, R + "41 Ff t 0.0099 257 x\n", 41, 23, "Ff|t|1|4|0|0"},
        {0, R + "42 Ww w 2 300 -45\n", 42, 23, "Ww|w|2|4|-45|0"},
        {0, R + "43 Nn t nan 1 inf\n", 43, 23, "Nn|t|1|1|0|0"},
        {0, R + "7\n\ningen kod\n  \n8 Lt x 3\n*\n8 Yy\n", 8, 22, "Lt|x|3|4|0|0"},
        // The rest of a line longer than the line buffer is not a line of its own.
        {0, R + "5 Lo " + std::string(506, 'a') + "99 Xx\n", 5, 22, "Kk|aaaaaaaaaaaa|1|4|0|0"},
        {1, infill, 13, 14, "Ox|ny|1.5|4|0|0"},
        {1, infill, 12, 14, "jo||1|4|0|0"},
        {0, "rubrik\n*\n1 Xx text 2\n", 1, 22, "Ss||1|4|0|0"},
        {1, "*\n*\n1 Xx text 2\n", 1, 14, "ka||1|4|0|0"},
    };
    for (const Case& c : cases) {
        for (bool withCr : {true, false}) {
            SCOPED_TRACE(c.file.substr(0, 60) + (withCr ? " (CR LF)" : " (LF)"));
            write(withCr ? crlf(c.file) : c.file);
            Lista l(nullptr, &proj, c.typ);
            EXPECT_EQ(l.Init(), 0);
            EXPECT_EQ(l.count(), c.count);
            EXPECT_EQ(l.describe(c.nr), c.code);
        }
    }
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(BergOrMateLista, CodeFileIsLookedForInProjectThenSecondThenFirstFolder) {
    testing_support::TempDir s1, s2, other;
    writeBytes(s1.file("Harnkod.dat"), "*\n*\n1 Ss ett\n*\n");
    writeBytes(s2.file("Harnkod.dat"), "*\n*\n1 Ss tva\n*\n");
    CAutoIni both, first, empty;
    both.SetKatalog1(s1.winPath().c_str());
    both.SetKatalog2(s2.winPath().c_str());
    first.SetKatalog1(s1.winPath().c_str());
    empty.SetKatalog1("");
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

TEST_F(BergOrMateLista, SaveRewritesTheBlocksInPlace) {
    const std::string rock =
        "0  \n1 Ss\n2 Ks\n3 Sk granit 2.500 7 90.000 0\n4 Kv\n5 Kk\n6 Gs\n"
        "7 Gn\n8 Lt\n9 Gg\n10 Gö\n11 Gr\n12 Pf\n13 Db\n14 My\n15 Mg\n16 Br\n"
        "17 Am\n18 Ap\n19 Pm\n20 Ga\n21 Qq\n40 Ab\n-1 Zz t 0.250 5 -45.000 9\n";
    const std::string tail = std::string(1500, 'x') + "\n";
    struct Case {
        const char* name;
        int typ;
        std::string before, want;
    } cases[] = {
        // The blocks of other users stay byte for byte (LF ends here); the old tail stays
        // behind the last "*" line written.
        {"rock", 0,
         "Kodfil\n*\nannat\n*\n" +
             crlf("3 Xx granit 2.5 7 90\n21 Qq\n40 Abc\n-1 Zz t 0.25 5 -45 9\n*\n13 Ox\n*\n" +
                  tail),
         "Kodfil\n*\nannat\n*\n" + crlf(rock + "*\n" + kInfill12 + "13 Ox\n*\n")},
        {"infill", 1, crlf("*\n*\nR\n*\n13 xx\n*\n"),
         crlf("*\n*\nR\n*\n" + kInfill12 + "13 xx\n*\n*\n")},
        {"too few stars", 0, "rubrik\r\n*\r\n3 Xx t\r\n",
         "rubrik\r\n*\r\n3 Xx t\r\n" +
             crlf("0  \n1 Ss\n2 Ks\n3 Sk\n4 Kv\n5 Kk\n6 Gs\n7 Gn\n8 Lt\n9 Gg\n10 Gö\n11 Gr\n12 Pf\n"
                  "13 Db\n14 My\n15 Mg\n16 Br\n17 Am\n18 Ap\n19 Pm\n20 Ga\n21 Kf\n*\n" +
                  kInfill12 + "13 of\n*\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.before);
        Lista list(nullptr, &proj, c.typ), annan(nullptr, &proj, 1);
        list.Init();
        if (c.typ == 0) {
            annan.Init();
            // A factor without a text is not written.
            bergmattype* ks = list.rec(2);
            ks->faktor = 2.0;
            ks->tal = 9;
        }
        EXPECT_EQ(list.Save(&annan), 0);
        std::string want = c.want;
        if (c.before.size() > want.size())
            want += c.before.substr(want.size());
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
        platform::FaultInjector::reset();
        platform::FaultInjector::failNth(op, 1, true);
        EXPECT_EQ(rock.Save(&infill), 0);
        platform::FaultInjector::reset();
        EXPECT_EQ(onDisk(), original);
        EXPECT_EQ(testing_support::listNames(dir.path()), std::vector<std::string>{"Harnkod.dat"});
    }
    EXPECT_TRUE(ui.events.empty());
}
