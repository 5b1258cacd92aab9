// harn show DIR ID [--json]: one object; its type's handler shows its data, otherwise the
// database record is shown.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/Json.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"

#include <cstdio>
#include <iostream>

namespace {

int runShow(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("show");
    std::vector<std::string> args = argsIn;
    bool json = cli::takeFlag(args, "--json");
    if (args.size() != 2 || args[0].empty() || args[0][0] == '-')
        return cli::usageError(cmd, "expected DIR and ID");
    auto proj = cli::projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    if (cli::openDatabase(dbs, *proj, 1) != 0)
        return cli::kFailed;
    std::string wanted = cli::fromUtf8(args[1]);
    char id[16] = {};
    if (wanted.size() < sizeof id) {
        std::snprintf(id, sizeof id, "%s", wanted.c_str());
        if (dbs.Findid(0, id) == 0) {
            if (cli::ShowFn fn = cli::findShow(dbs.Get_aktel()->typ)) {
                cli::ShowContext ctx{dbs, *proj, json, std::cout};
                return fn(ctx);
            }
            if (json) {
                cli::JsonWriter w(std::cout);
                cli::recordJson(w, *dbs.Get_aktel());
                w.finish();
            } else {
                cli::recordText(std::cout, *dbs.Get_aktel());
            }
            return cli::kOk;
        }
    }
    std::cerr << "harn show: no object " << args[1] << " in " << args[0] << "\n";
    return cli::kFailed;
}

cli::CommandRegistrar reg("show", "harn show DIR ID [--json]",
                          "show one object: its data, or its database record", &runShow);

} // namespace
