// One measured point of a line: its position value, coordinates, a value and a short text in
// each of the five value columns, and its own short text.
#pragma once

#include <cstddef>

struct lintype {
    double pos; // first number of a point line; not part of the extent
    double x;
    double y;
    double z;
    double kolval[5];  // value of the point in each column
    char koltxt[5][8]; // text beside each column value, at most 7 characters
    char txt[8];       // the point's text, at most 7 characters
};

static_assert(offsetof(lintype, pos) == 0);
static_assert(offsetof(lintype, x) == 8);
static_assert(offsetof(lintype, kolval) == 32);
static_assert(offsetof(lintype, koltxt) == 72);
static_assert(offsetof(lintype, txt) == 112);
static_assert(sizeof(lintype) == 120);
