#include "mapping/CLinjeData.h"

#include "platform/Cp1252Literal.h"
#include "platform/FaultInjection.h"
#include "tests/mapping/MappingFixture.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using testing_support::crlf;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

class LinjeDataTest : public mapping_test::MappingProject {
protected:
    static lintype* point(CLinjeData& l, double x, double y, double z, const char* txt = "") {
        l.Ny(1, nullptr);
        lintype* p = l.Get_aktel();
        p->x = x, p->y = y, p->z = z;
        std::strcpy(p->txt, txt);
        return p;
    }
    // The members read from a file, then every point, as bytes.
    static std::string bytes(CLinjeData& l) {
        std::string s = std::to_string(l.m_metod) + " " + std::to_string(l.m_kod) + " " +
                        std::to_string(l.m_tal) + " " + std::to_string(l.m_varde) + " " +
                        l.m_jordart + std::string(l.m_kolnamn[0], sizeof l.m_kolnamn);
        if (l.Home() == 0)
            do
                s.append(reinterpret_cast<const char*>(l.Get_aktel()), sizeof(lintype));
            while (l++);
        return s;
    }
    static void setExtent(dbstype& r, const double (&v)[6]) {
        r.x = v[0], r.y = v[1], r.z = v[2], r.dx = v[3], r.dy = v[4], r.dz = v[5];
    }
    std::string lje(const std::string& name) const { return dataFile(name + ".LJE"); }
};

const char* const kSample = "LINJE1\n0\n2 4 1.500\n90 let\n*\n"
                            "   0.00     1000.500     2000.250     10.000 A1\n"
                            "  12.50     1010.000     1995.750     11.250 \n*\n"
                            "Berg\n     8.500 fast\n     0.000 \n*\n"
                            "Jord\n    -2.000 \n     3.125 le\n*\n";

TEST_F(LinjeDataTest, SavesByteForByteReadsBackTheSameObjectAndSavesTheSameFileAgain) {
    dbstype* rec = add(5, "LINJE1");
    CLinjeData l(proj.get(), rec->filnamn, CLinjeData::KR);
    l.m_kod = 2;
    std::strcpy(l.m_jordart, "let");
    l.m_varde = 1.5;
    std::strcpy(l.m_kolnamn[1], "Jord");
    lintype* p = point(l, 1000.5, 2000.25, 10, "A1");
    p->kolval[0] = 8.5;
    std::strcpy(p->koltxt[0], "fast");
    p->kolval[1] = -2;
    p = point(l, 1010, 1995.75, 11.25);
    p->pos = 12.5;
    p->kolval[1] = 3.125;
    std::strcpy(p->koltxt[1], "le");

    ASSERT_EQ(l.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("LINJE1")), crlf(kSample));
    // The column value -2 lies below every point and lowers the corner.
    dbstype want = *rec;
    want.flagg = 0x40;
    setExtent(want, {1000.5, 1995.75, -2, 9.5, 4.5, 13.25});
    EXPECT_EQ(image(*rec), image(want));
    EXPECT_EQ(slotOnDisk(rec), image(want));

    CLinjeData b(proj.get(), "LINJE1", CLinjeData::SP);
    ASSERT_EQ(b.Init(1), 0);
    EXPECT_EQ(bytes(b), bytes(l));
    ASSERT_EQ(b.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("LINJE1")), crlf(kSample));
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(LinjeDataTest, ConstructorSetMetodAndCopy) {
    CLinjeData kr(proj.get(), "ABCDEFGHIJKLMNOP", CLinjeData::KR);
    EXPECT_EQ(std::string(kr.m_namn, 12), std::string("ABCDEFGHIJK") + '\0');
    EXPECT_EQ(std::string(kr.Sokvag()), std::string(proj->ProjKat()) + "\\HARNDB\\ABCDEFGHIJK.LJE");
    EXPECT_STREQ(kr.m_kolnamn[0], "Berg");
    CLinjeData sp(proj.get(), "X", CLinjeData::SP);
    EXPECT_STREQ(sp.m_kolnamn[0], "");
    EXPECT_EQ(sp.SetMetod(42), 0);
    EXPECT_EQ(sp.m_metod, 42);
    EXPECT_THROW(CLinjeData copy(kr), const char*);
}

// Reading rules, seen in the file that the object writes again: the cases of
// tests/data/mapping/LineReading.txt.
TEST_F(LinjeDataTest, ReadingRules) {
    dbstype* rec = add(5, "R");
    rec->kod = 7, rec->reftyp = 3, rec->xyz2[1] = 4.5;
    std::strcpy(rec->text, "behålls"_cp);
    for (auto& c : mapping_test::cases("LineReading.txt")) {
        SCOPED_TRACE(c.name + "\n" + c.parts[0].substr(0, 40));
        if (c.name.find("noeol") != std::string::npos)
            c.parts[0].pop_back();
        writeBytes(lje("R"), c.parts[0]);
        CLinjeData l(proj.get(), "R", CLinjeData::SP);
        if (c.name.find("old") != std::string::npos)
            point(l, 9, 9, 9, "old");
        ASSERT_EQ(l.Init(c.name[0] - '0'), 0);
        unsigned flags[2];
        const bool withFlags =
            std::sscanf(c.name.c_str(), "%*d flags %x %x", flags, flags + 1) == 2;
        rec->flagg = static_cast<uint8_t>(withFlags ? flags[0] : 0);
        setExtent(*rec, {7, 7, 7, 7, 7, 7});
        ASSERT_EQ(l.Save(dbs.get()), 0);
        EXPECT_TRUE(!withFlags || rec->flagg == flags[1]) << int(rec->flagg);
        // The other fields stay; memory and disk agree.
        EXPECT_TRUE(rec->kod == 7 && rec->reftyp == 3 && rec->xyz2[1] == 4.5 &&
                    std::string(rec->text) == "behålls"_cp);
        EXPECT_EQ(slotOnDisk(rec), image(*rec));
        EXPECT_EQ(readBytes(lje("R")), crlf(c.parts.at(1)));
        char extent[100];
        std::snprintf(extent, sizeof extent, "%g %g %g %g %g %g\n", rec->x, rec->y, rec->z, rec->dx,
                      rec->dy, rec->dz);
        if (c.parts.size() > 2) {
            EXPECT_EQ(extent, c.parts[2]);
        }
    }
    EXPECT_TRUE(ui.events.empty());
}

// A missing file or a read error: -1, nothing reported, the object as it was.
TEST_F(LinjeDataTest, FileThatCannotBeReadLeavesTheObjectUnchanged) {
    writeBytes(lje("R1"), "R1\n3\n5 4 1\n80 let\n*\n0 1 1 1 a\n*\nNamn\n2 b\n*\n");
    for (const char* name : {"NONE", "R1"}) {
        CLinjeData l(proj.get(), name, CLinjeData::SP);
        point(l, 1, 2, 3, "p");
        const std::string before = bytes(l);
        platform::FaultScope scope;
        platform::FaultInjector::failNth(platform::FileOp::Read, 1, true);
        EXPECT_EQ(l.Init(1), -1) << name;
        EXPECT_EQ(bytes(l), before);
    }
    EXPECT_TRUE(ui.events.empty());
}

// A file that cannot be created, written or put in place (a folder standing at its name
// included): one message under "Filöppning", -3, the old file, the record and the object's
// column names as they were, no temporary file left.
TEST_F(LinjeDataTest, FailedSaveKeepsTheOldFileTheRecordAndTheObject) {
    dbstype* rec = add(5, "W1");
    CLinjeData l(proj.get(), "W1", CLinjeData::SP); // column 0 without a name
    point(l, 1, 2, 3, "a");
    ASSERT_EQ(l.Save(dbs.get()), 0);
    const std::string good = readBytes(lje("W1"));
    const dbstype saved = *rec;
    l.m_kolnamn[0][0] = 0;
    point(l, 100, 200, 300, "b");
    l.Home();
    const std::string path = std::string(proj->ProjKat()) + "\\HARNDB\\";
    const struct {
        platform::FileOp op; // none: W2.LJE is a folder
        std::string name, text;
    } cases[] = {{platform::FileOp::Open, "W1", "Fel: Hittar inte " + path + "W1.LJE"},
                 {platform::FileOp::Write, "W1", "Fel vid skrivning av " + path + "W1.LJE"},
                 {platform::FileOp::Rename, "W1", "Fel: Hittar inte " + path + "W1.LJE"},
                 {platform::FileOp::Remove, "W2", "Fel: Hittar inte " + path + "W2.LJE"}};
    testing_support::makeDirs(lje("W2"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ui.clear();
        std::snprintf(l.m_namn, sizeof l.m_namn, "%s", c.name.c_str());
        {
            platform::FaultScope scope;
            if (c.op != platform::FileOp::Remove)
                platform::FaultInjector::failNth(c.op, 1, true);
            EXPECT_EQ(l.Save(dbs.get()), -3);
        }
        EXPECT_EQ(readBytes(lje("W1")), good);
        EXPECT_EQ(testing_support::listNames(root + "/HARNDB"),
                  (std::vector<std::string>{"W1.LJE", "W2.LJE"}));
        EXPECT_TRUE(testing_support::listNames(lje("W2")).empty());
        EXPECT_EQ(image(*rec), image(saved));
        EXPECT_EQ(slotOnDisk(rec), image(saved));
        EXPECT_EQ(l.m_kolnamn[0][0], 0);
        EXPECT_EQ(l.Where(nullptr), 1);
        auto m = ui.messages();
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].text, c.text);
        EXPECT_EQ(m[0].caption, "Filöppning"_cp);
        EXPECT_EQ(m[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(static_cast<int>(m[0].call),
                  static_cast<int>(platform::MessageCall::MessageBoxA));
    }
}

} // namespace
