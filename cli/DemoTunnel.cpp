// Demo step 17: the project's cross-section type library (HARNDB\TVTYP.LIS with a trapezoid
// and an arch on straight walls, each with its outline file) and the files of the tunnel
// TUN1: created with CTunDbs::Create, given positions along its alignment VÄG1.VL that switch
// type, and saved with CTunDbs::Save, which sets the tunnel's plan extent in its database
// record from the alignment and the types and writes section 7 of TUN1.LAT.
#include "cli/Cli.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "tunnel/CTunDbs.h"
#include "tunnel/CTvarsnitt.h"
#include "tunnel/SectionTypes.h"

#include <cstdio>
#include <ostream>

namespace {

struct DemoPosition {
    double sekt;
    const char* tvnamn;
};

// From 0/010 a trapezoid, from 0/070 the arch, from 0/180 the trapezoid again to the end at
// 0/240 (the alignment runs on to 0/252.36).
const DemoPosition kPositions[] = {
    {10, "TRAP8"},
    {70, "VALV10"},
    {180, "TRAP8"},
    {240, "TRAP8"},
};

int demoTypes(CProjPath& proj) {
    CTvarsnitt lib(&proj);
    if (lib.Init(1) != 0)
        return -3;
    tunnel::SectionTypeDesc trap;
    trap.name = "TRAP8";
    trap.text = "Trapets, botten 8 m, tak 6 m";
    trap.anfstart = 2;
    trap.anfslut = 5;
    if (tunnel::AddSectionType(lib, trap,
                               tunnel::ClosedOutline(tunnel::TrapezoidOutline(8, 6, 6))) != 0)
        return -3;
    tunnel::SectionTypeDesc valv;
    valv.name = "VALV10";
    valv.text = "Valv på raka väggar, 10 m"_cp;
    valv.anfstart = 1.5;
    valv.anfslut = 4;
    if (tunnel::AddSectionType(lib, valv, tunnel::ClosedOutline(tunnel::ArchOutline(10, 4))) != 0)
        return -3;
    return 0;
}

int demoTunnel(cli::DemoContext& ctx) {
    if (int r = demoTypes(ctx.proj); r != 0)
        return r;
    char id[16] = "TUN1";
    if (ctx.dbs.Findid(1, id) != 0)
        return -1; // the database step registers the tunnel
    CTunDbs tunnel(&ctx.proj, cli::terminatedField(ctx.dbs.Get_aktel()->filnamn).c_str());
    if (int r = tunnel.Create(&ctx.dbs); r != 0)
        return r;
    for (const DemoPosition& p : kPositions) {
        todbtype rec{};
        rec.typ = 7;
        rec.aktiv = 1;
        rec.sekt = p.sekt;
        std::snprintf(rec.tvnamn, sizeof rec.tvnamn, "%s", p.tvnamn);
        tunnel.Ny(1, &rec);
        if (tunnel.Uppdat(0) != 0)
            return -1;
    }
    if (int r = tunnel.Save(&ctx.dbs); r != 0)
        return r;
    const dbstype& rec = *ctx.dbs.Get_aktel();
    char line[200];
    std::snprintf(line, sizeof line,
                  "tunnel: 2 cross-section types, TUN1 with %zu positions along VÄG1.VL, plan "
                  "extent %.1f %.1f to %.1f %.1f"_cp,
                  std::size(kPositions), rec.x, rec.y, rec.x + rec.dx, rec.y + rec.dy);
    ctx.out << cli::toUtf8(line) << "\n";
    return 0;
}

cli::DemoRegistrar reg(17, "tunnel", &demoTunnel);

} // namespace
