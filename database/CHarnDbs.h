// The project database: the list of every object's record, the image of the file head,
// the database and lock files, and the borehole-head operations every method class uses.
#pragma once

#include "database/dbstype.h"
#include "database/harnbhdtype.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "list/list0.h"
#include "platform/CFile.h"
#include "platform/CStdioFile.h"

#include <cstdio>

class CHarnDbs : public list0<dbstype> {
public:
    CHarnDbs(CProjPath* proj, CAutoIni* ini);
    virtual ~CHarnDbs();
    CHarnDbs(const CHarnDbs& o) : list0<dbstype>(o) {}
    CHarnDbs& operator=(const CHarnDbs& o) {
        list0<dbstype>::operator=(o);
        return *this;
    }

    // Borehole head: clear, write and read.
    static int BhdNull(harnbhdtype* bhd);
    static int SkrivHead(FILE* stream, harnbhdtype* bhd);
    int SkrivHead(harnbhdtype* bhd, char* name);
    static int LasHead(CStdioFile* file, harnbhdtype* bhd, int close);
    int LasHead(const char* name, harnbhdtype* bhd);

    // 1 while the marker "TMPCAD.PB$" is in the project folder, else 0.
    int DbsKoll();
    // Brings a date text to "YYYY-MM-DD" in place; -1 when no date is left.
    static int DatumFix(char* date);

    // Whether a database head of this version may be opened by this library.
    static bool VersionAccepted(const dbshdtype& hd);

    static const char* m_Dbsver;

    dbshdtype m_hd;
    int m_reclen;
    int m_mode;
    CProjPath* m_pProj;
    CAutoIni* m_pIni;
    CFile m_dbsfil;
    CFile m_lasfil;

protected:
    // Path of a borehole file: folder\HarnDbfKat\name.SND.
    CString BoreholePath(const char* name) const;
};
