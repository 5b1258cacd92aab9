// One seam that every file operation of the platform layer passes through, so that tests can
// make a chosen open, read, write, rename or remove fail and prove that no data is lost.
#pragma once

namespace platform {

enum class FileOp { Open, Read, Write, Rename, Remove };

class FaultInjector {
public:
    // The nth operation of this kind from now on (1 = the next one) fails; with `fromThenOn`
    // every later one fails as well. Arming one kind leaves the others as they are.
    static void failNth(FileOp op, int nth, bool fromThenOn = false);
    // Disarms every kind and restarts the counts.
    static void reset();
    // Called by the platform layer before each operation; true when it must fail.
    static bool shouldFail(FileOp op);
    // Operations of this kind seen since the last reset (useful to find the steps of a save).
    static int count(FileOp op);
};

// Disarms the injector when a test scope ends.
class FaultScope {
public:
    FaultScope() { FaultInjector::reset(); }
    ~FaultScope() { FaultInjector::reset(); }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};

} // namespace platform
