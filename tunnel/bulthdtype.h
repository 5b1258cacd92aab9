// The 48-byte head of the bolt (.ODF) and drainage (.ODD) files, at offset 0; records
// (todbtype) follow from offset 300.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

struct bulthdtype {
    char version[24]; // version text, "1.5" when created
    int32_t antal;    // records in the file
    int32_t hal;      // deleted records that left a hole
    int32_t slut;     // offset of the next new record; 300 when empty
    double vernr;     // the version text as a number
    int32_t nastanr;  // next serial number to hand out; 1 when created
};

#pragma pack(pop)

constexpr int kBultHeadSize = 48;

static_assert(sizeof(bulthdtype) == kBultHeadSize);
static_assert(offsetof(bulthdtype, antal) == 24);
static_assert(offsetof(bulthdtype, hal) == 28);
static_assert(offsetof(bulthdtype, slut) == 32);
static_assert(offsetof(bulthdtype, vernr) == 36);
static_assert(offsetof(bulthdtype, nastanr) == 44);
