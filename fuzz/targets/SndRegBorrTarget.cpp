// Registered drilling: the input is B1.SND, read as block 3 (RB), as block 1 (JB1) and as
// the head alone, each on its own copy. Reading leaves the file as it was; saving and
// reading back gives the same file again. Documented reasons for a first save that is not
// yet stable: the rock level of code "95" is computed from the last depth before it is
// rounded to its three decimals, and kind 4 computes times from speeds before they are
// rounded (stable from the second save on). A number wider than its column is cut by the
// text (column 65 or 22): such inputs are only read and saved.
#include "borehole/CRegBorr.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/SndSupport.h"

#include <cstdlib>
#include <cstring>

namespace harn_fuzz {
namespace {

// Whether a reading's numbers reach the column of its text.
bool cutByText(CRegBorr& rb, int metod) {
    bool cut = false;
    if (rb.Home() == 0)
        do {
            const rbtype& r = *rb.Get_aktel();
            CString numbers;
            if (metod == CRegBorr::JB1)
                numbers.Format("%7.3f %6ld", static_cast<double>(r.djup),
                               static_cast<long>(r.sjunktid));
            else
                numbers.Format("%7.3f %6ld %5.2lf %5.2lf %5.0lf %5.2lf %5.2lf %5.2lf %5.2lf",
                               static_cast<double>(r.djup), static_cast<long>(r.sjunktid),
                               r.hastighet, r.rbvarde[0], r.rbvarde[2], r.rbvarde[1], r.rbvarde[3],
                               r.rbvarde[4], r.rbvarde[5]);
            cut = cut || widerThan(numbers, metod == CRegBorr::JB1 ? 21 : 64);
        } while (rb++);
    return cut;
}

// Kind 4 computes times from speeds, code "95" the rock level from the last depth, before
// those are rounded to what the file keeps.
bool roundedLater(CRegBorr& rb) {
    bool documented = rb.m_typ4 != 0;
    float last = 0;
    if (rb.End() == 0)
        last = rb.Get_aktel()->djup;
    if (std::strncmp(rb.m_bhd.slutkod, "95", sizeof rb.m_bhd.slutkod) == 0) {
        char written[512];
        std::snprintf(written, sizeof written, "%7.3f", static_cast<double>(last));
        documented = documented || std::strtof(written, nullptr) != last;
    }
    return documented;
}

void run(const std::string& input, int metod) {
    Session s;
    s.write(kSnd, input);
    bool documented = false;
    bool unstable = false;
    int first = 99;
    auto save = [&]() {
        const std::string before = s.read(kSnd);
        CRegBorr rb(&s.proj(), "B1", metod);
        const int result = rb.Init(metod);
        checkUnchanged(s, before);
        if (first == 99)
            first = result;
        check(result == first, "a saved registered-drilling block read back differently");
        checkHead(rb.m_bhd);
        documented = documented || idEndsInSpace(rb.m_bhd);
        if (rb.Home() == 0)
            do
                check(terminated(rb.Get_aktel()->text), "a reading's text runs past its field");
            while (rb++);
        documented = documented || roundedLater(rb);
        unstable = unstable || cutByText(rb, metod);
        // Without the block only the head is written back (its blocks copied).
        rb.m_bhd.metod = result == 0 ? metod : -1;
        return saved(s, rb.Save(nullptr, 0));
    };
    checkStable(save, documented, unstable,
                "registered drilling: a second save changed the borehole file");
}

} // namespace

int fuzzSndRegBorr(const uint8_t* data, std::size_t size) {
    const std::string input = bytes(data, size);
    run(input, CRegBorr::RB);
    run(input, CRegBorr::JB1);
    run(input, CRegBorr::BARABHD);
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzSndRegBorr)
