// Library file of grouting systems (CInjSystem); see LibrarySupport.h.
#include "fuzz/Targets.h"
#include "fuzz/targets/LibrarySupport.h"
#include "mapping/CInjSystem.h"

namespace harn_fuzz {

int fuzzInjSystem(const uint8_t* data, std::size_t size) {
    fuzzLibrary<CInjSystem, injtype>(data, size);
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzInjSystem)
