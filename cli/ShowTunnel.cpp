// harn show DIR ID for a tunnel (type 1): its database record, the head of its tunnel
// database (.ODB) and the header lines of its text file (.LAT), its alignment, and the
// positions along the tunnel with their cross-section types from the type library; or all
// of it as JSON. The tunnel is read through CTunDbs::Init, which packs a file with holes.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/Json.h"
#include "cli/TunnelGeometry.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/FileSystem.h"
#include "tunnel/CTvarsnitt.h"
#include "tunnel/TunnelVersion.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

// What show needs besides the tunnel itself.
struct Context {
    cli::Tunnel tunnel;
    std::string latPath;                // CP1252
    bool latRead = false;               // the text file could be opened
    std::vector<std::string> latHeader; // its first four lines (CP1252, line ends removed)
    std::string alignmentName;          // empty: the record names none
    std::unique_ptr<cli::Alignment> alignment;
    std::string libraryPath;
    cli::SectionLibrary library;
    std::vector<cli::TunnelStretch> stretches;
    std::map<int, int> otherKinds; // kind -> records
};

void readLatHeader(Context& c) {
    std::FILE* f = platform::fopen(c.latPath.c_str(), "r");
    if (!f)
        return;
    c.latRead = true;
    char line[152];
    for (int i = 0; i < 4 && std::fgets(line, sizeof line, f); ++i) {
        line[std::strcspn(line, "\r\n")] = 0;
        c.latHeader.push_back(line);
    }
    std::fclose(f);
}

std::string fixed3(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", cli::plain(v));
    return buf;
}

void alignmentJson(cli::JsonWriter& w, const Context& c) {
    if (!c.alignment) {
        w.null();
        return;
    }
    const cli::Alignment& a = *c.alignment;
    w.beginObject();
    w.key("name").text(a.name.c_str());
    w.key("file").value(cli::userPath(a.path.c_str()));
    w.key("present").value(a.present);
    w.key("loaded").value(a.loaded);
    if (a.loaded) {
        CVaglinje& line = c.alignment->line;
        w.key("startChainage").value(cli::plain(line.startChainage()));
        w.key("endChainage").value(cli::plain(line.endChainage()));
    } else if (a.present) {
        w.key("error").text(a.error.c_str());
    }
    w.endObject();
}

void headJson(cli::JsonWriter& w, const tunhdtype& h) {
    w.beginObject();
    w.key("version").text(cli::terminatedField(h.version).c_str());
    w.key("verdel").value(cli::plain(h.verdel));
    w.key("rubrik").text(cli::terminatedField(h.rubrik).c_str());
    w.key("antal").beginArray();
    for (int k = 0; k < 20; ++k) // by value: the head is packed
        w.value(static_cast<int>(h.antal[k]));
    w.endArray();
    w.key("hal").value(static_cast<int>(h.hal));
    w.key("lattext").text(cli::terminatedField(h.lattext).c_str());
    w.key("text1").text(cli::terminatedField(h.text1).c_str());
    w.key("text2").text(cli::terminatedField(h.text2).c_str());
    w.key("ival4").value(static_cast<int>(h.ival4));
    w.key("flagg").value(static_cast<int>(h.flagg));
    w.key("slut").value(static_cast<int>(h.slut));
    w.endObject();
}

void positionJson(cli::JsonWriter& w, const todbtype& p, const tvtytype* type, bool flags) {
    w.beginObject();
    w.key("sekt").value(cli::plain(p.sekt));
    w.key("tvnamn").text(cli::terminatedField(p.tvnamn).c_str());
    w.key("type");
    if (!type) {
        w.null();
    } else {
        w.beginObject();
        w.key("text").text(cli::terminatedField(type->tvtext).c_str());
        w.key("anfstart").value(cli::plain(type->anfstart));
        w.key("anfslut").value(cli::plain(type->anfslut));
        w.key("xmin").value(cli::plain(type->xmin)).key("xmax").value(cli::plain(type->xmax));
        w.key("ymin").value(cli::plain(type->ymin)).key("ymax").value(cli::plain(type->ymax));
        w.endObject();
    }
    w.key("offset").value(static_cast<int>(p.filpos));
    w.key("kod2").value(static_cast<int>(p.kod2)).key("kod3").value(static_cast<int>(p.kod3));
    w.key("ival1").value(static_cast<int>(p.ival1)).key("ival2").value(static_cast<int>(p.ival2));
    w.key("tval1").value(cli::plain(p.tval1)).key("tval2").value(cli::plain(p.tval2));
    if (flags) {
        w.key("tflagg").beginArray();
        for (int8_t f : p.tflagg)
            w.value(static_cast<int>(f));
        w.endArray();
    } else {
        w.key("tval3").value(cli::plain(p.tval3));
    }
    w.key("tval4").value(cli::plain(p.tval4)).key("tval5").value(cli::plain(p.tval5));
    w.key("tval6").value(cli::plain(p.tval6)).key("tval7").value(cli::plain(p.tval7));
    w.key("ttext1").text(cli::terminatedField(p.ttext1).c_str());
    w.key("ttext2").text(cli::terminatedField(p.ttext2).c_str());
    w.endObject();
}

void showJson(Context& c, const dbstype& rec, std::ostream& out) {
    const cli::Tunnel& t = c.tunnel;
    cli::JsonWriter w(out);
    w.beginObject();
    w.key("id").text(cli::terminatedField(rec.id).c_str());
    w.key("file").value(cli::userPath(t.odbPath.c_str()));
    w.key("version").value(cli::plain(t.version));
    w.key("head");
    headJson(w, t.head);
    w.key("textFile").beginObject();
    w.key("file").value(cli::userPath(c.latPath.c_str()));
    w.key("header");
    if (!c.latRead) {
        w.null();
    } else {
        w.beginArray();
        for (const std::string& l : c.latHeader)
            w.text(l.c_str());
        w.endArray();
    }
    w.endObject();
    w.key("alignment");
    alignmentJson(w, c);
    w.key("typeLibrary").beginObject();
    w.key("file").value(cli::userPath(c.libraryPath.c_str()));
    w.key("present").value(c.library.present);
    w.key("types").value(static_cast<int>(c.library.types.size()));
    w.endObject();
    const bool flags = t.version >= tunnelfile::kFlagVersion;
    w.key("positions").beginArray();
    for (size_t i = 0; i < t.positions.size(); ++i)
        positionJson(w, t.positions[i], c.stretches[i].type, flags);
    w.endArray();
    w.key("otherRecords").beginArray();
    for (const auto& [kind, n] : c.otherKinds)
        w.beginObject().key("typ").value(kind).key("count").value(n).endObject();
    w.endArray();
    w.key("record");
    cli::recordJson(w, rec);
    w.endObject();
    w.finish();
}

std::string alignmentText(Context& c) {
    if (!c.alignment)
        return "none (the record's text names no .VL file)";
    const cli::Alignment& a = *c.alignment;
    const std::string file = cli::userPath(a.path.c_str());
    const std::string name = cli::toUtf8(a.name.c_str());
    if (!a.present)
        return name + ", file " + file + " (missing: no geometry)";
    if (!a.loaded)
        return name + ", file " + file + " (not readable: " + cli::toUtf8(a.error.c_str()) + ")";
    CVaglinje& line = c.alignment->line;
    return name + ", chainage " + fixed3(line.startChainage()) + " to " +
           fixed3(line.endChainage()) + ", file " + file;
}

void showText(Context& c, const dbstype& rec, std::ostream& out) {
    const cli::Tunnel& t = c.tunnel;
    const tunhdtype& h = t.head;
    out << "tunnel     " << cli::shown(cli::terminatedField(rec.id)) << "\n"
        << "file       " << cli::userPath(t.odbPath.c_str()) << "\n"
        << "file name  " << cli::shown(cli::field(rec.filnamn)) << "\n"
        << "corner     " << cli::millimetres(rec.x) << " " << cli::millimetres(rec.y) << " "
        << cli::millimetres(rec.z) << "\n"
        << "extent     " << cli::millimetres(rec.dx) << " " << cli::millimetres(rec.dy) << " "
        << cli::millimetres(rec.dz) << "\n"
        << "text       " << cli::shown(cli::field(rec.text)) << "\n\n";

    out << "version    " << cli::toUtf8(cli::terminatedField(h.version).c_str()) << ", fraction "
        << cli::number(cli::plain(h.verdel)) << ", flag " << h.flagg << "\n"
        << "title      " << cli::shown(cli::terminatedField(h.rubrik)) << "\n"
        << "records    " << h.antal[0];
    for (int k = 1; k < 20; ++k)
        if (h.antal[k] != 0)
            out << ", kind " << k << ": " << h.antal[k];
    out << "; hal " << h.hal << ", slut " << h.slut << "\n"
        << "lattext    " << cli::shown(cli::terminatedField(h.lattext)) << "\n"
        << "ival4      " << h.ival4 << "\n\n";

    out << "text file  " << cli::userPath(c.latPath.c_str()) << (c.latRead ? "" : " (missing)")
        << "\n";
    for (size_t i = 0; i < c.latHeader.size(); ++i)
        out << "  " << i + 1 << "        " << cli::shown(c.latHeader[i]) << "\n";
    out << "alignment  " << alignmentText(c) << "\n"
        << "types      " << cli::userPath(c.libraryPath.c_str());
    if (!c.library.present)
        out << " (missing)";
    else
        out << " (" << c.library.types.size() << (c.library.types.size() == 1 ? " type" : " types")
            << ")";
    out << "\n";

    const size_t n = t.positions.size();
    out << "\n" << n << (n == 1 ? " position" : " positions") << "\n";
    if (n > 0)
        out << "  NR   CHAINAGE  TYPE      ANFSTART  ANFSLUT     XMIN     XMAX     YMIN     YMAX\n";
    for (size_t i = 0; i < n; ++i) {
        const todbtype& p = t.positions[i];
        const tvtytype* ty = c.stretches[i].type;
        char line[256];
        if (ty)
            std::snprintf(line, sizeof line,
                          "%4zu %10.3f  %-8s  %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f", i + 1,
                          cli::plain(p.sekt), cli::terminatedField(p.tvnamn).c_str(),
                          cli::plain(ty->anfstart), cli::plain(ty->anfslut), cli::plain(ty->xmin),
                          cli::plain(ty->xmax), cli::plain(ty->ymin), cli::plain(ty->ymax));
        else
            std::snprintf(line, sizeof line, "%4zu %10.3f  %-8s  (not in the type library)", i + 1,
                          cli::plain(p.sekt), cli::terminatedField(p.tvnamn).c_str());
        out << cli::toUtf8(line) << "\n";
    }
    if (!c.otherKinds.empty()) {
        out << "other records:";
        const char* sep = " ";
        for (const auto& [kind, count] : c.otherKinds) {
            out << sep << "kind " << kind << ": " << count;
            sep = ", ";
        }
        out << "\n";
    }
}

int showTunnel(cli::ShowContext& ctx) {
    const dbstype rec = *ctx.dbs.Get_aktel();
    Context c;
    if (!cli::readTunnel(ctx.proj, rec, c.tunnel)) {
        std::cerr << "harn show: cannot read the tunnel database "
                  << cli::userPath(c.tunnel.odbPath.c_str()) << "\n";
        return cli::kFailed;
    }
    cli::reportTunnelDamage("show", c.tunnel);
    const std::string base = cli::terminatedField(rec.filnamn);
    c.latPath = ctx.proj.DataPath((base + ".LAT").c_str()).str();
    readLatHeader(c);
    c.alignmentName = cli::tunnelAlignmentName(rec);
    if (!c.alignmentName.empty())
        c.alignment = cli::loadAlignment(ctx.proj, c.alignmentName);
    c.libraryPath = CTvarsnitt(&ctx.proj).IndexPath().str();
    c.library = cli::readSectionLibrary(ctx.proj);
    c.stretches = cli::tunnelStretches(c.tunnel, c.library);
    for (const todbtype& r : c.tunnel.records)
        if (r.typ != 7)
            ++c.otherKinds[r.typ];
    if (ctx.json)
        showJson(c, rec, ctx.out);
    else
        showText(c, rec, ctx.out);
    return cli::kOk;
}

cli::ShowRegistrar reg(1, &showTunnel);

} // namespace
