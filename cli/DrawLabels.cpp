#include "cli/DrawLabels.h"

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

constexpr double kCell = 48.0; // pixels per cell of the obstacle grid

int cellOf(double v) {
    // Far-away values share the outermost cells instead of overflowing.
    return static_cast<int>(std::clamp(std::floor(v / kCell), -1e6, 1e6));
}

double overlap(const Box& a, const Box& b) {
    const double w = std::min(a.x2, b.x2) - std::max(a.x1, b.x1);
    const double h = std::min(a.y2, b.y2) - std::max(a.y1, b.y1);
    return w > 0 && h > 0 ? w * h : 0;
}

// True when the segment p-q passes through the box (Liang-Barsky clipping).
bool crosses(double px, double py, double qx, double qy, const Box& b) {
    double t0 = 0, t1 = 1;
    const double dx = qx - px, dy = qy - py;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {px - b.x1, b.x2 - px, py - b.y1, b.y2 - py};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

} // namespace

double textWidth(const std::string& utf8, double fontSize) {
    size_t chars = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++chars;
    return 0.66 * fontSize * static_cast<double>(chars) + 3;
}

void LabelPlacer::add(const Obstacle& o) {
    if (!std::isfinite(o.b.x1) || !std::isfinite(o.b.y1) || !std::isfinite(o.b.x2) ||
        !std::isfinite(o.b.y2))
        return;
    const int id = static_cast<int>(m_obstacles.size());
    m_obstacles.push_back(o);
    m_seen.push_back(0);
    const int cx1 = cellOf(std::min(o.b.x1, o.b.x2)), cx2 = cellOf(std::max(o.b.x1, o.b.x2));
    const int cy1 = cellOf(std::min(o.b.y1, o.b.y2)), cy2 = cellOf(std::max(o.b.y1, o.b.y2));
    // A long segment is entered in every cell of its bounding box only when that stays small;
    // otherwise in the cells along it.
    if (static_cast<long long>(cx2 - cx1 + 1) * (cy2 - cy1 + 1) <= 64) {
        for (int cx = cx1; cx <= cx2; ++cx)
            for (int cy = cy1; cy <= cy2; ++cy)
                m_cells[key(cx, cy)].push_back(id);
        return;
    }
    const double len = std::hypot(o.b.x2 - o.b.x1, o.b.y2 - o.b.y1);
    const int steps = static_cast<int>(std::min(len / (kCell / 2), 100000.0)) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const int cx = cellOf(o.b.x1 + t * (o.b.x2 - o.b.x1));
        const int cy = cellOf(o.b.y1 + t * (o.b.y2 - o.b.y1));
        for (int ex = -1; ex <= 1; ++ex)
            for (int ey = -1; ey <= 1; ++ey) {
                auto& cell = m_cells[key(cx + ex, cy + ey)];
                if (cell.empty() || cell.back() != id)
                    cell.push_back(id);
            }
    }
}

void LabelPlacer::addBox(const Box& b) {
    add({false, 3, b}); // covering a label or a symbol is worst
}

void LabelPlacer::addSegment(double x1, double y1, double x2, double y2, double weight) {
    add({true, weight, {x1, y1, x2, y2}});
}

double LabelPlacer::cost(const Box& b) {
    double c = 0;
    // Outside the frame counts as covered.
    const double area = (b.x2 - b.x1) * (b.y2 - b.y1);
    c += area - overlap(b, m_frame);
    ++m_query;
    for (int cx = cellOf(b.x1); cx <= cellOf(b.x2); ++cx)
        for (int cy = cellOf(b.y1); cy <= cellOf(b.y2); ++cy) {
            auto it = m_cells.find(key(cx, cy));
            if (it == m_cells.end())
                continue;
            for (int id : it->second) {
                if (m_seen[id] == m_query)
                    continue;
                m_seen[id] = m_query;
                const Obstacle& o = m_obstacles[id];
                if (o.segment)
                    c += crosses(o.b.x1, o.b.y1, o.b.x2, o.b.y2, b) ? o.weight * area : 0;
                else
                    c += o.weight * overlap(b, o.b);
            }
        }
    return c;
}

Box LabelPlacer::place(const Box& anchor, double w, double h) {
    const double cx = (anchor.x1 + anchor.x2) / 2, cy = (anchor.y1 + anchor.y2) / 2;
    Box best{};
    double bestCost = -1;
    for (double d : {3.0, 10.0, 20.0, 34.0}) {
        const double e = d * 0.7;
        // East, north-east, south-east, north, south, west, north-west, south-west.
        const Box candidates[8] = {
            {anchor.x2 + d, cy - h / 2, anchor.x2 + d + w, cy + h / 2},
            {anchor.x2 + e, anchor.y1 - e - h, anchor.x2 + e + w, anchor.y1 - e},
            {anchor.x2 + e, anchor.y2 + e, anchor.x2 + e + w, anchor.y2 + e + h},
            {cx - w / 2, anchor.y1 - d - h, cx + w / 2, anchor.y1 - d},
            {cx - w / 2, anchor.y2 + d, cx + w / 2, anchor.y2 + d + h},
            {anchor.x1 - d - w, cy - h / 2, anchor.x1 - d, cy + h / 2},
            {anchor.x1 - e - w, anchor.y1 - e - h, anchor.x1 - e, anchor.y1 - e},
            {anchor.x1 - e - w, anchor.y2 + e, anchor.x1 - e, anchor.y2 + e + h},
        };
        for (const Box& b : candidates) {
            // A spot further out must cover clearly less to be taken.
            const double c = cost(b) + (d - 3) * 6;
            if (bestCost < 0 || c < bestCost) {
                best = b;
                bestCost = c;
            }
        }
        if (bestCost == 0)
            break;
    }
    addBox(best);
    return best;
}

} // namespace cli
