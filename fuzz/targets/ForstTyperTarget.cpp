// Library file of reinforcement types (CForstTyper); see LibrarySupport.h.
#include "fuzz/Targets.h"
#include "fuzz/targets/LibrarySupport.h"
#include "mapping/CForstTyper.h"

namespace harn_fuzz {

int fuzzForstTyper(const uint8_t* data, std::size_t size) {
    fuzzLibrary<CForstTyper, fortype>(data, size);
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzForstTyper)
