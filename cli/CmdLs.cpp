// harn ls DIR [--type T] [--json]: one row per object of the project database.
#include "cli/Cli.h"
#include "cli/DbsCli.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"

#include <iostream>

namespace {

int runLs(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("ls");
    std::vector<std::string> args = argsIn;
    bool json = cli::takeFlag(args, "--json");
    const int typ = cli::takeTypeOption(args, cmd);
    if (typ < 0)
        return cli::kUsage;
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;
    auto proj = cli::projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    if (cli::openSnapshot(dbs, *proj) != 0)
        return cli::kFailed;
    const bool written = cli::streamOutput(
        cmd, "", [&](std::ostream& out) { cli::printListing(dbs, typ, json, out); });
    return written ? cli::kOk : cli::kFailed;
}

cli::CommandRegistrar reg("ls", "harn ls DIR [--type T] [--json]",
                          "list the objects of the project database", &runLs);

} // namespace
