// harn show DIR ID for an alignment (type 6): its database record and, when its geometry file
// HARNDB\<id> exists, the file's elements (straights and arcs) with their chainages and the
// alignment's chainage range; or all of it as JSON.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/Json.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "host/CVaglinje.h"
#include "platform/FileSystem.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char* turnName(int turn) {
    // Seen on the plan (x north, y east): a positive bulge turns clockwise.
    return turn > 0 ? "right" : turn < 0 ? "left" : "";
}

void showJson(const CVaglinje* v, const std::string& path, const dbstype& rec, std::ostream& out) {
    cli::JsonWriter w(out);
    w.beginObject();
    w.key("id").text(cli::terminatedField(rec.id).c_str());
    w.key("file").value(cli::userPath(path.c_str()));
    w.key("geometry");
    if (!v) {
        w.null();
    } else {
        w.beginObject();
        w.key("startChainage").value(cli::plain(v->startChainage()));
        w.key("endChainage").value(cli::plain(v->endChainage()));
        w.key("length").value(cli::plain(v->endChainage() - v->startChainage()));
        w.key("elements").beginArray();
        for (int i = 0; i < v->elementCount(); ++i) {
            AlignmentElement e;
            v->element(i, &e);
            w.beginObject();
            w.key("kind").value(e.turn == 0 ? "straight" : "arc");
            w.key("startChainage").value(cli::plain(e.startChainage));
            w.key("endChainage").value(cli::plain(e.endChainage));
            w.key("length").value(cli::plain(e.length));
            w.key("start").beginArray().value(e.startX).value(e.startY).endArray();
            w.key("end").beginArray().value(e.endX).value(e.endY).endArray();
            w.key("bulge").value(cli::plain(e.bulge));
            if (e.turn != 0) {
                w.key("radius").value(e.radius);
                w.key("centre")
                    .beginArray()
                    .value(cli::plain(e.centreX))
                    .value(cli::plain(e.centreY))
                    .endArray();
                w.key("turn").value(turnName(e.turn));
            }
            w.endObject();
        }
        w.endArray();
        w.endObject();
    }
    w.key("record");
    cli::recordJson(w, rec);
    w.endObject();
    w.finish();
}

void showText(const CVaglinje* v, const std::string& path, const dbstype& rec, std::ostream& out) {
    out << "alignment  " << cli::shown(cli::terminatedField(rec.id)) << "\n"
        << "file       " << cli::userPath(path.c_str()) << (v ? "" : " (missing: no geometry)")
        << "\n"
        << "file name  " << cli::shown(cli::field(rec.filnamn)) << "\n"
        << "code       " << static_cast<int>(rec.kod) << "\n"
        << "corner     " << cli::millimetres(rec.x) << " " << cli::millimetres(rec.y) << " "
        << cli::millimetres(rec.z) << "\n"
        << "extent     " << cli::millimetres(rec.dx) << " " << cli::millimetres(rec.dy) << " "
        << cli::millimetres(rec.dz) << "\n"
        << "text       " << cli::shown(cli::field(rec.text)) << "\n";
    if (!v)
        return;
    char buf[200];
    std::snprintf(buf, sizeof buf, "chainage   %.3f to %.3f (%.3f m)\n",
                  cli::plain(v->startChainage()), cli::plain(v->endChainage()),
                  cli::plain(v->endChainage() - v->startChainage()));
    const int n = v->elementCount();
    out << buf << "\n" << n << (n == 1 ? " element" : " elements") << "\n";
    std::snprintf(buf, sizeof buf, "%4s %-8s %12s %12s %10s %10s %-5s %12s %12s\n", "NR", "KIND",
                  "FROM", "TO", "LENGTH", "RADIUS", "TURN", "START X", "START Y");
    out << buf;
    for (int i = 0; i < n; ++i) {
        AlignmentElement e;
        v->element(i, &e);
        char radius[32] = "";
        if (e.turn != 0)
            std::snprintf(radius, sizeof radius, "%.3f", e.radius);
        std::snprintf(buf, sizeof buf, "%4d %-8s %12.3f %12.3f %10.3f %10s %-5s %12.3f %12.3f\n",
                      i + 1, e.turn == 0 ? "straight" : "arc", cli::plain(e.startChainage),
                      cli::plain(e.endChainage), e.length, radius, turnName(e.turn),
                      cli::plain(e.startX), cli::plain(e.startY));
        out << buf;
    }
    const kovltype& last = v->points().back();
    std::snprintf(buf, sizeof buf, "%-4s %-8s %12s %12.3f %10s %10s %-5s %12.3f %12.3f\n", "",
                  "end", "", cli::plain(last.sekt), "", "", "", cli::plain(last.x),
                  cli::plain(last.y));
    out << buf;
}

int showAlignment(cli::ShowContext& ctx) {
    const dbstype rec = *ctx.dbs.Get_aktel();
    // An alignment's geometry file is named by its identifier, in the database folder.
    const std::string path(ctx.proj.DataPath(cli::terminatedField(rec.id).c_str()));
    CVaglinje v;
    const bool present = platform::access(path.c_str(), 0) == 0;
    if (present && v.Init(path.c_str()) != 0) {
        std::cerr << "harn show: cannot read the alignment file " << cli::userPath(path.c_str())
                  << ": " << cli::toUtf8(v.errorText().c_str()) << "\n";
        return cli::kFailed;
    }
    if (ctx.json)
        showJson(present ? &v : nullptr, path, rec, ctx.out);
    else
        showText(present ? &v : nullptr, path, rec, ctx.out);
    return cli::kOk;
}

cli::ShowRegistrar reg(6, &showAlignment);

} // namespace
