#include "cli/PlanMarks.h"

#include "cli/Cli.h"
#include "cli/DrawSvg.h"

#include <algorithm>
#include <cmath>

namespace cli {

double roundStep(double v) {
    if (!(v > 0) || !std::isfinite(v))
        return 1;
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    const double m = v / p;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * p;
}

void drawGrid(SvgWriter& svg, const PlanView& view, double x1, double y1, double x2, double y2,
              const std::string& direction) {
    if (!(view.scale > 0) || !std::isfinite(view.scale))
        return;
    const double step = roundStep(90 / view.scale); // lines at least 90 pixels apart
    const bool north = direction == "NORR";
    // Plan east is the grid's y, plan north its x (Swedish grids).
    const std::string eastName = north ? "y" : "Y", northName = north ? "x" : "X";
    svg.start("g")
        .attr("class", "grid")
        .attr("data-step", number(step))
        .attr("font-size", 9)
        .attr("fill", "#777777");
    const double east1 = view.west + (x1 - view.left) / view.scale;
    const double east2 = view.west + (x2 - view.left) / view.scale;
    for (double e = std::ceil(east1 / step) * step; e <= east2; e += step) {
        const double x = view.map(e, 0).x;
        svg.start("line")
            .attr("class", "grid-east")
            .attr("data-value", number(e))
            .attr("x1", x)
            .attr("y1", y1)
            .attr("x2", x)
            .attr("y2", y2)
            .attr("stroke", "#e4e4e4")
            .end();
        svg.start("text").attr("x", x + 2).attr("y", y2 - 3).text(eastName + " " + number(e)).end();
    }
    const double north1 = view.north - (y2 - view.top) / view.scale;
    const double north2 = view.north - (y1 - view.top) / view.scale;
    for (double n = std::ceil(north1 / step) * step; n <= north2; n += step) {
        const double y = view.map(0, n).y;
        svg.start("line")
            .attr("class", "grid-north")
            .attr("data-value", number(n))
            .attr("x1", x1)
            .attr("y1", y)
            .attr("x2", x2)
            .attr("y2", y)
            .attr("stroke", "#e4e4e4")
            .end();
        svg.start("text")
            .attr("x", x1 + 3)
            .attr("y", y - 3)
            .text(northName + " " + number(n))
            .end();
    }
    svg.end();
}

void drawLineMarks(SvgWriter& svg, const std::vector<Px>& px, double scale, const char* colour) {
    if (px.size() < 2 || !(scale > 0))
        return;
    double lengthPx = 0;
    for (size_t i = 1; i < px.size(); ++i)
        lengthPx += std::hypot(px[i].x - px[i - 1].x, px[i].y - px[i - 1].y);
    if (!(lengthPx > 12) || !std::isfinite(lengthPx))
        return;
    // Ticks at least 45 pixels apart, every round number of metres.
    const double every = roundStep(45 / scale);
    std::string d;
    svg.start("g").attr("class", "chainage").attr("data-interval", number(every));
    double walked = 0; // metres
    double next = 0;
    for (size_t i = 1; i < px.size(); ++i) {
        const double dx = px[i].x - px[i - 1].x, dy = px[i].y - px[i - 1].y;
        const double len = std::hypot(dx, dy) / scale;
        if (!(len > 0))
            continue;
        const double ux = dx / (len * scale), uy = dy / (len * scale);
        for (; next <= walked + len + 1e-9; next += every) {
            const double t = (next - walked) * scale;
            const Px at{px[i - 1].x + ux * t, px[i - 1].y + uy * t};
            // Across the line, on its left.
            d += "M" + pixels(at.x) + "," + pixels(at.y) + "L" + pixels(at.x + uy * 5) + "," +
                 pixels(at.y - ux * 5);
            svg.start("text")
                .attr("class", "chainage-label")
                .attr("data-chainage", number(next))
                .attr("x", at.x + uy * 7)
                .attr("y", at.y - ux * 7 + 3)
                .attr("font-size", 8)
                .attr("fill", colour)
                .attr("text-anchor", uy >= 0 ? "start" : "end")
                .text(number(next))
                .end();
        }
        walked += len;
    }
    svg.start("path")
        .attr("class", "ticks")
        .attr("d", d)
        .attr("stroke", colour)
        .attr("stroke-width", 1)
        .end();
    // The arrow head at the end, along the last segment.
    const Px& a = px[px.size() - 2];
    const Px& b = px.back();
    const double l = std::hypot(b.x - a.x, b.y - a.y);
    if (l > 0) {
        const double ux = (b.x - a.x) / l, uy = (b.y - a.y) / l;
        svg.start("polygon")
            .attr("class", "direction")
            .attr("points", pixels(b.x + ux * 9) + "," + pixels(b.y + uy * 9) + " " +
                                pixels(b.x - uy * 4) + "," + pixels(b.y + ux * 4) + " " +
                                pixels(b.x + uy * 4) + "," + pixels(b.y - ux * 4))
            .attr("fill", colour)
            .end();
    }
    svg.end();
}

} // namespace cli
