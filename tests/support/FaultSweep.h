// A fault sweep of one save: the save runs once without faults, then once for every file
// operation it makes failing in turn (each kind of operation, the 1st, 2nd, ... one, once
// and from then on). After each run the data file must be the old one or the new one,
// complete; no file may be left beside it; and what the database (or list) says about the
// data must agree with the file, unless the failure was reported (a result other than 0, an
// exception, or an entry in platform::FailureLog).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

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
