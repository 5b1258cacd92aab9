#include "tunnel/SectionTypes.h"

#include "tunnel/CTvarKoord.h"

#include <cstdio>

namespace tunnel {

namespace {

tvkotype point(double x, double y, double radie = 0) {
    tvkotype p{};
    p.x = x;
    p.y = y;
    p.radie = radie;
    return p;
}

} // namespace

int AddSectionType(CTvarsnitt& lib, const SectionTypeDesc& desc,
                   const std::vector<tvkotype>& outline) {
    lib.Ny(1, nullptr);
    tvtytype* t = lib.Get_aktel();
    std::snprintf(t->tvnamn, sizeof t->tvnamn, "%s", desc.name ? desc.name : "");
    std::snprintf(t->tvtext, sizeof t->tvtext, "%s", desc.text ? desc.text : "");
    t->anfstart = desc.anfstart;
    t->anfslut = desc.anfslut;
    t->tvval3 = desc.tvval3;
    for (int i = 0; i < 4; ++i)
        t->tvval[i] = desc.tvval[i];

    auto* koord = new CTvarKoord();
    koord->m_fil = lib.OutlinePath(t->tvnamn);
    for (const tvkotype& p : outline)
        koord->Ny(1, const_cast<tvkotype*>(&p));
    t->pKoord = koord;
    if (koord->Save(&lib) != 0 || lib.Uppdat(0) != 0) {
        lib.Delete(); // releases the outline too
        return -3;
    }
    return 0;
}

std::vector<tvkotype> TrapezoidOutline(double bottomWidth, double topWidth, double height) {
    return {point(-bottomWidth / 2, 0), point(bottomWidth / 2, 0), point(topWidth / 2, height),
            point(-topWidth / 2, height)};
}

std::vector<tvkotype> ArchOutline(double width, double wallHeight) {
    return {point(-width / 2, 0), point(width / 2, 0), point(width / 2, wallHeight, -width / 2),
            point(-width / 2, wallHeight)};
}

std::vector<tvkotype> ClosedOutline(std::vector<tvkotype> outline) {
    if (!outline.empty())
        outline.push_back(outline.front());
    return outline;
}

} // namespace tunnel
