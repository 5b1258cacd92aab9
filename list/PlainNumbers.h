// Reads white-space separated numbers of a line as sscanf's "%lf", "%f" and "%ld" read them, for
// lines made of plain decimal numbers only ("-12", "+3", "45.125"): a file the program wrote
// holds nothing else, and reading it this way costs a fraction of sscanf. A token of any other
// form (an exponent, hexadecimal, "inf", a sign or point without digits, letters right after
// the digits, more than 18 digits) makes a read give up; the caller then reads the whole line
// with sscanf, which assigns again, equally, what was read here.
#pragma once

#include <charconv>
#include <cstddef>
#include <type_traits>

class PlainNumbers {
public:
    explicit PlainNumbers(const char* text) : m_p(text) {}

    // Skips white space as sscanf does; true at the end of the text.
    bool atEnd() {
        skipSpace();
        return *m_p == 0;
    }

    // The next token as "%lf" (a double) or "%f" (a float) reads it, when it is plain.
    template <class Real> bool real(Real& value) {
        static_assert(std::is_floating_point_v<Real>);
        skipSpace();
        const char* p = m_p;
        if (*p == '+' || *p == '-')
            ++p;
        const char* digits = p;
        p = skipDigits(p);
        if (p == digits)
            return false;
        if (*p == '.') {
            const char* fraction = ++p;
            p = skipDigits(p);
            if (p == fraction)
                return false;
        }
        if (!endsToken(p))
            return false;
        // from_chars takes no '+'; it rounds exactly as strtod does.
        const char* from = *m_p == '+' ? m_p + 1 : m_p;
        Real v = 0;
        const auto [end, error] = std::from_chars(from, p, v);
        if (error != std::errc() || end != p)
            return false;
        value = v;
        m_p = p;
        return true;
    }

    // The next token as "%ld" reads it, when it is plain.
    bool integer(long& value) {
        skipSpace();
        const char* p = m_p;
        const bool negative = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        const char* digits = p;
        p = skipDigits(p);
        if (p == digits || p - digits > kMostDigits || !endsToken(p))
            return false;
        long v = 0; // at most 18 digits: no overflow
        for (const char* d = digits; d < p; ++d)
            v = v * 10 + (*d - '0');
        value = negative ? -v : v;
        m_p = p;
        return true;
    }

    // Reads `values` in order, on from where the reader stands, as sscanf reads them with
    // "%ld" for a long and "%lf" or "%f" for a double or a float, when every token it comes to
    // is plain: how many it read before the line ended (the others are left as they were).
    // -1 at a token that is not plain; the caller then reads the whole line with sscanf.
    template <class... Value> int scan(Value&... values) {
        int got = 0;
        bool more = true;
        auto one = [&](auto& value) {
            if (!more || atEnd()) {
                more = false;
                return;
            }
            using T = std::remove_reference_t<decltype(value)>;
            static_assert(std::is_same_v<T, long> || std::is_floating_point_v<T>);
            bool read = false;
            if constexpr (std::is_same_v<T, long>)
                read = integer(value);
            else
                read = real(value);
            if (read) {
                ++got;
            } else {
                got = -1;
                more = false;
            }
        };
        (one(values), ...);
        return got;
    }
    // scan from the start of `line`: false at a token that is not plain.
    template <class... Value> static bool scanLine(const char* line, Value&... values) {
        return PlainNumbers(line).scan(values...) >= 0;
    }

private:
    static constexpr std::ptrdiff_t kMostDigits = 18;

    // The white space of the C locale, as sscanf skips it.
    static bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool endsToken(const char* p) { return *p == 0 || isSpace(*p); }
    static const char* skipDigits(const char* p) {
        while (*p >= '0' && *p <= '9')
            ++p;
        return p;
    }
    void skipSpace() {
        while (isSpace(*m_p))
            ++m_p;
    }

    const char* m_p;
};
