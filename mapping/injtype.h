// One grouting system of the grouting library: 288 bytes on file, then the record's file
// offset in memory. Only the identifier and the number are used here; the rest belongs to
// the host and is copied whole.
#pragma once

#include "mapping/LibraryFile.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct injtype {
    char id[16];     // identifier, zero-terminated
    char data1[196]; // the host's fields
    int16_t nr;      // > 0: in use
    char data2[74];  // the host's fields
    int32_t filpos;  // file offset of the record (memory only)
};
#pragma pack(pop)

static_assert(offsetof(injtype, nr) == 212);
static_assert(offsetof(injtype, filpos) == 288);

template <> struct LibraryRecord<injtype> {
    static constexpr int length = 288;
    static constexpr bool stopInStatusLine = false;
    static constexpr int numberOffset = offsetof(injtype, nr);
};
