// Core drilling of one borehole: the depth sections of block 0 of its .SND file.
#pragma once

#include "database/harnbhdtype.h"
#include "host/CProjPath.h"
#include "list/list0.h"

#include <cstdint>

class CHarnDbs;

// One depth section of the core log.
struct kbtype {
    double djup;     // depth along the hole; the last one is the length of the hole
    int16_t vinkel1; // -360 to 360
    int16_t vinkel2; // -90 to 90
    int16_t procent; // 0 to 100
    int16_t tal1;    // 0 to 200
    int16_t klass;   // 0 to 5
    int16_t kod1, underkod1;
    int16_t kod2, underkod2;
    int16_t kod3, underkod3;
    int16_t val;    // 1 or 2
    int16_t flagga; // 1 or 0
    int16_t tal2;
    double varde;
    char text[20];
    int8_t extra[6];      // all six 32: none given
    double extravarde[5]; // 0: not given
    char textrad[6][51];  // remarks 1 to 6; empty: absent
};

class CKarnborr : public list0<kbtype> {
public:
    static constexpr int KB = 0;

    CKarnborr(CProjPath* proj, const char* namn);
    virtual ~CKarnborr();
    CKarnborr(const CKarnborr& o) : list0<kbtype>(o) {}
    CKarnborr& operator=(const CKarnborr& o) {
        list0<kbtype>::operator=(o);
        return *this;
    }

    // Reads the head and the core-drilling block: 0 when the block was found, -1 when the
    // file is missing, cannot be opened or holds no such block. Appends to the list.
    int Init();
    // Writes the file anew with this object's block (number m_bhd.metod) replaced, added
    // or, when `del` is not 0, removed; then updates the current record of `dbs`.
    // 0, or -3 when a file cannot be opened or written.
    int Save(CHarnDbs* dbs, int del);
    // Removes the core-drilling block and clears its flag; -1 when the file is missing.
    int DeleteMetod(CHarnDbs* dbs);

    harnbhdtype m_bhd;
    CProjPath* m_pProj;
    char m_namn[12];

private:
    void ReadParameters(const char* line);
    void ReadLine(char* line);
    void ApplyRules(kbtype* rec) const;
};
