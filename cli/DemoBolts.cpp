// Demo step 18: bolts and drains of the tunnel TUN1 (made by the tunnel step), saved through
// CTunBult and CTunDran: rounds of roof bolts at five chainages and a wall bolt, each with its
// place around the outline and its length, and two drains along the walls. The place is the
// developed coordinate the tool reads (cli/TunnelView.h).
#include "cli/Cli.h"
#include "cli/TunnelView.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "tunnel/CTunBult.h"
#include "tunnel/CTunDran.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct DemoBolt {
    double sekt, s, length;
};

// Rounds of three roof bolts in the trapezoid (from 0/010) and the arch (from 0/070), and a
// bolt in the arch's right wall.
const DemoBolt kBolts[] = {
    {20, -2, 3}, {20, 0, 3}, {20, 2, 3}, {25, -2, 3}, {25, 0, 3}, {25, 2, 3},
    {30, -2, 3}, {30, 0, 3}, {30, 2, 3}, {75, -3, 4}, {75, 0, 4}, {75, 3, 4},
    {80, -3, 4}, {80, 0, 4}, {80, 3, 4}, {80, 9, 3},
};

struct DemoPoint {
    double psekt, s;
};

// Each drain's points in the order they were mapped: one down the arch's left wall, entered
// first, and one on the trapezoid's right wall, which the save puts first.
const std::vector<std::vector<DemoPoint>> kDrains = {
    {{150, -8}, {175, -9.5}, {160, -8.5}},
    {{40, 5}, {55, 6.5}, {52, 5.5}},
};

int demoBolts(cli::DemoContext& ctx) {
    char id[16] = "TUN1";
    if (ctx.dbs.Findid(1, id) != 0)
        return -1; // the database step registers the tunnel
    const std::string namn = cli::terminatedField(ctx.dbs.Get_aktel()->filnamn);

    CTunBult bolts(&ctx.proj, namn.c_str());
    if (int r = bolts.Init(); r != 0) // the bolt file made by CTunDbs::Create
        return r;
    for (const DemoBolt& b : kBolts) {
        todbtype rec{};
        rec.typ = 1, rec.aktiv = 1, rec.sekt = b.sekt;
        cli::setDevelopedCoordinate(rec, b.s);
        cli::setBoltLength(rec, b.length);
        bolts.Ny(1, &rec);
    }
    if (int r = bolts.Save(); r != 0)
        return r;

    CTunDran drains(&ctx.proj, namn.c_str()); // no Init: the first save makes the file
    size_t points = 0;
    for (const std::vector<DemoPoint>& drain : kDrains)
        for (size_t i = 0; i < drain.size(); ++i, ++points) {
            todbtype rec{};
            rec.typ = 1, rec.aktiv = 1;
            rec.setLnr(static_cast<int32_t>(i + 1)); // 1 opens a drain
            rec.setPsekt(drain[i].psekt);
            cli::setDevelopedCoordinate(rec, drain[i].s);
            drains.Ny(1, &rec);
        }
    if (int r = drains.Save(); r != 0)
        return r;
    char line[160];
    std::snprintf(line, sizeof line,
                  "bolts and drains: %zu bolts in %s.ODF, %zu drains of %zu "
                  "points in %s.ODD",
                  std::size(kBolts), namn.c_str(), kDrains.size(), points, namn.c_str());
    ctx.out << cli::toUtf8(line) << "\n";
    return 0;
}

cli::DemoRegistrar reg(18, "bolts and drains", &demoBolts);

} // namespace
