// A fault sweep of one save: the save runs once without faults, then once for every file
// operation it makes failing in turn (each kind of operation, the 1st, 2nd, ... one, once
// and from then on). After each run the data file must be the old one or the new one,
// complete; no file may be left beside it; and what the database (or list) says about the
// data must agree with the file, unless the failure was reported (a result other than 0, an
// exception, or an entry in platform::FailureLog).
#pragma once

#include "platform/FaultInjection.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// One fault of a sweep: the nth operation of a kind fails, once or from then on.
struct Fault {
    platform::FileOp op;
    int nth;
    bool fromThenOn;
    bool reached = false;     // the run came to the failing operation
    std::string text() const; // "write 3 once", "open 1 and later"
};

// Runs `run` once for every file operation it makes failing in turn: each kind, the 1st,
// 2nd, ... one until a run makes fewer of that kind (the fault no longer fires: a clean run,
// checked too), once and from then on. `run` sets up, calls `arm` right before the step
// under test and returns its result; the fault is disarmed before `check` gets the fault
// and that result. Returns the number of runs.
int forEachFault(const std::function<int(const std::function<void()>& arm)>& run,
                 const std::function<void(const Fault& fault, int result)>& check);

struct SweepSubject {
    std::string name;
    // Folders (POSIX) whose files are put back before each run and checked after it.
    std::vector<std::string> folders;
    // The bytes of the data file(s) the save writes.
    std::function<std::string()> data;
    // What the database or list says about the data, in a comparable form; empty when none.
    std::function<std::string()> record = [] { return std::string(); };
    // Sets up, calls `arm` right before the save, saves; returns the save's result.
    std::function<int(const std::function<void()>& arm)> save;
};

struct SweepTally {
    int runs = 0;
    int lost = 0;        // data or record changed without the failure being reported
    int halfWritten = 0; // data or record neither old nor new (a doubled block included)
    int leftovers = 0;   // runs that left a file beside the data
    int locksLeft = 0;   // runs that left the database's lock file (reported apart)
};

// Sweeps `subject`; records failures with gtest and returns the counts. Prints one line.
SweepTally sweep(const SweepSubject& subject);

} // namespace testing_support
