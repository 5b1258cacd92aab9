// The host's settings as the library sees them: a date text and two folder texts. Any of
// them may be absent (null).
#pragma once

#include "platform/CString.h"

class CAutoIni {
public:
    CAutoIni() = default;
    virtual ~CAutoIni() = default;

    // Date text for a new database head and the change marker; null when unset.
    const char* Datum() const { return m_hasDatum ? static_cast<const char*>(m_datum) : nullptr; }
    // First and second settings folder (where code lists are also looked for); null when unset.
    const char* Katalog1() const { return m_has1 ? static_cast<const char*>(m_kat1) : nullptr; }
    const char* Katalog2() const { return m_has2 ? static_cast<const char*>(m_kat2) : nullptr; }

    void SetDatum(const char* date);
    void SetKatalog1(const char* folder);
    void SetKatalog2(const char* folder);

private:
    CString m_datum, m_kat1, m_kat2;
    bool m_hasDatum = false, m_has1 = false, m_has2 = false;
};
