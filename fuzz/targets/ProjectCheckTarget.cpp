// A whole project for `harn check`: the input is a project folder (fuzz/ProjectImage.h), checked
// in this process as `harn check DIR --format json`. The check ends with 0 (no errors), 1
// (errors found) or 2 (the database cannot be read, with a reason on standard error); it
// changes, adds and removes no file of the folder (it only reads; a lock file it could not
// remove under an injected fault stays, with the failure reported); what it prints is one
// well-formed JSON document (2: nothing); and no exception escapes it. With an injected fault
// ("$FAULT") the same holds, except that a file error may end the check as the tool's main()
// ends it (exit code 1, a line on standard error).
#include "fuzz/ProjectImage.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/ProjectSupport.h"
#include "platform/FailureLog.h"

namespace harn_fuzz {

int fuzzProjectCheck(const uint8_t* data, std::size_t size) {
    Session s;
    platform::FailureLog::reset();
    const WrittenProject input = writeInput(s, data, size);
    const FaultPlan& faults = input.faults;
    const auto& before = input.before;
    const std::string dir = platform::nativePath(s.winPath());
    armFaults(faults);
    const CommandRun run = runCommand("check", {dir, "--format", "json"}, faults.armed);
    platform::FaultInjector::reset();
    check(run.code == cli::kOk || run.code == cli::kFailed || run.code == 2,
          "the check ended with an unknown exit code");
    const auto after = snapshot(s);
    // A file the check could not remove (its lock file) stays, and the failure is reported.
    const bool removeFailed =
        faults.armed && faults.op == platform::FileOp::Remove && platform::FailureLog::count() > 0;
    for (const auto& [name, content] : after)
        if (!before.count(name) && !removeFailed)
            fail("the check added " + name);
    for (const auto& [name, content] : before) {
        const auto it = after.find(name);
        if (it == after.end())
            fail("the check removed a file: " + name);
        checkSame(content, it->second, ("the check changed " + name).c_str());
    }
    if (run.code == 2) {
        check(run.out.empty() && !run.err.empty(),
              "a database the check cannot read gave no reason, or a report");
    } else if (!(faults.armed && run.out.empty())) { // a file error stops the report
        check(JsonCheck(run.out).valid(), "the check's JSON report is not well formed");
    }
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzProjectCheck)
