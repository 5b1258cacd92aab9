// The benchmark process keeps the memory it frees. By default the allocator gives large freed
// blocks back to the system, depending on their size and on what was freed before: a
// repetition at one size then reuses warm pages while one at a ten times larger size takes
// and clears every page anew, and the growth between the two sizes measures that policy
// rather than the work. With fixed thresholds every benchmark and its floor run on reused
// memory at every size. (The tool's benchmarks time whole processes, first touches included.)
#include <malloc.h>

namespace {

const bool kWarmMemory = [] {
    mallopt(M_MMAP_THRESHOLD, 32 << 20); // the largest the allocator allows
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    return true;
}();

} // namespace
