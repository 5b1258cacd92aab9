// The database record and head as byte images on disk: every field at its offset,
// little-endian, and only the on-file length written.
#include "database/dbstype.h"

#include "platform/CFile.h"
#include "platform/Cp1252Literal.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>

namespace {

// Little-endian bytes of a 32-bit integer or a double, built from the value, not from memory.
template <class T> std::string le(T value) {
    uint64_t v = sizeof(T) == 8 ? std::bit_cast<uint64_t>(double(value)) : uint32_t(value);
    std::string s;
    for (size_t i = 0; i < sizeof(T); ++i)
        s += static_cast<char>(v >> (8 * i));
    return s;
}

// Offsets and sizes are checked at compile time; this checks what that cannot: the bytes
// on disk are little-endian images and only 124 bytes of a record are written.
TEST(RecordLayout, HeadAndSlotWrittenAndReadAsByteImages) {
    dbshdtype h{};
    std::strcpy(h.version, "1.5");
    std::strcpy(h.riktning, "NORR");
    h.antal = 2, h.typantal[8] = 90, h.verdel = 0.5, h.slut = 848;
    dbstype r{};
    r.typ = 3, r.kod = 200, r.reftyp = -1, r.flagg = 0x15, r.x = 6543210.25, r.dz = 30;
    std::strcpy(r.id, "BORRHÅL-ÖSTER15"_cp);
    std::strcpy(r.filnamn, "BORRHÅL1"_cp);
    std::strcpy(r.text, "ÅTERFYLLD 18 TECKN"_cp);
    r.filpos = 724;

    testing_support::TempDir dir;
    CFile f;
    ASSERT_TRUE(f.Open((dir.winPath() + "\\HARNPLAN.DBS").c_str(),
                       CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
    f.Write(&h, kDbsHeadSize);
    f.Seek(kDbsFirstSlot + kDbsRecordSize, CFile::begin); // slot 1
    f.Write(&r, kDbsRecordSize);
    f.Flush();
    std::string disk = testing_support::readBytes(dir.file("HARNPLAN.DBS"));
    ASSERT_EQ(disk.size(), 848u); // the in-memory filpos is not written
    struct Field {
        size_t offset;
        std::string bytes;
    } fields[] = {
        {0, std::string("1.5\0\0\0", 6)},
        {215, std::string("NORR\0", 5) + le<int32_t>(2)},
        {256, le<int32_t>(90) + le<int32_t>(0) + std::string(48, 0) + le<double>(0.5) +
                  le<int32_t>(848)},
        {324, std::string(400, 0)}, // never written, and the unused slot 0
        {724, std::string("\x03\xC8\xFF\0\x15\0\0\0", 8) + le<double>(6543210.25)},
        {724 + 72,
         le<double>(30) +
             std::string("BORRH\xC5L-\xD6STER15\0BORRH\xC5L1\0\xC5TERFYLLD 18 TECKN", 43)},
    };
    for (const Field& fd : fields)
        EXPECT_EQ(disk.substr(fd.offset, fd.bytes.size()), fd.bytes) << "offset " << fd.offset;
    dbstype back;
    std::memset(&back, 0x77, sizeof back);
    f.Seek(724, CFile::begin);
    EXPECT_EQ(f.Read(&back, kDbsRecordSize), 124u);
    EXPECT_EQ(std::memcmp(&back, &r, kDbsRecordSize), 0);
    EXPECT_EQ(back.filpos, 0x77777777); // untouched by the read
}

} // namespace
