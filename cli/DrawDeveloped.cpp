// The developed (unrolled) surface of a tunnel, the sheet rock engineers map on: chainage
// along (to the right), the developed coordinate s across (up: 0 at the middle of the roof,
// positive towards the first wall of the outline's walk). Each stretch between two
// cross-sections shows the five zones of its type as bands between the zone boundaries
// `sval`; bolts stand at their chainage and s, drains run through their points.
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

constexpr double kAxisLeft = 64;   // room for the s axis labels
constexpr double kAxisBottom = 40; // room for the chainage axis labels
constexpr double kMinAcross = 240; // the surface is at least this high, in pixels
const char* const kBoltColour = "#b2182b";
const char* const kDrainColour = "#2166ac";

// A tick step giving about `count` ticks over `range`.
double tickStep(double range, double count) {
    const double raw = range / count;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / p;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * p;
}

} // namespace

std::string drawDeveloped(const TunnelView& view, double width) {
    // The ranges: every stretch with an outline, every bolt and every drain point.
    double c0 = std::numeric_limits<double>::max(), c1 = -c0, s0 = c0, s1 = -c0;
    auto growC = [&](double c) {
        if (std::isfinite(c))
            c0 = std::min(c0, c), c1 = std::max(c1, c);
    };
    auto growS = [&](double s) {
        if (std::isfinite(s))
            s0 = std::min(s0, s), s1 = std::max(s1, s);
    };
    // Bolts and drain points lie on the surface when their s is on some outline (the floor
    // included); the others are counted, not drawn, so that one wrong value does not shrink
    // the whole sheet.
    const TunnelSection* first = nullptr; // the first cross-section with an outline
    double lo = std::numeric_limits<double>::max(), hi = -lo;
    for (const TunnelSection& s : view.sections) {
        growC(s.sekt);
        if (s.outline.empty())
            continue;
        if (!first)
            first = &s;
        growS(s.sval[0]);
        growS(s.sval[5]);
        for (const tunnel::OutlinePoint& p : s.outline)
            lo = std::min(lo, p.s), hi = std::max(hi, p.s);
    }
    auto onSurface = [&](double s) { return !first || (s >= lo && s <= hi); };
    std::vector<const todbtype*> bolts;
    size_t off = 0;
    for (const todbtype& b : view.bolts.records)
        if (onSurface(developedCoordinate(b)))
            bolts.push_back(&b), growC(b.sekt), growS(developedCoordinate(b));
        else
            ++off;
    std::vector<const Drain*> drains;
    for (const Drain& d : view.drainGroups) {
        bool on = true;
        for (const todbtype& p : d.points)
            on = on && onSurface(developedCoordinate(p));
        if (!on) {
            ++off;
            continue;
        }
        drains.push_back(&d);
        for (const todbtype& p : d.points)
            growC(p.psekt()), growS(developedCoordinate(p));
    }
    if (c0 > c1)
        c0 = 0, c1 = 10;
    if (s0 > s1)
        s0 = -5, s1 = 5;
    if (c1 - c0 < 1)
        c0 -= 0.5, c1 += 0.5;
    if (s1 - s0 < 1)
        s0 -= 0.5, s1 += 0.5;
    const double cPad = 0.02 * (c1 - c0), sPad = 0.04 * (s1 - s0);
    c0 -= cPad, c1 += cPad, s0 -= sPad, s1 += sPad;

    const double plotLeft = kMargin + kAxisLeft, plotTop = kHeader + 24;
    const double plotW = width - plotLeft - kMargin;
    const double along = plotW / (c1 - c0);
    // Across to the same scale when that leaves room to map on, otherwise stretched.
    const double across = std::max(along, std::min(kMinAcross, 1.5 * width) / (s1 - s0));
    const double plotH = (s1 - s0) * across;
    auto X = [&](double c) { return plotLeft + (c - c0) * along; };
    auto Y = [&](double s) { return plotTop + (s1 - s) * across; };

    std::vector<tunneldraw::LegendEntry> entries;
    for (int z = 0; z < 5; ++z)
        entries.push_back({"band", zoneColour(z), zoneLabel(z)});
    entries.push_back({"bolt", kBoltColour, "bolt (number)"});
    entries.push_back({"drain", kDrainColour, "drain"});
    entries.push_back({"dash", "#333333", "s = 0, middle of the roof"});
    const double legendTop = plotTop + plotH + kAxisBottom + 8;
    const double height = std::ceil(tunneldraw::legend(nullptr, entries, legendTop, width) + 8);

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    SvgWriter svg(out);
    const char* firstSide = first && first->xp[1] < 0 ? "left" : "right";
    const char* secondSide = first && first->xp[1] < 0 ? "right" : "left";
    std::string subtitle = "Chainage along, developed coordinate s across (0 at the middle of "
                           "the roof, + towards the " +
                           std::string(firstSide) + " wall); ";
    subtitle += bolts.size() == 1 ? "1 bolt" : std::to_string(bolts.size()) + " bolts";
    subtitle += ", " + std::to_string(drains.size()) + (drains.size() == 1 ? " drain" : " drains");
    if (off > 0)
        subtitle += " (" + std::to_string(off) + " off the outlines, not drawn)";
    if (across > along * 1.001) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.1f", across / along);
        subtitle += std::string("; across stretched ") + ratio + " times";
    }
    tunneldraw::open(svg, width, height, toUtf8(view.id.c_str()) + ", developed tunnel surface",
                     subtitle);

    // Grid and axes.
    svg.start("g").attr("class", "axes").attr("font-size", 11).attr("fill", "#333333");
    svg.start("rect")
        .attr("class", "frame")
        .attr("x", plotLeft)
        .attr("y", plotTop)
        .attr("width", plotW)
        .attr("height", plotH)
        .attr("fill", "none")
        .attr("stroke", "#888888")
        .end();
    const double cStep = tickStep(c1 - c0, std::max(2.0, plotW / 90));
    for (double c = std::ceil(c0 / cStep) * cStep; c <= c1 + 1e-9 * cStep; c += cStep) {
        const double x = X(c);
        svg.start("g").attr("class", "tick-chainage").attr("data-value", metres(c));
        svg.start("line")
            .attr("x1", x)
            .attr("y1", plotTop)
            .attr("x2", x)
            .attr("y2", plotTop + plotH + 5)
            .attr("stroke", "#dddddd")
            .end();
        svg.start("text")
            .attr("x", x)
            .attr("y", plotTop + plotH + 18)
            .attr("text-anchor", "middle")
            .text(metres(c))
            .end();
        svg.end();
    }
    const double sStep = tickStep(s1 - s0, std::max(2.0, plotH / 40));
    for (double s = std::ceil(s0 / sStep) * sStep; s <= s1 + 1e-9 * sStep; s += sStep) {
        const double y = Y(s);
        svg.start("g").attr("class", "tick-s").attr("data-value", metres(s));
        svg.start("line")
            .attr("x1", plotLeft - 5)
            .attr("y1", y)
            .attr("x2", plotLeft + plotW)
            .attr("y2", y)
            .attr("stroke", "#dddddd")
            .end();
        svg.start("text")
            .attr("x", plotLeft - 8)
            .attr("y", y + 4)
            .attr("text-anchor", "end")
            .text(metres(s))
            .end();
        svg.end();
    }
    svg.start("text")
        .attr("x", plotLeft + plotW / 2)
        .attr("y", plotTop + plotH + 34)
        .attr("text-anchor", "middle")
        .text("chainage (m)")
        .end();
    const double midY = plotTop + plotH / 2;
    svg.start("text")
        .attr("x", kMargin + 10)
        .attr("y", midY)
        .attr("text-anchor", "middle")
        .attr("transform", "rotate(-90 " + pixels(kMargin + 10) + " " + pixels(midY) + ")")
        .text("s along the outline (m)")
        .end();
    svg.end();

    // The zones of each stretch as bands, the type named above them.
    svg.start("g").attr("class", "zones");
    for (const TunnelSection& s : view.sections) {
        if (s.outline.empty() || !(s.to > s.sekt))
            continue;
        svg.start("g").attr("class", "stretch").attr("data-type", toUtf8(s.type.c_str()));
        for (int z = 0; z < 5; ++z) {
            const double hi = std::max(s.sval[z], s.sval[z + 1]);
            const double lo = std::min(s.sval[z], s.sval[z + 1]);
            if (!(hi > lo))
                continue;
            svg.start("rect")
                .attr("class", "zone zone-" + std::to_string(z))
                .attr("x", X(s.sekt))
                .attr("y", Y(hi))
                .attr("width", X(s.to) - X(s.sekt))
                .attr("height", Y(lo) - Y(hi))
                .attr("fill", zoneColour(z))
                .attr("fill-opacity", "0.35")
                .attr("stroke", zoneColour(z))
                .attr("stroke-width", 0.75);
            svg.start("title")
                .text(std::string(zoneLabel(z)) + ", " + toUtf8(s.type.c_str()) + ", " +
                      metres(s.sekt) + " to " + metres(s.to) + " m, " + metres(s.lang[z]) +
                      " m wide")
                .end();
            svg.end();
        }
        svg.start("line")
            .attr("class", "roof-middle")
            .attr("x1", X(s.sekt))
            .attr("y1", Y(0))
            .attr("x2", X(s.to))
            .attr("y2", Y(0))
            .attr("stroke", "#333333")
            .attr("stroke-dasharray", "6 3")
            .end();
        svg.start("text")
            .attr("x", (X(s.sekt) + X(s.to)) / 2)
            .attr("y", plotTop - 6)
            .attr("text-anchor", "middle")
            .attr("font-size", 11)
            .attr("fill", "#333333")
            .text(toUtf8(s.type.c_str()))
            .end();
        svg.end();
    }
    svg.end();
    // Cross-section chainages as thin lines over the bands.
    svg.start("g").attr("class", "sections").attr("stroke", "#666666").attr("stroke-width", 1);
    for (const TunnelSection& s : view.sections)
        svg.start("line")
            .attr("x1", X(s.sekt))
            .attr("y1", plotTop)
            .attr("x2", X(s.sekt))
            .attr("y2", plotTop + plotH)
            .end();
    svg.end();
    // Which wall is where.
    svg.start("g").attr("class", "sides").attr("font-size", 11).attr("fill", "#333333");
    svg.start("text")
        .attr("x", plotLeft + 6)
        .attr("y", plotTop + 14)
        .text(std::string(firstSide) + " wall")
        .end();
    svg.start("text")
        .attr("x", plotLeft + 6)
        .attr("y", plotTop + plotH - 6)
        .text(std::string(secondSide) + " wall")
        .end();
    svg.end();

    // Drains through their points, in the order of the points.
    svg.start("g").attr("class", "drains").attr("font-size", 10).attr("fill", kDrainColour);
    for (const Drain* drain : drains) {
        const Drain& d = *drain;
        const size_t nr = static_cast<size_t>(&d - view.drainGroups.data()) + 1;
        svg.start("g")
            .attr("class", "drain")
            .attr("data-from", metres(d.from))
            .attr("data-to", metres(d.to));
        svg.start("title")
            .text("drain " + std::to_string(nr) + ", " + metres(d.from) + " to " + metres(d.to) +
                  " m")
            .end();
        std::string line;
        for (const todbtype& p : d.points)
            line += (line.empty() ? "" : " ") + pixels(X(p.psekt())) + "," +
                    pixels(Y(developedCoordinate(p)));
        svg.start("polyline")
            .attr("points", line)
            .attr("fill", "none")
            .attr("stroke", kDrainColour)
            .attr("stroke-width", 2.5)
            .attr("stroke-linejoin", "round")
            .end();
        for (const todbtype& p : d.points)
            svg.start("circle")
                .attr("class", "drain-point")
                .attr("data-nr", std::to_string(p.dnr()))
                .attr("cx", X(p.psekt()))
                .attr("cy", Y(developedCoordinate(p)))
                .attr("r", 3)
                .end();
        const todbtype& p0 = d.points.front();
        svg.start("text")
            .attr("x", X(p0.psekt()) + 5)
            .attr("y", Y(developedCoordinate(p0)) + 14)
            .text("drain " + std::to_string(nr))
            .end();
        svg.end();
    }
    svg.end();

    // Bolts at their chainage and s, numbered.
    svg.start("g").attr("class", "bolts").attr("font-size", 9).attr("fill", kBoltColour);
    for (const todbtype* bolt : bolts) {
        const todbtype& b = *bolt;
        const double x = X(b.sekt), y = Y(developedCoordinate(b));
        svg.start("g")
            .attr("class", "bolt")
            .attr("data-nr", std::to_string(b.bnr()))
            .attr("data-chainage", metres(b.sekt))
            .attr("data-s", metres(developedCoordinate(b)));
        svg.start("title")
            .text("bolt " + std::to_string(b.bnr()) + " at " + metres(b.sekt) +
                  " m, s = " + metres(developedCoordinate(b)))
            .end();
        svg.start("circle")
            .attr("cx", x)
            .attr("cy", y)
            .attr("r", 4)
            .attr("stroke", "white")
            .attr("stroke-width", 1)
            .end();
        svg.start("text").attr("x", x + 6).attr("y", y - 4).text(std::to_string(b.bnr())).end();
        svg.end();
    }
    svg.end();
    tunneldraw::legend(&svg, entries, legendTop, width);
    svg.finish();
    return out;
}

} // namespace cli
