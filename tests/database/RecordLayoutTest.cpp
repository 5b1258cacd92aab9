// The database record and head as byte images on disk: every field at its offset,
// little-endian, and only the on-file length written.
#include "database/dbstype.h"

#include "platform/CFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using testing_support::readBytes;
using testing_support::TempDir;

std::string le32(int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

std::string le64(double d) {
    uint64_t v;
    std::memcpy(&v, &d, 8);
    std::string s(8, '\0');
    for (int i = 0; i < 8; ++i)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

dbstype sampleRecord() {
    dbstype r;
    std::memset(&r, 0, sizeof r);
    r.typ = 3;
    r.kod = 200;
    r.reftyp = -1;
    r.flagg = 0x15;
    r.x = 6543210.25;
    r.y = 1234567.5;
    r.z = 12.75;
    r.xyz2[0] = 1;
    r.xyz2[1] = 2;
    r.xyz2[2] = -3;
    r.dx = 0.5;
    r.dy = 0.25;
    r.dz = 30;
    std::strcpy(r.id, "BORRHÅL-ÖSTER15");
    std::strcpy(r.filnamn, "BORRHÅL1");
    std::strcpy(r.text, "ÅTERFYLLD 18 TECKN");
    r.filpos = 724;
    return r;
}

dbshdtype sampleHead() {
    dbshdtype h;
    std::memset(&h, 0, sizeof h);
    std::strcpy(h.version, "1.5");
    std::strcpy(h.text1, "Text ett");
    std::strcpy(h.projnamn, "PROJ1");
    std::strcpy(h.text2, "T2");
    std::strcpy(h.datum, "2005-01-02");
    std::strcpy(h.text3, "T3");
    std::strcpy(h.text4, "T4");
    std::strcpy(h.text5, "T5");
    std::strcpy(h.text6, "T6");
    std::strcpy(h.koordsys, "RAK");
    std::strcpy(h.riktning, "NORR");
    h.antal = 2;
    for (int t = 0; t < 9; ++t)
        h.typantal[t] = t * 10;
    h.hal = 1;
    h.xmin = -1.5;
    h.xmax = 2.5;
    h.ymin = -3.5;
    h.ymax = 4.5;
    h.zmin = -5.5;
    h.zmax = 6.5;
    h.verdel = 0.5;
    h.slut = 848;
    return h;
}

TEST(RecordLayout, RecordFieldsLieAtTheirOffsets) {
    dbstype r = sampleRecord();
    std::string b(reinterpret_cast<const char*>(&r), kDbsRecordSize);
    EXPECT_EQ(static_cast<unsigned char>(b[0]), 3);
    EXPECT_EQ(static_cast<unsigned char>(b[1]), 200);
    EXPECT_EQ(static_cast<unsigned char>(b[2]), 0xFF);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(static_cast<unsigned char>(b[4]), 0x15);
    EXPECT_EQ(b.substr(5, 3), std::string(3, '\0'));
    EXPECT_EQ(b.substr(8, 8), le64(6543210.25));
    EXPECT_EQ(b.substr(16, 8), le64(1234567.5));
    EXPECT_EQ(b.substr(24, 8), le64(12.75));
    EXPECT_EQ(b.substr(32, 8), le64(1));
    EXPECT_EQ(b.substr(40, 8), le64(2));
    EXPECT_EQ(b.substr(48, 8), le64(-3));
    EXPECT_EQ(b.substr(56, 8), le64(0.5));
    EXPECT_EQ(b.substr(64, 8), le64(0.25));
    EXPECT_EQ(b.substr(72, 8), le64(30));
    EXPECT_EQ(b.substr(80, 16), std::string("BORRH\xC5L-\xD6STER15\0", 16));
    EXPECT_EQ(b.substr(96, 9), std::string("BORRH\xC5L1\0", 9));
    EXPECT_EQ(b.substr(105, 19), std::string("\xC5TERFYLLD 18 TECKN\0", 19));
}

TEST(RecordLayout, HeadFieldsLieAtTheirOffsets) {
    dbshdtype h = sampleHead();
    std::string b(reinterpret_cast<const char*>(&h), kDbsHeadSize);
    EXPECT_EQ(b.substr(0, 4), std::string("1.5\0", 4));
    EXPECT_EQ(b.substr(6, 9), std::string("Text ett\0", 9));
    EXPECT_EQ(b.substr(37, 6), std::string("PROJ1\0", 6));
    EXPECT_EQ(b.substr(73, 3), std::string("T2\0", 3));
    EXPECT_EQ(b.substr(86, 11), std::string("2005-01-02\0", 11));
    EXPECT_EQ(b.substr(97, 2), "T3");
    EXPECT_EQ(b.substr(133, 2), "T4");
    EXPECT_EQ(b.substr(169, 2), "T5");
    EXPECT_EQ(b.substr(190, 2), "T6");
    EXPECT_EQ(b.substr(211, 4), std::string("RAK\0", 4));
    EXPECT_EQ(b.substr(215, 5), std::string("NORR\0", 5));
    EXPECT_EQ(b.substr(220, 4), le32(2));
    for (int t = 0; t < 9; ++t)
        EXPECT_EQ(b.substr(224 + 4 * t, 4), le32(t * 10)) << "type " << t + 1;
    EXPECT_EQ(b.substr(260, 4), le32(1));
    EXPECT_EQ(b.substr(264, 8), le64(-1.5));
    EXPECT_EQ(b.substr(272, 8), le64(2.5));
    EXPECT_EQ(b.substr(280, 8), le64(-3.5));
    EXPECT_EQ(b.substr(288, 8), le64(4.5));
    EXPECT_EQ(b.substr(296, 8), le64(-5.5));
    EXPECT_EQ(b.substr(304, 8), le64(6.5));
    EXPECT_EQ(b.substr(312, 8), le64(0.5));
    EXPECT_EQ(b.substr(320, 4), le32(848));
}

TEST(RecordLayout, HeadAndSlotsWrittenAndReadAsBytes) {
    TempDir dir;
    std::string path = dir.winPath() + "\\HARNPLAN.DBS";
    dbshdtype h = sampleHead();
    dbstype r = sampleRecord();
    {
        CFile f;
        ASSERT_TRUE(f.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
        f.Write(&h, kDbsHeadSize);
        f.Seek(kDbsFirstSlot + kDbsRecordSize, CFile::begin); // slot 1
        f.Write(&r, kDbsRecordSize);
        f.Close();
    }
    std::string disk = readBytes(dir.file("HARNPLAN.DBS"));
    ASSERT_EQ(disk.size(), 848u); // the in-memory filpos is not written
    EXPECT_EQ(disk.substr(0, 324), std::string(reinterpret_cast<const char*>(&h), 324));
    EXPECT_EQ(disk.substr(324, 400), std::string(400, '\0')); // gap and the unused slot 0
    EXPECT_EQ(disk.substr(724), std::string(reinterpret_cast<const char*>(&r), 124));

    CFile f;
    ASSERT_TRUE(f.Open(path.c_str(), CFile::modeRead | CFile::typeBinary));
    dbshdtype h2;
    std::memset(&h2, 0x77, sizeof h2);
    EXPECT_EQ(f.Read(&h2, kDbsHeadSize), 324u);
    EXPECT_EQ(std::memcmp(&h, &h2, sizeof h), 0);
    dbstype r2;
    std::memset(&r2, 0x77, sizeof r2);
    f.Seek(724, CFile::begin);
    EXPECT_EQ(f.Read(&r2, kDbsRecordSize), 124u);
    EXPECT_EQ(std::memcmp(&r, &r2, kDbsRecordSize), 0);
    EXPECT_EQ(r2.filpos, 0x77777777); // untouched by the read
    EXPECT_STREQ(r2.id, "BORRHÅL-ÖSTER15");
    EXPECT_EQ(r2.reftyp, -1);
    EXPECT_EQ(r2.dz, 30);
}

} // namespace
