// Shared by the tunnel targets: the tunnel "T1" of a project whose database holds its record,
// an alignment the record names and a type library with the two types the seeds use, so
// that saving the tunnel computes its plan extent; and the checks of the records read from a
// tunnel, bolt or drainage file.
#pragma once

#include "database/CHarnDbs.h"
#include "fuzz/FuzzSupport.h"
#include "host/CAutoIni.h"
#include "tunnel/CTvarsnitt.h"
#include "tunnel/todbtype.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace harn_fuzz {

inline const char* const kTunnelName = "T1";

// The project database with the tunnel's record current, its alignment HARNDB\V1.VL and the
// type library TVTYP.LIS with the types TRAP8 and VALV10.
class TunnelProject {
public:
    explicit TunnelProject(Session& s) : m_dbs(&s.proj(), &m_ini) {
        m_ini.SetDatum("2026-01-01");
        check(m_dbs.Init(0, 1, nullptr, nullptr) == 0, "the project database cannot be created");
        dbstype r{};
        r.typ = 1;
        std::strcpy(r.id, "TUNNEL1");
        std::strcpy(r.filnamn, kTunnelName);
        std::strcpy(r.text, "v1.vl");
        m_dbs.Ny(1, &r);
        check(m_dbs.Uppdat(0) == 0, "the tunnel's record cannot be written");
        s.write("HARNDB/V1.VL", "ALIGNMENT 1\r\n# Demo\r\n0\r\n1000.000 2010.000\r\n"
                                "1100.000 2010.000 0.0436609429085\r\n1152.094 2014.558\r\n"
                                "1250.575 2031.923\r\n");
        CTvarsnitt lib(&s.proj());
        check(lib.Init(1) == 0, "the type library cannot be created");
        addType(lib, "TRAP8", -4, 4);
        addType(lib, "VALV10", -5, 5);
    }

    CHarnDbs& dbs() { return m_dbs; }
    // The tunnel's record: its plan extent is finite and not negative after a save.
    void checkExtent() {
        const dbstype* r = m_dbs.Get_aktel();
        check(r && std::isfinite(r->x) && std::isfinite(r->y) && std::isfinite(r->dx) &&
                  std::isfinite(r->dy) && r->dx >= 0 && r->dy >= 0,
              "the tunnel's plan extent is not a finite extent");
    }

private:
    static void addType(CTvarsnitt& lib, const char* name, double xmin, double xmax) {
        tvtytype t{};
        std::strcpy(t.tvnamn, name);
        t.xmin = xmin;
        t.xmax = xmax;
        lib.Ny(1, &t);
        check(lib.Uppdat(0) == 0, "a type cannot be written to the library");
    }

    CAutoIni m_ini;
    CHarnDbs m_dbs;
};

// Every record of the list is in use and lies at a record offset of the file image `file`
// (records of 144 bytes from offset 300).
template <class L> void checkTodbRecords(L& list, const std::string& file) {
    if (list.Home() != 0)
        return;
    do {
        const todbtype& r = *list.Get_aktel();
        check(r.typ > 0 && r.aktiv != 0, "a dead record was loaded");
        check(r.filpos >= 300 && (r.filpos - 300) % kTodbRecordSize == 0 &&
                  static_cast<std::size_t>(r.filpos) + kTodbRecordSize <= file.size(),
              "a record's offset is not a record of the file");
    } while (list++);
}

// After a save the records lie one after the other from offset 300, in list order.
template <class L> void checkRewritten(L& list) {
    int32_t at = 300;
    if (list.Home() == 0)
        do {
            check(list.Get_aktel()->filpos == at, "a saved record is not at its place in the file");
            at += kTodbRecordSize;
        } while (list++);
}

} // namespace harn_fuzz
