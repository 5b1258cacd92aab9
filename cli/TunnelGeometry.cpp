#include "cli/TunnelGeometry.h"

#include "cli/Cli.h"

#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "platform/FileSystem.h"
#include "tunnel/CTunDbs.h"
#include "tunnel/CTvarsnitt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

constexpr double kPi = 3.14159265358979323846;
// No chord of an arc turns more than this, however loose the tolerance.
constexpr double kMaxChordTurn = kPi / 4;
// Nor is an element cut into more pieces than this.
constexpr int kMaxPieces = 100000;
// Points of a line closer than this (metres) are one point: the offset points on both sides
// of a vertex where the tangent turns by a rounding residue of the file's coordinates.
constexpr double kSamePoint = 1e-4;

std::string upper(std::string text) {
    UpperCaseSwedish(text.data());
    return text;
}

// The point at the very end of element `e`, offset along that element's own normal (at a
// kink the next element's normal differs; CVaglinje gives that one at the vertex).
GridPt elementEnd(const AlignmentElement& e, double offset) {
    double tx, ty;
    if (e.turn == 0) {
        const double len = std::hypot(e.endX - e.startX, e.endY - e.startY);
        tx = (e.endX - e.startX) / len;
        ty = (e.endY - e.startY) / len;
    } else {
        const double rx = (e.endX - e.centreX) / e.radius, ry = (e.endY - e.centreY) / e.radius;
        tx = e.turn > 0 ? -ry : ry;
        ty = e.turn > 0 ? rx : -rx;
    }
    // To the left on the plan (x north, y east), as CVaglinje::Vag2xy offsets.
    return {e.endX + offset * ty, e.endY - offset * tx};
}

void append(std::vector<GridPt>& to, const GridPt& p) {
    if (to.empty() || std::hypot(p.x - to.back().x, p.y - to.back().y) > kSamePoint)
        to.push_back(p);
}

} // namespace

std::vector<GridPt> alongAlignment(CVaglinje& line, double from, double to, double offset,
                                   double tolerance) {
    std::vector<GridPt> out;
    if (!line.isLoaded() || !(from <= to) || !std::isfinite(offset))
        return out;
    from = std::max(from, line.startChainage());
    to = std::min(to, line.endChainage());
    if (from > to)
        return out;
    if (from == to) {
        GridPt p;
        if (line.Vag2xy(from, offset, &p.x, &p.y) == 0)
            out.push_back(p);
        return out;
    }
    const int count = line.elementCount();
    for (int i = 0; i < count; ++i) {
        AlignmentElement e;
        line.element(i, &e);
        // An element that only touches the range at one end adds nothing: its neighbour
        // inside the range starts or ends at that point.
        if (e.endChainage <= from || e.startChainage >= to)
            continue;
        const double a = std::max(from, e.startChainage), b = std::min(to, e.endChainage);
        int pieces = 1;
        if (e.turn != 0) {
            // A chord over the angle φ of a circle of radius R strays R(1 − cos φ/2) from
            // it; the offset line's radius is at most R + |offset|.
            const double r = e.radius + std::fabs(offset);
            const double c = std::max(1 - tolerance / r, std::cos(kMaxChordTurn / 2));
            const double step = 2 * std::acos(c);
            const double sweep = (b - a) / e.radius;
            pieces = static_cast<int>(std::min<double>(kMaxPieces, std::ceil(sweep / step)));
            pieces = std::max(pieces, 1);
        }
        for (int k = 0; k <= pieces; ++k) {
            if (k == pieces && b == e.endChainage && i + 1 < count) {
                append(out, elementEnd(e, offset));
                continue;
            }
            const double s = k == pieces ? b : a + (b - a) * k / pieces;
            GridPt p;
            if (line.Vag2xy(s, offset, &p.x, &p.y) == 0)
                append(out, p);
        }
    }
    return out;
}

bool leftNormal(CVaglinje& line, double chainage, GridPt* normal) {
    GridPt c, l;
    if (line.Vag2xy(chainage, 0, &c.x, &c.y) != 0 || line.Vag2xy(chainage, 1, &l.x, &l.y) != 0)
        return false;
    *normal = {l.x - c.x, l.y - c.y};
    return true;
}

const tvtytype* SectionLibrary::find(const std::string& name) const {
    const std::string wanted = upper(name);
    for (const tvtytype& t : types)
        if (upper(terminatedField(t.tvnamn)) == wanted)
            return &t;
    return nullptr;
}

SectionLibrary readSectionLibrary(CProjPath& proj) {
    SectionLibrary s;
    CTvarsnitt lib(&proj);
    s.present = platform::access(lib.IndexPath(), 0) == 0;
    if (!s.present)
        return s;
    s.result = lib.InitReadOnly();
    if (lib.Home() == 0) {
        do {
            tvtytype t = *lib.Get_aktel();
            t.pKoord = nullptr;
            s.types.push_back(t);
        } while (lib++);
    }
    return s;
}

std::unique_ptr<Alignment> loadAlignment(CProjPath& proj, const std::string& name) {
    auto a = std::make_unique<Alignment>();
    a->name = name;
    a->path = proj.DataPath(name.c_str()).str();
    a->present = platform::access(a->path.c_str(), 0) == 0;
    if (a->present) {
        a->loaded = a->line.Init(a->path.c_str()) == 0;
        a->error = a->line.errorText();
    }
    return a;
}

std::string tunnelAlignmentName(const dbstype& rec) {
    const std::string text = upper(field(rec.text));
    return text.find(".VL") == std::string::npos ? std::string() : text;
}

bool readTunnel(CProjPath& proj, const dbstype& rec, Tunnel& t) {
    CTunDbs d(&proj, terminatedField(rec.filnamn).c_str());
    t.odbPath = d.Sokvag(".ODB").str();
    t.present = platform::access(t.odbPath.c_str(), 0) == 0;
    if (!t.present || d.InitReadOnly() != 0)
        return false;
    t.read = true;
    t.head = d.m_hd;
    t.version = d.m_version;
    if (d.Home() == 0) {
        do {
            t.records.push_back(*d.Get_aktel());
        } while (d++);
    }
    for (const todbtype& r : t.records)
        if (r.typ == 7)
            t.positions.push_back(r);
    // By chainage; a chainage that is not a number goes last (and gets no geometry).
    std::stable_sort(t.positions.begin(), t.positions.end(),
                     [](const todbtype& a, const todbtype& b) {
                         return a.sekt < b.sekt || (!std::isnan(a.sekt) && std::isnan(b.sekt));
                     });
    return true;
}

std::vector<std::string> tunnelCountDamage(const tunhdtype& head, int records, int positions) {
    std::vector<std::string> out;
    if (head.antal[0] != records)
        out.push_back("the head counts " + std::to_string(head.antal[0]) +
                      " records, the file holds " + std::to_string(records));
    if (head.antal[7] != positions)
        out.push_back("the head counts " + std::to_string(head.antal[7]) +
                      " positions, the file holds " + std::to_string(positions));
    return out;
}

void reportTunnelDamage(const std::string& cmd, const char* odbPath, const tunhdtype& head,
                        int records, int positions) {
    for (const std::string& what : tunnelCountDamage(head, records, positions))
        reportDamaged(cmd, userPath(odbPath), what);
}

void reportTunnelDamage(const std::string& cmd, const Tunnel& t) {
    reportTunnelDamage(cmd, t.odbPath.c_str(), t.head, static_cast<int>(t.records.size()),
                       static_cast<int>(t.positions.size()));
}

std::vector<TunnelStretch> tunnelStretches(const Tunnel& t, const SectionLibrary& lib) {
    std::vector<TunnelStretch> out;
    for (size_t i = 0; i < t.positions.size(); ++i) {
        const todbtype& p = t.positions[i];
        const double to = i + 1 < t.positions.size() ? t.positions[i + 1].sekt : p.sekt;
        const std::string name = field(p.tvnamn);
        out.push_back({p.sekt, to, name, lib.find(name)});
    }
    return out;
}

TunnelShape tunnelShape(const Tunnel& t, const std::vector<TunnelStretch>& stretches,
                        Alignment* alignment, double tolerance) {
    TunnelShape s;
    if (t.positions.empty()) {
        s.missing = "no positions";
        return s;
    }
    if (!alignment) {
        s.missing = "no alignment named";
        return s;
    }
    if (!alignment->present) {
        s.missing = "alignment file missing";
        return s;
    }
    if (!alignment->loaded) {
        s.missing = "alignment file not readable";
        return s;
    }
    CVaglinje& line = alignment->line;
    // Positions whose chainage is not a number (sorted last) have no place on the line.
    double last = t.positions.front().sekt;
    for (const todbtype& p : t.positions)
        if (p.sekt >= last)
            last = p.sekt;
    s.from = std::max(t.positions.front().sekt, line.startChainage());
    s.to = std::min(last, line.endChainage());
    s.centre = alongAlignment(line, s.from, s.to, 0, tolerance);
    if (s.centre.empty()) {
        s.missing = "positions off the alignment";
        return s;
    }
    std::vector<GridPt> left, right;
    auto close = [&] {
        std::vector<GridPt> ring = left;
        for (auto it = right.rbegin(); it != right.rend(); ++it)
            append(ring, *it);
        size_t distinct = ring.size();
        if (distinct > 1 && std::hypot(ring.front().x - ring.back().x,
                                       ring.front().y - ring.back().y) <= kSamePoint)
            --distinct;
        if (distinct >= 3) {
            if (distinct < ring.size())
                ring.pop_back();
            ring.push_back(ring.front());
            s.outlines.push_back(ring);
        }
        left.clear();
        right.clear();
    };
    for (const TunnelStretch& st : stretches) {
        std::vector<GridPt> l, r;
        if (st.type) {
            l = alongAlignment(line, st.from, st.to, -st.type->xmin, tolerance);
            r = alongAlignment(line, st.from, st.to, -st.type->xmax, tolerance);
        }
        if (l.empty() || r.empty()) {
            close();
            continue;
        }
        for (const GridPt& p : l)
            append(left, p);
        for (const GridPt& p : r)
            append(right, p);
    }
    close();
    return s;
}

std::string chainageText(double chainage) {
    const double a = std::round(std::fabs(chainage) * 1000) / 1000;
    const double km = std::floor(a / 1000);
    char metres[32];
    std::snprintf(metres, sizeof metres, "%07.3f", a - km * 1000);
    std::string m = metres;
    while (m.back() == '0')
        m.pop_back();
    if (m.back() == '.')
        m.pop_back();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%.0f/%s", chainage < 0 && a > 0 ? "-" : "", km, m.c_str());
    return buf;
}

} // namespace cli
