// The outcrops read from outcrop files "<folder>\<HarnDbfKat>\<name>.LAD": a head of numbers,
// codes and two texts, and the outline as a list of points. The file is only read here; its
// extent, three head values, a code and a reference to a tunnel or an alignment go into the
// outcrop's record of the project database.
#pragma once

#include "list/list0.h"
#include "mapping/CHkolista.h"
#include "mapping/helltype.h"
#include "platform/CString.h"

#include <cstdint>
#include <cstdio>

class CHarnDbs;
namespace maptext {
class Lines;
}
class CProjPath;

class CHellar : public list0<helltype> {
public:
    CHellar(CProjPath* proj, const char* namn);
    // Destroys the point list of every record, then the records.
    virtual ~CHellar();
    CHellar(const CHellar& o) : list0<helltype>(o) {}
    CHellar& operator=(const CHellar& o) {
        list0<helltype>::operator=(o);
        return *this;
    }

    // Appends one outcrop and reads the outcrop file into it and into the members. 0, or -1
    // when the file cannot be opened (the empty outcrop stays in the list).
    int Init();
    // Updates the current record of `dbs` from the first outcrop: corner and extent of its
    // points, xyz2, kod and, when the outcrop names one, the reference to a tunnel or an
    // alignment; then Uppdat(0). 0; -1 when there is no outcrop in the list or no current
    // record in `dbs` (nothing is changed then).
    int SaveToDbs(CHarnDbs* dbs);

    // Path of the outcrop file.
    CString Sokvag() const;

    double m_rad2[3];
    double m_rad3[3]; // go into the record's xyz2
    double m_rad4tal;
    int16_t m_heltal[6]; // number 0 gives the record's kod
    char m_refid[16];    // id of a tunnel or an alignment; empty or blank-led for none
    char m_text[11];
    CProjPath* m_pProj;
    char m_namn[12]; // base name of the outcrop file, at most 11 characters

private:
    void ReadFile(maptext::Lines& in);
};
