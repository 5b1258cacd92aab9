// harn demo DIR: a sample project built through the library by every registered demo step
// (in their order), then listed as `harn ls` lists it.
#include "cli/Cli.h"
#include "cli/DbsCli.h"

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/Clock.h"

#include <cstdio>
#include <iostream>

namespace {

int runDemo(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("demo");
    std::vector<std::string> args = argsIn;
    bool missing = false;
    std::string name = cli::takeOption(args, "--name", missing);
    if (missing)
        return cli::usageError(cmd, "--name needs a value");
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;
    auto proj = cli::projectFor(args[0]);
    // The settings give today's date to the head and to the change marker.
    CAutoIni ini;
    platform::LocalTime t = platform::localTime();
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", t.year % 10000, t.month % 100, t.day % 100);
    ini.SetDatum(date);
    std::string cp = cli::fromUtf8(name);
    std::string error;
    {
        auto dbs = cli::createProject(*proj, &ini, name.empty() ? nullptr : cp.c_str(), error);
        if (!dbs) {
            if (!error.empty())
                std::cerr << "harn demo: " << error << "\n";
            return cli::kFailed;
        }
        // Steps work on the loaded database, opened for writing.
        CHarnDbs work(proj.get(), &ini);
        if (cli::openDatabase(work, *proj, 0) != 0)
            return cli::kFailed;
        std::cout << "project " << cli::absoluteFolder(args[0]) << "\n";
        cli::DemoContext ctx{work, *proj, &ini, std::cout};
        for (const cli::DemoStep& step : cli::demoSteps()) {
            int r = step.run(ctx);
            if (r != 0) {
                std::cerr << "harn demo: step '" << step.name << "' failed (" << r << ")\n";
                return cli::kFailed;
            }
        }
    }
    CHarnDbs list(proj.get(), nullptr);
    if (cli::openSnapshot(list, *proj) != 0)
        return cli::kFailed;
    std::cout << "\n";
    cli::printListing(list, 0, false, std::cout);
    return cli::kOk;
}

cli::CommandRegistrar reg("demo", "harn demo DIR [--name NAME]",
                          "build a sample project through the library and list it", &runDemo);

} // namespace
