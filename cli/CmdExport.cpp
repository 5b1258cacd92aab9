// harn export DIR [--format geojson|csv] [-o FILE] [--type T]: the project's objects for GIS
// (a GeoJSON FeatureCollection) or for spreadsheets (CSV, one row per object). Geometry comes
// from the library: database records (read one by one from a snapshot of the database), line files
// through CLinjeData, outcrop outlines through CHellar, borehole heads through CRegBorr, alignments
// through CVaglinje and tunnels through CTunDbs and CTvarsnitt along their alignment (an outline
// and a centre line).
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/Json.h"
#include "cli/TunnelGeometry.h"

#include "borehole/CRegBorr.h"
#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Pos = std::array<double, 3>;

// The geometry of one object and what is known about where it came from.
struct Shape {
    const char* kind = "Point";             // "Point", "LineString", "Polygon" or "MultiPolygon"
    std::vector<Pos> pos;                   // a polygon's ring is closed
    std::vector<std::vector<Pos>> polygons; // a MultiPolygon: one closed ring each
    bool flat = false;                      // positions without height (alignments and tunnels)
    const char* part = nullptr;             // of a tunnel: "outline" or "centre line"
    bool chainage = false;                  // along an alignment, from `from` to `to`
    double from = 0, to = 0;
    std::string alignment; // CP1252; a tunnel's alignment
    int positions = -1;    // a tunnel's positions
    bool extent = false;   // the geometry is the record's corner and extent
    std::string data;      // why the data files gave no geometry
    int points = -1;       // points read from the data file
    bool borehole = false;
    bool surveyed = false;
    bool hasBottom = false;
    Pos bottom{};
    double length = 0;
};

// A closed ring, counterclockwise in plan (exterior rings of GeoJSON); the first point stays
// first. Positions are grid (x north, y east, z), so the plan's east is [1] and north [0].
std::vector<Pos> closedRing(std::vector<Pos> ring) {
    if (ring.size() > 1 && ring.front() == ring.back())
        ring.pop_back();
    double area2 = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const Pos& a = ring[i];
        const Pos& b = ring[(i + 1) % ring.size()];
        area2 += a[1] * b[0] - b[1] * a[0];
    }
    if (area2 < 0 && ring.size() > 2)
        std::reverse(ring.begin() + 1, ring.end());
    if (!ring.empty())
        ring.push_back(ring.front());
    return ring;
}

// The record's plan extent as a rectangle at its z.
void extentRectangle(const dbstype& r, Shape& s) {
    s.kind = "Polygon";
    s.extent = true;
    s.pos = closedRing({{r.x, r.y, r.z},
                        {r.x + r.dx, r.y, r.z},
                        {r.x + r.dx, r.y + r.dy, r.z},
                        {r.x, r.y + r.dy, r.z}});
}

void lineShape(CProjPath& proj, const dbstype& r, Shape& s) {
    CLinjeData l(&proj, cli::field(r.filnamn).c_str(), -1);
    if (l.Init(1) == 0) {
        s.points = 0;
        if (l.Home() == 0) {
            do {
                const lintype* p = l.Get_aktel();
                s.pos.push_back({p->x, p->y, p->z});
            } while (l++);
        }
        s.points = static_cast<int>(s.pos.size());
    }
    s.kind = "LineString";
    if (s.points >= 2)
        return;
    // The diagonal of the record's extent: from the lower corner to the upper one.
    s.data = s.points >= 0 ? "too few points"
             : cli::reportUnread("export", proj.DataPath((cli::field(r.filnamn) + ".LJE").c_str()))
                 ? "not readable"
                 : "missing";
    s.extent = true;
    s.pos = {{r.x, r.y, r.z}, {r.x + r.dx, r.y + r.dy, r.z + r.dz}};
}

void outcropShape(CProjPath& proj, const dbstype& r, Shape& s) {
    CHellar h(&proj, cli::field(r.filnamn).c_str());
    std::vector<Pos> outline;
    if (h.Init() == 0) {
        s.points = 0;
        h.Home();
        CHkolista* punkter = h.Get_aktel()->pPunkter;
        if (punkter && punkter->Home() == 0) {
            do {
                const kokotype* p = punkter->Get_aktel();
                outline.push_back({p->x, p->y, p->z});
            } while ((*punkter)++);
        }
        s.points = static_cast<int>(outline.size());
    }
    outline = closedRing(outline);
    if (outline.size() >= 4) {
        s.kind = "Polygon";
        s.pos = outline;
        return;
    }
    extentRectangle(r, s);
    s.data = s.points >= 0 ? "too few points"
             : cli::reportUnread("export", proj.DataPath((cli::field(r.filnamn) + ".LAD").c_str()))
                 ? "not readable"
                 : "missing";
}

// A borehole's top is its record position. Its extents run from the top to the bottom:
// x + dx, y + dy, z - dz (from direction and length, or from the deviation survey). Whether
// the hole is inclined comes from its head (an inclination other than 90 degrees), so a
// vertical hole whose computed plan extent is a rounding residue stays vertical; without a
// readable head, any plan extent counts.
void boreholeShape(CProjPath& proj, const dbstype& r, Shape& s) {
    s.borehole = true;
    s.pos = {{r.x, r.y, r.z}};
    CRegBorr head(&proj, cli::field(r.filnamn).c_str(), CRegBorr::BARABHD);
    bool inclined = r.dx != 0 || r.dy != 0;
    if (head.Init(CRegBorr::BARABHD) == 0) {
        s.surveyed = head.m_bhd.avvmatt[0] == 'J';
        inclined = std::abs(head.m_bhd.lutning) != 90;
    }
    s.hasBottom = inclined || s.surveyed;
    s.bottom = {r.x + r.dx, r.y + r.dy, r.z - r.dz};
    s.length = std::sqrt(r.dx * r.dx + r.dy * r.dy + r.dz * r.dz);
}

std::vector<Pos> positionsOf(const std::vector<cli::GridPt>& line) {
    std::vector<Pos> out;
    for (const cli::GridPt& p : line)
        out.push_back({p.x, p.y, 0});
    return out;
}

// An alignment with a loadable file: its centre line; otherwise the record's extent.
void alignmentShape(cli::TunnelSources& src, const dbstype& r, Shape& s) {
    cli::Alignment& a = src.alignment(cli::terminatedField(r.id));
    if (!a.loaded) {
        extentRectangle(r, s);
        s.data = a.present ? "not readable" : "missing";
        if (a.present)
            cli::reportUnread("export", a.path.c_str(), cli::toUtf8(a.error.c_str()));
        return;
    }
    CVaglinje& line = a.line;
    s.kind = "LineString";
    s.flat = true;
    s.chainage = true;
    s.from = line.startChainage();
    s.to = line.endChainage();
    s.pos = positionsOf(cli::alongAlignment(line, s.from, s.to, 0));
}

// A tunnel along its alignment: its outline (when the types of its positions are known) and
// its centre line; without those the record's extent.
std::vector<Shape> tunnelShapes(cli::TunnelSources& src, const dbstype& r) {
    Shape s;
    cli::Tunnel t;
    if (!cli::readTunnel(src.proj, r, t)) {
        extentRectangle(r, s);
        s.data = t.present ? "not readable" : "missing";
        if (t.present)
            cli::reportUnread("export", t.odbPath.c_str());
        return {s};
    }
    cli::reportTunnelDamage("export", t);
    const std::string name = cli::tunnelAlignmentName(r);
    const std::vector<cli::TunnelStretch> stretches = cli::tunnelStretches(t, src.library());
    const cli::TunnelShape shape =
        cli::tunnelShape(t, stretches, name.empty() ? nullptr : &src.alignment(name));
    s.positions = static_cast<int>(t.positions.size());
    if (!shape.missing.empty()) {
        extentRectangle(r, s);
        s.data = shape.missing;
        s.alignment = name;
        return {s};
    }
    s.flat = true;
    s.chainage = true;
    s.from = shape.from;
    s.to = shape.to;
    s.alignment = name;
    std::vector<Shape> out;
    if (!shape.outlines.empty()) {
        Shape o = s;
        o.part = "outline";
        for (const std::vector<cli::GridPt>& ring : shape.outlines)
            o.polygons.push_back(closedRing(positionsOf(ring)));
        if (o.polygons.size() == 1) {
            o.kind = "Polygon";
            o.pos = o.polygons.front();
            o.polygons.clear();
        } else {
            o.kind = "MultiPolygon";
        }
        out.push_back(o);
    }
    s.kind = "LineString";
    s.part = "centre line";
    s.pos = positionsOf(shape.centre);
    out.push_back(s);
    return out;
}

std::vector<Shape> shapesOf(cli::TunnelSources& src, const dbstype& r) {
    Shape s;
    switch (r.typ) {
    case 1:
        return tunnelShapes(src, r);
    case 2:
        outcropShape(src.proj, r, s);
        break;
    case 3:
        boreholeShape(src.proj, r, s);
        break;
    case 5:
        lineShape(src.proj, r, s);
        break;
    case 6:
        alignmentShape(src, r, s);
        break;
    default: // points and unknown types: the record's position
        s.pos = {{r.x, r.y, r.z}};
        break;
    }
    return {s};
}

// GeoJSON positions are [east, north, height]: the grid's y, x and z (Swedish grids have x
// north and y east).
// Without height when `flat`.
void position(cli::JsonWriter& w, const Pos& p, bool flat = false) {
    w.beginArray().value(cli::plain(p[1])).value(cli::plain(p[0]));
    if (!flat)
        w.value(cli::plain(p[2]));
    w.endArray();
}

void featureJson(std::ostream& out, const dbstype& r, const Shape& s) {
    cli::JsonWriter w(out, false);
    w.beginObject();
    w.key("type").value("Feature");
    w.key("geometry").beginObject();
    w.key("type").value(s.kind);
    w.key("coordinates");
    if (std::strcmp(s.kind, "Point") == 0) {
        position(w, s.pos.front());
    } else if (std::strcmp(s.kind, "MultiPolygon") == 0) {
        w.beginArray();
        for (const std::vector<Pos>& ring : s.polygons) {
            w.beginArray().beginArray();
            for (const Pos& p : ring)
                position(w, p, s.flat);
            w.endArray().endArray();
        }
        w.endArray();
    } else {
        w.beginArray();
        if (std::strcmp(s.kind, "Polygon") == 0)
            w.beginArray();
        for (const Pos& p : s.pos)
            position(w, p, s.flat);
        if (std::strcmp(s.kind, "Polygon") == 0)
            w.endArray();
        w.endArray();
    }
    w.endObject();
    w.key("properties").beginObject();
    w.key("type").value(cli::typeName(r.typ));
    w.key("typ").value(static_cast<int>(r.typ));
    w.key("id").text(cli::field(r.id).c_str());
    w.key("filnamn").text(cli::field(r.filnamn).c_str());
    w.key("text").text(cli::field(r.text).c_str());
    w.key("kod").value(static_cast<int>(r.kod));
    w.key("reftyp").value(static_cast<int>(r.reftyp));
    w.key("flagg").value(static_cast<int>(r.flagg));
    w.key("flags").value(cli::flagWords(r.flagg));
    cli::recordValuesJson(w, r);
    if (s.borehole) {
        w.key("length").value(cli::plain(s.length));
        w.key("surveyed").value(s.surveyed);
        if (s.hasBottom) {
            w.key("bottom");
            position(w, s.bottom);
        }
    }
    if (s.points >= 0)
        w.key("points").value(s.points);
    if (s.part)
        w.key("part").value(s.part);
    if (!s.alignment.empty())
        w.key("alignment").text(s.alignment.c_str());
    if (s.chainage) {
        w.key("startChainage").value(cli::plain(s.from));
        w.key("endChainage").value(cli::plain(s.to));
    }
    if (s.positions >= 0)
        w.key("positions").value(s.positions);
    if (s.extent)
        w.key("extent").value(true);
    if (!s.data.empty())
        w.key("data").value(s.data);
    w.endObject();
    w.endObject();
}

// One CSV field (RFC 4180): quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

void rowCsv(std::ostream& out, const dbstype& r) {
    out << csvField(cli::typeName(r.typ)) << ',' << csvField(cli::toUtf8(cli::field(r.id).c_str()))
        << ',' << csvField(cli::toUtf8(cli::field(r.filnamn).c_str()));
    for (double v : {r.x, r.y, r.z, r.dx, r.dy, r.dz})
        out << ',' << cli::number(cli::plain(v));
    out << ',' << csvField(cli::flagWords(r.flagg)) << ','
        << csvField(cli::toUtf8(cli::field(r.text).c_str())) << '\n';
}

void exportGeoJson(CHarnDbs& dbs, CProjPath& proj, int typ, std::ostream& out) {
    out << "{\"type\":\"FeatureCollection\",\"name\":\""
        << cli::JsonWriter::escape(cli::toUtf8(cli::field(dbs.m_hd.projnamn).c_str()))
        << "\",\"features\":[\n";
    bool first = true;
    cli::TunnelSources sources(proj);
    dbstype r;
    while (dbs.NextRecord(r)) {
        if (typ != 0 && r.typ != typ)
            continue;
        for (const Shape& s : shapesOf(sources, r)) {
            if (!first)
                out << ",\n";
            first = false;
            featureJson(out, r, s);
        }
    }
    out << (first ? "" : "\n") << "]}\n";
}

void exportCsv(CHarnDbs& dbs, int typ, std::ostream& out) {
    out << "type,id,file,x,y,z,dx,dy,dz,flags,text\n";
    dbstype r;
    while (dbs.NextRecord(r))
        if (typ == 0 || r.typ == typ)
            rowCsv(out, r);
}

int runExport(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("export");
    std::vector<std::string> args = argsIn;
    bool missing = false;
    std::string format = cli::takeOption(args, "--format", missing);
    if (missing)
        return cli::usageError(cmd, "--format needs a value");
    std::string output = cli::takeFileOption(args, "-o", missing);
    if (missing)
        return cli::usageError(cmd, "-o needs a file name");
    const int typ = cli::takeTypeOption(args, cmd);
    if (typ < 0)
        return cli::kUsage;
    if (format.empty())
        format = "geojson";
    if (format != "geojson" && format != "csv")
        return cli::usageError(cmd, "unknown format '" + format + "' (geojson or csv)");
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;

    auto proj = cli::projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    // The records are read one by one from a snapshot of the database, so that memory does
    // not grow with the project and the lock is held only while the snapshot is taken.
    if (cli::openSnapshot(dbs, *proj) != 0)
        return cli::kFailed;
    const bool written = cli::streamOutput(cmd, output, [&](std::ostream& out) {
        if (format == "csv")
            exportCsv(dbs, typ, out);
        else
            exportGeoJson(dbs, *proj, typ, out);
    });
    return written ? cli::kOk : cli::kFailed;
}

cli::CommandRegistrar reg("export", "harn export DIR [--format geojson|csv] [-o FILE] [--type T]",
                          "export the project's objects as GeoJSON or CSV", &runExport);

} // namespace
