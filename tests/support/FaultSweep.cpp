#include "tests/support/FaultSweep.h"

#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

namespace testing_support {
namespace {

using platform::FaultInjector;
using platform::FileOp;

const FileOp kOps[] = {FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Rename, FileOp::Remove};
const char* const kOpNames[] = {"open", "read", "write", "rename", "remove"};
// The lock file of the project database's open/close protocol, not a file of the save.
const char* const kLock = "HARNPLAN.LCK";

// Every plain file of the folders, by POSIX path.
std::map<std::string, std::string> files(const std::vector<std::string>& folders) {
    std::map<std::string, std::string> out;
    for (const std::string& folder : folders)
        for (const auto& e : std::filesystem::directory_iterator(folder))
            if (e.is_regular_file())
                out[e.path().string()] = readBytes(e.path().string());
    return out;
}

void restore(const std::map<std::string, std::string>& snapshot,
             const std::vector<std::string>& folders) {
    for (const auto& [path, bytes] : files(folders))
        if (!snapshot.count(path))
            std::filesystem::remove(path);
    for (const auto& [path, bytes] : snapshot)
        writeBytes(path, bytes);
}

struct Outcome {
    int result = 0;
    bool threw = false;
    int reported = 0;
};

Outcome run(const SweepSubject& s, const std::function<void()>& arm) {
    Outcome o;
    platform::FailureLog::reset();
    try {
        o.result = s.save(arm);
    } catch (...) {
        o.threw = true; // the failure reaches the caller
    }
    o.reported = platform::FailureLog::count();
    platform::FailureLog::reset();
    return o;
}

} // namespace

std::string Fault::text() const {
    return std::string(kOpNames[static_cast<int>(op)]) + " " + std::to_string(nth) +
           (fromThenOn ? " and later" : " once");
}

int forEachFault(const std::function<int(const std::function<void()>& arm)>& run,
                 const std::function<void(const Fault& fault, int result)>& check) {
    int runs = 0;
    for (const FileOp op : kOps)
        for (bool later : {false, true})
            for (int nth = 1;; ++nth) {
                Fault fault{op, nth, later};
                FaultInjector::reset();
                bool armed = false;
                const int result = run([&] {
                    FaultInjector::reset();
                    FaultInjector::failNth(op, nth, later);
                    armed = true;
                });
                fault.reached = armed && FaultInjector::count(op) >= nth;
                FaultInjector::reset();
                ++runs;
                check(fault, result);
                if (!fault.reached)
                    break;
                if (nth == 10000) {
                    ADD_FAILURE() << "no run without a fault after " << fault.text();
                    break;
                }
            }
    return runs;
}

SweepTally sweep(const SweepSubject& s) {
    SweepTally tally;
    const auto snapshot = files(s.folders);
    const std::string oldData = s.data(), oldRecord = s.record();
    const Outcome clean = run(s, [&] { FaultInjector::reset(); });
    FaultInjector::reset();
    const std::string newData = s.data(), newRecord = s.record();
    EXPECT_EQ(clean.result, 0) << s.name;
    EXPECT_FALSE(clean.threw || clean.reported) << s.name;
    EXPECT_NE(newData, oldData) << s.name << ": the save changes nothing to test";
    const auto expectedNames = files(s.folders);

    Outcome o;
    tally.runs = forEachFault(
        [&](const std::function<void()>& arm) {
            restore(snapshot, s.folders);
            o = run(s, arm);
            return o.result;
        },
        [&](const Fault& fault, int) {
            const std::string where = s.name + ": " + fault.text();
            const std::string data = s.data(), record = s.record();
            const bool reported = o.result != 0 || o.threw || o.reported > 0;
            if ((data != oldData && data != newData) ||
                (record != oldRecord && record != newRecord)) {
                ++tally.halfWritten;
                ADD_FAILURE() << where << ": neither the old nor the new contents";
            } else if (!(data == newData && record == newRecord) && !reported) {
                ++tally.lost;
                ADD_FAILURE() << where << ": the save did not complete and said nothing";
            }
            bool extra = false;
            for (const auto& [path, bytes] : files(s.folders)) {
                if (expectedNames.count(path) || snapshot.count(path))
                    continue;
                if (std::filesystem::path(path).filename() == kLock) {
                    ++tally.locksLeft;
                    continue;
                }
                extra = true;
                ADD_FAILURE() << where << ": left " << path;
            }
            tally.leftovers += extra ? 1 : 0;
        });
    restore(snapshot, s.folders);
    std::printf("[  sweep   ] %s: %d runs, %d lost, %d half-written or doubled, %d left a file, "
                "%d left the database lock\n",
                s.name.c_str(), tally.runs, tally.lost, tally.halfWritten, tally.leftovers,
                tally.locksLeft);
    return tally;
}

} // namespace testing_support
