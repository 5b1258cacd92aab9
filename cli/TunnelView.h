// What `harn tunnel` and the tunnel drawings of `harn draw` read about one tunnel: its
// positions, its cross-section sequence (CTunTv) with each outline as a polyline, the
// springing levels of the types, and its bolts (CTunBult) and drains (CTunDran).
#pragma once

#include "tunnel/SectionPolyline.h"
#include "tunnel/bulthdtype.h"
#include "tunnel/todbtype.h"

#include <string>
#include <vector>

namespace cli {

// Where a bolt or a drain point lies around the outline. The files give bolts and drain
// points a chainage only; the tool reads the developed coordinate (metres along the outline
// from the middle of the roof, the measure of CTunTv's sval) from the double at offset 60 and
// a bolt's length from the double at offset 108, bytes that the library leaves to the host.
inline double developedCoordinate(const todbtype& r) {
    return r.tval2;
}
inline void setDevelopedCoordinate(todbtype& r, double s) {
    r.tval2 = s;
}
inline double boltLength(const todbtype& r) {
    return r.tval4;
}
inline void setBoltLength(todbtype& r, double length) {
    r.tval4 = length;
}

struct TunnelSection {
    double sekt = 0;        // chainage of the cross-section
    double to = 0;          // chainage of the next one (its own for the last)
    std::string type;       // CP1252
    bool typeFound = false; // the library holds the type (springing levels known)
    double anfstart = 0, anfslut = 0;
    double hval[6] = {}, sval[6] = {}, xp[6] = {}, yp[6] = {}, lang[5] = {};
    int points = 0;                            // outline points (crossing points included)
    std::vector<tunnel::OutlinePoint> outline; // empty without outline
};

// A bolt or drain file as read.
struct BoltDrainList {
    std::string file;     // base name and extension, CP1252
    bool present = false; // the file exists
    bool read = false;    // Init returned 0
    bulthdtype head{};
    std::vector<todbtype> records; // in list order
};

// One drain: its points, in list order.
struct Drain {
    double from = 0, to = 0; // start and end chainage (the points' sekt and sekt2)
    std::vector<todbtype> points;
};

struct TunnelView {
    std::string id;                  // CP1252
    std::string filnamn;             // CP1252
    std::string text;                // the database record's text (the alignment), CP1252
    std::string version;             // of the .ODB head
    std::vector<todbtype> positions; // kind 7, in list order
    std::vector<TunnelSection> sections;
    BoltDrainList bolts, drains;
    std::vector<Drain> drainGroups;
    int shown = 0; // messages and status texts shown while reading, failure-log entries
};

// Reads the tunnel `id` (UTF-8) of the project in `dir`. Messages of the library go to
// standard error; failures print "harn CMD: ..." there. 0 when the tunnel was read (even if
// some part of it gave a message: `shown` counts them), otherwise kFailed.
int readTunnelView(const std::string& cmdName, const std::string& dir, const std::string& id,
                   TunnelView& view);

// The drains of a drainage list: runs of points from one whose lnr is 1 (points before the
// first such point form a drain of their own).
std::vector<Drain> drainsOf(const std::vector<todbtype>& points);

// The cross-section that applies at `chainage` (the last one at or before it), or null when
// the chainage lies outside the first and last cross-section.
const TunnelSection* sectionAt(const TunnelView& view, double chainage);

// Zone colours and names, 0 to 4.
const char* zoneColour(int zone);
const char* zoneLabel(int zone);

// The point of an outline at developed coordinate `s` and the unit normal pointing out of
// the tunnel there; false when `s` lies beyond the outline's ends.
bool pointAt(const std::vector<tunnel::OutlinePoint>& outline, double s, double& x, double& y,
             double& nx, double& ny);

} // namespace cli
