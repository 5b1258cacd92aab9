// harn draw DIR [-o FILE.svg] [--width PX] [--type T] [--no-labels]: a plan of the project
// as SVG, north up: in the project's grid x runs north (up) and y east (right). Tunnels are
// drawn as their outline along their alignment (the lateral extents of their cross-section
// types) with the centre line and chainage ticks; alignments as their centre line with ticks.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/DrawLabels.h"
#include "cli/DrawLog.h"
#include "cli/DrawSvg.h"
#include "cli/DrawTunnel.h"
#include "cli/Picture.h"
#include "cli/PlanFrame.h"
#include "cli/PlanMarks.h"
#include "cli/TunnelGeometry.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

struct Pt {
    double x, y; // plan position: x east, y north
};

// The project grid is Swedish: x runs north and y east (an azimuth of 0 adds to x), so a
// grid point (x, y) lies at east = y, north = x on the plan.
Pt plan(double gridX, double gridY) {
    return {gridY, gridX};
}

// How an object is drawn; also the order of the layers (extents below, points on top).
enum class Kind { Rect, Polygon, Path, Polyline, Hole, Cross };

struct Style {
    int order;         // place in the legend
    std::string key;   // legend entry this object belongs to
    std::string label; // text of the legend entry
    Kind kind;
    const char* colour;
    const char* dash; // stroke-dasharray, or null
};

// A chainage tick of a tunnel or an alignment, in plan metres.
struct Tick {
    long long step; // the chainage is step times the item's tick base
    Pt centre;
    Pt normal;           // unit vector to the alignment's left
    bool across = false; // a tunnel's tick runs across its outline, from `left` to `right`
    Pt left{}, right{};
};

struct Item {
    int typ = 0;
    std::string id;   // UTF-8
    std::string note; // extra words for the tooltip
    Style style{};
    // World coordinates. Rect: two corners; Hole: top (and bottom); Path: the centre line.
    std::vector<Pt> pts;
    std::vector<std::vector<Pt>> rings; // Path: closed outlines
    std::vector<Tick> ticks;            // Path: every tickBase metres of chainage
    double tickBase = 0;
    std::string alignment; // Path: the alignment the chainage belongs to (CP1252)
    std::string depth;     // a borehole's label adds its length along the hole
};

const char* const kMethods[6] = {"KR", "SP", "FP", "KV", "JG", "LI"};
const char* const kMethodColours[6] = {"#1f77b4", "#2ca02c", "#ff7f0e",
                                       "#9467bd", "#17becf", "#e377c2"};
const char* const kOutcropColour = "#a6761d";

std::string methodName(int metod) {
    return metod >= 0 && metod < 6 ? kMethods[metod] : "method " + std::to_string(metod);
}
const char* methodColour(int metod) {
    return metod >= 0 && metod < 6 ? kMethodColours[metod] : "#7f7f7f";
}

bool finite(const Pt& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The record's plan extent as two corners.
std::vector<Pt> extentOf(const dbstype& r) {
    return {plan(r.x, r.y), plan(r.x + r.dx, r.y + r.dy)};
}

Item lineItem(CProjPath& proj, const dbstype& r, Item item) {
    CLinjeData l(&proj, cli::terminatedField(r.filnamn).c_str(), -1);
    const int read = l.Init(1);
    if (read == 0 && l.Home() == 0) {
        do {
            const lintype* p = l.Get_aktel();
            item.pts.push_back(plan(p->x, p->y));
        } while (l++);
        const std::string m = methodName(l.m_metod);
        item.style = {l.m_metod >= 0 && l.m_metod < 6 ? 51 + l.m_metod : 57,
                      "line-" + m,
                      "line " + m,
                      Kind::Polyline,
                      methodColour(l.m_metod),
                      nullptr};
        return item;
    }
    // No file (or no points): the record's extent, in the colour of its method flag. A file
    // that is there but could not be read fails the command.
    if (read != 0)
        cli::reportUnread("draw",
                          proj.DataPath((cli::terminatedField(r.filnamn) + ".LJE").c_str()));
    const int metod = r.flagg & 0x40 ? CLinjeData::KR : r.flagg & 0x80 ? CLinjeData::SP : -1;
    const std::string m = metod < 0 ? "" : std::string(" ") + kMethods[metod];
    item.style = {58,         "line-extent" + m,   "line" + m + ", no points (extent)",
                  Kind::Rect, methodColour(metod), "5 3"};
    item.note = "no points read";
    item.pts = extentOf(r);
    return item;
}

Item outcropItem(CProjPath& proj, const dbstype& r, Item item) {
    CHellar h(&proj, cli::terminatedField(r.filnamn).c_str());
    CHkolista* punkter = nullptr;
    const int read = h.Init();
    if (read == 0 && h.Home() == 0)
        punkter = h.Get_aktel()->pPunkter;
    if (punkter && punkter->Home() == 0) {
        do {
            const kokotype* p = punkter->Get_aktel();
            item.pts.push_back(plan(p->x, p->y));
        } while ((*punkter)++);
        item.style = {20, "outcrop", "outcrop", Kind::Polygon, kOutcropColour, nullptr};
        return item;
    }
    if (read != 0)
        cli::reportUnread("draw",
                          proj.DataPath((cli::terminatedField(r.filnamn) + ".LAD").c_str()));
    item.style = {21,         "outcrop-extent", "outcrop, no outline (extent)",
                  Kind::Rect, kOutcropColour,   "5 3"};
    item.note = "no outline read";
    item.pts = extentOf(r);
    return item;
}

Pt plan(const cli::GridPt& p) {
    return plan(p.x, p.y);
}

std::vector<Pt> planLine(const std::vector<cli::GridPt>& line) {
    std::vector<Pt> out;
    for (const cli::GridPt& p : line)
        out.push_back(plan(p));
    return out;
}

// Ticks are kept every 10 m of chainage (every 100 m, 1 km, ... on lines so long that there
// would be more than this many); the drawing shows those of a round interval that suits its
// scale.
constexpr double kMaxTickCandidates = 2000;

// The type of the stretch that holds `chainage`: the last one starting at or before it.
const tvtytype* typeAt(const std::vector<cli::TunnelStretch>& stretches, double chainage) {
    const tvtytype* type = nullptr;
    for (const cli::TunnelStretch& s : stretches)
        if (s.from <= chainage)
            type = s.type;
    return type;
}

void addTicks(Item& item, CVaglinje& line, double from, double to,
              const std::vector<cli::TunnelStretch>* stretches) {
    double base = 10;
    while ((to - from) / base > kMaxTickCandidates)
        base *= 10;
    item.tickBase = base;
    for (long long k = static_cast<long long>(std::ceil(from / base)); k * base <= to; ++k) {
        const double s = static_cast<double>(k) * base;
        cli::GridPt c, n;
        if (line.Vag2xy(s, 0, &c.x, &c.y) != 0 || !cli::leftNormal(line, s, &n))
            continue;
        Tick t{k, plan(c), plan(n)};
        const tvtytype* type = stretches ? typeAt(*stretches, s) : nullptr;
        cli::GridPt l, r;
        if (type && line.Vag2xy(s, -type->xmin, &l.x, &l.y) == 0 &&
            line.Vag2xy(s, -type->xmax, &r.x, &r.y) == 0) {
            t.across = true;
            t.left = plan(l);
            t.right = plan(r);
        }
        item.ticks.push_back(t);
    }
}

const char* const kTunnelColour = "#6a3d9a";
const char* const kAlignmentColour = "#1b7837";

// A tunnel: its outline and centre line along its alignment, or without those its extent.
Item tunnelItem(cli::TunnelSources& src, const dbstype& r, Item item) {
    cli::Tunnel t;
    const std::string name = cli::tunnelAlignmentName(r);
    std::string missing;
    if (!cli::readTunnel(src.proj, r, t)) {
        missing = t.present ? "tunnel database not readable" : "no tunnel database";
        if (t.present)
            cli::reportUnread("draw", t.odbPath.c_str());
    } else {
        cli::reportTunnelDamage("draw", t);
        cli::Alignment* a = name.empty() ? nullptr : &src.alignment(name);
        const std::vector<cli::TunnelStretch> stretches = cli::tunnelStretches(t, src.library());
        const cli::TunnelShape shape = cli::tunnelShape(t, stretches, a);
        missing = shape.missing;
        if (missing.empty()) {
            if (shape.outlines.empty())
                item.style = {
                    11,         "tunnel-centre", "tunnel, centre line only (types unknown)",
                    Kind::Path, kTunnelColour,   nullptr};
            else
                item.style = {10,         "tunnel",      "tunnel (outline along its alignment)",
                              Kind::Path, kTunnelColour, nullptr};
            item.pts = planLine(shape.centre);
            for (const std::vector<cli::GridPt>& ring : shape.outlines)
                item.rings.push_back(planLine(ring));
            item.alignment = name;
            addTicks(item, a->line, shape.from, shape.to, &stretches);
            item.note = "chainage " + cli::chainageText(shape.from) + " to " +
                        cli::chainageText(shape.to) + " along " + cli::toUtf8(name.c_str());
            return item;
        }
    }
    item.style = {12,         "tunnel-extent", "tunnel without geometry (extent)",
                  Kind::Rect, kTunnelColour,   "8 4"};
    item.note = missing;
    item.pts = extentOf(r);
    return item;
}

// An alignment with a loadable file: its centre line; otherwise its extent.
Item alignmentItem(cli::TunnelSources& src, const dbstype& r, Item item) {
    const std::string name = cli::terminatedField(r.id);
    cli::Alignment& a = src.alignment(name);
    if (a.loaded) {
        CVaglinje& line = a.line;
        item.style = {60,         "alignment",      "alignment (centre line)",
                      Kind::Path, kAlignmentColour, "12 4 2 4"};
        item.pts = planLine(cli::alongAlignment(line, line.startChainage(), line.endChainage(), 0));
        item.alignment = name;
        addTicks(item, line, line.startChainage(), line.endChainage(), nullptr);
        item.note = "chainage " + cli::chainageText(line.startChainage()) + " to " +
                    cli::chainageText(line.endChainage());
        return item;
    }
    item.style = {61,         "alignment-extent", "alignment without geometry (extent)",
                  Kind::Rect, kAlignmentColour,   "12 4 2 4"};
    item.note = a.present ? "geometry file not readable" : "no geometry file";
    if (a.present)
        cli::reportUnread("draw", a.path.c_str(), cli::toUtf8(a.error.c_str()));
    item.pts = extentOf(r);
    return item;
}

Item itemFor(cli::TunnelSources& src, const dbstype& r) {
    CProjPath& proj = src.proj;
    Item item;
    item.typ = r.typ;
    item.id = cli::toUtf8(cli::terminatedField(r.id).c_str());
    switch (r.typ) {
    case 1:
        return tunnelItem(src, r, item);
    case 2:
        return outcropItem(proj, r, item);
    case 3:
        item.style = {30, "borehole", "borehole", Kind::Hole, "#d62728", nullptr};
        item.pts = {plan(r.x, r.y)};
        // dx and dy run from the top of the hole to its bottom. A vertical hole's are zero up
        // to rounding (cos 90 degrees), so less than a millimetre counts as vertical.
        if (std::hypot(r.dx, r.dy) >= 0.001)
            item.pts.push_back(plan(r.x + r.dx, r.y + r.dy));
        if (const double len = std::sqrt(r.dx * r.dx + r.dy * r.dy + r.dz * r.dz);
            std::isfinite(len) && len >= 0.05 && len < 1e6) {
            char text[32];
            std::snprintf(text, sizeof text, " %.1f m", len);
            item.depth = text;
        }
        break;
    case 4:
        item.style = {40, "point", "point", Kind::Cross, "#222222", nullptr};
        item.pts = {plan(r.x, r.y)};
        break;
    case 5:
        return lineItem(proj, r, item);
    case 6:
        return alignmentItem(src, r, item);
    default:
        item.style = {70 + r.typ,
                      "typ" + std::to_string(r.typ),
                      cli::typeName(r.typ) + " (extent)",
                      Kind::Rect,
                      "#999999",
                      "2 3"};
        item.pts = extentOf(r);
    }
    return item;
}

// Sizes of the picture, in pixels.
constexpr double kMargin = 20;
constexpr double kHeader = 64;
constexpr double kInner = 28; // between the frame and the drawing
constexpr double kLabelFont = 11;
constexpr double kSymbol = 5; // half size of crosses and borehole circles

struct View {
    double xmin, ymax, scale, left, top;
    Pt map(const Pt& p) const { return {left + (p.x - xmin) * scale, top + (ymax - p.y) * scale}; }
};

// Stroke attributes of a style.
void stroke(cli::SvgWriter& svg, const Style& st) {
    svg.attr("stroke", st.colour);
    if (st.dash)
        svg.attr("stroke-dasharray", st.dash);
}

// Appends "x,y" to `out`. Texts are appended rather than added to a literal in front
// ("M" + text): g++ 12 reports a false -Wrestrict overlap on the latter at -O3.
void appendPoint(std::string& out, double x, double y) {
    out += cli::pixels(x);
    out += ',';
    out += cli::pixels(y);
}

void cross(cli::SvgWriter& svg, const Pt& p, double r, const char* colour) {
    std::string d = "M";
    appendPoint(d, p.x - r, p.y - r);
    d += 'L';
    appendPoint(d, p.x + r, p.y + r);
    d += 'M';
    appendPoint(d, p.x - r, p.y + r);
    d += 'L';
    appendPoint(d, p.x + r, p.y - r);
    svg.start("path").attr("d", d).attr("stroke", colour).attr("stroke-width", "1.5").end();
}

void rect(cli::SvgWriter& svg, const Pt& a, const Pt& b) {
    svg.start("rect")
        .attr("x", std::min(a.x, b.x))
        .attr("y", std::min(a.y, b.y))
        .attr("width", std::fabs(b.x - a.x))
        .attr("height", std::fabs(b.y - a.y));
}

// The shapes of one object (pixel points `px`).
void drawShapes(cli::SvgWriter& svg, const Style& st, const std::vector<Pt>& px) {
    switch (st.kind) {
    case Kind::Rect:
        rect(svg, px[0], px[1]);
        svg.attr("fill", "none").attr("stroke-width", "1.5");
        stroke(svg, st);
        svg.end();
        break;
    case Kind::Polygon:
    case Kind::Polyline: {
        if (px.size() == 1) {
            svg.start("circle").attr("cx", px[0].x).attr("cy", px[0].y).attr("r", 2.5);
            svg.attr("fill", st.colour).end();
            break;
        }
        std::string pts;
        for (const Pt& p : px) {
            if (!pts.empty())
                pts += ' ';
            appendPoint(pts, p.x, p.y);
        }
        const bool polygon = st.kind == Kind::Polygon && px.size() >= 3;
        svg.start(polygon ? "polygon" : "polyline").attr("points", pts);
        if (polygon)
            svg.attr("fill", st.colour).attr("fill-opacity", "0.35").attr("stroke-width", "1");
        else
            svg.attr("fill", "none").attr("stroke-width", "2").attr("stroke-linejoin", "round");
        stroke(svg, st);
        svg.end();
        break;
    }
    case Kind::Hole:
        if (px.size() > 1)
            svg.start("line")
                .attr("x1", px[0].x)
                .attr("y1", px[0].y)
                .attr("x2", px[1].x)
                .attr("y2", px[1].y)
                .attr("stroke", st.colour)
                .attr("stroke-width", "2")
                .end();
        svg.start("circle")
            .attr("cx", px[0].x)
            .attr("cy", px[0].y)
            .attr("r", kSymbol - 1)
            .attr("fill", "white")
            .attr("stroke", st.colour)
            .attr("stroke-width", "2")
            .end();
        break;
    case Kind::Cross:
        cross(svg, px[0], kSymbol - 1, st.colour);
        break;
    case Kind::Path: // drawPath
        break;
    }
}

// Ticks are at least this far apart (pixels) and stand out this far from the line, or from a
// tunnel's outline.
constexpr double kTickSpacing = 40;
constexpr double kTick = 5;
constexpr double kTickOver = 3;
constexpr double kChainageFont = 9;

// The round interval (1, 2 or 5 times a power of ten, a multiple of `base`) of the ticks
// drawn at `scale` pixels per metre.
double tickInterval(double base, double scale) {
    for (double p = base; p < 1e12; p *= 10)
        for (double m : {1.0, 2.0, 5.0})
            if (m * p * scale >= kTickSpacing)
                return m * p;
    return 1e12;
}

// A tick in pixels: from `a` on the left of the line to `b` on its right.
struct TickPx {
    Pt a, b;
    double chainage;
};

std::vector<TickPx> tickPixels(const Item& it, const View& view) {
    std::vector<TickPx> out;
    if (it.ticks.empty())
        return out;
    const long long every = std::llround(tickInterval(it.tickBase, view.scale) / it.tickBase);
    for (const Tick& t : it.ticks) {
        if (t.step % every != 0)
            continue;
        const Pt c = view.map(t.centre);
        const Pt e = view.map({t.centre.x + t.normal.x, t.centre.y + t.normal.y});
        const double len = std::hypot(e.x - c.x, e.y - c.y);
        if (!(len > 0))
            continue;
        const double dx = (e.x - c.x) / len, dy = (e.y - c.y) / len;
        double hi = kTick, lo = -kTick;
        if (t.across) {
            // Across the outline, wherever its sides lie, and a little beyond.
            hi = lo = 0;
            for (const Pt& side : {view.map(t.left), view.map(t.right)}) {
                const double d = (side.x - c.x) * dx + (side.y - c.y) * dy;
                hi = std::max(hi, d);
                lo = std::min(lo, d);
            }
            hi += kTickOver;
            lo -= kTickOver;
        }
        out.push_back({{c.x + hi * dx, c.y + hi * dy},
                       {c.x + lo * dx, c.y + lo * dy},
                       static_cast<double>(t.step) * it.tickBase});
    }
    return out;
}

std::string pointList(const std::vector<Pt>& px) {
    std::string pts;
    for (const Pt& p : px)
        pts += (pts.empty() ? "" : " ") + cli::pixels(p.x) + "," + cli::pixels(p.y);
    return pts;
}

// A tunnel or an alignment: outlines, centre line, ticks.
void drawPath(cli::SvgWriter& svg, const Style& st, const std::vector<Pt>& centre,
              const std::vector<std::vector<Pt>>& rings, const std::vector<TickPx>& ticks) {
    const bool tunnel = !rings.empty() || st.key.rfind("tunnel", 0) == 0;
    for (const std::vector<Pt>& ring : rings) {
        if (ring.size() < 3)
            continue;
        svg.start("polygon")
            .attr("class", "outline")
            .attr("points", pointList(ring))
            .attr("fill", st.colour)
            .attr("fill-opacity", "0.25")
            .attr("stroke", st.colour)
            .attr("stroke-width", "1.5")
            .attr("stroke-linejoin", "round")
            .end();
    }
    if (centre.size() == 1) {
        svg.start("circle").attr("cx", centre[0].x).attr("cy", centre[0].y).attr("r", 2.5);
        svg.attr("fill", st.colour).end();
    } else if (centre.size() > 1) {
        svg.start("polyline")
            .attr("class", "centre-line")
            .attr("points", pointList(centre))
            .attr("fill", "none")
            .attr("stroke", st.colour)
            .attr("stroke-width", tunnel ? "1" : "1.5");
        if (const char* dash = tunnel ? "10 3 2 3" : st.dash)
            svg.attr("stroke-dasharray", dash);
        svg.end();
    }
    if (!ticks.empty()) {
        std::string d;
        for (const TickPx& t : ticks)
            d += "M" + cli::pixels(t.a.x) + "," + cli::pixels(t.a.y) + "L" + cli::pixels(t.b.x) +
                 "," + cli::pixels(t.b.y);
        svg.start("path")
            .attr("class", "ticks")
            .attr("d", d)
            .attr("stroke", st.colour)
            .attr("stroke-width", "1")
            .end();
    }
}

// The legend's small picture of a style, in a 24 x 12 box at (x, y).
void swatch(cli::SvgWriter& svg, const Style& st, double x, double y) {
    switch (st.kind) {
    case Kind::Rect:
    case Kind::Polygon:
        rect(svg, {x + 1, y + 1}, {x + 23, y + 11});
        if (st.kind == Kind::Polygon)
            svg.attr("fill", st.colour).attr("fill-opacity", "0.35");
        else
            svg.attr("fill", "none");
        svg.attr("stroke-width", "1.5");
        stroke(svg, st);
        svg.end();
        break;
    case Kind::Polyline:
        drawShapes(svg, st, {{x, y + 10}, {x + 8, y + 3}, {x + 16, y + 9}, {x + 24, y + 2}});
        break;
    case Kind::Path:
        if (st.key == "tunnel")
            drawPath(svg, st, {{x, y + 6}, {x + 24, y + 6}},
                     {{{x, y + 1}, {x + 24, y + 1}, {x + 24, y + 11}, {x, y + 11}, {x, y + 1}}},
                     {{{x + 12, y - 1}, {x + 12, y + 13}, 0}});
        else
            drawPath(
                svg, st, {{x, y + 6}, {x + 24, y + 6}}, {},
                {{{x + 6, y + 1}, {x + 6, y + 11}, 0}, {{x + 18, y + 1}, {x + 18, y + 11}, 0}});
        break;
    case Kind::Hole:
        drawShapes(svg, st, {{x + 8, y + 4}, {x + 20, y + 11}});
        break;
    case Kind::Cross:
        cross(svg, {x + 12, y + 6}, kSymbol - 1, st.colour);
        break;
    }
}

std::string plural(size_t n, const std::string& word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

struct PlanOptions {
    std::set<int> types; // empty: every type
    double width = 1000;
    bool labels = true;
    std::optional<cli::PlanExtent> bbox; // plan metres
};

// A place in the project's grid for a note (x north, y east): the object's first point.
std::string gridPlace(const Item& it, const cli::PlanExtent& e) {
    const Pt p = !it.pts.empty()                             ? it.pts[0]
                 : !it.rings.empty() && !it.rings[0].empty() ? it.rings[0][0]
                                                             : Pt{e.cx(), e.cy()};
    auto shortText = [](double v) {
        char buf[40];
        std::snprintf(buf, sizeof buf, std::fabs(v) < 1e9 ? "%.2f" : "%g", v);
        return std::string(buf);
    };
    return "x " + shortText(p.y) + ", y " + shortText(p.x);
}

std::string drawPlan(CHarnDbs& dbs, CProjPath& proj, const PlanOptions& opt) {
    const double width = opt.width;
    const bool labels = opt.labels;
    std::vector<Item> items;
    cli::TunnelSources sources(proj);
    if (dbs.Home() == 0) {
        do {
            const dbstype& r = *dbs.Get_aktel();
            if (r.typ != 0 && (opt.types.empty() || opt.types.count(r.typ)))
                items.push_back(itemFor(sources, r));
        } while (dbs++);
    }
    // Extent of each object; coordinates that are not numbers are left out.
    std::vector<std::optional<cli::PlanExtent>> extents;
    auto notFinite = [](const Pt& p) { return !finite(p); };
    for (Item& it : items) {
        std::erase_if(it.pts, notFinite);
        if (it.style.kind == Kind::Rect && it.pts.size() != 2)
            it.pts.clear();
        for (std::vector<Pt>& ring : it.rings)
            std::erase_if(ring, notFinite);
        std::erase_if(it.ticks, [](const Tick& t) {
            return !finite(t.centre) || !finite(t.normal) ||
                   (t.across && (!finite(t.left) || !finite(t.right)));
        });
        std::optional<cli::PlanExtent> e;
        auto add = [&e](const Pt& p) {
            if (!e)
                e = cli::PlanExtent{p.x, p.y, p.x, p.y};
            e = cli::PlanExtent{std::min(e->x1, p.x), std::min(e->y1, p.y), std::max(e->x2, p.x),
                                std::max(e->y2, p.y)};
        };
        for (const std::vector<Pt>& points : it.rings)
            std::for_each(points.begin(), points.end(), add);
        std::for_each(it.pts.begin(), it.pts.end(), add);
        extents.push_back(e);
    }
    // The frame: the investigated area, or the box asked for. Objects far from the others
    // are drawn as far as they reach into it and named in a note; objects with coordinates
    // beyond any grid are not drawn, only named.
    cli::PlanFrame pf = cli::robustFrame(extents);
    std::vector<std::string> notes;
    if (opt.bbox) {
        pf.box = *opt.bbox;
        pf.empty = false;
        pf.far.clear();
        size_t outside = 0;
        for (size_t i = 0; i < items.size(); ++i)
            outside +=
                extents[i] && !extents[i]->intersects(*opt.bbox) &&
                        std::find(pf.invalid.begin(), pf.invalid.end(), i) == pf.invalid.end()
                    ? 1
                    : 0;
        if (outside)
            notes.push_back(plural(outside, "object") + " outside the box");
    }
    std::string farNames, badNames;
    for (size_t i : pf.far) {
        const double dx = extents[i]->cx() - (pf.box.x1 + pf.box.x2) / 2;
        const double dy = extents[i]->cy() - (pf.box.y1 + pf.box.y2) / 2;
        farNames += (farNames.empty() ? "" : "; ") + items[i].id + " (" +
                    cli::typeName(items[i].typ) + ", " +
                    cli::number(std::round(std::hypot(dx, dy))) + " m " + cli::compassWord(dx, dy) +
                    ")";
    }
    for (size_t i : pf.invalid) {
        badNames += (badNames.empty() ? "" : "; ") + items[i].id + " (" +
                    gridPlace(items[i], *extents[i]) + ")";
        items[i].pts.clear();
        items[i].rings.clear();
        items[i].ticks.clear();
    }
    if (!farNames.empty())
        notes.push_back("Far from the others, outside the frame: " + farNames);
    if (!badNames.empty())
        notes.push_back("Not drawn, coordinates beyond any grid: " + badNames);
    double xmin = pf.box.x1, xmax = pf.box.x2, ymin = pf.box.y1, ymax = pf.box.y2;
    const bool empty = pf.empty;
    const double mapW = width - 2 * kMargin;
    const double drawW = mapW - 2 * kInner;
    View view{0, 0, 1, 0, 0};
    double mapH = std::round(width / 2);
    if (!empty) {
        // A little room around the objects (a single point gets a few metres); none around a
        // box asked for.
        const double pad =
            opt.bbox ? 0.0 : std::max(0.04 * std::max(xmax - xmin, ymax - ymin), 5.0);
        xmin -= pad;
        xmax += pad;
        ymin -= pad;
        ymax += pad;
        // Fit the width; a very tall project is limited to twice the width in height.
        const double maxH = 2 * width;
        const double scale = std::min(drawW / (xmax - xmin), maxH / (ymax - ymin));
        const double drawH = (ymax - ymin) * scale;
        mapH = drawH + 2 * kInner;
        view = {xmin, ymax, scale, kMargin + kInner + (drawW - (xmax - xmin) * scale) / 2,
                kHeader + kInner};
    }
    const cli::Box frame{kMargin, kHeader, kMargin + mapW, kHeader + mapH};

    // Legend entries in order of type, each once.
    std::vector<const Item*> legend;
    for (const Item& it : items) {
        bool seen = false;
        for (const Item* l : legend)
            seen = seen || l->style.key == it.style.key;
        if (!seen && !it.pts.empty())
            legend.push_back(&it);
    }
    std::stable_sort(legend.begin(), legend.end(), [](const Item* a, const Item* b) {
        return a->style.order != b->style.order ? a->style.order < b->style.order
                                                : a->style.key < b->style.key;
    });
    const double rowH = 20;
    const double footerTop = frame.y2 + 14;
    std::vector<Pt> legendAt; // top left of each entry
    const double notesTop = footerTop + (empty ? 0 : 34);
    double lx = kMargin, ly = notesTop + 16 * static_cast<double>(notes.size());
    for (const Item* it : legend) {
        const double w = 30 + cli::textWidth(it->style.label, 11) + 16;
        if (lx > kMargin && lx + w > width - kMargin) {
            lx = kMargin;
            ly += rowH;
        }
        legendAt.push_back({lx, ly});
        lx += w;
    }
    const double height = std::ceil(legend.empty() ? (empty ? frame.y2 : footerTop + 34) + kMargin +
                                                         16 * static_cast<double>(notes.size())
                                                   : ly + rowH + 8);

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    cli::SvgWriter svg(out);
    svg.start("svg")
        .attr("xmlns", "http://www.w3.org/2000/svg")
        .attr("width", width)
        .attr("height", height)
        .attr("viewBox", "0 0 " + cli::pixels(width) + " " + cli::pixels(height))
        .attr("font-family", "DejaVu Sans, Arial, Helvetica, sans-serif");
    const std::string name = cli::toUtf8(cli::terminatedField(dbs.m_hd.projnamn).c_str());
    svg.start("title").text(name).end();
    svg.start("rect").attr("width", "100%").attr("height", "100%").attr("fill", "white").end();

    const std::string riktning = cli::toUtf8(cli::terminatedField(dbs.m_hd.riktning).c_str());
    // Everything inside the frame is clipped to it.
    svg.start("defs");
    svg.start("clipPath").attr("id", "plan-frame");
    rect(svg, {frame.x1, frame.y1}, {frame.x2, frame.y2});
    svg.end();
    svg.end();
    svg.end();

    // Title, what is shown, north arrow.
    svg.start("g").attr("class", "title");
    drawingTitle(svg, kMargin, name);
    std::string what = plural(items.size(), "object");
    if (opt.types.size() == 1)
        what = plural(items.size(), cli::typeName(*opt.types.begin()));
    svg.start("text")
        .attr("x", kMargin)
        .attr("y", 50)
        .attr("font-size", 12)
        .attr("fill", "#555555")
        .text("Plan, " + what + "; grid " +
              cli::toUtf8(cli::terminatedField(dbs.m_hd.koordsys).c_str()) +
              (riktning == "NORR" ? ", x north, y east" : ", axis direction " + riktning))
        .end();
    svg.end();
    const double nx = width - kMargin - 12;
    svg.start("g").attr("class", "north-arrow");
    svg.start("text")
        .attr("x", nx)
        .attr("y", 18)
        .attr("font-size", 13)
        .attr("font-weight", "bold")
        .attr("text-anchor", "middle")
        .text("N")
        .end();
    svg.start("polygon")
        .attr("points", cli::pixels(nx) + ",22 " + cli::pixels(nx + 8) + ",54 " + cli::pixels(nx) +
                            ",47 " + cli::pixels(nx - 8) + ",54")
        .attr("fill", "#222222")
        .end();
    svg.end();

    svg.start("rect")
        .attr("class", "frame")
        .attr("x", frame.x1)
        .attr("y", frame.y1)
        .attr("width", mapW)
        .attr("height", mapH)
        .attr("fill", "none")
        .attr("stroke", "#888888")
        .attr("data-west", cli::number(view.xmin + (frame.x1 - view.left) / view.scale))
        .attr("data-east", cli::number(view.xmin + (frame.x2 - view.left) / view.scale))
        .attr("data-north", cli::number(view.ymax - (frame.y1 - view.top) / view.scale))
        .attr("data-south", cli::number(view.ymax - (frame.y2 - view.top) / view.scale))
        .attr("data-scale", cli::number(view.scale))
        .end();
    if (!empty)
        cli::drawGrid(svg, {view.xmin, view.ymax, view.scale, view.left, view.top}, frame.x1,
                      frame.y1, frame.x2, frame.y2, riktning);
    if (empty)
        svg.start("text")
            .attr("x", width / 2)
            .attr("y", frame.y1 + mapH / 2)
            .attr("font-size", 14)
            .attr("fill", "#888888")
            .attr("text-anchor", "middle")
            .text("no objects")
            .end();

    // Objects, extents at the bottom and points on top.
    std::vector<const Item*> order;
    for (const Item& it : items)
        order.push_back(&it);
    std::stable_sort(order.begin(), order.end(),
                     [](const Item* a, const Item* b) { return a->style.kind < b->style.kind; });
    cli::LabelPlacer placer({frame.x1 + 2, frame.y1 + 2, frame.x2 - 2, frame.y2 - 2});
    std::vector<std::vector<Pt>> pixelsOf(items.size());
    std::vector<std::vector<std::vector<Pt>>> ringsOf(items.size());
    std::vector<std::vector<TickPx>> ticksOf(items.size());
    for (size_t i : pf.far) {
        // Drawn as far as it reaches into the frame, unless so far that its pixels run away.
        bool tame = true;
        for (const Pt& p : items[i].pts)
            tame = tame && std::fabs(view.map(p).x) < 1e6 && std::fabs(view.map(p).y) < 1e6;
        for (const std::vector<Pt>& ring : items[i].rings)
            for (const Pt& p : ring)
                tame = tame && std::fabs(view.map(p).x) < 1e6 && std::fabs(view.map(p).y) < 1e6;
        if (!tame)
            items[i].pts.clear(), items[i].rings.clear(), items[i].ticks.clear();
    }
    for (size_t i = 0; i < items.size(); ++i) {
        for (const Pt& p : items[i].pts)
            pixelsOf[i].push_back(view.map(p));
        for (const std::vector<Pt>& ring : items[i].rings) {
            ringsOf[i].emplace_back();
            for (const Pt& p : ring)
                ringsOf[i].back().push_back(view.map(p));
            for (size_t j = 1; j < ring.size(); ++j)
                placer.addSegment(ringsOf[i].back()[j - 1].x, ringsOf[i].back()[j - 1].y,
                                  ringsOf[i].back()[j].x, ringsOf[i].back()[j].y, 0.5);
        }
        ticksOf[i] = tickPixels(items[i], view);
        for (const TickPx& t : ticksOf[i])
            placer.addSegment(t.a.x, t.a.y, t.b.x, t.b.y, 0.3);
        const std::vector<Pt>& px = pixelsOf[i];
        if (px.empty())
            continue;
        const Kind k = items[i].style.kind;
        if (k == Kind::Hole || k == Kind::Cross)
            placer.addBox(
                {px[0].x - kSymbol, px[0].y - kSymbol, px[0].x + kSymbol, px[0].y + kSymbol});
        std::vector<Pt> edges = px;
        if (k == Kind::Rect)
            edges = {px[0], {px[1].x, px[0].y}, px[1], {px[0].x, px[1].y}, px[0]};
        else if (k == Kind::Polygon && !px.empty())
            edges.push_back(px[0]);
        // Crossing an extent's dashed edge matters less than crossing a drawn line.
        const double weight = k == Kind::Rect ? 0.1 : 0.5;
        for (size_t j = 1; j < edges.size(); ++j)
            placer.addSegment(edges[j - 1].x, edges[j - 1].y, edges[j].x, edges[j].y, weight);
    }
    svg.start("g").attr("class", "objects").attr("clip-path", "url(#plan-frame)");
    for (const Item* it : order) {
        const std::string type = cli::typeName(it->typ);
        svg.start("g")
            .attr("class", "object " + it->style.key)
            .attr("data-id", it->id)
            .attr("data-type", type);
        svg.start("title")
            .text(it->id + " (" + it->style.label + (it->note.empty() ? "" : ", " + it->note) + ")")
            .end();
        const size_t i = static_cast<size_t>(it - items.data());
        if (it->style.kind == Kind::Path)
            drawPath(svg, it->style, pixelsOf[i], ringsOf[i], ticksOf[i]);
        else if (!pixelsOf[i].empty())
            drawShapes(svg, it->style, pixelsOf[i]);
        if (it->typ == 5 && it->style.kind == Kind::Polyline && pixelsOf[i].size() > 1) {
            std::vector<cli::Px> px;
            for (const Pt& p : pixelsOf[i])
                px.push_back({p.x, p.y});
            cli::drawLineMarks(svg, px, view.scale, it->style.colour);
        }
        svg.end();
    }
    svg.end();

    // Labels on top of everything, small symbols first (they have the fewest good places).
    if (labels) {
        svg.start("g")
            .attr("class", "labels")
            .attr("font-size", kLabelFont)
            .attr("fill", "#222222")
            .attr("stroke", "white")
            .attr("stroke-width", 3)
            .attr("stroke-linejoin", "round")
            .attr("paint-order", "stroke");
        std::vector<const Item*> byPriority(order.rbegin(), order.rend());
        for (const Item* it : byPriority) {
            const std::vector<Pt>& px = pixelsOf[static_cast<size_t>(it - items.data())];
            if (px.empty() || it->id.empty() || px[0].x < frame.x1 || px[0].x > frame.x2 ||
                px[0].y < frame.y1 || px[0].y > frame.y2)
                continue;
            const std::string label = it->id + it->depth;
            cli::Box anchor{px[0].x, px[0].y, px[0].x, px[0].y};
            const Kind k = it->style.kind;
            if (k == Kind::Hole || k == Kind::Cross)
                anchor = {px[0].x - kSymbol, px[0].y - kSymbol, px[0].x + kSymbol,
                          px[0].y + kSymbol};
            else if (k == Kind::Rect) { // the north-west corner
                const Pt nw{std::min(px[0].x, px[1].x), std::min(px[0].y, px[1].y)};
                anchor = {nw.x, nw.y, nw.x, nw.y};
            } else if (k == Kind::Polygon) {
                anchor = {px[0].x, px[0].y, px[0].x, px[0].y};
                for (const Pt& p : px)
                    anchor = {std::min(anchor.x1, p.x), std::min(anchor.y1, p.y),
                              std::max(anchor.x2, p.x), std::max(anchor.y2, p.y)};
            }
            const double w = cli::textWidth(label, kLabelFont);
            const cli::Box b = placer.place(anchor, w, kLabelFont * 1.25);
            svg.start("text")
                .attr("class", "label")
                .attr("x", b.x1)
                .attr("y", b.y2 - kLabelFont * 0.3)
                .text(label)
                .end();
        }
        svg.end();

        // Chainages after the identifiers: a tunnel's first, then those of alignments at
        // chainages that no tunnel along them has labelled already.
        svg.start("g")
            .attr("class", "chainage-labels")
            .attr("font-size", kChainageFont)
            .attr("fill", "#444444")
            .attr("stroke", "white")
            .attr("stroke-width", 2.5)
            .attr("stroke-linejoin", "round")
            .attr("paint-order", "stroke");
        std::set<std::pair<std::string, long long>> labelled;
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t i = 0; i < items.size(); ++i) {
                if ((items[i].typ == 1) != (pass == 0))
                    continue;
                for (const TickPx& t : ticksOf[i]) {
                    const long long mm = std::llround(t.chainage * 1000);
                    if (!labelled.insert({items[i].alignment, mm}).second)
                        continue;
                    const std::string text = cli::chainageText(t.chainage);
                    const cli::Box b =
                        placer.place({t.b.x, t.b.y, t.b.x, t.b.y},
                                     cli::textWidth(text, kChainageFont), kChainageFont * 1.25);
                    svg.start("text")
                        .attr("class", "chainage")
                        .attr("x", b.x1)
                        .attr("y", b.y2 - kChainageFont * 0.3)
                        .text(text)
                        .end();
                }
            }
        }
        svg.end();
    }

    if (!empty) // a round length near a fifth of the drawing
        cli::scaleBar(svg, kMargin, footerTop + 8, drawW, view.scale);
    if (!notes.empty()) {
        svg.start("g").attr("class", "notes").attr("font-size", 11).attr("fill", "#8a4b00");
        for (size_t i = 0; i < notes.size(); ++i)
            svg.start("text")
                .attr("class", "note")
                .attr("x", kMargin)
                .attr("y", notesTop + 12 + 16 * static_cast<double>(i))
                .text(notes[i])
                .end();
        svg.end();
    }
    if (!legend.empty()) {
        svg.start("g").attr("class", "legend").attr("font-size", 11);
        for (size_t i = 0; i < legend.size(); ++i) {
            swatch(svg, legend[i]->style, legendAt[i].x, legendAt[i].y + 2);
            svg.start("text")
                .attr("x", legendAt[i].x + 30)
                .attr("y", legendAt[i].y + 12)
                .text(legend[i]->style.label)
                .end();
        }
        svg.end();
    }
    svg.finish();
    return out;
}

int runDraw(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("draw");
    const bool tunnelDrawing = std::any_of(argsIn.begin(), argsIn.end(), [](const std::string& a) {
        return a == "--developed" || a == "--section" || a.rfind("--section=", 0) == 0;
    });
    if (!tunnelDrawing && cli::isLogRequest(argsIn))
        return cli::runDrawLogs(cmd, argsIn);
    std::vector<std::string> args = argsIn;
    const bool labels = !cli::takeFlag(args, "--no-labels");
    bool missing = false;
    const std::string output = cli::takeFileOption(args, "-o", missing);
    if (missing)
        return cli::usageError(cmd, "-o needs a file name");
    const std::string widthText = cli::takeOption(args, "--width", missing);
    if (missing)
        return cli::usageError(cmd, "--width needs a value");
    double width = 1000;
    if (!widthText.empty()) {
        size_t used = 0;
        int w = 0;
        try {
            w = std::stoi(widthText, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != widthText.size() || w < 200 || w > 20000)
            return cli::usageError(cmd, "--width takes a whole number of pixels, 200 to 20000");
        width = w;
    }
    if (tunnelDrawing)
        return cli::runTunnelDrawing(cmd, args, output, width);
    PlanOptions opt;
    opt.width = width;
    opt.labels = labels;
    const int typ = cli::takeTypeOption(args, cmd);
    if (typ < 0)
        return cli::kUsage;
    if (typ > 0)
        opt.types.insert(typ);
    const std::string only = cli::takeOption(args, "--only", missing);
    if (missing)
        return cli::usageError(cmd, "--only needs types, e.g. --only borehole,line");
    for (size_t start = 0; !only.empty() && start <= only.size();) {
        const size_t end = std::min(only.find(',', start), only.size());
        const int t = cli::parseType(only.substr(start, end - start));
        if (t == 0)
            return cli::usageError(cmd, "unknown type '" + only.substr(start, end - start) +
                                            "' in --only");
        opt.types.insert(t);
        start = end + 1;
    }
    const std::string bbox = cli::takeOption(args, "--bbox", missing);
    if (!bbox.empty() || missing) {
        // Grid coordinates x0,y0,x1,y1 (x north, y east).
        double v[4];
        char tail = 0;
        if (std::sscanf(bbox.c_str(), "%lf,%lf,%lf,%lf%c", &v[0], &v[1], &v[2], &v[3], &tail) !=
                4 ||
            !std::all_of(v, v + 4, [](double d) { return std::isfinite(d); }) || v[0] == v[2] ||
            v[1] == v[3])
            return cli::usageError(cmd, "--bbox takes x0,y0,x1,y1: two corners in the grid");
        opt.bbox = cli::PlanExtent{std::min(v[1], v[3]), std::min(v[0], v[2]), std::max(v[1], v[3]),
                                   std::max(v[0], v[2])};
    }
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;

    auto proj = cli::projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    if (cli::openDatabase(dbs, *proj, 1) != 0)
        return cli::kFailed;
    const std::string svg = drawPlan(dbs, *proj, opt);
    return cli::writePicture(cmd, output, svg) ? cli::kOk : cli::kFailed;
}

cli::CommandRegistrar reg("draw",
                          "harn draw DIR [-o FILE.svg|FILE.png] [--width PX] [--type T] "
                          "[--only T,T,...] [--bbox X0,Y0,X1,Y1] [--no-labels]\n       harn draw "
                          "DIR ID [ID...] [--ids ID,ID,...] "
                          "[-o FILE.svg|FILE.png]\n"
                          "       harn draw DIR ID (--section CHAINAGE [--within M] | --developed) "
                          "[-o FILE.svg|FILE.png] [--width PX]",
                          "draw a plan of the project, borehole logs, or a tunnel's cross-section "
                          "or developed surface, as SVG or PNG",
                          &runDraw);

} // namespace
