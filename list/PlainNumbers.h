// Reads white-space separated numbers of a line as sscanf's "%lf" and "%ld" read them, for
// lines made of plain decimal numbers only ("-12", "+3", "45.125"): a file the program wrote
// holds nothing else, and reading it this way costs a fraction of sscanf. A token of any other
// form (an exponent, hexadecimal, "inf", a sign or point without digits, letters right after
// the digits, more than 18 digits) makes a read give up; the caller then reads the whole line
// with sscanf, which assigns again, equally, what was read here.
#pragma once

#include <charconv>
#include <cstddef>

class PlainNumbers {
public:
    explicit PlainNumbers(const char* text) : m_p(text) {}

    // Skips white space as sscanf does; true at the end of the text.
    bool atEnd() {
        skipSpace();
        return *m_p == 0;
    }

    // The next token as "%lf" reads it, when it is plain.
    bool real(double& value) {
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
        double v = 0;
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
