#include "platform/CString.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {
constexpr const char* kWhite = " \t\r\n\v\f";
}

void CString::FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) {
        m_text.clear();
        return;
    }
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
    m_text = std::move(out);
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
    CString tail;
    va_list args;
    va_start(args, format);
    tail.FormatV(format, args);
    va_end(args);
    m_text += tail.m_text;
}

CString CString::Left(int count) const {
    if (count <= 0)
        return CString();
    return CString(m_text.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    if (count <= 0)
        return CString();
    if (static_cast<size_t>(count) >= m_text.size())
        return *this;
    return CString(m_text.substr(m_text.size() - static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    if (first < 0)
        first = 0;
    if (count <= 0 || static_cast<size_t>(first) >= m_text.size())
        return CString();
    return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::SpanIncluding(const char* set) const {
    return CString(m_text.substr(0, std::strspn(m_text.c_str(), set)));
}

CString CString::SpanExcluding(const char* set) const {
    return CString(m_text.substr(0, std::strcspn(m_text.c_str(), set)));
}

int CString::Find(char c, int start) const {
    if (start < 0 || static_cast<size_t>(start) > m_text.size())
        return -1;
    size_t p = m_text.find(c, static_cast<size_t>(start));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || static_cast<size_t>(start) > m_text.size())
        return -1;
    size_t p = m_text.find(sub, static_cast<size_t>(start));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char c) const {
    size_t p = m_text.rfind(c);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const char* set) const {
    size_t p = m_text.find_first_of(set);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}
CString& CString::Trim(const char* set) {
    return TrimRight(set).TrimLeft(set);
}
CString& CString::Trim(char c) {
    return TrimRight(c).TrimLeft(c);
}
CString& CString::TrimLeft() {
    return TrimLeft(kWhite);
}

CString& CString::TrimLeft(const char* set) {
    size_t p = m_text.find_first_not_of(set);
    m_text.erase(0, p == std::string::npos ? m_text.size() : p);
    return *this;
}

CString& CString::TrimLeft(char c) {
    const char set[2] = {c, 0};
    return TrimLeft(set);
}

CString& CString::TrimRight() {
    return TrimRight(kWhite);
}

CString& CString::TrimRight(const char* set) {
    size_t p = m_text.find_last_not_of(set);
    m_text.erase(p == std::string::npos ? 0 : p + 1);
    return *this;
}

CString& CString::TrimRight(char c) {
    const char set[2] = {c, 0};
    return TrimRight(set);
}

CString& CString::MakeUpper() {
    for (char& c : m_text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return *this;
}

CString& CString::MakeLower() {
    for (char& c : m_text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return *this;
}

int CString::Replace(char from, char to) {
    int n = 0;
    for (char& c : m_text)
        if (c == from) {
            c = to;
            ++n;
        }
    return n;
}

int CString::Replace(const char* from, const char* to) {
    if (!from || !*from)
        return 0;
    std::string repl = to ? to : "";
    size_t len = std::strlen(from);
    int n = 0;
    for (size_t p = m_text.find(from); p != std::string::npos; p = m_text.find(from, p)) {
        m_text.replace(p, len, repl);
        p += repl.size();
        ++n;
    }
    return n;
}

int CString::Insert(int index, const char* text) {
    if (index < 0)
        index = 0;
    if (static_cast<size_t>(index) > m_text.size())
        index = GetLength();
    m_text.insert(static_cast<size_t>(index), text ? text : "");
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index >= 0 && count > 0 && static_cast<size_t>(index) < m_text.size())
        m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

int CString::Remove(char c) {
    size_t before = m_text.size();
    std::erase(m_text, c);
    return static_cast<int>(before - m_text.size());
}

int CString::Compare(const char* other) const {
    return std::strcmp(m_text.c_str(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const {
    return strcasecmp(m_text.c_str(), other ? other : "");
}

char* CString::GetBuffer(int minLength) {
    if (minLength > 0 && static_cast<size_t>(minLength) > m_text.size())
        m_text.resize(static_cast<size_t>(minLength), '\0');
    return m_text.data();
}

void CString::ReleaseBuffer(int length) {
    if (length < 0)
        m_text.resize(std::strlen(m_text.c_str()));
    else
        m_text.resize(static_cast<size_t>(length));
}

CString& CString::operator=(const char* text) {
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(const char* text) {
    m_text += text ? text : "";
    return *this;
}

CString& CString::operator+=(char c) {
    m_text += c;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.m_text + b.m_text);
}
CString operator+(const CString& a, const char* b) {
    return CString(a.m_text + (b ? b : ""));
}
CString operator+(const char* a, const CString& b) {
    return CString((a ? a : "") + b.m_text);
}
CString operator+(const CString& a, char b) {
    return CString(a.m_text + b);
}
