// Water-loss tests of one borehole: the test records of block 2 of its .SND file.
#pragma once

#include "database/harnbhdtype.h"
#include "host/CProjPath.h"
#include "list/list0.h"

#include <cstdint>

class CHarnDbs;

// One test.
struct vftype {
    double vfvarde[6];
    char text[32];
    int16_t vfkod;
};

class CVattenF : public list0<vftype> {
public:
    static constexpr int VF = 2;

    CVattenF(CProjPath* proj, const char* namn);
    virtual ~CVattenF();
    CVattenF(const CVattenF& o) : list0<vftype>(o) {}
    CVattenF& operator=(const CVattenF& o) {
        list0<vftype>::operator=(o);
        return *this;
    }

    // Reads the head and block 2: 0 when the block has at least its parameter line, -1 when
    // the file is missing or holds no such block. Appends to the list.
    int Init();
    // Writes the file anew with block 2 replaced, added or (del not 0) removed when
    // m_bhd.metod is VF; then updates the current record of `dbs` (flag only, no extents).
    // 0, or -3 when a file cannot be opened or written.
    int Save(CHarnDbs* dbs, int del);
    // Removes block 2 and clears its flag; -1 when the file is missing.
    int DeleteMetod(CHarnDbs* dbs);

    harnbhdtype m_bhd;
    CProjPath* m_pProj;
    char m_namn[12];

private:
    void ReadRecord(const char* line);
};
