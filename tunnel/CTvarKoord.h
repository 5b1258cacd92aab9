// The outline of one cross-section type: a closed polygon in the cross-section plane (x
// across the tunnel, y upwards) whose segments are straight or circular arcs, kept in the
// type's text file "<name>.ttv".
#pragma once

#include "list/list0.h"
#include "platform/CString.h"
#include "tunnel/tvkotype.h"

class CTvarsnitt;

class CTvarKoord : public list0<tvkotype> {
public:
    CTvarKoord();
    virtual ~CTvarKoord();
    CTvarKoord(const CTvarKoord& o) : list0<tvkotype>(o) {}
    CTvarKoord& operator=(const CTvarKoord& o) {
        list0<tvkotype>::operator=(o);
        return *this;
    }

    // Reads the outline file `path` and remembers it as the file to save to. The springing
    // levels go to `anfstart` and `anfslut`, the description (at most 38 characters, so the
    // buffer must hold 39 bytes) to `text`; each may be null. 0, or -1 when the file is
    // missing, cannot be opened or cannot be read to its end (no point of it is kept then).
    int Init(const char* path, double* anfstart, double* anfslut, char* text);
    // Checks the arcs, computes every point's bulge and the outline's extents (set in the
    // current record of `lib`, which must be this outline's type) and writes the file.
    // 0, or -3 when the file cannot be written (the old file stays as it was).
    int Save(CTvarsnitt* lib);

    // Path of the outline file: where Init read from and Save writes to.
    CString m_fil;
};
