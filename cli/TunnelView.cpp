#include "cli/TunnelView.h"

#include "cli/Cli.h"
#include "cli/CountingConsole.h"
#include "cli/DbsCli.h"
#include "cli/FileChecks.h"
#include "cli/TunnelGeometry.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "host/CVaglinje.h"
#include "list/Utilities.h"
#include "mapping/CHkolista.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "tunnel/CTunBult.h"
#include "tunnel/CTunDbs.h"
#include "tunnel/CTunDran.h"
#include "tunnel/CTunTv.h"
#include "tunnel/CTvarsnitt.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

namespace cli {

namespace {

// A bolt or drainage file that `check` finds damaged (a head whose end is not a record's end
// within the file, a version the reader refuses) is said as `check` says it, and fails the
// command: what was read of it is shown all the same.
template <class File>
void readList(const std::string& cmdName, File& file, const char* ext, const std::string& namn,
              BoltDrainList& out) {
    out.file = namn + ext;
    out.present = platform::access(file.Sokvag(), 0) == 0;
    if (!out.present)
        return;
    FindingList found;
    checkBoltDrainFile(file.Sokvag(), namn, found);
    reportErrors(cmdName, found);
    out.read = file.InitReadOnly() == 0;
    out.head = file.m_hd;
    if (out.read && file.Home() == 0)
        do
            out.records.push_back(*file.Get_aktel());
        while (file++);
}

} // namespace

std::vector<Drain> drainsOf(const std::vector<todbtype>& points) {
    std::vector<Drain> out;
    for (const todbtype& p : points) {
        if (out.empty() || p.lnr() == 1)
            out.push_back({p.sekt, p.sekt2, {}});
        out.back().points.push_back(p);
    }
    return out;
}

int readTunnelView(const std::string& cmdName, const std::string& dir, const std::string& id,
                   TunnelView& view) {
    auto proj = projectFor(dir);
    if (!platform::isDirectory(proj->ProjKat())) {
        std::cerr << "harn " << cmdName << ": no project folder " << dir << "\n";
        return kFailed;
    }
    CountingConsole console;
    UserInterfaceScope scope(console);
    const size_t failuresBefore = platform::FailureLog::entries().size();
    CHarnDbs dbs(proj.get(), nullptr);
    if (openDatabase(dbs, *proj, 1) != 0)
        return kFailed;
    const std::string wanted = fromUtf8(id);
    char key[16] = {};
    if (wanted.size() >= sizeof key ||
        (std::snprintf(key, sizeof key, "%s", wanted.c_str()), dbs.Findid(1, key) != 0)) {
        std::cerr << "harn " << cmdName << ": no tunnel " << id << " in " << dir << "\n";
        return kFailed;
    }
    const dbstype& rec = *dbs.Get_aktel();
    view.id = terminatedField(rec.id);
    view.filnamn = terminatedField(rec.filnamn);
    view.text = terminatedField(rec.text);

    CTunDbs tun(proj.get(), view.filnamn.c_str());
    if (platform::access(tun.Sokvag(".ODB"), 0) != 0) {
        std::cerr << "harn " << cmdName << ": tunnel " << toUtf8(view.id.c_str())
                  << " has no tunnel database " << toUtf8(tun.Sokvag(".ODB")) << "\n";
        return kFailed;
    }
    if (tun.InitReadOnly() != 0)
        return kFailed; // the library's message is on standard error
    view.version = terminatedField(tun.m_hd.version);
    int records = 0;
    if (tun.Home() == 0)
        do {
            ++records;
            if (tun.Get_aktel()->typ == 7)
                view.positions.push_back(*tun.Get_aktel());
        } while (tun++);
    reportTunnelDamage(cmdName, tun.Sokvag(".ODB"), tun.m_hd, records,
                       static_cast<int>(view.positions.size()));

    // The springing levels of the types, as the sequence classifies at them.
    CTvarsnitt lib(proj.get());
    const bool haveLibrary =
        platform::access(lib.IndexPath(), 0) == 0 && lib.InitReadOnly() == 0 && lib.Home() == 0;
    CVaglinje arcs; // arc arithmetic only
    CTunTv tv(&tun, proj.get(), &arcs, true);
    if (tv.Home() == 0)
        do {
            const kotuntype& k = *tv.Get_aktel();
            TunnelSection s;
            s.sekt = k.sekt;
            s.type = terminatedField(k.tvnamn);
            for (int i = 0; i < 6; ++i)
                s.hval[i] = k.hval[i], s.sval[i] = k.sval[i], s.xp[i] = k.xp[i], s.yp[i] = k.yp[i];
            for (int i = 0; i < 5; ++i)
                s.lang[i] = k.lang[i];
            if (k.pPunkter)
                k.pPunkter->Where(&s.points);
            s.outline = tunnel::SectionPolyline(k, arcs);
            if (haveLibrary) {
                std::string name = s.type;
                UpperCaseSwedish(name.data());
                lib.Home();
                do {
                    std::string have = terminatedField(lib.Get_aktel()->tvnamn);
                    UpperCaseSwedish(have.data());
                    if (!name.empty() && have == name) {
                        s.typeFound = true;
                        s.anfstart = lib.Get_aktel()->anfstart;
                        s.anfslut = lib.Get_aktel()->anfslut;
                        break;
                    }
                } while (lib++);
            }
            view.sections.push_back(std::move(s));
        } while (tv++);
    for (size_t i = 0; i < view.sections.size(); ++i)
        view.sections[i].to =
            i + 1 < view.sections.size() ? view.sections[i + 1].sekt : view.sections[i].sekt;

    CTunBult bolts(proj.get(), view.filnamn.c_str());
    readList(cmdName, bolts, ".ODF", view.filnamn, view.bolts);
    CTunDran drains(proj.get(), view.filnamn.c_str());
    readList(cmdName, drains, ".ODD", view.filnamn, view.drains);
    view.drainGroups = drainsOf(view.drains.records);
    view.shown =
        console.shown + static_cast<int>(platform::FailureLog::entries().size() - failuresBefore);
    return kOk;
}

const TunnelSection* sectionAt(const TunnelView& view, double chainage) {
    if (view.sections.empty() || !(chainage >= view.sections.front().sekt) ||
        !(chainage <= view.sections.back().sekt))
        return nullptr;
    const TunnelSection* found = nullptr;
    for (const TunnelSection& s : view.sections)
        if (s.sekt <= chainage)
            found = &s;
    return found;
}

const char* zoneColour(int zone) {
    static const char* const colours[5] = {"#1b9e77", "#e6ab02", "#7570b3", "#e7298a", "#66a61e"};
    return zone >= 0 && zone < 5 ? colours[zone] : "#9a9a9a";
}

const char* zoneLabel(int zone) {
    static const char* const labels[5] = {"zone 0: first wall up to A", "zone 1: A to B",
                                          "zone 2: B over the roof to B", "zone 3: B down to A",
                                          "zone 4: A down the second wall"};
    return zone >= 0 && zone < 5 ? labels[zone] : "outside the zones";
}

bool pointAt(const std::vector<tunnel::OutlinePoint>& outline, double s, double& x, double& y,
             double& nx, double& ny) {
    // Twice the signed area tells the turning direction: the outside is to the right of a
    // counter-clockwise outline.
    double area = 0;
    for (size_t i = 0; i + 1 < outline.size(); ++i)
        area += outline[i].x * outline[i + 1].y - outline[i + 1].x * outline[i].y;
    const double side = area >= 0 ? 1 : -1;
    // The piece that holds s; at a point between two pieces (a corner) the normal is the mean
    // of both, so that a bolt there points out of the corner.
    bool found = false;
    double sumX = 0, sumY = 0;
    for (size_t i = 0; i + 1 < outline.size(); ++i) {
        const tunnel::OutlinePoint& a = outline[i];
        const tunnel::OutlinePoint& b = outline[i + 1];
        const double lo = std::fmin(a.s, b.s), hi = std::fmax(a.s, b.s);
        if (!(s >= lo && s <= hi) || a.s == b.s)
            continue;
        const double t = (s - a.s) / (b.s - a.s);
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        if (!found) {
            x = a.x + t * (b.x - a.x);
            y = a.y + t * (b.y - a.y);
        } else if (std::hypot(a.x + t * (b.x - a.x) - x, a.y + t * (b.y - a.y) - y) > 1e-9) {
            break; // the outline comes back to this s elsewhere
        }
        found = true;
        sumX += side * (b.y - a.y) / len;
        sumY -= side * (b.x - a.x) / len;
        if (s != lo && s != hi)
            break;
    }
    const double norm = std::hypot(sumX, sumY);
    if (!found || !(norm > 0))
        return false;
    nx = sumX / norm, ny = sumY / norm;
    return true;
}

} // namespace cli
