// One line object of the project: its measured points in order, up to five named value
// columns beside them, and a small head (method, code, two numbers, soil code). Read from and
// written to the line file "<folder>\<HarnDbfKat>\<name>.LJE"; saving also stamps the line's
// record in the project database with its method flag and its extent.
#pragma once

#include "list/list0.h"
#include "mapping/lintype.h"
#include "platform/CString.h"

#include <cstdio>

class CHarnDbs;
namespace maptext {
class Lines;
}
class CProjPath;

class CLinjeData : public list0<lintype> {
public:
    // The line methods.
    static const int KR = 0;
    static const int SP = 1;
    static const int FP = 2;
    static const int KV = 3;
    static const int JG = 4;
    static const int LI = 5;

    // An empty line; column 0 is named "Berg" for method KR.
    CLinjeData(CProjPath* proj, const char* namn, int metod);
    virtual ~CLinjeData();
    CLinjeData(const CLinjeData& o) : list0<lintype>(o) {}
    CLinjeData& operator=(const CLinjeData& o) {
        list0<lintype>::operator=(o);
        return *this;
    }

    // Sets the method; no range check. Always 0.
    int SetMetod(int metod);
    // Reads the line file, appending its points to the list. The method in the file is
    // taken over only when `medMetod` is 1. 0, or -1 when the file cannot be opened.
    int Init(int medMetod);
    // Writes the line file and updates the current record of `dbs` (flag bits, corner,
    // extent) with Uppdat(0). 0, or -3 when the file cannot be written.
    int Save(CHarnDbs* dbs);

    // Path of the line file.
    CString Sokvag() const;

    char m_kolnamn[5][16]; // column names, at most 15 characters
    int m_kod;             // 0 to 5
    int m_tal;             // written as a 16-bit number
    double m_varde;
    int m_metod;
    char m_jordart[12]; // soil code text; at most 8 characters are kept when read
    CProjPath* m_pProj;
    char m_namn[12]; // base name of the line file, at most 11 characters

protected:
    // The soil codes, each exactly three characters.
    static const char JORDART[12][4];

private:
    void ReadFile(maptext::Lines& in, int medMetod);
    void WriteFile(std::FILE* out, const char* id, double ext[6]);
};
