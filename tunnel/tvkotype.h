// One point of a cross-section outline (memory only; the outline file is text).
#pragma once

#include <cstddef>

struct tvkotype {
    double x;
    double y;
    double radie; // radius of the segment to the next point; 0 straight; the sign gives the side
    double bulge; // bulge of that segment, computed when the outline is saved
    char reserv[8];
};

static_assert(offsetof(tvkotype, x) == 0);
static_assert(offsetof(tvkotype, y) == 8);
static_assert(offsetof(tvkotype, radie) == 16);
static_assert(offsetof(tvkotype, bulge) == 24);
static_assert(offsetof(tvkotype, reserv) == 32);
static_assert(sizeof(tvkotype) == 40);
