// harn new DIR [--name NAME]: a new project folder with its database.
#include "cli/Cli.h"
#include "cli/DbsCli.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"

#include <iostream>

namespace {

const char* kUsageLine = "harn new DIR [--name NAME]";

int runNew(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("new");
    std::vector<std::string> args = argsIn;
    bool missing = false;
    std::string name = cli::takeOption(args, "--name", missing);
    if (missing)
        return cli::usageError(cmd, "--name needs a value");
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;
    auto proj = cli::projectFor(args[0]);
    std::string cp = cli::fromUtf8(name);
    std::string error;
    auto dbs = cli::createProject(*proj, nullptr, name.empty() ? nullptr : cp.c_str(), error);
    if (!dbs) {
        if (!error.empty())
            std::cerr << "harn new: " << error << "\n";
        return cli::kFailed;
    }
    std::cout << "created " << cli::userPath(dbs->m_dbsfil.GetFilePath()) << " (project "
              << cli::escapeControls(cli::toUtf8(dbs->m_hd.projnamn)) << ", " << dbs->m_hd.datum
              << ")\n";
    return cli::kOk;
}

cli::CommandRegistrar reg("new", kUsageLine,
                          "create a project folder with an empty project database", &runNew);

} // namespace
