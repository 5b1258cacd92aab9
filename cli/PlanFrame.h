// The frame of a plan drawing, chosen robustly: objects far from the others, and objects with
// coordinates beyond any survey grid (1e300 from a damaged record), are left out of the frame
// and named, so that they cannot shrink the investigated area into a corner.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// An extent in plan metres (east, north).
struct PlanExtent {
    double x1, y1, x2, y2;
    double cx() const { return (x1 + x2) / 2; }
    double cy() const { return (y1 + y2) / 2; }
    bool intersects(const PlanExtent& o) const {
        return x1 <= o.x2 && o.x1 <= x2 && y1 <= o.y2 && o.y1 <= y2;
    }
};

struct PlanFrame {
    bool empty = true;                // no object gives a frame
    PlanExtent box{0, 0, 0, 0};       // the objects kept, without margin
    std::vector<std::size_t> far;     // left out: far from the others
    std::vector<std::size_t> invalid; // left out: a coordinate beyond any grid
};

// Coordinates beyond this many metres are not a place on any grid.
constexpr double kMaxCoordinate = 1e9;

// The frame of `objects` (one optional extent each; none for objects without a position).
// An object is far when the centre of its extent lies more than 4 times the median distance
// of all centres from their median centre, plus 100 m, from that median centre.
PlanFrame robustFrame(const std::vector<std::optional<PlanExtent>>& objects);

// "north-east" and so on: the direction of (dx east, dy north).
std::string compassWord(double dx, double dy);

} // namespace cli
