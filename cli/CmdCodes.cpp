// harn codes DIR [--rock | --infill | --soil] [--json]: the rock, infill and soil codes of a
// project, built in and read from its code file "Harnkod.dat".
#include "cli/Cli.h"
#include "cli/FileChecks.h"
#include "cli/Json.h"

#include "host/CProjPath.h"
#include "mapping/CBergOrMateLista.h"
#include "platform/FileSystem.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

int runCodes(const std::vector<std::string>& argsIn);

cli::CommandRegistrar reg("codes", "harn codes DIR [--rock | --infill | --soil] [--json]",
                          "list a project's rock, infill and soil codes (angles in degrees)",
                          &runCodes);

// A list whose codes the tool can walk.
class Kodlista : public CBergOrMateLista {
public:
    using CBergOrMateLista::CBergOrMateLista;
    std::vector<bergmattype> koder() {
        std::vector<bergmattype> out;
        if (Home() == 0) {
            do {
                out.push_back(*m_pael);
            } while ((*this)++);
        }
        return out;
    }
};

struct Kind {
    int typ;
    const char* name;
};

const Kind kKinds[] = {{0, "rock"}, {1, "infill"}, {2, "soil"}};

std::string fieldText(const char* text, size_t size) {
    return std::string(text, strnlen(text, size));
}

// Degrees of an angle held in radians, without the noise of the conversion.
double degrees(double radians) {
    return std::round(radians / CBergOrMateLista::GRADER * 1e9) / 1e9;
}

int runCodes(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("codes");
    std::vector<std::string> args = argsIn;
    bool json = cli::takeFlag(args, "--json");
    std::vector<Kind> kinds;
    for (const Kind& k : kKinds)
        if (cli::takeFlag(args, std::string("--") + k.name))
            kinds.push_back(k);
    if (kinds.size() > 1)
        return cli::usageError(cmd, "give at most one of --rock, --infill and --soil");
    if (kinds.empty())
        kinds.assign(std::begin(kKinds), std::end(kKinds));
    for (const std::string& a : args)
        if (a.rfind("--", 0) == 0)
            return cli::usageError(cmd, "unknown option " + a);
    if (args.size() != 1)
        return cli::usageError(cmd, args.empty() ? "missing DIR" : "too many arguments");

    CProjPath proj(cli::fromUtf8(args[0]).c_str());
    // A missing folder is a failure like a missing project of the other commands, not a
    // usage error.
    if (!platform::isDirectory(proj.ProjKat())) {
        std::cerr << "harn codes: no project folder " << args[0] << "\n";
        return cli::kFailed;
    }

    Kodlista probe(nullptr, &proj, 0);
    CString kodfil = probe.Kodfil();
    // The library falls back on its built-in codes where the file is damaged: the listing
    // still shows what it read, and the command fails.
    if (!kodfil.IsEmpty()) {
        cli::FindingList findings;
        cli::checkCodeFile(kodfil, findings);
        cli::reportErrors("codes", findings);
    }

    if (json) {
        cli::JsonWriter w(std::cout);
        w.beginObject();
        w.key("codeFile");
        if (kodfil.IsEmpty())
            w.null();
        else
            w.value(cli::userPath(kodfil));
        for (const Kind& k : kinds) {
            Kodlista lista(nullptr, &proj, k.typ);
            lista.Init();
            w.key(k.name).beginArray();
            for (const bergmattype& r : lista.koder()) {
                w.beginObject();
                w.key("nr").value(static_cast<int>(r.nr));
                w.key("beteckning").text(fieldText(r.beteckning, sizeof r.beteckning).c_str());
                w.key("text").text(fieldText(r.text, sizeof r.text).c_str());
                w.key("faktor").value(r.faktor);
                w.key("tal").value(static_cast<int>(r.tal));
                w.key("vinkel").value(degrees(r.vinkel));
                w.key("extra").value(static_cast<int>(r.extra));
                w.endObject();
            }
            w.endArray();
        }
        w.endObject();
        w.finish();
        return cli::kOk;
    }

    std::cout << "code file: "
              << (kodfil.IsEmpty() ? std::string("none (built-in codes only)")
                                   : cli::userPath(kodfil))
              << "\n";
    for (const Kind& k : kinds) {
        Kodlista lista(nullptr, &proj, k.typ);
        lista.Init();
        std::vector<bergmattype> koder = lista.koder();
        std::cout << "\n" << k.name << " codes (" << koder.size() << "):\n";
        std::cout << "    nr  code  text            factor  integer      angle  extra\n";
        for (const bergmattype& r : koder) {
            // Formatted in CP1252 so that the columns line up, then converted.
            char line[256];
            std::snprintf(line, sizeof line, "%6d  %-4s  %-12s  %8.3f  %7d  %9.3f  %5d", r.nr,
                          fieldText(r.beteckning, sizeof r.beteckning).c_str(),
                          fieldText(r.text, sizeof r.text).c_str(), r.faktor, r.tal,
                          degrees(r.vinkel), r.extra);
            std::cout << cli::toUtf8(line) << "\n";
        }
    }
    return cli::kOk;
}

} // namespace
