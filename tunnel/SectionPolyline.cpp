#include "tunnel/SectionPolyline.h"

#include "host/CVaglinje.h"
#include "mapping/CHkolista.h"
#include "tunnel/CTunTv.h"

#include <cmath>

namespace tunnel {

namespace {

constexpr double kStraight = 0.000001; // a bulge up to this is a straight segment
constexpr double kDefaultAngle = 5 * 3.14159265358979323846 / 180;
constexpr int kMaxPieces = 3600; // pieces of one arc
constexpr double kSamePoint = 1e-9;

} // namespace

std::vector<OutlinePoint> SectionPolyline(const kotuntype& k, CVaglinje& vl, double maxAngle) {
    std::vector<OutlinePoint> out;
    if (!k.pPunkter)
        return out;
    if (!(maxAngle > 0))
        maxAngle = kDefaultAngle;
    const CTunTv::OutlineWalk walk = CTunTv::Walk(*k.pPunkter);
    if (k.pPunkter->Home() != 0)
        return out;
    std::vector<kokotype> pts;
    do
        pts.push_back(*k.pPunkter->Get_aktel());
    while ((*k.pPunkter)++);
    std::vector<int> zone = walk.zone;
    if (pts.size() > 1 &&
        std::hypot(pts.back().x - pts.front().x, pts.back().y - pts.front().y) > kSamePoint) {
        pts.push_back(pts.front()); // the closing segment
        zone.push_back(-1);
    }

    // Points are first given their distance along the outline from its first point, then
    // turned into the developed coordinate: the walk's first point is at sval[0].
    double along = 0, origin = 0;
    auto put = [&out](double x, double y, double at, int z, int vertex) {
        out.push_back({x, y, at, z, vertex});
    };
    for (size_t i = 0; i < pts.size(); ++i) {
        const int vertex = i < static_cast<size_t>(walk.zone.size()) ? static_cast<int>(i) : 0;
        if (static_cast<int>(i) == walk.point[0])
            origin = along;
        put(pts[i].x, pts[i].y, along, i + 1 < pts.size() ? zone[i] : -1, vertex);
        if (i + 1 == pts.size())
            break;
        kokotype p = pts[i], n = pts[i + 1];
        kovltype a{p.x, p.y, p.z, 0}, b{n.x, n.y, n.z, 0};
        double len = std::hypot(n.x - p.x, n.y - p.y), r = 0, cx = 0, cy = 0;
        if (std::fabs(p.z) > kStraight && vl.Bulge_r(&p, &n, &r, &cx, &cy, 1) == 0) {
            vl.Padist(&a, &b, n.x, n.y, &len, nullptr);
            const double sweep = 4 * std::atan(p.z);
            const int pieces =
                static_cast<int>(std::fmin(kMaxPieces, std::ceil(std::fabs(sweep) / maxAngle)));
            const double start = std::atan2(p.y - cy, p.x - cx);
            for (int j = 1; j < pieces; ++j) {
                const double angle = start + sweep * j / pieces;
                put(cx + r * std::cos(angle), cy + r * std::sin(angle), along + len * j / pieces,
                    zone[i], -1);
            }
        }
        along += len;
    }
    const double s0 = walk.point[0] >= 0 ? k.sval[0] : 0;
    for (OutlinePoint& p : out)
        p.s = s0 - (p.s - origin);
    return out;
}

} // namespace tunnel
