// An alignment: a centre line with chainage, made of straight segments and circular arcs,
// read from an alignment file (docs/formats/Alignment.md). Besides placing points along the
// line it offers the arc arithmetic of bulge-form polylines that tunnel outlines use.
//
// Conventions (the project grid has x north and y east, so a turn from x toward y is a
// clockwise turn on the plan, north up):
// - bulge = tan(θ/4), θ the arc's signed sweep; positive turns from x toward y (clockwise on
//   the plan: to the right, seen along the line), negative to the left, 0 is a straight
//   segment. A vertex's bulge belongs to the element from that vertex to the next.
// - offset: positive to the LEFT, negative to the right, seen on the plan looking in the
//   direction of increasing chainage. (A tunnel cross-section, seen looking ahead, has x
//   positive to the right; its callers pass -x.)
#pragma once

#include "host/kokotype.h"

#include <string>
#include <vector>

// A vertex of an alignment: plane coordinates, the bulge of the element that starts here
// and the chainage at the vertex. Callers that only need arc arithmetic (`Padist`) fill x, y
// and bulge; `sekt` is filled by the alignment for its own vertices.
struct kovltype {
    double x;
    double y;
    double bulge;
    double sekt;
};

// One element of a loaded alignment, for display.
struct AlignmentElement {
    double startChainage;
    double endChainage;
    double length;
    double startX, startY;
    double endX, endY;
    double bulge;            // 0 for a straight segment
    double radius;           // 0 for a straight segment
    double centreX, centreY; // 0 for a straight segment
    int turn;                // 0 straight, the bulge's sign: +1 right, -1 left on the plan
};

class CVaglinje {
public:
    CVaglinje();
    virtual ~CVaglinje();

    // Loads the alignment file at `path` (a Windows or POSIX path, CP1252). 0 when loaded;
    // -1 when the file is missing, unreadable or not a valid alignment: the object is then
    // empty (nothing of the file is kept) and `errorText` says why.
    int Init(const char* path);

    // Plane coordinates of the point at `chainage`, `offset` metres perpendicular to the
    // line (positive to the left). 0 and x, y set when the chainage lies within
    // [startChainage, endChainage] (both ends included); -1 otherwise, or when nothing is
    // loaded or a pointer is null (x, y untouched).
    int Vag2xy(double chainage, double offset, double* x, double* y);

    // Arc arithmetic on two points of a bulge-form polyline (p->z holds p's bulge).
    // mode 1: radius (positive) and centre of the arc from p, with p's bulge, to q. -1 when
    //   p's bulge is 0 (a straight segment) or p and q coincide; outputs untouched then.
    // mode 0: given the circle (*r, *cx, *cy) on which p and q lie, sets p's bulge for the
    //   arc from p to q along that circle, turning the same way as p's bulge when it is not 0,
    //   otherwise the same way as the arc this object handled last (counter-clockwise when
    //   none). p's bulge becomes 0 when p and q coincide. -1 when *r is not positive.
    // Any other mode, or a null pointer: -1. Works whether or not an alignment is loaded.
    int Bulge_r(kokotype* p, kokotype* q, double* r, double* cx, double* cy, int mode);

    // Length along the element from a to b (a straight segment, or an arc by a's bulge) from
    // a to the foot of the point (x, y) on it: `len` (negative before a). `other` (may be
    // null) gets the signed distance of (x, y) from the element (positive to the left on the
    // plan, as the offsets of Vag2xy).
    // 0, or -1 when a and b coincide or len is null. Only x, y and bulge of a and b are read.
    int Padist(kovltype* a, kovltype* b, double x, double y, double* len, double* other);

    // Read-only view of the loaded alignment.
    bool isLoaded() const { return m_points.size() >= 2; }
    double startChainage() const;
    double endChainage() const;
    const std::vector<kovltype>& points() const { return m_points; }
    int elementCount() const;
    // Element i (0-based, from point i to point i + 1); false when out of range.
    bool element(int i, AlignmentElement* e) const;
    // Why the last Init failed (empty after a successful one).
    const std::string& errorText() const { return m_error; }

private:
    std::vector<kovltype> m_points;
    std::string m_error;
    int m_lastTurn = 1; // turning direction of the arc last handled by Bulge_r
};
