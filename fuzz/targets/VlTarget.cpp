// Alignment files: the input is HARNDB\V1.VL, read by CVaglinje::Init. A refused file leaves
// the object empty with a reason and no message; a loaded one has at least two points with
// growing chainages, every chainage of its range gives a finite point (the ends the first
// and last point), the chainages just outside give none, Padist finds each point's length
// again, and reading twice gives the same points. The file is never changed.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "host/CVaglinje.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace harn_fuzz {
namespace {

const char* const kFile = "HARNDB/V1.VL";

std::string image(const CVaglinje& v) {
    return std::string(reinterpret_cast<const char*>(v.points().data()),
                       v.points().size() * sizeof(kovltype));
}

bool near(double a, double b, double scale) {
    return std::fabs(a - b) <= 1e-6 * (1 + scale);
}

} // namespace

int fuzzVl(const uint8_t* data, std::size_t size) {
    Session s;
    const std::string input = bytes(data, size);
    s.write(kFile, input);
    const std::string path = std::string(s.winPath()) + "\\HARNDB\\V1.VL";
    CVaglinje v;
    const int r = v.Init(path.c_str());
    checkSame(input, s.read(kFile), "reading changed the alignment file");
    check(s.ui.events.empty(), "reading an alignment showed a message");
    double x = 0, y = 0;
    if (r != 0) {
        check(r == -1, "a refused alignment did not give -1");
        check(!v.isLoaded() && v.elementCount() == 0 && !v.errorText().empty(),
              "a refused alignment left points or no reason");
        check(v.Vag2xy(0, 0, &x, &y) != 0, "a refused alignment still places points");
        return 0;
    }
    const std::vector<kovltype>& p = v.points();
    check(p.size() >= 2 && v.elementCount() == static_cast<int>(p.size()) - 1,
          "a loaded alignment has fewer than two points");
    double scale = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        check(std::isfinite(p[i].x) && std::isfinite(p[i].y) && std::isfinite(p[i].sekt),
              "a point of the alignment is not finite");
        check(i == 0 || p[i].sekt > p[i - 1].sekt, "chainages do not grow along the alignment");
        scale = std::max({scale, std::fabs(p[i].x), std::fabs(p[i].y), std::fabs(p[i].sekt)});
    }
    check(p.back().bulge == 0, "the last point has a bulge");
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const double l = p[i + 1].sekt - p[i].sekt;
        for (double f : {0.0, 0.5, 1.0}) {
            const double ch = f == 1.0 ? p[i + 1].sekt : p[i].sekt + f * l;
            check(v.Vag2xy(ch, 1, &x, &y) == 0 && std::isfinite(x) && std::isfinite(y),
                  "a chainage inside the range gives no point");
            check(v.Vag2xy(ch, 0, &x, &y) == 0, "a chainage inside the range gives no point");
            if (f == 0.0)
                check(near(x, p[i].x, scale) && near(y, p[i].y, scale),
                      "an element does not start at its point");
            if (f == 1.0)
                check(near(x, p[i + 1].x, scale) && near(y, p[i + 1].y, scale),
                      "an element does not end at the next point");
            kovltype a = p[i], b = p[i + 1];
            double len = 0, other = 0;
            check(v.Padist(&a, &b, x, y, &len, &other) == 0, "Padist refused an element");
            check(near(len, ch - p[i].sekt, scale) && near(other, 0, scale),
                  "Padist does not find a point of the line again");
        }
    }
    const double inf = std::numeric_limits<double>::infinity();
    check(v.Vag2xy(std::nextafter(v.startChainage(), -inf), 0, &x, &y) != 0 &&
              v.Vag2xy(std::nextafter(v.endChainage(), inf), 0, &x, &y) != 0,
          "a chainage outside the range gives a point");
    const std::string first = image(v);
    CVaglinje again;
    check(again.Init(path.c_str()) == 0, "reading the alignment again failed");
    checkSame(first, image(again), "reading the alignment twice gave other points");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzVl)
