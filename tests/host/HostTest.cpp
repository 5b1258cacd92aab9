// The host services: project paths and their static names, the settings texts, and the
// sorted directory listing.
#include "host/CAutoIni.h"
#include "host/CDirSort.h"
#include "host/CProjPath.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CProjPath, FolderInWindowsFormTheDatabasePathAndTheStaticNames) {
    const char* cases[][4] = {
        // folder, database path given, folder held, database path
        {"C:\\Projekt\\", nullptr, "C:\\Projekt", "C:\\Projekt\\HARNPLAN.DBS"},
        {"/data/\xC3\xB6stra/", nullptr, "\\data\\\xF6stra", "\\data\\\xF6stra\\HARNPLAN.DBS"},
        {"/home/a/P", "/home/a/P/GAMMAL.DBS", "\\home\\a\\P", "\\home\\a\\P\\GAMMAL.DBS"},
        {"C:\\P", "D:\\kopia\\X.DBS", "C:\\P", "D:\\kopia\\X.DBS"},
    };
    for (auto& c : cases) {
        CProjPath p = c[1] ? CProjPath(c[0], c[1]) : CProjPath(c[0]);
        EXPECT_EQ(CString(p.ProjKat()) + "|" + p.DbsPath(), CString(c[2]) + "|" + c[3]) << c[0];
    }
    EXPECT_EQ(CProjPath::HarnDbfKat + CProjPath::HarnDbsNamn + CProjPath::HarnDbkNamn +
                  CProjPath::HarnVlNamn,
              CString("HARNDBHARNPLAN.DBSHARNPLAN.LCKVAGLINJE.LIS"));
    CProjPath::HarnDbfKat = "DATA";
    CProjPath::HarnDbsNamn = "PROJ.DBS";
    CProjPath p("C:\\P");
    EXPECT_EQ(p.DbsPath() + "|" + p.DataPath("B1.SND"),
              CString("C:\\P\\PROJ.DBS|C:\\P\\DATA\\B1.SND"));
    CProjPath::ResetNames();
    EXPECT_EQ(p.DataPath("B1.SND"), CString("C:\\P\\HARNDB\\B1.SND"));
    EXPECT_EQ(CProjPath::HarnDbsNamn, CString("HARNPLAN.DBS"));
}

TEST(CAutoIni, TextsAreNullUntilSet) {
    CAutoIni ini;
    EXPECT_TRUE(!ini.Datum() && !ini.Katalog1() && !ini.Katalog2());
    ini.SetDatum("");
    ini.SetKatalog1("C:\\Harn\\Kod");
    ini.SetKatalog2("/opt/harn/kod");
    EXPECT_EQ(std::string(ini.Datum()) + "|" + ini.Katalog1() + "|" + ini.Katalog2(),
              "|C:\\Harn\\Kod|\\opt\\harn\\kod");
    ini.SetKatalog2(nullptr);
    EXPECT_EQ(ini.Katalog2(), nullptr);
}

TEST(CDirSort, SortedByNameWithoutCaseMaskFoldersOrderAndAFreshList) {
    testing_support::TempDir dir;
    for (const char* name : {"b.snd", "A.SND", "C.LJE", "\xC3\x96.SND"}) // Ö
        testing_support::writeBytes(dir.file(name), name);
    testing_support::makeDirs(dir.file("HARNDB"));
    CDirSort d;
    // Init lists afresh each time and leaves the first entry current.
    auto list = [&](const char* mask, int folders, int descending) {
        int n = d.Init((dir.winPath() + "\\" + mask).c_str(), 1, folders, descending, 0);
        std::string out = std::to_string(n) + ":";
        int antal = 0;
        if (d.Where(&antal) == 1 && antal == n)
            do
                out += std::string(" ") + d.Get_aktel()->namn + (d.Get_aktel()->katalog ? "/" : "");
            while (d++);
        return out;
    };
    EXPECT_EQ(list("*.*", 0, 0), "4: A.SND b.snd C.LJE \xD6.SND");
    EXPECT_EQ(list("*.snd", 0, 0), "3: A.SND b.snd \xD6.SND");
    EXPECT_EQ(list("?.LJE", 0, 0), "1: C.LJE");
    EXPECT_EQ(list("*", 1, 0), "5: A.SND b.snd C.LJE HARNDB/ \xD6.SND");
    EXPECT_EQ(list("*.SND", 0, 1), "3: \xD6.SND b.snd A.SND");
    d.Home();
    EXPECT_EQ(d.Get_aktel()->storlek, 6); // its UTF-8 name as contents
    EXPECT_EQ(list("*.XYZ", 0, 0) + list("SAKNAS\\*.*", 0, 0), "0:-1:");
    EXPECT_THROW(CDirSort copy(d), const char*);
}

} // namespace
