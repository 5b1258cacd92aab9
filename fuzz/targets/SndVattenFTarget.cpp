// Water-loss tests: the input is B1.SND. CVattenF::Init reads the head and block 2 without
// changing the file; saving and reading back gives the same file again. A number wider than
// its column is cut by the text at column 50 (documented): such inputs are only read and
// saved.
#include "borehole/CVattenF.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/SndSupport.h"

namespace harn_fuzz {
namespace {

bool cutByText(CVattenF& vf) {
    bool cut = false;
    if (vf.Home() == 0)
        do {
            const vftype& r = *vf.Get_aktel();
            CString numbers;
            numbers.Format("%7.3f %7.3f %.1lf %.1lf %.1lf %.3lf %hd", r.vfvarde[0], r.vfvarde[1],
                           r.vfvarde[2], r.vfvarde[3], r.vfvarde[4], r.vfvarde[5], r.vfkod);
            cut = cut || widerThan(numbers, 49);
        } while (vf++);
    return cut;
}

} // namespace

int fuzzSndVattenF(const uint8_t* data, std::size_t size) {
    Session s;
    s.write(kSnd, bytes(data, size));
    bool documented = false;
    bool unstable = false;
    int first = 99;
    auto save = [&]() {
        const std::string before = s.read(kSnd);
        CVattenF vf(&s.proj(), "B1");
        const int result = vf.Init();
        checkUnchanged(s, before);
        if (first == 99)
            first = result;
        check(result == first, "a saved water-loss block read back differently");
        checkHead(vf.m_bhd);
        documented = documented || idEndsInSpace(vf.m_bhd);
        if (vf.Home() == 0)
            do
                check(terminated(vf.Get_aktel()->text), "a test's text runs past its field");
            while (vf++);
        unstable = unstable || cutByText(vf);
        vf.m_bhd.metod = result == 0 ? CVattenF::VF : -1;
        return saved(s, vf.Save(nullptr, 0));
    };
    checkStable(save, documented, unstable,
                "water-loss tests: a second save changed the borehole file");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzSndVattenF)
