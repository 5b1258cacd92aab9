// The framework's string class: a byte string (CP1252 inside the library) with the
// formatting, trimming, searching and comparing operations the library uses.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length) : m_text(text ? std::string(text, length) : "") {}
    CString(char c, int repeat = 1) : m_text(repeat > 0 ? repeat : 0, c) {}
    CString(std::string text) : m_text(std::move(text)) {}
    CString(std::string_view text) : m_text(text) {}

    operator const char*() const { return m_text.c_str(); }
    const char* c_str() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    char GetAt(int i) const { return m_text.at(static_cast<size_t>(i)); }
    void SetAt(int i, char c) { m_text.at(static_cast<size_t>(i)) = c; }
    char operator[](int i) const { return GetAt(i); }

    // printf-style formatting into this string.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    // The longest beginning made only of characters in `set`, and of characters not in it.
    CString SpanIncluding(const char* set) const;
    CString SpanExcluding(const char* set) const;

    // Results are positions, or -1 when not found.
    int Find(char c, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char c) const;
    int FindOneOf(const char* set) const;

    // Trimming: without an argument, white space (blank, tab, CR, LF, VT, FF).
    CString& Trim();
    CString& Trim(const char* set);
    CString& Trim(char c);
    CString& TrimLeft();
    CString& TrimLeft(const char* set);
    CString& TrimLeft(char c);
    CString& TrimRight();
    CString& TrimRight(const char* set);
    CString& TrimRight(char c);

    // ASCII-only case changes, like the framework in the C locale.
    CString& MakeUpper();
    CString& MakeLower();

    int Replace(char from, char to);
    int Replace(const char* from, const char* to);
    int Insert(int index, const char* text);
    int Delete(int index, int count = 1);
    int Remove(char c);

    int Compare(const char* other) const;
    int CompareNoCase(const char* other) const;

    // A writable buffer of at least `minLength` characters; ReleaseBuffer takes the text
    // up to its zero (or `length` characters) back.
    char* GetBuffer(int minLength = 0);
    void ReleaseBuffer(int length = -1);

    CString& operator=(const char* text);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char c);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }

private:
    std::string m_text;
};
