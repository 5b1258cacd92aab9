// One reinforcement type of the reinforcement-type library: 656 bytes on file, then the
// record's file offset in memory. The group number `grupp` tells whether the record is in
// use; `grupp` and `typnr` together name the type. The other fields belong to the host.
#pragma once

#include "mapping/LibraryFile.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct fortype {
    char id[16];    // identifier, zero-terminated
    char data[636]; // the host's fields
    int16_t grupp;  // > 0: in use
    int16_t typnr;  // type number within the group
    int32_t filpos; // file offset of the record (memory only)
};
#pragma pack(pop)

static_assert(offsetof(fortype, grupp) == 652);
static_assert(offsetof(fortype, typnr) == 654);
static_assert(offsetof(fortype, filpos) == 656);

template <> struct LibraryRecord<fortype> {
    static constexpr int length = 656;
    static constexpr bool stopInStatusLine = true;
    static constexpr int numberOffset = offsetof(fortype, grupp);
};
