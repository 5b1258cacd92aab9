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
    bool missing = false;
    std::string typeText = cli::takeOption(args, "--type", missing);
    if (missing)
        return cli::usageError(cmd, "--type needs a value");
    int typ = 0;
    if (!typeText.empty() && (typ = cli::parseType(typeText)) == 0)
        return cli::usageError(cmd, "unknown type '" + typeText +
                                        "' (tunnel, outcrop, borehole, point, line, "
                                        "alignment or 1-9)");
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
        return cli::usageError(cmd, args.empty() ? "missing DIR" : "expected one DIR");
    auto proj = cli::projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    if (dbs.Init(1, 0, nullptr, nullptr) != 0)
        return cli::kFailed;
    cli::printListing(dbs, typ, json, std::cout);
    return cli::kOk;
}

cli::CommandRegistrar reg("ls", "harn ls DIR [--type T] [--json]",
                          "list the objects of the project database", &runLs);

} // namespace
