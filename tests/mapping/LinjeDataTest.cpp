#include "mapping/CLinjeData.h"

#include "platform/FaultInjection.h"
#include "tests/mapping/LinjeDataFixture.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using testing_support::crlf;
using testing_support::exists;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

class LinjeDataTest : public mapping_test::MappingProject {
protected:
    static lintype* point(CLinjeData& l, double x, double y, double z, const char* txt = "") {
        l.Ny(1, nullptr);
        lintype* p = l.Get_aktel();
        p->x = x;
        p->y = y;
        p->z = z;
        std::strcpy(p->txt, txt);
        return p;
    }
    static lintype* at(CLinjeData& l, int n) { // 1-based
        l.Home();
        for (int i = 1; i < n; ++i)
            l++;
        return l.Get_aktel();
    }
    static int count(const CLinjeData& l) {
        int n = 0;
        l.Where(&n);
        return n;
    }
    static std::string bytes(const lintype& p) {
        return std::string(reinterpret_cast<const char*>(&p), sizeof p);
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
    EXPECT_FALSE(exists(lje("LINJE1") + "$"));
    EXPECT_TRUE(ui.messages().empty());
    // The column value -2 lies below every point and lowers the corner.
    dbstype want = *rec;
    want.flagg = 0x40;
    want.x = 1000.5, want.y = 1995.75, want.z = -2;
    want.dx = 9.5, want.dy = 4.5, want.dz = 13.25;
    EXPECT_EQ(image(*rec), image(want));
    EXPECT_EQ(slotOnDisk(rec), image(want));

    CLinjeData b(proj.get(), "LINJE1", CLinjeData::SP);
    ASSERT_EQ(b.Init(1), 0);
    EXPECT_EQ(b.m_metod, CLinjeData::KR);
    EXPECT_EQ(b.m_kod, 2);
    EXPECT_STREQ(b.m_jordart, "let");
    EXPECT_EQ(b.m_varde, 1.5);
    EXPECT_EQ(std::string(b.m_kolnamn[0], 80), std::string(l.m_kolnamn[0], 80));
    for (int n = 1; n <= 2; ++n)
        EXPECT_EQ(bytes(*at(b, n)), bytes(*at(l, n))) << n;
    EXPECT_EQ(count(b), 2);
    ASSERT_EQ(b.Save(dbs.get()), 0);
    EXPECT_EQ(readBytes(lje("LINJE1")), crlf(kSample));
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

// Method flags of the record: KR and SP their own bit, the others neither; nothing else moves.
TEST_F(LinjeDataTest, MethodSetsItsFlagBitAndNoOtherFieldChanges) {
    const struct {
        int metod;
        uint8_t before, after;
    } cases[] = {{CLinjeData::KR, 0xA5, 0x65}, {CLinjeData::KR, 0x5A, 0x5A},
                 {CLinjeData::SP, 0xA5, 0xA5}, {CLinjeData::SP, 0x5A, 0x9A},
                 {CLinjeData::FP, 0xFF, 0x3F}, {CLinjeData::KV, 0xC1, 0x01},
                 {CLinjeData::JG, 0x5A, 0x1A}, {CLinjeData::LI, 0xA5, 0x25}};
    dbstype* rec = add(5, "F1");
    rec->kod = 7, rec->reftyp = 3, rec->xyz2[1] = 4.5;
    std::strcpy(rec->text, "behålls");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.metod);
        rec->flagg = c.before;
        dbstype want = *rec;
        want.flagg = c.after;
        want.x = 1, want.y = 2, want.z = 3, want.dx = want.dy = want.dz = 0;
        CLinjeData l(proj.get(), rec->filnamn, c.metod);
        point(l, 1, 2, 3);
        ASSERT_EQ(l.Save(dbs.get()), 0);
        EXPECT_EQ(slotOnDisk(rec), image(want));
        EXPECT_EQ(readBytes(lje("F1")).substr(0, 7), "F1\r\n" + std::to_string(c.metod) + "\r\n");
    }
}

// Extent and column blocks: values within 0.001 of zero and columns that are not written do
// not widen z; "Z-mate" and the first unnamed column end the column blocks.
TEST_F(LinjeDataTest, ExtentAndColumnBlocks) {
    const struct {
        const char* names[3];
        std::vector<std::vector<double>> points; // x y z, values of columns 0 to 2
        double want[6];                          // x y z dx dy dz
        const char* columns;                     // the file after the point block
    } cases[] = {
        {{}, {}, {0, 0, 0, 0, 0, 0}, ""},
        {{}, {{1, 1, 1, 0, 0, 9}}, {1, 1, 1, 0, 0, 0}, "Berg\n     0.000 \n*\n"},
        {{"Berg", "Z-mate", "Tredje"},
         {{1, 1, 1, 0, 0, 9}},
         {1, 1, 1, 0, 0, 0},
         "Berg\n     0.000 \n*\n"},
        {{"A", "", "C"}, {{1, 1, 1, 0, 0, 9}}, {1, 1, 1, 0, 0, 0}, "A\n     0.000 \n*\n"},
        {{"Berg", "B"},
         {{0, 0, 10, 0.001, -0.001}, {3, 4, 12, 0.0005, 0}},
         {0, 0, 10, 3, 4, 2},
         "Berg\n     0.001 \n     0.001 \n*\nB\n    -0.001 \n     0.000 \n*\n"},
        {{"Berg", "B"},
         {{0, 0, 10, 0, -5}, {3, 4, 12, 50, 0}},
         {0, 0, -5, 3, 4, 55},
         "Berg\n     0.000 \n    50.000 \n*\nB\n    -5.000 \n     0.000 \n*\n"},
    };
    dbstype* rec = add(5, "Z1");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.columns);
        rec->x = 5, rec->y = 6, rec->z = 7, rec->dx = rec->dy = rec->dz = 1;
        CLinjeData l(proj.get(), "Z1", CLinjeData::FP);
        for (int i = 0; i < 3; ++i)
            std::strcpy(l.m_kolnamn[i], c.names[i] ? c.names[i] : "");
        for (const auto& v : c.points) {
            lintype* p = point(l, v[0], v[1], v[2]);
            for (size_t i = 3; i < v.size(); ++i)
                p->kolval[i - 3] = v[i];
        }
        ASSERT_EQ(l.Save(dbs.get()), 0);
        const std::string file = readBytes(lje("Z1"));
        const std::string head = crlf("Z1\n2\n0 -1 0.000\n90 \n*\n");
        ASSERT_EQ(file.substr(0, head.size()), head);
        const size_t end = file.compare(head.size(), 3, "*\r\n") == 0
                               ? head.size() + 3
                               : file.find("\r\n*\r\n", head.size()) + 5;
        EXPECT_EQ(file.substr(end), crlf(c.columns));
        dbstype want = *rec;
        want.x = c.want[0], want.y = c.want[1], want.z = c.want[2];
        want.dx = c.want[3], want.dy = c.want[4], want.dz = c.want[5];
        EXPECT_EQ(slotOnDisk(rec), image(want));
        // A column 0 without a name is "Berg" from the save on, with or without points.
        if (!c.names[0]) {
            EXPECT_STREQ(l.m_kolnamn[0], "Berg");
        }
    }
}

// Reading rules, seen in the file that the object writes again: the cases of
// tests/data/mapping/LineReading.txt.
TEST_F(LinjeDataTest, ReadingRules) {
    const std::string data = readBytes(
        (std::filesystem::path(__FILE__).parent_path() / "../data/mapping/LineReading.txt")
            .string());
    std::vector<std::string> heads, in, out;
    std::string* part = nullptr;
    for (size_t at = 0, end; at < data.size(); at = end + 1) {
        end = data.find('\n', at);
        const std::string line = data.substr(at, end - at);
        if (line.rfind("@@ read", 0) == 0) {
            heads.push_back(line);
            in.emplace_back();
            out.emplace_back();
            part = &in.back();
        } else if (line == "@@ saved") {
            part = &out.back();
        } else if (line[0] != '#' && part) {
            *part += line + "\n";
        }
    }
    ASSERT_EQ(heads.size(), 13u);
    for (size_t k = 0; k < heads.size(); ++k) {
        SCOPED_TRACE(heads[k] + "\n" + in[k].substr(0, 40));
        if (heads[k].find("noeol") != std::string::npos)
            in[k].pop_back();
        writeBytes(lje("R"), in[k]);
        CLinjeData l(proj.get(), "R", CLinjeData::SP);
        if (heads[k].find("old") != std::string::npos)
            point(l, 9, 9, 9, "old");
        ASSERT_EQ(l.Init(heads[k][8] - '0'), 0);
        // No text was stored past its field.
        EXPECT_EQ(l.m_jordart[8], 0);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(l.m_kolnamn[i][15], 0);
        for (int n = 1; n <= count(l); ++n)
            for (int i = 0; i < 5; ++i)
                EXPECT_TRUE(at(l, n)->txt[7] == 0 && at(l, n)->koltxt[i][7] == 0);
        ASSERT_EQ(l.Save(nullptr), 0);
        EXPECT_EQ(readBytes(lje("R")), crlf(out[k]));
    }
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(LinjeDataTest, EveryTableSoilCodeIsWrittenWithItsIndex) {
    const char* const table[12] = {"f  ", "mu ", "gy ", "t  ", "let", "le ",
                                   "si ", "sa ", "gr ", "st ", "fr ", "mn "};
    CLinjeData l(proj.get(), "J1", CLinjeData::FP);
    for (int i = 0; i < 12; ++i) {
        std::strcpy(l.m_jordart, table[i]);
        ASSERT_EQ(l.Save(nullptr), 0);
        EXPECT_EQ(readBytes(lje("J1")),
                  crlf("J1\n2\n0 " + std::to_string(i) + " 0.000\n90 " + table[i] + "\n*\n*\n"));
    }
}

// A missing file or a read error: -1, nothing reported, the object as it was.
TEST_F(LinjeDataTest, FileThatCannotBeReadLeavesTheObjectUnchanged) {
    writeBytes(lje("R1"), "R1\n3\n5 4 1\n80 let\n*\n0 1 1 1 a\n*\nNamn\n2 b\n*\n");
    for (const char* name : {"NONE", "R1"}) {
        CLinjeData l(proj.get(), name, CLinjeData::SP);
        const std::string before = bytes(*point(l, 1, 2, 3, "p"));
        platform::FaultScope scope;
        platform::FaultInjector::failNth(platform::FileOp::Read, 1, true);
        EXPECT_EQ(l.Init(1), -1) << name;
        EXPECT_EQ(count(l), 1);
        EXPECT_EQ(bytes(*at(l, 1)), before);
        EXPECT_EQ(l.m_metod, CLinjeData::SP);
        EXPECT_EQ(l.m_kod, 0);
        EXPECT_EQ(l.m_varde, 0);
        EXPECT_EQ(l.m_tal, 90);
        EXPECT_STREQ(l.m_jordart, "");
        EXPECT_STREQ(l.m_kolnamn[0], "");
    }
    EXPECT_TRUE(ui.events.empty());
}

// A file that cannot be created, written or put in place: one message under "Filöppning",
// -3, the old file and the record as they were, no temporary file left.
TEST_F(LinjeDataTest, FailedSaveKeepsTheOldFileAndTheRecord) {
    dbstype* rec = add(5, "W1");
    CLinjeData l(proj.get(), "W1", CLinjeData::KR);
    point(l, 1, 2, 3, "a");
    ASSERT_EQ(l.Save(dbs.get()), 0);
    const std::string good = readBytes(lje("W1"));
    const dbstype saved = *rec;
    point(l, 100, 200, 300, "b");
    const std::string path = std::string(proj->ProjKat()) + "\\HARNDB\\W1.LJE";
    const struct {
        platform::FileOp op;
        std::string text;
    } cases[] = {{platform::FileOp::Open, "Fel: Hittar inte " + path},
                 {platform::FileOp::Write, "Fel vid skrivning av " + path},
                 {platform::FileOp::Rename, "Fel: Kan ej ersätta " + path}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ui.clear();
        {
            platform::FaultScope scope;
            platform::FaultInjector::failNth(c.op, 1, true);
            EXPECT_EQ(l.Save(dbs.get()), -3);
        }
        EXPECT_EQ(readBytes(lje("W1")), good);
        EXPECT_FALSE(exists(lje("W1") + "$"));
        EXPECT_EQ(image(*rec), image(saved));
        EXPECT_EQ(slotOnDisk(rec), image(saved));
        auto m = ui.messages();
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].text, c.text);
        EXPECT_EQ(m[0].caption, "Filöppning");
        EXPECT_EQ(m[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(static_cast<int>(m[0].call),
                  static_cast<int>(platform::MessageCall::MessageBoxA));
    }
}

} // namespace
