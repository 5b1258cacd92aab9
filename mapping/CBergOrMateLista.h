// A list of rock, infill or soil codes: the built-in codes, completed and overridden (rock
// and infill) from the code file "Harnkod.dat" of the project folder or of one of the two
// settings folders. The rock block follows the file's second "*" line, the infill block the
// third; the lines before the rock block belong to other users of the file.
#pragma once

#include "list/list0.h"
#include "mapping/bergmattype.h"
#include "platform/CString.h"

class CAutoIni;
class CProjPath;

class CBergOrMateLista : public list0<bergmattype> {
public:
    // `typ` 0 rock types, 1 infill materials, any other value soil types. Nothing is read.
    CBergOrMateLista(CAutoIni* ini, CProjPath* proj, int typ);
    virtual ~CBergOrMateLista();

    // Builds the built-in codes and, for rock and infill lists, reads the code file. Always 0;
    // a code file that exists but cannot be opened or read to its end is reported to the
    // failure log, and the list then never writes it (ReadWhole).
    int Init();
    // False after an Init that could not read the code file whole.
    bool ReadWhole() const { return !m_readFailed; }
    // The designation of the first code numbered `nr`; "??" when there is none.
    char* Find(int nr);
    // The number of the first code whose designation equals `text` without regard to case;
    // 0 when there is none.
    int FindNr(CString& text);
    // Writes this list, then `annan` (numbers and designations only), into the code file in
    // place, from the block of this list on. Always 0. When either list could not read the
    // file whole, the file is left as it is (its codes would be lost) and the failure is
    // reported.
    int Save(CBergOrMateLista* annan);

    // Path of the code file in use: the first existing one of the project folder, the second
    // and the first settings folder; empty when there is none.
    CString Kodfil() const;

    // Angle conversion of the code file: degrees times this are radians.
    static constexpr double GRADER = 0.017453292519944444;

protected:
    static const char* const FILNAMN;
    static const char* const BERGARTER[21];
    static const char* const FYLLNAD[13];
    static const char* const JORDARTER[12];

    int m_typ;
    CAutoIni* m_pIni;
    CProjPath* m_pProj;

private:
    bool m_readFailed = false;
};
