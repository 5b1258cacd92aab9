// harn sections DIR [--json]: the project's library of tunnel cross-section types (TVTYP.LIS
// in the database folder): each type's springing levels, key dimensions, outline extents and
// outline file. Loading packs the holes of deleted types away, as the library does. A library
// that the reading finds damaged is listed as far as it was read, with exit code 1.
#include "cli/Cli.h"
#include "cli/CountingConsole.h"
#include "cli/DbsCli.h"
#include "cli/Json.h"

#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "mapping/LibraryFile.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "tunnel/CTvarKoord.h"
#include "tunnel/CTvarsnitt.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

int runSections(const std::vector<std::string>& argsIn);

cli::CommandRegistrar reg("sections", "harn sections DIR [--json]",
                          "list a project's tunnel cross-section types with springing levels and "
                          "extents (loading packs deleted types away)",
                          &runSections);

struct Type {
    tvtytype rec;
    std::string outlineFile; // CP1252
    int points;              // -1: no outline file
};

int runSections(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("sections");
    std::vector<std::string> args = argsIn;
    const bool json = cli::takeFlag(args, "--json");
    for (const std::string& a : args)
        if (a.rfind("--", 0) == 0)
            return cli::usageError(cmd, "unknown option " + a);
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;
    auto proj = cli::projectFor(args[0]);
    if (!platform::isDirectory(proj->ProjKat())) {
        std::cerr << "harn sections: no project folder " << args[0] << "\n";
        return cli::kFailed;
    }

    cli::CountingConsole console;
    platform::setUserInterface(&console);
    libfile::setBellStream(stderr);
    platform::FailureLog::reset();
    CTvarsnitt lib(proj.get());
    const int result = lib.InitReadOnly();
    std::vector<Type> types;
    if (result == 0 && lib.Home() == 0) {
        do {
            types.push_back({*lib.Get_aktel(), "", -1});
        } while (lib++);
        for (Type& t : types) {
            const std::string name = cli::terminatedField(t.rec.tvnamn);
            t.outlineFile = lib.OutlinePath(name.c_str()).str();
            if (lib.FindKoord(name.c_str()) == 0 && platform::access(t.outlineFile.c_str(), 0) == 0)
                lib.Outline()->Where(&t.points);
        }
    }
    libfile::setBellStream(nullptr);
    platform::setUserInterface(nullptr);
    const std::vector<std::string> failures = platform::FailureLog::entries();
    platform::FailureLog::reset();
    if (result == -3) // the library composes this message without showing it
        std::cerr << "harn sections: " << cli::toUtf8(g_lineBuffer) << "\n";
    for (const std::string& f : failures)
        std::cerr << "harn sections: " << cli::toUtf8(f.c_str()) << "\n";
    if (result != 0)
        return cli::kFailed;

    const tvhdtype& hd = lib.m_hd;
    const std::string version = cli::terminatedField(hd.version);
    if (json) {
        cli::JsonWriter w(std::cout);
        w.beginObject();
        w.key("index").value(cli::userPath(lib.IndexPath()));
        w.key("version").text(version.c_str());
        w.key("antal").value(static_cast<int>(hd.antal));
        w.key("hal").value(static_cast<int>(hd.hal));
        w.key("slut").value(static_cast<int>(hd.slut));
        w.key("types").beginArray();
        for (const Type& t : types) {
            const tvtytype& r = t.rec;
            w.beginObject();
            w.key("name").text(cli::terminatedField(r.tvnamn).c_str());
            w.key("text").text(cli::terminatedField(r.tvtext).c_str());
            w.key("anfstart").value(cli::plain(r.anfstart));
            w.key("anfslut").value(cli::plain(r.anfslut));
            w.key("tvval3").value(cli::plain(r.tvval3));
            w.key("extent").beginObject();
            w.key("xmin").value(cli::plain(r.xmin)).key("xmax").value(cli::plain(r.xmax));
            w.key("ymin").value(cli::plain(r.ymin)).key("ymax").value(cli::plain(r.ymax));
            w.endObject();
            w.key("tvval").beginArray();
            for (double v : r.tvval)
                w.value(cli::plain(v));
            w.endArray();
            w.key("offset").value(static_cast<int>(r.filpos));
            w.key("outline").value(cli::userPath(t.outlineFile.c_str()));
            w.key("points");
            if (t.points < 0)
                w.null();
            else
                w.value(t.points);
            w.endObject();
        }
        w.endArray();
        w.endObject();
        w.finish();
    } else {
        std::cout << "type library: " << cli::userPath(lib.IndexPath()) << "\n"
                  << "version " << cli::toUtf8(version.c_str()) << ", antal " << hd.antal
                  << ", hal " << hd.hal << ", slut " << hd.slut << "\n"
                  << "types: " << types.size() << "\n";
        if (!types.empty())
            std::cout << "  NAME      ANFSTART  ANFSLUT     XMIN     XMAX     YMIN     YMAX  "
                         "POINTS  TEXT\n";
        for (const Type& t : types) {
            const tvtytype& r = t.rec;
            char line[256];
            std::snprintf(line, sizeof line, "  %-8s  %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f  %6s  %s",
                          cli::terminatedField(r.tvnamn).c_str(), cli::plain(r.anfstart),
                          cli::plain(r.anfslut), cli::plain(r.xmin), cli::plain(r.xmax),
                          cli::plain(r.ymin), cli::plain(r.ymax),
                          t.points < 0 ? "none" : std::to_string(t.points).c_str(),
                          cli::terminatedField(r.tvtext).c_str());
            std::cout << cli::toUtf8(line) << "\n";
        }
    }
    return console.shown > 0 || !failures.empty() ? cli::kFailed : cli::kOk;
}

} // namespace
