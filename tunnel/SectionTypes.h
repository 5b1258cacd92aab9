// Building a cross-section type library from code: adding a type with its outline, and two
// common outline shapes. Used by whoever sets up a project's types without a host (the
// tool's demo project, tests).
#pragma once

#include "tunnel/CTvarsnitt.h"
#include "tunnel/tvkotype.h"

#include <vector>

namespace tunnel {

// What describes a type besides its outline.
struct SectionTypeDesc {
    const char* name = ""; // at most 8 characters (cut to the field)
    const char* text = ""; // at most 38 characters (cut to the field)
    double anfstart = 0;   // springing level at the start of the arch
    double anfslut = 0;    // springing level at the end of the arch
    double tvval3 = 0;
    double tvval[4] = {0, 0, 0, 0};
};

// Appends the type to `lib` (whose index must exist: Init(1) or Init(0) done), writes its
// outline file "<name>.ttv" (bulges and extents computed) and its index record. The new
// record is current afterwards and owns its outline. 0; -3 when the outline or the index
// cannot be written (the type is then not in the list).
int AddSectionType(CTvarsnitt& lib, const SectionTypeDesc& desc,
                   const std::vector<tvkotype>& outline);

// A trapezoid standing on y = 0, centred on x = 0: floor `bottomWidth`, roof `topWidth` at
// `height`. Straight segments, walked counter-clockwise from the left floor corner.
std::vector<tvkotype> TrapezoidOutline(double bottomWidth, double topWidth, double height);

// Straight walls from y = 0 up to `wallHeight` with a half circle over them: width `width`,
// centred on x = 0. Walked counter-clockwise from the left floor corner; the roof is one
// segment from the right wall top to the left one with radius -width/2, which the save
// turns into the bulge +1 (a counter-clockwise half circle).
std::vector<tvkotype> ArchOutline(double width, double wallHeight);

// The outline with its first point repeated at its end, so that its list of points runs from
// the floor round and back to the floor. The cross-section sequence walks only the listed
// points, not the closing segment: a type meant for the five zones needs its way down the
// last wall listed.
std::vector<tvkotype> ClosedOutline(std::vector<tvkotype> outline);

} // namespace tunnel
