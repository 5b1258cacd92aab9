// The hash of a record's address for tables keyed by record: records are at least 8-byte
// aligned, so the low bits carry nothing. Within a region of 2 MiB the addresses keep their
// order, so that the records of one node block, filed one after the other, go to
// neighbouring places (the table is walked forwards, not at random); each region starts at
// a place of its own.
#pragma once

#include <cstdint>

inline uint64_t addressHash(const void* p) {
    const uint64_t a = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
    const uint64_t region = ((a >> 21) * 0x9E3779B97F4A7C15ull) >> 32;
    return (a >> 3) + region;
}
