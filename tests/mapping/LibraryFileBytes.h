// Bytes of reinforcement and grouting library files for tests: a header and records.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace libtest {

template <class V> void put(std::string& bytes, std::size_t at, V value) {
    std::memcpy(&bytes[at], &value, sizeof value);
}

// The 300 bytes before the first record. The bytes the library does not interpret are set,
// so that a test sees them kept.
inline std::string header(const char* version, int32_t antal, int32_t hal, int32_t slut) {
    std::string h(300, '\0');
    std::strncpy(&h[0], version, 6);
    h[10] = 'H';
    put<int32_t>(h, 24, antal), put<int32_t>(h, 40, 77), put<int32_t>(h, 104, hal);
    put<double>(h, 108, 0.4), put<int32_t>(h, 116, slut);
    for (std::size_t i = 120; i < 300; ++i)
        h[i] = static_cast<char>(i);
    return h;
}

// A record: the identifier, the number at `numberOffset`, every other byte the identifier's
// first letter (so the number fields of the other kinds read as in use).
inline std::string record(int length, int numberOffset, const char* id, int16_t nr) {
    std::string r(static_cast<std::size_t>(length), id[0]);
    std::memset(&r[0], 0, 16);
    std::strncpy(&r[0], id, 16);
    put<int16_t>(r, static_cast<std::size_t>(numberOffset), nr);
    return r;
}

} // namespace libtest
