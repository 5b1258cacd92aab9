// harn check DIR [--json | --format text|json|sarif] [--strict]: validates a project: the
// database head against its records, every record, the data files of every object against
// their layouts, the codes they use, the code list, the libraries and the tunnel files. The
// rules are in cli/CheckReport.cpp and docs/CHECKS.md.
#include "cli/CheckReport.h"
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/ProjectCheck.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "mapping/LibraryFile.h"
#include "platform/UserInterface.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The database could not be read at all: nothing was checked.
constexpr int kUnreadable = 2;

int runCheck(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("check");
    std::vector<std::string> args = argsIn;
    const bool json = cli::takeFlag(args, "--json");
    const bool strict = cli::takeFlag(args, "--strict");
    bool missing = false;
    std::string format = cli::takeOption(args, "--format", missing);
    if (missing)
        return cli::usageError(cmd, "--format needs a value");
    if (json && !format.empty() && format != "json")
        return cli::usageError(cmd, "--json and --format " + format + " contradict each other");
    if (format.empty())
        format = json ? "json" : "text";
    if (format != "text" && format != "json" && format != "sarif")
        return cli::usageError(cmd, "unknown format '" + format + "' (text, json or sarif)");
    for (const std::string& a : args)
        if (a.rfind("--", 0) == 0)
            return cli::usageError(cmd, "unknown option " + a);
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;

    auto proj = cli::projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    cli::FindingList findings;
    std::string hint; // the tool's command for a database the library sends to "Konvertera"
    cli::readWithoutLockIfUnwritable(dbs, *proj, 1);
    {
        // The library's own findings while reading (counts, stray slots) become findings.
        platform::RecordingUserInterface recorder;
        recorder.setStatusLine(true);
        const int r = dbs.Init(1, 0, nullptr, nullptr);
        for (const auto& e : recorder.events)
            if (e.text.find("Konvertera") != std::string::npos)
                hint = cli::convertHint(args[0]);
        if (r != 0) {
            for (const auto& e : recorder.events)
                std::cerr << "harn check: " << cli::toUtf8(e.text.c_str()) << "\n";
            if (!hint.empty())
                std::cerr << hint << "\n";
            cli::reportOpenFailure(*proj, 1);
            return kUnreadable;
        }
        const std::string file = cli::userPath(dbs.m_dbsfil.GetFilePath());
        for (const auto& e : recorder.events) {
            std::string text = cli::toUtf8(e.text.c_str());
            std::replace(text.begin(), text.end(), '\n', ' ');
            findings.add("database-read", cli::Severity::Error, "", file, 0, text);
        }
    }
    cli::ProjectCheck check(dbs, *proj, findings);
    // Readers ring bells at damage; they must not mix into the report.
    libfile::setBellStream(stderr);
    check.run();
    libfile::setBellStream(nullptr);

    cli::CheckSummary s;
    s.objects = check.objects();
    s.errors = findings.errors();
    s.warnings = static_cast<int>(findings.all().size()) - s.errors;
    if (format == "json")
        cli::writeCheckJson(std::cout, findings, s);
    else if (format == "sarif")
        cli::writeCheckSarif(std::cout, findings);
    else
        cli::writeCheckText(std::cout, findings, s);
    if (!hint.empty())
        std::cerr << hint << "\n";
    return s.errors || (strict && s.warnings) ? cli::kFailed : cli::kOk;
}

cli::CommandRegistrar reg("check", "harn check DIR [--json | --format text|json|sarif] [--strict]",
                          "validate a project: database, records, every data file, codes, "
                          "libraries (exit 1 on errors, or on any finding with --strict)",
                          &runCheck);

} // namespace
