// The cross-section of a tunnel at one chainage, to scale: the outline of the type that
// applies there with its five zones in colour, the springing levels A and B, the points
// where the outline crosses them (the zone boundaries) and the bolts that stand at that
// chainage, drawn outwards from the outline with their length.
#include "cli/Cli.h"
#include "cli/DrawTunnel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cli {

namespace {

using tunneldraw::kHeader;
using tunneldraw::kMargin;
using tunneldraw::metres;

constexpr double kInner = 28;      // between the frame and the drawing
constexpr double kLevelLabel = 80; // room right of the outline for the level labels
constexpr double kBoltTick = 14;   // pixels of a bolt without a length
const char* const kBoltColour = "#b2182b";
const char* const kLevelColour = "#555555";

struct Px {
    double x, y;
};

} // namespace

std::string drawSection(const TunnelView& view, const TunnelSection& section, double chainage,
                        double width, double within) {
    const std::vector<tunnel::OutlinePoint>& pts = section.outline;

    // The bolts of this chainage and where they meet the outline.
    struct Bolt {
        const todbtype* rec;
        double x, y, nx, ny, length;
    };
    std::vector<Bolt> bolts;
    int beyond = 0;
    for (const todbtype& b : view.bolts.records) {
        if (!(std::fabs(b.sekt - chainage) <= within))
            continue;
        Bolt bolt{&b, 0, 0, 0, 0, std::max(0.0, boltLength(b))};
        if (pointAt(pts, developedCoordinate(b), bolt.x, bolt.y, bolt.nx, bolt.ny))
            bolts.push_back(bolt);
        else
            ++beyond;
    }

    // Extent of the outline, the bolts' ends and the springing levels.
    double xmin = std::numeric_limits<double>::max(), xmax = -xmin, ymin = xmin, ymax = -xmin;
    auto grow = [&](double x, double y) {
        xmin = std::min(xmin, x), xmax = std::max(xmax, x);
        ymin = std::min(ymin, y), ymax = std::max(ymax, y);
    };
    for (const tunnel::OutlinePoint& p : pts)
        grow(p.x, p.y);
    for (const Bolt& b : bolts)
        grow(b.x + b.nx * b.length, b.y + b.ny * b.length);
    if (section.typeFound) {
        grow(xmin, section.anfstart);
        grow(xmin, section.anfslut);
    }
    const double pad = std::max(0.05 * std::max(xmax - xmin, ymax - ymin), 0.5);
    xmin -= pad, xmax += pad, ymin -= pad, ymax += pad;

    const double mapW = width - 2 * kMargin;
    const double drawW = mapW - 2 * kInner - kLevelLabel;
    const double scale = std::min(drawW / (xmax - xmin), 1.2 * width / (ymax - ymin));
    const double mapH = (ymax - ymin) * scale + 2 * kInner;
    const double left = kMargin + kInner + (drawW - (xmax - xmin) * scale) / 2;
    const double top = kHeader + kInner;
    auto map = [&](double x, double y) {
        return Px{left + (x - xmin) * scale, top + (ymax - y) * scale};
    };

    // Legend: the zones the outline has, what lies outside them, and the symbols.
    bool zoneSeen[5] = {}, outside = false;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        if (pts[i].zone >= 0 && pts[i].zone < 5)
            zoneSeen[pts[i].zone] = true;
        else
            outside = true;
    }
    std::vector<tunneldraw::LegendEntry> entries;
    for (int z = 0; z < 5; ++z)
        if (zoneSeen[z])
            entries.push_back({"line", zoneColour(z), zoneLabel(z)});
    if (outside)
        entries.push_back({"dash", zoneColour(-1), "outside the zones (floor)"});
    if (section.typeFound)
        entries.push_back({"dash", kLevelColour, "springing levels A, B"});
    entries.push_back({"dot", "#222222", "crossing point (zone boundary)"});
    entries.push_back({"bolt", kBoltColour, "bolt (number)"});
    const double frameBottom = kHeader + mapH;
    const double legendTop = frameBottom + 14 + 34;
    const double height = std::ceil(tunneldraw::legend(nullptr, entries, legendTop, width) + 8);

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    SvgWriter svg(out);
    std::string subtitle = "Type " + toUtf8(section.type.c_str()) + " (cross-section at " +
                           metres(section.sekt) + " m)";
    if (section.typeFound)
        subtitle += ", A = " + metres(section.anfstart) + ", B = " + metres(section.anfslut);
    subtitle += "; x to the right, y up; " + std::to_string(bolts.size()) +
                (bolts.size() == 1 ? " bolt" : " bolts") + " within " + metres(within) + " m";
    if (beyond > 0)
        subtitle += " (" + std::to_string(beyond) + " beyond the outline, not drawn)";
    tunneldraw::open(svg, width, height,
                     toUtf8(view.id.c_str()) + ", cross-section at " + metres(chainage) + " m",
                     subtitle);
    svg.start("rect")
        .attr("class", "frame")
        .attr("x", kMargin)
        .attr("y", kHeader)
        .attr("width", mapW)
        .attr("height", mapH)
        .attr("fill", "none")
        .attr("stroke", "#888888")
        .end();

    // The inside of the outline, lightly filled.
    std::string all;
    for (const tunnel::OutlinePoint& p : pts) {
        const Px q = map(p.x, p.y);
        all += (all.empty() ? "" : " ") + pixels(q.x) + "," + pixels(q.y);
    }
    svg.start("polygon")
        .attr("class", "inside")
        .attr("points", all)
        .attr("fill", "#f2f2f2")
        .attr("stroke", "none")
        .end();

    // Springing levels across the drawing, labelled at the right.
    if (section.typeFound) {
        svg.start("g").attr("class", "springing").attr("font-size", 11);
        const struct {
            const char* name;
            double level;
        } levels[2] = {{"A", section.anfstart}, {"B", section.anfslut}};
        for (int i = 0; i < 2; ++i) {
            const Px a = map(xmin, levels[i].level), b = map(xmax, levels[i].level);
            svg.start("line")
                .attr("class", std::string("level level-") + levels[i].name)
                .attr("x1", a.x)
                .attr("y1", a.y)
                .attr("x2", b.x)
                .attr("y2", b.y)
                .attr("stroke", kLevelColour)
                .attr("stroke-width", 1)
                .attr("stroke-dasharray", "6 3")
                .end();
            const bool same = i == 1 && std::fabs(levels[0].level - levels[1].level) * scale < 13;
            svg.start("text")
                .attr("x", b.x + 6)
                .attr("y", a.y + (same ? -10 : 4))
                .attr("fill", kLevelColour)
                .text(std::string(levels[i].name) + " = " + metres(levels[i].level))
                .end();
        }
        svg.end();
    }

    // The outline, one polyline per run of pieces in the same zone.
    svg.start("g").attr("class", "outline").attr("fill", "none").attr("stroke-linejoin", "round");
    for (size_t i = 0; i + 1 < pts.size();) {
        const int zone = pts[i].zone;
        size_t j = i;
        while (j + 1 < pts.size() && pts[j].zone == zone)
            ++j;
        std::string line;
        for (size_t k = i; k <= j; ++k) {
            const Px q = map(pts[k].x, pts[k].y);
            line += (line.empty() ? "" : " ") + pixels(q.x) + "," + pixels(q.y);
        }
        svg.start("polyline")
            .attr("class", zone >= 0 ? "zone zone-" + std::to_string(zone) : std::string("outside"))
            .attr("points", line)
            .attr("stroke", zoneColour(zone))
            .attr("stroke-width", zone >= 0 ? 4 : 2);
        if (zone < 0)
            svg.attr("stroke-dasharray", "5 3");
        svg.start("title").text(zoneLabel(zone)).end();
        svg.end();
        i = j;
    }
    svg.end();

    // Crossing points: where one zone gives way to the next, labelled with the numbers of
    // the characteristic points they are.
    svg.start("g").attr("class", "crossings").attr("font-size", 11).attr("fill", "#222222");
    for (size_t i = 1; i + 1 < pts.size(); ++i) {
        const int from = pts[i - 1].zone, to = pts[i].zone;
        if (from < 0 || to <= from)
            continue;
        std::string numbers;
        for (int p = from + 1; p <= to; ++p)
            numbers += (numbers.empty() ? "" : ",") + std::to_string(p);
        const Px q = map(pts[i].x, pts[i].y);
        svg.start("g").attr("class", "crossing").attr("data-points", numbers);
        svg.start("circle")
            .attr("cx", q.x)
            .attr("cy", q.y)
            .attr("r", 4.5)
            .attr("fill", "white")
            .attr("stroke", "#222222")
            .attr("stroke-width", 2)
            .end();
        const bool rightSide = pts[i].x >= (xmin + xmax) / 2;
        svg.start("text")
            .attr("x", q.x + (rightSide ? -9 : 9))
            .attr("y", q.y - 6)
            .attr("text-anchor", rightSide ? "end" : "start")
            .text(numbers)
            .end();
        svg.end();
    }
    svg.end();

    // Bolts from the outline outwards.
    svg.start("g").attr("class", "bolts").attr("font-size", 10).attr("fill", kBoltColour);
    for (const Bolt& b : bolts) {
        const Px a = map(b.x, b.y);
        Px e = map(b.x + b.nx * b.length, b.y + b.ny * b.length);
        if (b.length * scale < kBoltTick)
            e = {a.x + b.nx * kBoltTick, a.y - b.ny * kBoltTick};
        svg.start("g")
            .attr("class", "bolt")
            .attr("data-nr", std::to_string(b.rec->bnr()))
            .attr("data-chainage", metres(b.rec->sekt))
            .attr("data-s", metres(developedCoordinate(*b.rec)));
        svg.start("title")
            .text("bolt " + std::to_string(b.rec->bnr()) + " at " + metres(b.rec->sekt) +
                  " m, s = " + metres(developedCoordinate(*b.rec)) + ", length " + metres(b.length))
            .end();
        svg.start("line")
            .attr("x1", a.x)
            .attr("y1", a.y)
            .attr("x2", e.x)
            .attr("y2", e.y)
            .attr("stroke", kBoltColour)
            .attr("stroke-width", 2)
            .end();
        svg.start("circle").attr("cx", a.x).attr("cy", a.y).attr("r", 3.5).end();
        svg.start("text")
            .attr("x", e.x + b.nx * 8)
            .attr("y", e.y - b.ny * 8 + 3.5)
            .attr("text-anchor", "middle")
            .text(std::to_string(b.rec->bnr()))
            .end();
        svg.end();
    }
    svg.end();

    scaleBar(svg, kMargin, frameBottom + 14 + 8, drawW, scale);
    tunneldraw::legend(&svg, entries, legendTop, width);
    svg.finish();
    return out;
}

} // namespace cli
