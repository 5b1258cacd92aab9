// Texts of the library are Windows-1252; sources are UTF-8. "Filöppning"_cp converts a UTF-8
// literal to Windows-1252 while compiling and gives a const char* to static storage (a
// constant expression: usable in static tables, and as "Ö"_cp[0] in case labels). Characters
// that Windows-1252 cannot hold, and bytes that are not UTF-8, stop the compilation.
#pragma once

#include <cstddef>
#include <type_traits>

namespace platform {

// The Windows-1252 bytes of a UTF-8 text of N bytes (its terminating zero included); the
// converted text is shorter when it had letters outside ASCII, and zero-padded.
template <std::size_t N> struct Cp1252Literal {
    char bytes[N]{};

    consteval Cp1252Literal(const char (&utf8)[N]) {
        std::size_t out = 0;
        for (std::size_t i = 0; i + 1 < N;) {
            const unsigned char lead = static_cast<unsigned char>(utf8[i]);
            char32_t c = lead;
            std::size_t length = 1;
            if ((lead & 0xE0) == 0xC0)
                c = lead & 0x1F, length = 2;
            else if ((lead & 0xF0) == 0xE0)
                c = lead & 0x0F, length = 3;
            else if (lead >= 0x80)
                throw "not UTF-8, or a character beyond Windows-1252";
            for (std::size_t k = 1; k < length; ++k) {
                const unsigned char next =
                    i + k + 1 < N ? static_cast<unsigned char>(utf8[i + k]) : 0;
                if ((next & 0xC0) != 0x80)
                    throw "not UTF-8";
                c = (c << 6) | (next & 0x3F);
            }
            bytes[out++] = static_cast<char>(toCp1252(c));
            i += length;
        }
    }

    // The byte of a Unicode character: Latin-1 as it is, 0x80-0x9F from its table.
    static consteval unsigned char toCp1252(char32_t c) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            return static_cast<unsigned char>(c);
        constexpr char32_t high[32] = {
            0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
        for (unsigned k = 0; k < 32; ++k)
            if (high[k] != 0 && high[k] == c)
                return static_cast<unsigned char>(0x80 + k);
        throw "a character beyond Windows-1252";
    }
};

#if defined(__clang__)
// clang (14 at least) crashes printing a literal operator template of class type in its
// notes, so there the literal comes in as a pack of its bytes (a GNU extension) and is
// converted into storage of its own.
template <char... utf8> struct Cp1252Pack {
    static constexpr char text[sizeof...(utf8) + 1] = {utf8..., '\0'};
    static constexpr Cp1252Literal<sizeof...(utf8) + 1> value{text};
};
#endif

} // namespace platform

#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wgnu-string-literal-operator-template"
template <typename Char, Char... utf8> consteval const char* operator""_cp() {
    static_assert(std::is_same_v<Char, char>, "_cp converts plain (UTF-8) literals only");
    return platform::Cp1252Pack<utf8...>::value.bytes;
}
#pragma clang diagnostic pop
#else
template <platform::Cp1252Literal text> consteval const char* operator""_cp() {
    return text.bytes;
}
#endif
