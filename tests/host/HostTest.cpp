// The host services: project paths and their static names, the settings texts, and the
// sorted directory listing.
#include "host/CAutoIni.h"
#include "host/CDirSort.h"
#include "host/CProjPath.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::TempDir;
using testing_support::writeBytes;

// Puts the static names back after a test that changes them.
class NamesScope {
public:
    ~NamesScope() { CProjPath::ResetNames(); }
};

TEST(CProjPath, WindowsFolderIsKeptAsGiven) {
    CProjPath p("C:\\Projekt\\Öland");
    EXPECT_STREQ(p.ProjKat(), "C:\\Projekt\\Öland");
    EXPECT_EQ(p.DbsPath(), CString("C:\\Projekt\\Öland\\HARNPLAN.DBS"));
    CProjPath trailing("C:\\Projekt\\");
    EXPECT_STREQ(trailing.ProjKat(), "C:\\Projekt");
}

TEST(CProjPath, PosixFolderIsHeldInWindowsForm) {
    CProjPath p("/home/a/PROJ1");
    EXPECT_STREQ(p.ProjKat(), "\\home\\a\\PROJ1");
    EXPECT_EQ(p.DbsPath(), CString("\\home\\a\\PROJ1\\HARNPLAN.DBS"));
    CProjPath trailing("/home/a/PROJ1/");
    EXPECT_STREQ(trailing.ProjKat(), "\\home\\a\\PROJ1");
    // UTF-8 names from the command line become CP1252.
    CProjPath swedish("/data/\xC3\xB6stra");
    EXPECT_STREQ(swedish.ProjKat(), "\\data\\\xF6stra");
}

TEST(CProjPath, GivenDatabasePath) {
    CProjPath p("/home/a/PROJ1", "/home/a/PROJ1/GAMMAL.DBS");
    EXPECT_STREQ(p.ProjKat(), "\\home\\a\\PROJ1");
    EXPECT_EQ(p.DbsPath(), CString("\\home\\a\\PROJ1\\GAMMAL.DBS"));
    CProjPath w("C:\\P", "D:\\kopia\\X.DBS");
    EXPECT_EQ(w.DbsPath(), CString("D:\\kopia\\X.DBS"));
    CProjPath none("C:\\P", nullptr);
    EXPECT_EQ(none.DbsPath(), CString("C:\\P\\HARNPLAN.DBS"));
    none.SetDbsPath("C:\\P\\Y.DBS");
    EXPECT_EQ(none.DbsPath(), CString("C:\\P\\Y.DBS"));
}

TEST(CProjPath, StaticNamesHaveDefaultsAndCanBeChanged) {
    NamesScope restore;
    EXPECT_EQ(CProjPath::HarnDbfKat, CString("HARNDB"));
    EXPECT_EQ(CProjPath::HarnDbsNamn, CString("HARNPLAN.DBS"));
    EXPECT_EQ(CProjPath::HarnDbkNamn, CString("HARNPLAN.LCK"));
    EXPECT_EQ(CProjPath::HarnVlNamn, CString("VAGLINJE.LIS"));
    CProjPath::HarnDbfKat = "DATA";
    CProjPath::HarnDbsNamn = "PROJ.DBS";
    CProjPath::HarnDbkNamn = "PROJ.LCK";
    CProjPath::HarnVlNamn = "VL.LIS";
    CProjPath p("C:\\P");
    EXPECT_EQ(p.DbsPath(), CString("C:\\P\\PROJ.DBS"));
    EXPECT_EQ(p.DataPath("B1.SND"), CString("C:\\P\\DATA\\B1.SND"));
    CProjPath::ResetNames();
    EXPECT_EQ(CProjPath::HarnDbfKat, CString("HARNDB"));
    EXPECT_EQ(CProjPath::HarnDbsNamn, CString("HARNPLAN.DBS"));
    EXPECT_EQ(CProjPath::HarnDbkNamn, CString("HARNPLAN.LCK"));
    EXPECT_EQ(CProjPath::HarnVlNamn, CString("VAGLINJE.LIS"));
    EXPECT_EQ(p.DataPath("B1.SND"), CString("C:\\P\\HARNDB\\B1.SND"));
}

TEST(CAutoIni, TextsAreNullUntilSet) {
    CAutoIni ini;
    EXPECT_EQ(ini.Datum(), nullptr);
    EXPECT_EQ(ini.Katalog1(), nullptr);
    EXPECT_EQ(ini.Katalog2(), nullptr);
    ini.SetDatum("2005-01-02");
    ini.SetKatalog1("C:\\Harn\\Kod");
    ini.SetKatalog2("/opt/harn/kod");
    EXPECT_STREQ(ini.Datum(), "2005-01-02");
    EXPECT_STREQ(ini.Katalog1(), "C:\\Harn\\Kod");
    EXPECT_STREQ(ini.Katalog2(), "\\opt\\harn\\kod");
    ini.SetDatum("");
    EXPECT_STREQ(ini.Datum(), "");
    ini.SetDatum(nullptr);
    ini.SetKatalog2(nullptr);
    EXPECT_EQ(ini.Datum(), nullptr);
    EXPECT_EQ(ini.Katalog2(), nullptr);
    EXPECT_STREQ(ini.Katalog1(), "C:\\Harn\\Kod");
}

std::vector<std::string> walk(CDirSort& d) {
    std::vector<std::string> out;
    if (d.Home() < 0)
        return out;
    do
        out.push_back(d.Get_aktel()->namn);
    while (d++);
    return out;
}

class CDirSortTest : public ::testing::Test {
protected:
    TempDir dir;
    void SetUp() override {
        writeBytes(dir.file("b.snd"), "12");
        writeBytes(dir.file("A.SND"), "1");
        writeBytes(dir.file("C.LJE"), "");
        writeBytes(dir.file("\xC3\x96.SND"), ""); // Ö
        testing_support::makeDirs(dir.file("HARNDB"));
    }
    std::string pattern(const char* mask) const { return dir.winPath() + "\\" + mask; }
};

TEST_F(CDirSortTest, ListsEveryFileOnceSortedByNameWithoutCase) {
    CDirSort d;
    EXPECT_EQ(d.Init(pattern("*.*").c_str(), 1, 0, 0, 0), 4);
    EXPECT_EQ(walk(d), (std::vector<std::string>{"A.SND", "b.snd", "C.LJE", "\xD6.SND"}));
    int n = 0;
    d.Home();
    EXPECT_EQ(d.Where(&n), 1);
    EXPECT_EQ(n, 4);
    d.Home();
    EXPECT_EQ(d.Get_aktel()->storlek, 1);
    EXPECT_EQ(d.Get_aktel()->katalog, 0);
}

TEST_F(CDirSortTest, MaskFoldersAndOrder) {
    CDirSort snd;
    EXPECT_EQ(snd.Init(pattern("*.snd").c_str(), 1, 0, 0, 0), 3);
    EXPECT_EQ(walk(snd), (std::vector<std::string>{"A.SND", "b.snd", "\xD6.SND"}));
    CDirSort one;
    EXPECT_EQ(one.Init(pattern("?.LJE").c_str(), 1, 0, 0, 0), 1);
    EXPECT_EQ(walk(one), std::vector<std::string>{"C.LJE"});
    CDirSort withFolders;
    EXPECT_EQ(withFolders.Init(pattern("*").c_str(), 1, 1, 0, 0), 5);
    withFolders.Home();
    withFolders++;
    withFolders++;
    withFolders++;
    EXPECT_STREQ(withFolders.Get_aktel()->namn, "HARNDB");
    EXPECT_EQ(withFolders.Get_aktel()->katalog, 1);
    CDirSort down;
    EXPECT_EQ(down.Init(pattern("*.SND").c_str(), 1, 0, 1, 0), 3);
    EXPECT_EQ(walk(down), (std::vector<std::string>{"\xD6.SND", "b.snd", "A.SND"}));
    // Sorting again keeps the order.
    EXPECT_EQ(down.Sortera(0), 0);
    EXPECT_EQ(walk(down), (std::vector<std::string>{"\xD6.SND", "b.snd", "A.SND"}));
}

TEST_F(CDirSortTest, AgainListsAfreshAndAMissingFolderGivesMinusOne) {
    CDirSort d;
    EXPECT_EQ(d.Init(pattern("*.SND").c_str(), 1, 0, 0, 0), 3);
    EXPECT_EQ(d.Init(pattern("*.LJE").c_str(), 1, 0, 0, 0), 1);
    EXPECT_EQ(walk(d), std::vector<std::string>{"C.LJE"});
    CDirSort missing;
    EXPECT_EQ(missing.Init((dir.winPath() + "\\SAKNAS\\*.*").c_str(), 1, 0, 0, 0), -1);
    EXPECT_EQ(missing.Where(nullptr), -1);
    CDirSort empty;
    EXPECT_EQ(empty.Init(pattern("*.XYZ").c_str(), 1, 0, 0, 0), 0);
    EXPECT_EQ(empty.Home(), -1);
}

TEST_F(CDirSortTest, CopyingIsRefused) {
    CDirSort d;
    d.Init(pattern("*.*").c_str(), 1, 0, 0, 0);
    EXPECT_THROW(CDirSort copy(d), const char*);
    CDirSort other;
    EXPECT_THROW(other = d, const char*);
}

} // namespace
