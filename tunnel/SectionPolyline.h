// A cross-section of a tunnel's sequence as a drawing needs it: its outline as a polyline,
// arcs divided into short chords, each piece with its zone, and each point with its
// developed coordinate along the outline (the measure of `sval`).
#pragma once

#include "tunnel/kotuntype.h"

#include <vector>

class CVaglinje;

namespace tunnel {

struct OutlinePoint {
    double x = 0, y = 0; // in the cross-section plane
    // Developed coordinate along the outline: 0 at the middle of zone 2, sval[j] at the
    // characteristic point j, decreasing along the outline. Without a walked point the first
    // point is 0.
    double s = 0;
    int zone = -1;   // zone of the piece from this point to the next; -1 outside the walk
    int vertex = -1; // index of the outline point, -1 for a point added along an arc
};

// The outline of `k` from its first point to its last and, when the last point is not the
// first, along the closing segment back to it (outside the walk). Arcs are divided into equal
// pieces of at most `maxAngle` radians (5° when not positive); CVaglinje gives their centres
// and lengths. Empty when the cross-section has no outline. Moves the outline's current point.
std::vector<OutlinePoint> SectionPolyline(const kotuntype& k, CVaglinje& vl, double maxAngle = 0);

} // namespace tunnel
