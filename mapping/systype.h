// One reinforcement system of the reinforcement-system library: 312 bytes on file, then the
// record's file offset in memory. Only the identifier and the number are used here; the rest
// belongs to the host and is copied whole.
#pragma once

#include "mapping/LibraryFile.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct systype {
    char id[16];    // identifier, zero-terminated
    int16_t nr;     // > 0: in use
    char data[294]; // the host's fields
    int32_t filpos; // file offset of the record (memory only)
};
#pragma pack(pop)

static_assert(offsetof(systype, nr) == 16);
static_assert(offsetof(systype, filpos) == 312);

template <> struct LibraryRecord<systype> {
    static constexpr int length = 312;
    static constexpr bool stopInStatusLine = false;
    static constexpr int numberOffset = offsetof(systype, nr);
};
