// The library's failure channel. Some described procedures go on after a step that failed
// (a save whose database update failed still returns 0); the failure is reported here as
// well, so that a caller (the tool) still learns of it. Safe from any thread.
#pragma once

#include <string>
#include <vector>

namespace platform {

class FailureLog {
public:
    // Records one failure; `what` is a short CP1252 text naming the step and the file.
    static void report(const std::string& what);
    // Failures reported since the last reset.
    static int count();
    // The texts reported since the last reset, oldest first.
    static std::vector<std::string> entries();
    // Forgets every reported failure.
    static void reset();
};

} // namespace platform
