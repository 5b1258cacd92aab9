#pragma once
#include <cstddef>

namespace platform {

// A UTF-8 string literal converted to Windows-1252 while compiling. Invalid UTF-8 and
// characters that Windows-1252 cannot hold stop the compilation.
template <std::size_t N> struct Cp1252Literal {
    char bytes[N]{};

    consteval Cp1252Literal(const char (&utf8)[N]) {
        std::size_t out = 0;
        for (std::size_t i = 0; i + 1 < N;) {
            const unsigned char lead = static_cast<unsigned char>(utf8[i]);
            char32_t c = 0;
            std::size_t length = 1;
            if (lead < 0x80)
                c = lead;
            else if ((lead & 0xE0) == 0xC0)
                c = lead & 0x1F, length = 2;
            else if ((lead & 0xF0) == 0xE0)
                c = lead & 0x0F, length = 3;
            else
                throw "not UTF-8 (or a character beyond Windows-1252)";
            for (std::size_t k = 1; k < length; ++k) {
                if (i + k + 1 >= N)
                    throw "truncated UTF-8 sequence";
                const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
                if ((next & 0xC0) != 0x80)
                    throw "not UTF-8";
                c = (c << 6) | (next & 0x3F);
            }
            bytes[out++] = static_cast<char>(toCp1252(c));
            i += length;
        }
    }

    static consteval unsigned char toCp1252(char32_t c) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            return static_cast<unsigned char>(c);
        constexpr char32_t high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
        for (unsigned k = 0; k < 32; ++k)
            if (high[k] != 0 && high[k] == c)
                return static_cast<unsigned char>(0x80 + k);
        throw "character not in Windows-1252";
    }
};

} // namespace platform

template <platform::Cp1252Literal text> consteval const char* operator""_cp() {
    return text.bytes;
}
