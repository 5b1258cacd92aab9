// One code of a rock, infill or soil code list. Kept in memory only (the code file is text).
#pragma once

#include <cstdint>

struct bergmattype {
    int16_t nr;         // the code's number; 0 is the blank code
    int16_t tal;        // an integer from 1 to 256; default 4
    int16_t extra;      // default 0; kept from the file only for negative numbers
    double faktor;      // at least 0.01; default 1.0
    double vinkel;      // radians (the code file holds degrees); default 0
    char beteckning[4]; // two characters (rock, infill) or three (soil)
    char text[13];      // at most 12 characters
};
