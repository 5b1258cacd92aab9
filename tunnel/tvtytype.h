// Byte images of the cross-section type index TVTYP.LIS: the 36-byte head and the 136-byte
// record of one type, followed in memory by its file offset and its loaded outline.
#pragma once

#include <cstddef>
#include <cstdint>

class CTvarKoord;

#pragma pack(push, 1)
// Head of TVTYP.LIS, at offset 0.
struct tvhdtype {
    char version[6]; // version text, zero-terminated ("1.5" when created)
    char text[10];   // empty when created
    int32_t antal;   // live type records
    int32_t hal;     // deleted records that left a hole
    double verdel;   // version number minus its integer part
    int32_t slut;    // offset of the next new record; 100 when empty
};
#pragma pack(pop)

// One cross-section type: 136 bytes on file, then two fields kept in memory only.
struct tvtytype {
    char tvnamn[9];  // type name; first byte 0 = deleted record
    char tvtext[39]; // description
    double anfstart; // springing level at the start of the arch
    double anfslut;  // springing level at the end of the arch
    double tvval3;
    double xmin; // extents of the outline
    double xmax;
    double ymin;
    double ymax;
    double tvval[4];
    int32_t filpos;     // memory only: offset in the file, 0 = not yet written
    CTvarKoord* pKoord; // memory only: the loaded outline, owned by the record, or null
};

// Sizes and offsets on file.
constexpr int kTvHeadSize = 36;
constexpr int kTvRecordSize = 136;
constexpr int kTvFirstRecord = 100;

static_assert(sizeof(tvhdtype) == kTvHeadSize);
static_assert(offsetof(tvhdtype, version) == 0);
static_assert(sizeof(tvhdtype::version) == 6);
static_assert(offsetof(tvhdtype, text) == 6);
static_assert(sizeof(tvhdtype::text) == 10);
static_assert(offsetof(tvhdtype, antal) == 16);
static_assert(offsetof(tvhdtype, hal) == 20);
static_assert(offsetof(tvhdtype, verdel) == 24);
static_assert(offsetof(tvhdtype, slut) == 32);

static_assert(offsetof(tvtytype, tvnamn) == 0);
static_assert(sizeof(tvtytype::tvnamn) == 9);
static_assert(offsetof(tvtytype, tvtext) == 9);
static_assert(sizeof(tvtytype::tvtext) == 39);
static_assert(offsetof(tvtytype, anfstart) == 48);
static_assert(offsetof(tvtytype, anfslut) == 56);
static_assert(offsetof(tvtytype, tvval3) == 64);
static_assert(offsetof(tvtytype, xmin) == 72);
static_assert(offsetof(tvtytype, xmax) == 80);
static_assert(offsetof(tvtytype, ymin) == 88);
static_assert(offsetof(tvtytype, ymax) == 96);
static_assert(offsetof(tvtytype, tvval) == 104);
static_assert(sizeof(tvtytype::tvval) == 32);
static_assert(offsetof(tvtytype, filpos) == kTvRecordSize);
static_assert(offsetof(tvtytype, pKoord) > offsetof(tvtytype, filpos));
