// A point of a polygon or outline: x, y, a third value (a height in an outcrop outline, a
// bulge in a tunnel outline) and an 8-byte code field. Outcrops keep a text of at most 3
// characters in `kod`; tunnel outlines keep a 32-bit integer in its first four bytes.
#pragma once

#include <cstddef>

struct kokotype {
    double x;
    double y;
    double z;
    char kod[8];
};

static_assert(offsetof(kokotype, x) == 0);
static_assert(offsetof(kokotype, y) == 8);
static_assert(offsetof(kokotype, z) == 16);
static_assert(offsetof(kokotype, kod) == 24);
static_assert(sizeof(kokotype) == 32);
