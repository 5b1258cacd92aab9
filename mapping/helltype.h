// One outcrop of a CHellar list. The leading fields are the host's; this library leaves them
// zero. The point list is owned by the CHellar that holds the record.
#pragma once

#include <cstdint>

class CHkolista;

struct helltype {
    int32_t reserv[4];   // the host's fields; always zero here
    CHkolista* pPunkter; // the outline points, null until the first point is read
};
