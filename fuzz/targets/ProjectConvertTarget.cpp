// A whole project for the conversion: the input is a project folder (fuzz/ProjectImage.h),
// converted in this process as `harn convert DIR` with "OK" pressed in the conversion dialog.
// It ends with 0 or 1 and no exception; no file of the folder disappears and none is added
// but the dated copy of the old database and the change marker (and, when a removal fails,
// the file it could not remove, with the failure reported); a database that changed has
// exactly one copy, and every copy holds the old database byte for byte; a conversion that
// succeeded leaves a database that opens without a message and whose head counts its
// records; a failure the library reported makes the command fail, and a failed command
// says why (a message box, standard error, a reported failure or "??" as the version). The same
// holds with an injected fault ("$FAULT": a failing open, read, write, rename or remove), where a
// file error may also end the command as the tool's main() ends it.
#include "fuzz/ProjectImage.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/ConversionSupport.h"
#include "fuzz/targets/ProjectSupport.h"

#include <strings.h>

namespace harn_fuzz {
namespace {

bool endsWithDbs(const std::string& name) {
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".DBS") == 0;
}

} // namespace

int fuzzProjectConvert(const uint8_t* data, std::size_t size) {
    Session s;
    platform::FailureLog::reset();
    const WrittenProject input = writeInput(s, data, size);
    const FaultPlan& faults = input.faults;
    const auto& before = input.before;
    const std::string dbsPath = platform::nativePath(s.proj().DbsPath());
    const std::string folder = platform::nativePath(s.winPath());
    const std::string dbsName = dbsPath.substr(folder.size() + 1);
    const auto old = before.find(dbsName);

    s.ui.pressButton(IDOK);
    armFaults(faults);
    const CommandRun run = runCommand("convert", {folder}, faults.armed);
    platform::FaultInjector::reset();
    check(run.code == cli::kOk || run.code == cli::kFailed,
          "the conversion ended with an unknown exit code");
    const auto after = snapshot(s);
    std::vector<std::string> copies;
    for (const auto& [name, content] : after) {
        if (before.count(name))
            continue;
        if (name == "TMPPROG.PB$")
            continue;
        // A file that could not be removed (the lock file, a temporary file) stays, and the
        // failure is reported.
        if (faults.armed && faults.op == platform::FileOp::Remove &&
            platform::FailureLog::count() > 0 && !endsWithDbs(name))
            continue;
        if (name.find('/') != std::string::npos || !endsWithDbs(name) || old == before.end())
            fail("the conversion left a file behind: " + name);
        checkSame(old->second, content, "the copy of the old database is not the old database");
        copies.push_back(name);
    }
    for (const auto& [name, content] : before)
        if (after.count(name) != 1)
            fail("the conversion removed a file: " + name);
    if (old != before.end() && after.at(dbsName) != old->second)
        check(copies.size() == 1, "the database changed without one copy of the old one");
    if (platform::FailureLog::count() > 0)
        check(run.code == cli::kFailed, "the conversion went past a failure and succeeded");
    if (run.code == cli::kOk) {
        rebuiltRecords(s);
    } else {
        // The dialog's "Från version:" shows "??" for a database it cannot read.
        const std::vector<std::string> version = s.ui.controlTexts(IDC_FRAN_VERSION);
        const bool unreadable = !version.empty() && version.back() == "??";
        check(!run.err.empty() || !s.ui.messages().empty() || platform::FailureLog::count() > 0 ||
                  unreadable,
              "the conversion failed without saying why");
    }
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzProjectConvert)
