// What the tool's commands share about tunnels and alignments: reading a tunnel through
// CTunDbs, its alignment through CVaglinje and the cross-section types through CTvarsnitt,
// and the plan geometry built from them: lines along an alignment (arcs as chords) and a
// tunnel's outline at the lateral extents of its cross-section types.
#pragma once

#include "database/dbstype.h"
#include "host/CVaglinje.h"
#include "tunnel/todbtype.h"
#include "tunnel/tunhdtype.h"
#include "tunnel/tvtytype.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CProjPath;

namespace cli {

// Arcs are replaced by chords that stray at most this far from them (metres).
constexpr double kChordTolerance = 0.01;

// A point in the project grid: x north, y east.
struct GridPt {
    double x, y;
};

// The points of the line `offset` metres beside the alignment (positive to the left, as
// CVaglinje has it) from chainage `from` to `to`, clipped to the alignment: the ends, every
// vertex between them (both offset points at a kink) and, on arcs, enough points that no
// chord strays more than `tolerance` from the arc. Empty when the range misses the line.
std::vector<GridPt> alongAlignment(CVaglinje& line, double from, double to, double offset,
                                   double tolerance = kChordTolerance);

// The unit vector to the left of the alignment at `chainage` (of the element starting
// there); false outside the line.
bool leftNormal(CVaglinje& line, double chainage, GridPt* normal);

// The project's cross-section types (HARNDB\TVTYP.LIS), read once through CTvarsnitt.
struct SectionLibrary {
    bool present = false;        // the index file exists
    int result = -1;             // of CTvarsnitt::Init(0); -1 when not present
    std::vector<tvtytype> types; // copies, without outlines
    // The type named `name` (Swedish upper-casing on both sides), or null.
    const tvtytype* find(const std::string& name) const;
};
// Reads the library when its index exists; the library's messages go to the current
// user-interface sink.
SectionLibrary readSectionLibrary(CProjPath& proj);

// An alignment named by a record: its file HARNDB\<name>.
struct Alignment {
    std::string name;     // CP1252, as named
    std::string path;     // CP1252, Windows form
    bool present = false; // the file exists
    bool loaded = false;  // CVaglinje::Init accepted it
    std::string error;    // why it was refused (CP1252)
    CVaglinje line;
};
// Looks for the file and loads it when it exists.
std::unique_ptr<Alignment> loadAlignment(CProjPath& proj, const std::string& name);

// The type library and the alignments of one project, each read once when first asked for.
class TunnelSources {
public:
    explicit TunnelSources(CProjPath& p) : proj(p) {}
    const SectionLibrary& library() {
        if (!m_library)
            m_library = std::make_unique<SectionLibrary>(readSectionLibrary(proj));
        return *m_library;
    }
    Alignment& alignment(const std::string& name) {
        std::unique_ptr<Alignment>& a = m_alignments[name];
        if (!a)
            a = loadAlignment(proj, name);
        return *a;
    }
    CProjPath& proj;

private:
    std::unique_ptr<SectionLibrary> m_library;
    std::map<std::string, std::unique_ptr<Alignment>> m_alignments;
};

// The alignment a tunnel record names: its text upper-cased the Swedish way, when it holds
// ".VL" (the rule of the tunnel's save); empty otherwise.
std::string tunnelAlignmentName(const dbstype& rec);

// A tunnel read through CTunDbs::Init (which packs a file with holes, as the library does).
struct Tunnel {
    std::string odbPath;  // CP1252, Windows form
    bool present = false; // the .ODB file exists
    bool read = false;    // Init returned 0
    tunhdtype head{};
    double version = 0;
    std::vector<todbtype> records;   // in file order
    std::vector<todbtype> positions; // kind 7, by ascending chainage (stable)
};
// Reads the tunnel of record `rec` (files named after its `filnamn`). The library's messages
// go to the current user-interface sink. False when the file is missing or refused.
bool readTunnel(CProjPath& proj, const dbstype& rec, Tunnel& t);
// Where the head of a tunnel database and its records disagree ("the head counts N records,
// the file holds M", and the same for positions, kind 7): one text each, none when they agree.
std::vector<std::string> tunnelCountDamage(const tunhdtype& head, int records, int positions);
// Each of those told as "harn CMD: damaged FILE: WHAT" (the command is then failed), for the
// database `odbPath` (Windows form); the second for a tunnel read by readTunnel.
void reportTunnelDamage(const std::string& cmd, const char* odbPath, const tunhdtype& head,
                        int records, int positions);
void reportTunnelDamage(const std::string& cmd, const Tunnel& t);

// One stretch of a tunnel: from a position to the next (the last position is a stretch of
// no length, the tunnel's end), with the type that applies there.
struct TunnelStretch {
    double from, to;
    std::string typeName;           // CP1252
    const tvtytype* type = nullptr; // null when the library has no such type
};
std::vector<TunnelStretch> tunnelStretches(const Tunnel& t, const SectionLibrary& lib);

// A tunnel's plan geometry along its alignment.
struct TunnelShape {
    double from = 0, to = 0;    // chainage of the centre line drawn (clipped to the alignment)
    std::vector<GridPt> centre; // the centre line from the first position to the last
    // Closed outlines (first point repeated at the end), one per run of stretches whose
    // types are known: the left side (−xmin) forward, the right side (−xmax) back.
    std::vector<std::vector<GridPt>> outlines;
    std::string missing; // why there is no centre line (empty when there is one)
};
TunnelShape tunnelShape(const Tunnel& t, const std::vector<TunnelStretch>& stretches,
                        Alignment* alignment, double tolerance = kChordTolerance);

// Chainage as km/m: 1250.5 -> "1/250.5", 50 -> "0/050", -20 -> "-0/020".
std::string chainageText(double chainage);

} // namespace cli
