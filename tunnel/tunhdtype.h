// The 152-byte head of the tunnel database file (.ODB), at offset 0; records follow from
// offset 300.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

struct tunhdtype {
    char version[6];   // version text, "1.5" when created
    char rubrik[16];   // tunnel title; line 1 of the .LAT header
    int16_t reserv;    // 0 when created
    int32_t antal[20]; // [0] live records; [k] live records of kind k
    int32_t hal;       // deleted records that left a hole inside the file
    char lattext[16];  // line 3 of the .LAT header
    char text1[5];     // the host's; empty when created
    char text2[5];     // the host's; empty when created
    int16_t ival4;     // first number of line 4 of the .LAT header
    double verdel;     // version number minus its integer part when created
    int32_t flagg;     // 1 when created
    int32_t slut;      // offset of the next new record; 300 when empty
};

#pragma pack(pop)

constexpr int kTunHeadSize = 152;
constexpr int kTunFirstRecord = 300;

static_assert(sizeof(tunhdtype) == kTunHeadSize);
static_assert(offsetof(tunhdtype, rubrik) == 6);
static_assert(offsetof(tunhdtype, reserv) == 22);
static_assert(offsetof(tunhdtype, antal) == 24);
static_assert(sizeof(tunhdtype::antal) == 80);
static_assert(offsetof(tunhdtype, hal) == 104);
static_assert(offsetof(tunhdtype, lattext) == 108);
static_assert(offsetof(tunhdtype, text1) == 124);
static_assert(offsetof(tunhdtype, text2) == 129);
static_assert(offsetof(tunhdtype, ival4) == 134);
static_assert(offsetof(tunhdtype, verdel) == 136);
static_assert(offsetof(tunhdtype, flagg) == 144);
static_assert(offsetof(tunhdtype, slut) == 148);
