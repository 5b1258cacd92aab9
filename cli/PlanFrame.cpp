#include "cli/PlanFrame.h"

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<long>(mid), v.end());
    const double upper = v[mid];
    if (v.size() % 2)
        return upper;
    const double lower = *std::max_element(v.begin(), v.begin() + static_cast<long>(mid));
    return (lower + upper) / 2;
}

bool sane(const PlanExtent& e) {
    for (double v : {e.x1, e.y1, e.x2, e.y2})
        if (!std::isfinite(v) || std::fabs(v) > kMaxCoordinate)
            return false;
    return true;
}

} // namespace

PlanFrame robustFrame(const std::vector<std::optional<PlanExtent>>& objects) {
    PlanFrame f;
    std::vector<size_t> kept;
    std::vector<double> xs, ys;
    for (size_t i = 0; i < objects.size(); ++i) {
        if (!objects[i])
            continue;
        if (!sane(*objects[i])) {
            f.invalid.push_back(i);
            continue;
        }
        kept.push_back(i);
        xs.push_back(objects[i]->cx());
        ys.push_back(objects[i]->cy());
    }
    const double mx = median(xs), my = median(ys);
    std::vector<double> dist;
    for (size_t i : kept)
        dist.push_back(std::hypot(objects[i]->cx() - mx, objects[i]->cy() - my));
    const double limit = 4 * median(dist) + 100;
    for (size_t k = 0; k < kept.size(); ++k) {
        const PlanExtent& e = *objects[kept[k]];
        if (dist[k] > limit) {
            f.far.push_back(kept[k]);
            continue;
        }
        if (f.empty)
            f.box = e;
        f.box = {std::min(f.box.x1, e.x1), std::min(f.box.y1, e.y1), std::max(f.box.x2, e.x2),
                 std::max(f.box.y2, e.y2)};
        f.empty = false;
    }
    return f;
}

std::string compassWord(double dx, double dy) {
    static const char* const words[8] = {"east", "north-east", "north", "north-west",
                                         "west", "south-west", "south", "south-east"};
    const double a = std::atan2(dy, dx) * 4 / std::acos(-1.0); // eighths of a turn
    return words[(static_cast<int>(std::lround(a)) + 8) % 8];
}

} // namespace cli
