// The borehole head: the input is B1.SND. CHarnDbs::LasHead reads the head lines without
// changing the file and cuts every text to its field; writing the head read
// (CHarnDbs::SkrivHead) and reading it back gives the same file again.
#include "database/CHarnDbs.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/SndSupport.h"
#include "host/CAutoIni.h"

#include <cstring>

namespace harn_fuzz {

int fuzzSndHead(const uint8_t* data, std::size_t size) {
    Session s;
    s.write(kSnd, bytes(data, size));
    CAutoIni ini;
    CHarnDbs dbs(&s.proj(), &ini);
    bool documented = false;
    auto save = [&]() {
        const std::string before = s.read(kSnd);
        harnbhdtype bhd;
        std::memset(&bhd, 0, sizeof bhd);
        check(dbs.LasHead("B1", &bhd) == 0, "an existing borehole file gave no head");
        checkUnchanged(s, before);
        checkHead(bhd);
        documented = documented || idEndsInSpace(bhd);
        char name[] = "B1";
        check(dbs.SkrivHead(&bhd, name) == 0, "writing the borehole head failed");
        return s.read(kSnd);
    };
    checkStable(save, documented, kStable, "borehole head: a second write changed the file");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzSndHead)
