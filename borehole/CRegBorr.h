// Registered drilling of one borehole: the depth readings of block 3 (full form) or
// block 1 (short form) of its .SND file; or the head alone.
#pragma once

#include "database/harnbhdtype.h"
#include "host/CProjPath.h"
#include "list/list0.h"

#include <cstdint>

class CHarnDbs;

// One depth reading.
struct rbtype {
    float djup;        // depth along the hole
    int32_t sjunktid;  // time of the reading; for drilling kind 4 derivable from hastighet
    double hastighet;  // speed of the reading
    double rbvarde[6]; // six further measured values
    char reserv[9];    // not read or written here
    char text[31];
};

class CRegBorr : public list0<rbtype> {
public:
    static constexpr int RB = 3;
    static constexpr int JB1 = 1;
    static constexpr int BARABHD = -2;

    CRegBorr(CProjPath* proj, const char* namn, int metod);
    virtual ~CRegBorr();
    CRegBorr(const CRegBorr& o) : list0<rbtype>(o) {}
    CRegBorr& operator=(const CRegBorr& o) {
        list0<rbtype>::operator=(o);
        return *this;
    }

    // Reads the head and, unless metod is BARABHD, the block numbered metod: 0 when found
    // (always for BARABHD), -1 when the file is missing or holds no such block.
    int Init(int metod);
    // Writes the file anew with this object's block replaced, added or (del not 0) removed,
    // the rock level of the hole brought up to date, then updates the current record of
    // `dbs`. 0, or -3 when a file cannot be opened or written.
    int Save(CHarnDbs* dbs, int del);
    // Removes the block of this object's method and clears its flag; -1 when the file is
    // missing.
    int DeleteMetod(CHarnDbs* dbs);

    harnbhdtype m_bhd;
    int32_t m_typ2;
    int32_t m_typ3;
    int32_t m_typ4;
    CProjPath* m_pProj;
    char m_namn[16];

private:
    int Kind() const;
    void ReadParameters(const char* line);
    void ReadRecord(const char* line);
    void FillTimes();
};
