// Marks of the plan drawing that read off positions: the coordinate grid of the project and
// the direction and chainage ticks of mapped lines.
#pragma once

#include <string>
#include <vector>

namespace cli {

class SvgWriter;

struct Px {
    double x, y; // pixels, y down
};

// 1, 2 or 5 times a power of ten: the least such step of at least `v`.
double roundStep(double v);

// Where the plan's metres land on the drawing: `west` and `north` are the plan metres (east,
// north) of the pixel (left, top); `scale` pixels per metre.
struct PlanView {
    double west, north, scale, left, top;
    Px map(double east, double northing) const {
        return {left + (east - west) * scale, top + (north - northing) * scale};
    }
};

// Grid lines at round coordinates across the box (pixels x1, y1, x2, y2), labelled on its
// west and south edges with the project's axis names: with the direction "NORR" grid x runs
// north and y east, so a line of constant north is labelled "x = ...".
void drawGrid(SvgWriter& svg, const PlanView& view, double x1, double y1, double x2, double y2,
              const std::string& direction);

// A line's direction (an arrow head at its end) and chainage ticks at a round interval along
// it (metres from its first point), each tick labelled. `px` are its points in pixels.
void drawLineMarks(SvgWriter& svg, const std::vector<Px>& px, double scale, const char* colour);

} // namespace cli
