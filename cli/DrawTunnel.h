// The tunnel drawings of `harn draw DIR ID --section CHAINAGE | --developed`: a cross-section
// with its zones, springing levels, crossing points and bolts, and the developed (unrolled)
// tunnel surface with the zones as bands and the bolts and drains at their places.
#pragma once

#include "cli/DrawSvg.h"
#include "cli/TunnelView.h"

#include <string>
#include <vector>

namespace cli {

struct Command;

// Runs a tunnel drawing: `args` holds DIR, ID and the drawing's own options (--section C or
// --developed, --within M); `output` and `width` are the draw command's -o and --width.
int runTunnelDrawing(const Command& cmd, std::vector<std::string> args, const std::string& output,
                     double width);

// The drawings as SVG text. `within`: bolts at most this far from the chainage stand in the
// section.
std::string drawSection(const TunnelView& view, const TunnelSection& section, double chainage,
                        double width, double within);
std::string drawDeveloped(const TunnelView& view, double width);

// What both drawings share.
namespace tunneldraw {

constexpr double kMargin = 20;
constexpr double kHeader = 64;

// The SVG element, white background, title element, heading and subtitle.
void open(SvgWriter& svg, double width, double height, const std::string& title,
          const std::string& subtitle);
// A legend entry's swatch: "band" a filled box, "line" a stroke, "dash" a dashed stroke,
// "dot" a circle, "bolt" a short stroke with a head.
void swatch(SvgWriter& svg, const std::string& kind, const char* colour, double x, double y);
struct LegendEntry {
    std::string kind;
    const char* colour;
    std::string label;
};
// Lays the entries out in rows from (kMargin, top); returns the bottom of the last row.
double legend(SvgWriter* svg, const std::vector<LegendEntry>& entries, double top, double width);
// "25.5 m": a number with at most three decimals, trailing zeros dropped.
std::string metres(double v);

} // namespace tunneldraw
} // namespace cli
