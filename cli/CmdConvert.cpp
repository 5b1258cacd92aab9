// harn convert DIR [--yes] [--name NAME]: rebuilds a project's database from its data files
// through the conversion dialog, after keeping a copy of the old database beside it.
#include "cli/Cli.h"
#include "cli/DbsCli.h"

#include "database/CHarnDbs.h"
#include "database/CHarnKonvertera.h"
#include "host/CProjPath.h"
#include "platform/Clock.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "platform/UserInterface.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

// "HARNPLAN.DBS" kept as "HARNPLAN-2026-12-06-164800.DBS" (a number added when that name
// is taken); Windows form.
std::string copyName(const std::string& dbs) {
    const std::string::size_type slash = dbs.rfind('\\');
    std::string::size_type dot = dbs.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = dbs.size();
    const platform::LocalTime t = platform::localTime();
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d-%02d%02d%02d", t.year % 10000,
                  t.month % 100, t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    for (int n = 1;; ++n) {
        std::string name = dbs.substr(0, dot) + stamp;
        if (n > 1)
            name += "-" + std::to_string(n);
        name += dbs.substr(dot);
        if (platform::access(name.c_str(), 0) != 0)
            return name;
    }
}

// The project name a head holds (CP1252), empty when there is none.
std::string headName(const std::string& bytes) {
    if (bytes.size() < 73)
        return {};
    return std::string(bytes.c_str() + 37, strnlen(bytes.c_str() + 37, 35));
}

int runConvert(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("convert");
    std::vector<std::string> args = argsIn;
    const bool yes = cli::takeFlag(args, "--yes");
    bool missing = false;
    const std::string name = cli::takeOption(args, "--name", missing);
    if (missing)
        return cli::usageError(cmd, "--name needs a value");
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;
    auto proj = cli::projectFor(args[0]);
    const std::string dbs = static_cast<const char*>(proj->DbsPath());

    // The old database, kept byte for byte before anything is rebuilt. One that is there but
    // cannot be read is not rebuilt either: it would be lost without its copy.
    std::string old;
    const bool haveOld = platform::readFile(dbs.c_str(), old);
    if (!haveOld && platform::access(dbs.c_str(), 0) == 0) {
        std::cerr << "harn convert: cannot read the database " << platform::nativePath(dbs.c_str())
                  << " to keep a copy of it; nothing converted\n";
        return cli::kFailed;
    }
    std::string copy;
    if (haveOld) {
        copy = copyName(dbs);
        if (platform::replaceFileContents(copy.c_str(), old) != 0) {
            std::cerr << "harn convert: cannot keep a copy of the database as "
                      << platform::nativePath(copy.c_str()) << "; nothing converted\n";
            return cli::kFailed;
        }
    }

    std::string projnamn = name.empty() ? headName(old) : cli::fromUtf8(name);
    if (projnamn.empty()) {
        const std::string folder = proj->ProjKat();
        projnamn = folder.substr(folder.rfind('\\') + 1);
    }

    auto* console = dynamic_cast<platform::ConsoleUserInterface*>(&platform::userInterface());
    if (console && yes)
        console->setDialogButton(IDOK);
    CHarnDbs database(proj.get(), nullptr);
    CHarnKonvertera dialog(dbs.c_str(), projnamn.c_str(), &database, nullptr);
    dialog.DoModal();

    if (!haveOld && dialog.m_resultat != 1) {
        std::cerr << "harn convert: cannot read the database " << platform::nativePath(dbs.c_str())
                  << "\n";
        return cli::kFailed;
    }
    std::string now;
    const bool unchanged = haveOld && platform::readFile(dbs.c_str(), now) && now == old;
    if (dialog.m_resultat == 0 && haveOld && unchanged) {
        // Not started: the copy is not needed.
        platform::remove(copy.c_str());
        std::cerr << "harn convert: not converted"
                  << (yes || !console ? "" : " (--yes converts without asking)") << "\n";
        return cli::kFailed;
    }
    if (dialog.m_resultat != 1 && unchanged) {
        platform::remove(copy.c_str());
        return cli::kFailed; // refused: the library's message has been shown
    }
    if (haveOld)
        std::cout << "old database kept as " << platform::nativePath(copy.c_str()) << "\n";
    // Failures the conversion went past are printed by the tool, which then exits with 1.
    if (dialog.m_resultat != 1 || platform::FailureLog::count() > 0)
        return cli::kFailed;
    std::cout << "database rebuilt: " << platform::nativePath(dbs.c_str()) << "\n";
    return cli::kOk;
}

cli::CommandRegistrar reg("convert", "harn convert DIR [--yes] [--name NAME]",
                          "rebuild the project database from the data files (keeps a copy)",
                          &runConvert);

} // namespace
