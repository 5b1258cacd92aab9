// The project's library of tunnel cross-section types: the index file TVTYP.LIS in the
// database folder, one record per type with its springing levels, key dimensions and the
// extents of its outline. The outlines themselves are CTvarKoord objects, loaded on demand.
#pragma once

#include "host/CProjPath.h"
#include "list/list0.h"
#include "platform/CString.h"
#include "tunnel/tvtytype.h"

class CTvarsnitt : public list0<tvtytype> {
public:
    explicit CTvarsnitt(CProjPath* proj);
    // Releases the outline of every record.
    virtual ~CTvarsnitt();
    CTvarsnitt(const CTvarsnitt& o) : list0<tvtytype>(o) {}
    CTvarsnitt& operator=(const CTvarsnitt& o) {
        list0<tvtytype>::operator=(o);
        return *this;
    }

    // Mode 1 creates an empty index; any other mode reads the index into the list (appending),
    // packing away the holes of deleted records. 0; -1 version refused; -3 the index cannot be
    // opened or created; -4 its head cannot be read.
    int Init(int mode);
    // Reads the index like Init(0), opened read-only, but leaves an index with holes as it
    // is: the records keep their offsets in that file. For callers that only look.
    int InitReadOnly();
    // Writes the current record (mode below 2) and the head (mode above 0, or when the record
    // is new: it then goes to the end of the file). 0, or -3 with the file unchanged.
    int Uppdat(int mode);
    // Releases the current record's outline and removes the element from the list; the file
    // is not touched. The list's Delete result.
    int Delete();
    // Makes current the type named `name` (case ignored) and loads its outline from
    // "<name>.ttv" as passed in. 0 found, -1 not found (the last element is then current).
    int FindKoord(const char* name);

    // Path of the index file.
    CString IndexPath() const;
    // Path of the outline file of the type `name`: database folder, name, ".ttv".
    CString OutlinePath(const char* name) const;
    // The current record's outline, or null when none is loaded.
    CTvarKoord* Outline() const { return m_pael ? m_pael->pKoord : nullptr; }

    tvhdtype m_hd;
    int m_reclen;
    CProjPath* m_pProj;

private:
    // Init(0) (packing) or InitReadOnly.
    int Read(bool pack);
};
