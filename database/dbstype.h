// Byte images of the project database: the 324-byte head and the 124-byte object record.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// Head of the project database file, at offset 0.
struct dbshdtype {
    char version[6];
    char text1[31];
    char projnamn[36];
    char text2[13];
    char datum[11];
    char text3[36];
    char text4[36];
    char text5[21];
    char text6[21];
    char koordsys[4];
    char riktning[5];
    int32_t antal;
    int32_t typantal[9];
    int32_t hal;
    double xmin;
    double xmax;
    double ymin;
    double ymax;
    double zmin;
    double zmax;
    double verdel;
    int32_t slut;
};

// One object of the project: 124 bytes on file, then the slot offset kept in memory.
struct dbstype {
    uint8_t typ;
    uint8_t kod;
    int8_t reftyp;
    uint8_t reserv1;
    uint8_t flagg;
    uint8_t reserv2[3];
    double x;
    double y;
    double z;
    double xyz2[3];
    double dx;
    double dy;
    double dz;
    char id[16];
    char filnamn[9];
    char text[19];
    int32_t filpos; // memory only
};

#pragma pack(pop)

// Sizes and offsets on file.
constexpr int kDbsHeadSize = 324;
constexpr int kDbsRecordSize = 124;
constexpr int kDbsFirstSlot = 600;

static_assert(sizeof(dbshdtype) == 324);
static_assert(offsetof(dbshdtype, version) == 0);
static_assert(offsetof(dbshdtype, text1) == 6);
static_assert(offsetof(dbshdtype, projnamn) == 37);
static_assert(offsetof(dbshdtype, text2) == 73);
static_assert(offsetof(dbshdtype, datum) == 86);
static_assert(offsetof(dbshdtype, text3) == 97);
static_assert(offsetof(dbshdtype, text4) == 133);
static_assert(offsetof(dbshdtype, text5) == 169);
static_assert(offsetof(dbshdtype, text6) == 190);
static_assert(offsetof(dbshdtype, koordsys) == 211);
static_assert(offsetof(dbshdtype, riktning) == 215);
static_assert(offsetof(dbshdtype, antal) == 220);
static_assert(offsetof(dbshdtype, typantal) == 224);
static_assert(sizeof(dbshdtype::typantal) == 36);
static_assert(offsetof(dbshdtype, hal) == 260);
static_assert(offsetof(dbshdtype, xmin) == 264);
static_assert(offsetof(dbshdtype, xmax) == 272);
static_assert(offsetof(dbshdtype, ymin) == 280);
static_assert(offsetof(dbshdtype, ymax) == 288);
static_assert(offsetof(dbshdtype, zmin) == 296);
static_assert(offsetof(dbshdtype, zmax) == 304);
static_assert(offsetof(dbshdtype, verdel) == 312);
static_assert(offsetof(dbshdtype, slut) == 320);

static_assert(offsetof(dbstype, typ) == 0);
static_assert(offsetof(dbstype, kod) == 1);
static_assert(offsetof(dbstype, reftyp) == 2);
static_assert(offsetof(dbstype, reserv1) == 3);
static_assert(offsetof(dbstype, flagg) == 4);
static_assert(offsetof(dbstype, reserv2) == 5);
static_assert(offsetof(dbstype, x) == 8);
static_assert(offsetof(dbstype, y) == 16);
static_assert(offsetof(dbstype, z) == 24);
static_assert(offsetof(dbstype, xyz2) == 32);
static_assert(sizeof(dbstype::xyz2) == 24);
static_assert(offsetof(dbstype, dx) == 56);
static_assert(offsetof(dbstype, dy) == 64);
static_assert(offsetof(dbstype, dz) == 72);
static_assert(offsetof(dbstype, id) == 80);
static_assert(sizeof(dbstype::id) == 16);
static_assert(offsetof(dbstype, filnamn) == 96);
static_assert(sizeof(dbstype::filnamn) == 9);
static_assert(offsetof(dbstype, text) == 105);
static_assert(sizeof(dbstype::text) == 19);
static_assert(offsetof(dbstype, filpos) == kDbsRecordSize);
static_assert(sizeof(dbstype) == kDbsRecordSize + 4);

// A slot on file is free when its type or the first character of its id is 0.
inline bool slotFree(const char* bytes) {
    return bytes[offsetof(dbstype, typ)] == 0 || bytes[offsetof(dbstype, id)] == 0;
}
inline bool slotFree(const dbstype& r) {
    return r.typ == 0 || r.id[0] == 0;
}

// What reading the slots makes of the slot at `p`, the head's end being `slut`: a free
// slot, a live record, or a live slot at or past the end, where the reading stops.
enum class SlotKind { Free, Live, End };
inline SlotKind slotKind(const char* bytes, long p, long slut) {
    if (slotFree(bytes))
        return SlotKind::Free;
    return p >= slut ? SlotKind::End : SlotKind::Live;
}
