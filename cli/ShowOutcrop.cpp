// harn show DIR ID for an outcrop (type 2): the head values of its outcrop file, the object
// it refers to, its outline points as a table, and its database record; or all as JSON.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/FileChecks.h"
#include "cli/Json.h"

#include "database/CHarnDbs.h"
#include "mapping/CHellar.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

// What the record's reference type names.
std::string referenceKind(int reftyp) {
    if (reftyp == -1)
        return "not found";
    if (reftyp == 0)
        return "none";
    return cli::typeName(reftyp);
}

std::string triple(const double v[3]) {
    return cli::number(v[0]) + " " + cli::number(v[1]) + " " + cli::number(v[2]);
}

void showJson(CHellar& h, CHkolista* punkter, const dbstype& rec, std::ostream& out) {
    cli::JsonWriter w(out);
    w.beginObject();
    w.key("id").text(cli::terminatedField(rec.id).c_str());
    w.key("file").value(cli::userPath(h.Sokvag()));
    w.key("rad2").beginArray().value(h.m_rad2[0]).value(h.m_rad2[1]).value(h.m_rad2[2]).endArray();
    w.key("rad3").beginArray().value(h.m_rad3[0]).value(h.m_rad3[1]).value(h.m_rad3[2]).endArray();
    w.key("rad4tal").value(h.m_rad4tal);
    w.key("heltal").beginArray();
    for (int16_t v : h.m_heltal)
        w.value(static_cast<int>(v));
    w.endArray();
    w.key("refid").text(cli::terminatedField(h.m_refid).c_str());
    w.key("text").text(cli::terminatedField(h.m_text).c_str());
    w.key("reference").beginObject();
    w.key("reftyp").value(static_cast<int>(rec.reftyp));
    w.key("kind").value(referenceKind(rec.reftyp));
    w.key("id").text(cli::terminatedField(rec.text).c_str());
    w.endObject();
    w.key("points").beginArray();
    if (punkter && punkter->Home() == 0) {
        do {
            const kokotype* p = punkter->Get_aktel();
            w.beginObject();
            w.key("x").value(p->x);
            w.key("y").value(p->y);
            w.key("z").value(p->z);
            w.key("kod").text(cli::terminatedField(p->kod).c_str());
            w.endObject();
        } while ((*punkter)++);
    }
    w.endArray();
    w.key("record");
    cli::recordJson(w, rec);
    w.endObject();
    w.finish();
}

void showText(CHellar& h, CHkolista* punkter, const dbstype& rec, std::ostream& out) {
    int n = 0;
    if (punkter)
        punkter->Where(&n);
    out << "outcrop    " << cli::shown(cli::terminatedField(rec.id)) << "\n"
        << "file       " << cli::userPath(h.Sokvag()) << "\n"
        << "row 2      " << triple(h.m_rad2) << "\n"
        << "row 3      " << triple(h.m_rad3) << "\n"
        << "row 4      " << cli::number(h.m_rad4tal) << "\n"
        << "integers  ";
    for (int16_t v : h.m_heltal)
        out << " " << v;
    out << "\n"
        << "text       " << cli::shown(cli::terminatedField(h.m_text)) << "\n"
        << "refers to  " << cli::shown(cli::terminatedField(h.m_refid)) << "\n"
        << "reference  " << cli::shown(cli::terminatedField(rec.text)) << " ("
        << referenceKind(rec.reftyp) << ", reftyp " << static_cast<int>(rec.reftyp) << ")\n"
        << "code       " << static_cast<int>(rec.kod) << "\n"
        << "corner     " << cli::millimetres(rec.x) << " " << cli::millimetres(rec.y) << " "
        << cli::millimetres(rec.z) << "\n"
        << "extent     " << cli::millimetres(rec.dx) << " " << cli::millimetres(rec.dy) << " "
        << cli::millimetres(rec.dz) << "\n\n"
        << n << (n == 1 ? " point" : " points") << "\n"
        << "  NR            X            Y          Z CODE\n";
    if (!punkter || punkter->Home() != 0)
        return;
    int nr = 0;
    do {
        const kokotype* p = punkter->Get_aktel();
        char buf[128];
        std::snprintf(buf, sizeof buf, "%4d %12.3f %12.3f %10.3f ", ++nr, p->x, p->y, p->z);
        std::string row = buf + cli::toUtf8(cli::terminatedField(p->kod).c_str());
        while (!row.empty() && row.back() == ' ')
            row.pop_back();
        out << row << "\n";
    } while ((*punkter)++);
}

int showOutcrop(cli::ShowContext& ctx) {
    const dbstype rec = *ctx.dbs.Get_aktel();
    CHellar h(&ctx.proj, cli::terminatedField(rec.filnamn).c_str());
    // Damage the reader passes over silently fails the command after the listing.
    cli::FindingList findings;
    cli::checkOutcropFile(h.Sokvag(), "", findings);
    cli::reportErrors("show", findings);
    if (h.Init() != 0) {
        std::cerr << "harn show: cannot read the outcrop file " << cli::userPath(h.Sokvag())
                  << "\n";
        return cli::kFailed;
    }
    h.Home();
    CHkolista* punkter = h.Get_aktel()->pPunkter;
    if (ctx.json)
        showJson(h, punkter, rec, ctx.out);
    else
        showText(h, punkter, rec, ctx.out);
    return cli::kOk;
}

cli::ShowRegistrar reg(2, &showOutcrop);

} // namespace
