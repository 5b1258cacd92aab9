// Demo step 10: objects of every type registered in the project database (Ny, Filnamn,
// Uppdat), a borehole file holding its head, the point file and the alignment list.
#include "cli/Cli.h"

#include "database/CHarnDbs.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"

#include <cstdio>
#include <cstring>
#include <ostream>

namespace {

struct DemoObject {
    int typ;
    const char* id;
    double x, y, z, dx, dy, dz;
    int kod;
    int reftyp;
    int flagg;
    const char* text;
};

// Texts are CP1252 (the library's text); the numbers are metres in the project grid.
const DemoObject kObjects[] = {
    {1, "TUN1", 1000, 2000, 0, 250, 40, 0, 0, 0, 0, "VÄG1.VL"_cp},
    {2, "HÄLL1"_cp, 1100, 2100, 35.5, 12, 8, 1.5, 3, 1, 0, "TUN1"},
    {3, "KBH-Ö1"_cp, 1050, 2010, 42.3, 0, 0, 60, 1, 0, 0, "Kärnborrhål"_cp},
    {4, "FP1", 1010, 2005, 40.125, 0, 0, 0, 12, 0, 0, "Fixpunkt"},
    {4, "FP2", 1240, 2035, 38.5, 0, 0, 0, 12, 0, 0, "Fixpunkt"},
    {5, "LINJE.1/A", 1020, 2002, 30, 200, 5, 2, 0, 0, 0x40, ""},
    {5, "LINJE:1/B", 1020, 2030, 30, 200, 5, 2, 0, 0, 0x80, ""},
    {6, "VÄG1.VL"_cp, 990, 1990, 0, 300, 60, 0, 255, 0, 0, ""},
    {6, "VÄG2.VL"_cp, 1500, 2500, 0, 80, 400, 0, 255, 0, 0, ""},
};

int demoDatabase(cli::DemoContext& ctx) {
    CHarnDbs& d = ctx.dbs;
    for (const DemoObject& o : kObjects) {
        d.Ny(1, nullptr);
        dbstype* r = d.Get_aktel();
        r->typ = static_cast<uint8_t>(o.typ);
        std::snprintf(r->id, sizeof r->id, "%s", o.id);
        UpperCaseSwedish(r->id);
        r->x = o.x;
        r->y = o.y;
        r->z = o.z;
        r->dx = o.dx;
        r->dy = o.dy;
        r->dz = o.dz;
        r->kod = static_cast<uint8_t>(o.kod);
        r->reftyp = static_cast<int8_t>(o.reftyp);
        r->flagg = static_cast<uint8_t>(o.flagg);
        std::snprintf(r->text, sizeof r->text, "%s", o.text);
        if (o.typ == 4) { // a point's second coordinate triple
            r->xyz2[0] = o.x + 0.5;
            r->xyz2[1] = o.y + 0.5;
            r->xyz2[2] = o.z;
        }
        if (d.Filnamn() != 0)
            return -1;
        if (o.typ == 3) {
            // A new borehole gets a borehole file holding only its head.
            harnbhdtype bhd;
            std::memset(&bhd, 0, sizeof bhd);
            std::snprintf(bhd.id, sizeof bhd.id, "%s", r->id);
            CHarnDbs::BhdNull(&bhd);
            bhd.x = r->x;
            bhd.y = r->y;
            bhd.z = r->z;
            std::snprintf(bhd.text, sizeof bhd.text, "%s", r->text);
            std::strcpy(bhd.jn1, "NEJ");
            std::strcpy(bhd.avvmatt, "NEJ");
            if (d.SkrivHead(&bhd, r->filnamn) != 0)
                return -3;
        }
        // Tunnels save with the head always written, the others with Uppdat(0).
        if (d.Uppdat(o.typ == 1 ? 1 : 0) != 0)
            return -3;
    }
    if (d.SkrivAvp() != 0)
        return -3;
    for (const DemoObject& o : kObjects) {
        if (o.typ != 6)
            continue;
        char id[16];
        std::snprintf(id, sizeof id, "%s", o.id);
        if (d.Findid(6, id) != 0 || d.VagPaelUppdat(0) != 0)
            return -1;
    }
    int n = 0;
    d.Where(&n);
    ctx.out << "database: " << n << " objects registered, point file and alignment list written\n";
    return 0;
}

cli::DemoRegistrar reg(10, "database", &demoDatabase);

} // namespace
