// The cross-section sequence of a tunnel: one element per run of positions with the same
// cross-section type (two for a run of two or more: at its first and last chainage), each
// with the type's outline divided into five zones at the type's springing levels and the
// developed coordinates of the zone boundaries. Arc arithmetic goes through CVaglinje.
#pragma once

#include "host/kokotype.h"
#include "list/list0.h"
#include "tunnel/kotuntype.h"

#include <cstdint>
#include <cstring>
#include <vector>

class CHkolista;
class CProjPath;
class CTunDbs;
class CTvarsnitt;
class CVaglinje;

class CTunTv : public list0<kotuntype> {
public:
    // Builds the whole sequence from the positions (kind 7) of `tun`, walked from its first
    // element (its current element is moved). The outlines are read from the project of
    // `proj`; `vl` serves only for its arc arithmetic (a local one is used when it is null).
    // The type library is read with Init(0), which packs it, or with `readOnly` unchanged.
    CTunTv(CTunDbs* tun, CProjPath* proj, CVaglinje* vl, bool readOnly = false);
    // Releases the outline of every cross-section.
    virtual ~CTunTv();
    CTunTv(const CTunTv& o) : list0<kotuntype>(o) {}
    CTunTv& operator=(const CTunTv& o) {
        list0<kotuntype>::operator=(o);
        return *this;
    }

    // Zone code of an outline point (kept in the first four bytes of its code field):
    // -1 not classified, 0 to 3 as classified.
    static int32_t ZoneCode(const kokotype& p) {
        int32_t code;
        std::memcpy(&code, p.kod, sizeof code);
        return code;
    }
    static void SetZoneCode(kokotype& p, int32_t code) { std::memcpy(p.kod, &code, sizeof code); }

    // The walk over an outline's points that measures its zones: from the first classified
    // point to the end, or to a point coded 0 after one coded 1. zone[i] is the zone of the
    // segment from point i to point i + 1, -1 where the walk does not go (before its first
    // point, after its end, behind the last point); point[j] is the index of characteristic
    // point j (see kotuntype), -1 when the walk sets none.
    struct OutlineWalk {
        std::vector<int> zone;
        int point[6];
    };
    static OutlineWalk Walk(CHkolista& pts);

protected:
    // Reads the outline file "<name>.TTV" of the type `name` into the current cross-section's
    // point list, classifies its points at the type's springing levels in `lib` and inserts
    // the points where the outline crosses them. 0; -3 when the file cannot be opened or
    // read (message "Kan ej öppna : <path>", no point kept); -1 when there is no current
    // cross-section or `lib` holds no type of that name (nothing read).
    int ReadTTV(CProjPath* proj, CVaglinje* vl, const char* name, CTvarsnitt& lib);
};
