// The drainage file HARNDB\T1.ODD (CTunDran): see BoltDrainSupport.h. After a save every
// drain's points are numbered 1, 2, ... in their drain, all carry the drain's start and end
// chainage (the smallest and largest chainage of its points), and the drains follow one
// another by start chainage (chainages that are not numbers aside).
#include "fuzz/Targets.h"
#include "fuzz/targets/BoltDrainSupport.h"
#include "tunnel/CTunDran.h"

#include <cmath>

namespace harn_fuzz {
namespace {

void checkDrains(CTunDran& f) {
    if (f.Home() != 0)
        return;
    const todbtype* open = nullptr; // the first point of the current drain
    double low = 0, high = 0, previousStart = -INFINITY;
    bool nan = false; // a point's chainage is not a number: the drain has no defined extent
    int32_t place = 0;
    auto close = [&] {
        if (open && !nan)
            check(open->sekt == low && open->sekt2 == high,
                  "a drain's start or end is not its smallest or largest chainage");
    };
    do {
        const todbtype& r = *f.Get_aktel();
        if (r.lnr() == 1) {
            close();
            if (!std::isnan(r.sekt)) {
                check(r.sekt >= previousStart, "the drains are not in start chainage order");
                previousStart = r.sekt;
            }
            open = &r;
            low = high = r.psekt();
            nan = std::isnan(r.psekt());
            place = 1;
        } else {
            check(open && r.lnr() == ++place, "a drain's points are not numbered in turn");
            check(std::memcmp(&r.sekt, &open->sekt, 2 * sizeof(double)) == 0,
                  "the points of a drain disagree on its start and end");
            low = std::fmin(low, r.psekt());
            high = std::fmax(high, r.psekt());
            nan = nan || std::isnan(r.psekt());
        }
    } while (f++);
    close();
}

} // namespace

int fuzzOdd(const uint8_t* data, std::size_t size) {
    fuzzBoltDrain<CTunDran>(
        data, size, "HARNDB/T1.ODD", [](CTunDran&, const todbtype& r) { return r.dnr() != 0; },
        checkDrains);
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzOdd)
