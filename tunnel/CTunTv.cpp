// The cross-section sequence of a tunnel: the runs of positions, the outlines read and
// classified at the springing levels with the crossing points inserted, the zone lengths and
// the developed coordinates of the zone boundaries.
#include "tunnel/CTunTv.h"

#include "host/CProjPath.h"
#include "host/CVaglinje.h"
#include "list/Utilities.h"
#include "mapping/CHkolista.h"
#include "platform/CString.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "tunnel/CTunDbs.h"
#include "tunnel/CTvarsnitt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Lines of the outline file are read with this limit (151 characters and the terminator).
constexpr int kLineLimit = 152;
// A bulge up to this magnitude is a straight segment.
constexpr double kStraight = 0.000001;
// Distance within which a point lies at a springing level.
constexpr double kLevelTolerance = 0.001;
// Direction limits of steep and flat segments (radians).
constexpr double kQuarterPi = 0.7853981633975;
constexpr double kThreeQuarterPi = 2.3561944901925;
constexpr double kUpright = 1.570796326795;

bool steep(double theta) {
    return (theta > kQuarterPi && theta < kThreeQuarterPi) ||
           (theta > -kThreeQuarterPi && theta < -kQuarterPi);
}

bool flat(double theta) {
    return (theta > -kQuarterPi && theta < kQuarterPi) || theta > kThreeQuarterPi ||
           theta < -kThreeQuarterPi;
}

kovltype vertex(const kokotype& p) {
    return kovltype{p.x, p.y, p.z, 0};
}

// Length of the outline segment from q (with q's bulge) to p.
double segmentLength(CVaglinje& vl, const kokotype& q, const kokotype& p) {
    if (std::fabs(q.z) <= kStraight)
        return std::hypot(p.x - q.x, p.y - q.y);
    kovltype a = vertex(q), b = vertex(p);
    double len = 0, other = 0;
    vl.Padist(&a, &b, p.x, p.y, &len, &other);
    return len;
}

// The library record of the type `name` (compared as the library compares names: after
// the Swedish upper-casing of both), or null.
const tvtytype* findType(CTvarsnitt& lib, const char* name) {
    std::string wanted(name);
    UpperCaseSwedish(wanted.data());
    if (lib.Home() != 0)
        return nullptr;
    do {
        const tvtytype* t = lib.Get_aktel();
        std::string have(t->tvnamn, strnlen(t->tvnamn, sizeof t->tvnamn));
        UpperCaseSwedish(have.data());
        if (have == wanted)
            return t;
    } while (lib++);
    return nullptr;
}

// Puts the new point r, at height `level` on the arc from p (with p's bulge) to n, and
// splits the arc's bulge between p, r and n. The side of the circle is the one of p; when
// that point is not on the arc (the arc passes over or under the centre before it reaches
// the level, as one that starts at the crown does), the other one is. False when the arc has
// no centre (then nothing is changed).
bool splitArc(CVaglinje& vl, kokotype* p, kokotype* r, kokotype* n, double level) {
    double rad = 0, cx = 0, cy = 0;
    if (vl.Bulge_r(p, n, &rad, &cx, &cy, 1) != 0)
        return false;
    const double h = std::sqrt(std::max(0.0, rad * rad - (level - cy) * (level - cy)));
    r->y = level;
    r->x = p->x >= cx ? cx + h : cx - h;
    kovltype a = vertex(*p), b = vertex(*n);
    double whole = 0, at = 0;
    vl.Padist(&a, &b, n->x, n->y, &whole, nullptr);
    vl.Padist(&a, &b, r->x, r->y, &at, nullptr);
    const double slack = 1e-9 * std::max(1.0, rad);
    if (at < -slack || at > whole + slack)
        r->x = 2 * cx - r->x;
    vl.Bulge_r(p, r, &rad, &cx, &cy, 0);
    vl.Bulge_r(r, n, &rad, &cx, &cy, 0);
    return true;
}

} // namespace

CTunTv::CTunTv(CTunDbs* tun, CProjPath* proj, CVaglinje* vl, bool readOnly) {
    // Runs of positions with the same type.
    int c = 0;
    if (tun && tun->Home() == 0) {
        do {
            const todbtype* r = tun->Get_aktel();
            if (r->typ != 7)
                continue;
            char name[sizeof r->tvnamn + 1] = {};
            std::memcpy(name, r->tvnamn, sizeof r->tvnamn);
            const bool sameAsLast = m_sist && std::strcmp(name, m_sist->rec.tvnamn) == 0;
            if (c != 0 && sameAsLast) {
                ++c;
                m_sist->rec.sekt = r->sekt;
                continue;
            }
            c = sameAsLast ? c + 1 : 0;
            Ny(1, nullptr);
            m_pael->pPunkter = new CHkolista();
            std::memcpy(m_pael->tvnamn, name, sizeof name);
            m_pael->sekt = r->sekt;
        } while ((*tun)++);
    }
    if (Home() != 0)
        return;

    std::unique_ptr<CVaglinje> own;
    if (!vl) {
        own = std::make_unique<CVaglinje>();
        vl = own.get();
    }
    CTvarsnitt lib(proj);
    if (proj && (readOnly ? lib.InitReadOnly() : lib.Init(0)) != 0 &&
        platform::access(lib.IndexPath(), 0) == 0)
        platform::FailureLog::report(
            std::string("Tvärsnittstyperna kunde inte läsas, tunnelns tvärsnitt saknas: "_cp) +
            static_cast<const char*>(lib.IndexPath()));
    const bool haveLibrary = lib.Where(nullptr) >= 0;

    do {
        kotuntype* k = m_pael;
        if (k->tvnamn[0] == 0) {
            std::snprintf(g_lineBuffer, kScratchSize, "%s %.2lf",
                          "Tvärsnittsnamn saknas för Sekt ="_cp, k->sekt);
            ShowStatus(g_lineBuffer);
            continue;
        }
        if (!haveLibrary || ReadTTV(proj, vl, k->tvnamn, lib) != 0) {
            std::snprintf(g_lineBuffer, kScratchSize, "%s %s %s", "Hittar ej", k->tvnamn,
                          "i biblioteket");
            ShowStatus(g_lineBuffer);
            continue;
        }

        // The zone lengths and the characteristic points.
        CHkolista& pts = *k->pPunkter;
        const OutlineWalk walk = Walk(pts);
        std::vector<const kokotype*> at;
        if (pts.Home() == 0)
            do
                at.push_back(pts.Get_aktel());
            while (pts++);
        for (size_t i = 0; i + 1 < at.size(); ++i)
            if (walk.zone[i] >= 0)
                k->lang[walk.zone[i]] += segmentLength(*vl, *at[i], *at[i + 1]);
        for (int j = 0; j < 6; ++j)
            if (walk.point[j] >= 0)
                k->xp[j] = at[walk.point[j]]->x, k->yp[j] = at[walk.point[j]]->y;

        // Developed coordinates of the zone boundaries.
        k->hval[0] = k->yp[1] - k->yp[0] - k->xp[1];
        for (int i = 1; i <= 4; ++i)
            k->hval[i] = -k->xp[i];
        k->hval[5] = k->yp[5] - k->yp[4] - k->xp[4];
        k->sval[2] = 0.5 * k->lang[2];
        k->sval[1] = k->lang[1] + k->sval[2];
        k->sval[0] = k->lang[0] + k->sval[1];
        k->sval[3] = -0.5 * k->lang[2];
        k->sval[4] = k->sval[3] - k->lang[3];
        k->sval[5] = k->sval[4] - k->lang[4];
    } while ((*this)++);
}

CTunTv::OutlineWalk CTunTv::Walk(CHkolista& pts) {
    OutlineWalk w;
    std::fill(std::begin(w.point), std::end(w.point), -1);
    int s = -1, n = 1, i = -1;
    if (pts.Home() == 0)
        do {
            w.zone.push_back(-1);
            ++i;
            const int code = ZoneCode(*pts.Get_aktel());
            if (s == -1) {
                if (code < 0)
                    continue;
                s = 0;
                w.point[0] = i;
            } else {
                w.zone[i - 1] = s; // the segment from the previous point
            }
            w.point[5] = i;
            if (code >= 3) {
                s = 2;
                w.point[2] = i;
                if (n == 1) {
                    w.point[1] = i;
                    n = 2;
                }
                ++n;
            } else if (code == 2) {
                w.point[n == 1 ? 1 : 3] = i;
                s = n == 1 ? 1 : 3;
                ++n;
            } else if (code == 1) {
                s = 4;
                w.point[4] = i;
            } else if (code == 0 && s == 4) {
                break;
            }
        } while (pts++);
    int count = 0;
    pts.Where(&count);
    w.zone.resize(static_cast<size_t>(count), -1);
    return w;
}

CTunTv::~CTunTv() {
    if (Home() == 0)
        do
            delete m_pael->pPunkter;
        while ((*this)++);
}

int CTunTv::ReadTTV(CProjPath* proj, CVaglinje* vl, const char* name, CTvarsnitt& lib) {
    if (!m_pael || !proj || !vl || !name)
        return -1;
    // A type the library does not hold has no springing levels to classify at.
    const tvtytype* type = findType(lib, name);
    if (!type)
        return -1;
    const double a = type->anfstart, b = type->anfslut;

    CString path;
    path.Format("%s%s%s%s%s.TTV", proj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\", name);
    auto cannotOpen = [&path]() {
        std::snprintf(g_nameBuffer, kScratchSize, "%s", static_cast<const char*>(path));
        std::snprintf(g_lineBuffer, kScratchSize, "Kan ej öppna : %s"_cp, g_nameBuffer);
        ShowMessage(g_lineBuffer);
        return -3;
    };
    if (platform::access(path, 0) != 0)
        return cannotOpen();
    std::FILE* f = platform::fopen(path, "r");
    if (!f)
        return cannotOpen();
    if (!m_pael->pPunkter)
        m_pael->pPunkter = new CHkolista();
    CHkolista& pts = *m_pael->pPunkter;
    int before = 0;
    pts.Where(&before);
    int stars = 0;
    while (stars < 3 && std::fgets(g_lineBuffer, kLineLimit, f)) {
        if (g_lineBuffer[0] == '*') {
            ++stars;
            continue;
        }
        if (stars != 2)
            continue;
        // x, y, the radius (skipped) and the bulge.
        double x, y, bulge;
        if (std::sscanf(g_lineBuffer, "%lf %lf %*f %lf", &x, &y, &bulge) == 3) {
            pts.Ny(1, nullptr);
            kokotype* p = pts.Get_aktel();
            p->x = x, p->y = y, p->z = bulge;
            SetZoneCode(*p, -1);
        }
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        // A half-read outline would give wrong zones: keep none of it.
        int now = 0;
        for (pts.Where(&now); now > before && pts.End() == 0; --now)
            pts.Delete();
        return cannotOpen();
    }

    // Classify the points and insert those where the outline crosses a springing level.
    int s = -1;
    if (pts.Home() != 0)
        return 0;
    kokotype* p = pts.Get_aktel();
    while (p) {
        kokotype* n = pts++ ? pts.Get_aktel() : nullptr; // n, when there is one, is current
        const double theta =
            std::fabs(p->z) > kStraight || !n ? kUpright : std::atan2(n->y - p->y, n->x - p->x);
        if (s == -1 && steep(theta)) {
            SetZoneCode(*p, 0);
            s = 0;
        } else if (s == 1 && flat(theta)) {
            SetZoneCode(*p, 0);
            s = 0;
        } else if (ZoneCode(*p) < 1) {
            const bool rising = n && p->y <= n->y;
            if (std::fabs(p->y - b) < kLevelTolerance) {
                s = rising ? 3 : 2;
                SetZoneCode(*p, s);
            } else if (std::fabs(p->y - a) < kLevelTolerance) {
                s = rising ? 2 : 1;
                SetZoneCode(*p, s);
            }
        }
        if (!n)
            break;

        const double t = kLevelTolerance;
        double level = 0;
        int code = -1;
        if (p->y < a - t && n->y > a + t && p->y < n->y)
            level = a, code = 2;
        else if (p->y < b - t && n->y > b + t && p->y < n->y)
            level = b, code = 3;
        else if (p->y > b + t && n->y < b - t && p->y > n->y)
            level = b, code = 2;
        else if (p->y > a + t && n->y < a - t && p->y > n->y)
            level = a, code = 1;
        if (code < 0) {
            p = n;
            continue;
        }
        pts.Ny(0, nullptr); // before n: the new point is current
        kokotype* r = pts.Get_aktel();
        r->y = level;
        SetZoneCode(*r, code);
        s = code;
        if (std::fabs(p->z) <= kStraight || !splitArc(*vl, p, r, n, level)) {
            r->z = 0;
            r->x = (level - p->y) * (n->x - p->x) / (n->y - p->y) + p->x;
        }
        p = r;
    }
    return 0;
}
