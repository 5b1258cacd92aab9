// Core drilling: the input is B1.SND. CKarnborr::Init reads the head and block 0 without
// changing the file; saving the block read (or, without one, the head alone) and reading
// back must give the same file again. A number wider than its column is cut by the text at
// column 60 (documented); such inputs are only read and saved. A section whose six extra
// values are all 32 and five extra numbers all 0 is written without an extra line and reads
// back with extra values 0, which the next save writes as a line of zeros; extra numbers too
// small for their one decimal (written as 0.0) read back as not given, so such a section loses
// its line on the next save and gets the line of zeros on the one after: such a file settles
// within the third save (documented).
#include "borehole/CKarnborr.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/SndSupport.h"

#include <cstdio>
#include <cstdlib>

namespace harn_fuzz {
namespace {

// Whether a section's numbers reach column 60, where the text overwrites them.
bool cutByText(CKarnborr& kb) {
    bool cut = false;
    if (kb.Home() == 0)
        do {
            const kbtype& r = *kb.Get_aktel();
            CString numbers;
            numbers.Format("%6.2f %2d %2d %3d %3d %1d %1d %2d %2d %1d %4d %3d %1d %1d %8.3lf %3d",
                           r.djup, r.kod2, r.underkod2, r.vinkel1, r.vinkel2, r.kod3, r.underkod3,
                           r.kod1, r.underkod1, r.klass, r.tal2, r.procent, r.val, r.flagga,
                           r.varde, r.tal1);
            cut = cut || widerThan(numbers, 59);
        } while (kb++);
    return cut;
}

// Whether a section is written without its extra line (none of its extra values given).
bool withoutExtraLine(CKarnborr& kb) {
    bool without = false;
    if (kb.Home() == 0)
        do {
            const kbtype& r = *kb.Get_aktel();
            bool none = true;
            for (int8_t e : r.extra)
                none = none && e == 32;
            // Numbers that one decimal shows as 0.0 are read back as 0.
            for (double v : r.extravarde) {
                char shown[32];
                std::snprintf(shown, sizeof shown, "%.1f", v);
                none = none && std::strtod(shown, nullptr) == 0;
            }
            without = without || none;
        } while (kb++);
    return without;
}

void checkSections(CKarnborr& kb) {
    if (kb.Home() != 0)
        return;
    do {
        const kbtype& r = *kb.Get_aktel();
        check(terminated(r.text), "a section's text runs past its field");
        for (const auto& rad : r.textrad)
            check(terminated(rad), "a section's remark runs past its field");
    } while (kb++);
}

} // namespace

int fuzzSndKarnborr(const uint8_t* data, std::size_t size) {
    Session s;
    const std::string input = bytes(data, size);
    s.write(kSnd, input);
    bool documented = false;
    bool unstable = false;
    int first = 99;
    auto save = [&]() {
        const std::string before = s.read(kSnd);
        CKarnborr kb(&s.proj(), "B1");
        const int result = kb.Init();
        checkUnchanged(s, before);
        if (first == 99)
            first = result;
        check(result == first, "a saved core-drilling block read back differently");
        checkHead(kb.m_bhd);
        documented = documented || idEndsInSpace(kb.m_bhd) || withoutExtraLine(kb);
        checkSections(kb);
        unstable = unstable || cutByText(kb);
        kb.m_bhd.metod = result == 0 ? CKarnborr::KB : -1;
        return saved(s, kb.Save(nullptr, 0));
    };
    checkStable(save, documented, unstable,
                "core drilling: a second save changed the borehole file", 2);
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzSndKarnborr)
