// Library file of reinforcement systems (CForstSystem); see LibrarySupport.h.
#include "fuzz/Targets.h"
#include "fuzz/targets/LibrarySupport.h"
#include "mapping/CForstSystem.h"

namespace harn_fuzz {

int fuzzForstSystem(const uint8_t* data, std::size_t size) {
    fuzzLibrary<CForstSystem, systype>(data, size);
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzForstSystem)
