// The bolt file HARNDB\T1.ODF (CTunBult): see BoltDrainSupport.h. Bolts are numbered only in
// files above version 1.19.
#include "fuzz/Targets.h"
#include "fuzz/targets/BoltDrainSupport.h"
#include "tunnel/CTunBult.h"
#include "tunnel/TunnelVersion.h"

namespace harn_fuzz {

int fuzzOdf(const uint8_t* data, std::size_t size) {
    fuzzBoltDrain<CTunBult>(
        data, size, "HARNDB/T1.ODF",
        [](CTunBult& f, const todbtype& r) {
            return f.m_hd.vernr <= tunnelfile::kFlagVersion || r.bnr() != 0;
        },
        [](CTunBult&) {});
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzOdf)
