// The borehole head: the first block of every borehole file, kept in memory only.
#pragma once

#include <cstdint>

struct harnbhdtype {
    char id[16];
    double x;
    double y;
    double z;
    double dval1;
    double dval2;
    double dval3;
    int16_t kod;
    int16_t ival1;
    char text[20];
    double zberg;
    double dval5;
    char jn1[4];
    char avvmatt[4];
    char bhdtext2[4];
    int32_t metod;
    int32_t ival3;
    float fval1;
    char slutkod[4];
    int32_t blockparam;
    char metodtext[12];
    int32_t azimut;
    int32_t lutning;
    char klassland[3];
    char klassystem[5];
    float fval2;
    float fval3;
    float fval4;
};

// Field widths of the head (it is never stored as an image, so only the widths matter).
static_assert(sizeof(harnbhdtype::id) == 16 && sizeof(harnbhdtype::text) == 20);
static_assert(sizeof(harnbhdtype::kod) == 2 && sizeof(harnbhdtype::ival1) == 2);
static_assert(sizeof(harnbhdtype::jn1) == 4 && sizeof(harnbhdtype::avvmatt) == 4 &&
              sizeof(harnbhdtype::bhdtext2) == 4 && sizeof(harnbhdtype::slutkod) == 4);
static_assert(sizeof(harnbhdtype::metodtext) == 12 && sizeof(harnbhdtype::klassland) == 3 &&
              sizeof(harnbhdtype::klassystem) == 5);
static_assert(sizeof(harnbhdtype::metod) == 4 && sizeof(harnbhdtype::ival3) == 4 &&
              sizeof(harnbhdtype::blockparam) == 4 && sizeof(harnbhdtype::azimut) == 4 &&
              sizeof(harnbhdtype::lutning) == 4);
static_assert(sizeof(harnbhdtype::fval1) == 4 && sizeof(harnbhdtype::fval4) == 4);
