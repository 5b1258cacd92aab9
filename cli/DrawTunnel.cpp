#include "cli/DrawTunnel.h"

#include "cli/Cli.h"
#include "cli/DrawLabels.h"
#include "cli/Picture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace cli {

namespace tunneldraw {

std::string metres(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", plain(v));
    std::string s = buf;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

void open(SvgWriter& svg, double width, double height, const std::string& title,
          const std::string& subtitle) {
    svg.start("svg")
        .attr("xmlns", "http://www.w3.org/2000/svg")
        .attr("width", width)
        .attr("height", height)
        .attr("viewBox", "0 0 " + pixels(width) + " " + pixels(height))
        .attr("font-family", "DejaVu Sans, Arial, Helvetica, sans-serif");
    svg.start("title").text(title).end();
    svg.start("rect").attr("width", "100%").attr("height", "100%").attr("fill", "white").end();
    svg.start("g").attr("class", "title");
    drawingTitle(svg, kMargin, title);
    svg.start("text")
        .attr("x", kMargin)
        .attr("y", 50)
        .attr("font-size", 12)
        .attr("fill", "#555555")
        .text(subtitle)
        .end();
    svg.end();
}

void swatch(SvgWriter& svg, const std::string& kind, const char* colour, double x, double y) {
    if (kind == "band") {
        svg.start("rect")
            .attr("x", x + 1)
            .attr("y", y + 1)
            .attr("width", 22)
            .attr("height", 10)
            .attr("fill", colour)
            .attr("fill-opacity", "0.45")
            .attr("stroke", colour)
            .end();
    } else if (kind == "line" || kind == "dash") {
        svg.start("line")
            .attr("x1", x)
            .attr("y1", y + 6)
            .attr("x2", x + 24)
            .attr("y2", y + 6)
            .attr("stroke", colour)
            .attr("stroke-width", kind == "line" ? 4 : 1.5);
        if (kind == "dash")
            svg.attr("stroke-dasharray", "6 3");
        svg.end();
    } else if (kind == "dot") {
        svg.start("circle")
            .attr("cx", x + 12)
            .attr("cy", y + 6)
            .attr("r", 4)
            .attr("fill", "white")
            .attr("stroke", colour)
            .attr("stroke-width", 2)
            .end();
    } else if (kind == "bolt") {
        svg.start("line")
            .attr("x1", x + 4)
            .attr("y1", y + 6)
            .attr("x2", x + 24)
            .attr("y2", y + 6)
            .attr("stroke", colour)
            .attr("stroke-width", 2)
            .end();
        svg.start("circle")
            .attr("cx", x + 5)
            .attr("cy", y + 6)
            .attr("r", 3.5)
            .attr("fill", colour)
            .end();
    } else if (kind == "drain") {
        svg.start("polyline")
            .attr("points", pixels(x) + "," + pixels(y + 10) + " " + pixels(x + 12) + "," +
                                pixels(y + 3) + " " + pixels(x + 24) + "," + pixels(y + 8))
            .attr("fill", "none")
            .attr("stroke", colour)
            .attr("stroke-width", 2.5)
            .end();
    }
}

double legend(SvgWriter* svg, const std::vector<LegendEntry>& entries, double top, double width) {
    const double rowH = 20;
    double x = kMargin, y = top;
    if (svg)
        svg->start("g").attr("class", "legend").attr("font-size", 11);
    for (const LegendEntry& e : entries) {
        const double w = 30 + textWidth(e.label, 11) + 16;
        if (x > kMargin && x + w > width - kMargin) {
            x = kMargin;
            y += rowH;
        }
        if (svg) {
            svg->start("g").attr("class", "legend-entry " + e.kind);
            swatch(*svg, e.kind, e.colour, x, y + 2);
            svg->start("text").attr("x", x + 30).attr("y", y + 12).text(e.label).end();
            svg->end();
        }
        x += w;
    }
    if (svg)
        svg->end();
    return entries.empty() ? top : y + rowH;
}

} // namespace tunneldraw

int runTunnelDrawing(const Command& cmd, std::vector<std::string> args, const std::string& output,
                     double width) {
    const bool developed = takeFlag(args, "--developed");
    bool missing = false;
    const std::string at = takeOption(args, "--section", missing);
    if (missing)
        return usageError(cmd, "--section needs a chainage");
    const std::string withinText = takeOption(args, "--within", missing);
    if (missing)
        return usageError(cmd, "--within needs a distance");
    if (developed == !at.empty())
        return usageError(cmd, "give either --section CHAINAGE or --developed");
    auto number = [](const std::string& text, double& value) {
        char* end = nullptr;
        value = std::strtod(text.c_str(), &end);
        return !text.empty() && end && *end == 0 && std::isfinite(value);
    };
    double chainage = 0, within = 0.5;
    if (!at.empty() && !number(at, chainage))
        return usageError(cmd, "--section takes a chainage in metres");
    if (!withinText.empty() && (developed || !number(withinText, within) || within < 0))
        return usageError(cmd, "--within takes a distance in metres with --section");
    for (const std::string& a : args)
        if (a.rfind("--", 0) == 0)
            return usageError(cmd, "unknown option " + a + " for a tunnel drawing");
    if (args.size() != 2 || args[0].empty() || args[1].empty())
        return usageError(cmd, "a tunnel drawing needs DIR and ID");

    TunnelView view;
    if (readTunnelView(cmd.name, args[0], args[1], view) != 0)
        return kFailed;
    std::string svg;
    if (developed) {
        svg = drawDeveloped(view, width);
    } else {
        const TunnelSection* section = sectionAt(view, chainage);
        if (!section) {
            std::cerr << "harn draw: chainage " << tunneldraw::metres(chainage)
                      << " lies outside the tunnel "
                      << (view.sections.empty()
                              ? std::string("(no cross-sections)")
                              : "(" + tunneldraw::metres(view.sections.front().sekt) + " to " +
                                    tunneldraw::metres(view.sections.back().sekt) + ")")
                      << "\n";
            return kFailed;
        }
        if (section->outline.empty()) {
            std::cerr << "harn draw: no outline of type " << toUtf8(section->type.c_str())
                      << " at chainage " << tunneldraw::metres(chainage) << "\n";
            return kFailed;
        }
        svg = drawSection(view, *section, chainage, width, within);
    }
    bool written = true;
    if (output.empty() || output == "-") {
        std::cout << svg;
        written = static_cast<bool>(std::cout.flush());
    } else {
        written = writePicture(cmd, output, svg);
    }
    return written && view.shown == 0 ? kOk : kFailed;
}

} // namespace cli
