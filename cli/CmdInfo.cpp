// harn info DIR [--json]: the head of the project database.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/Json.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"

#include <cstring>
#include <iostream>

namespace {

template <size_t N> std::string text(const char (&f)[N]) {
    return cli::toUtf8(std::string(f, strnlen(f, N)).c_str());
}

int runInfo(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("info");
    std::vector<std::string> args = argsIn;
    bool json = cli::takeFlag(args, "--json");
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;
    auto proj = cli::projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    if (cli::openDatabase(dbs, *proj, 1) != 0)
        return cli::kFailed;
    const dbshdtype& h = dbs.m_hd;
    const bool extent = h.xmax >= h.xmin;
    const std::pair<const char*, std::string> texts[] = {
        {"text1", text(h.text1)}, {"text2", text(h.text2)}, {"text3", text(h.text3)},
        {"text4", text(h.text4)}, {"text5", text(h.text5)}, {"text6", text(h.text6)}};
    if (json) {
        cli::JsonWriter w(std::cout);
        w.beginObject();
        w.key("database").value(cli::userPath(dbs.m_dbsfil.GetFilePath()));
        w.key("version").value(text(h.version));
        w.key("verdel").value(h.verdel);
        w.key("projnamn").value(text(h.projnamn));
        w.key("datum").value(text(h.datum));
        for (const auto& t : texts)
            w.key(t.first).value(t.second);
        w.key("koordsys").value(text(h.koordsys));
        w.key("riktning").value(text(h.riktning));
        w.key("antal").value(static_cast<int>(h.antal));
        w.key("typantal").beginArray();
        for (int t = 0; t < 9; ++t)
            w.value(static_cast<int>(h.typantal[t]));
        w.endArray();
        w.key("hal").value(static_cast<int>(h.hal));
        w.key("slut").value(static_cast<int>(h.slut));
        w.key("extent");
        if (extent) {
            w.beginObject();
            w.key("xmin").value(h.xmin).key("xmax").value(h.xmax);
            w.key("ymin").value(h.ymin).key("ymax").value(h.ymax);
            w.key("zmin").value(h.zmin).key("zmax").value(h.zmax);
            w.endObject();
        } else {
            w.null();
        }
        w.endObject();
        w.finish();
        return cli::kOk;
    }
    std::ostream& o = std::cout;
    o << "database  " << cli::userPath(dbs.m_dbsfil.GetFilePath()) << "\n";
    // The head's texts with their control characters escaped, so that none breaks a line.
    const auto shown = [](const std::string& t) { return cli::escapeControls(t); };
    o << "version   " << shown(text(h.version)) << " (fraction " << cli::number(h.verdel) << ")\n";
    o << "project   " << shown(text(h.projnamn)) << "\n";
    o << "date      " << shown(text(h.datum)) << "\n";
    for (const auto& t : texts)
        o << t.first << "     " << shown(t.second) << "\n";
    o << "koordsys  " << shown(text(h.koordsys)) << "\n";
    o << "riktning  " << shown(text(h.riktning)) << "\n";
    o << "objects   " << h.antal << "\n";
    for (int t = 1; t <= 9; ++t)
        if (h.typantal[t - 1] != 0 || t <= 6)
            o << "  " << cli::typeName(t) << std::string(12 - cli::typeName(t).size(), ' ')
              << h.typantal[t - 1] << "\n";
    o << "hal       " << h.hal << "\n";
    o << "slut      " << h.slut << "\n";
    if (extent) {
        o << "extent    x " << cli::number(h.xmin) << " .. " << cli::number(h.xmax) << "\n"
          << "          y " << cli::number(h.ymin) << " .. " << cli::number(h.ymax) << "\n"
          << "          z " << cli::number(h.zmin) << " .. " << cli::number(h.zmax) << "\n";
    } else {
        o << "extent    none\n";
    }
    return cli::kOk;
}

cli::CommandRegistrar reg("info", "harn info DIR [--json]",
                          "show the project database head: version, texts, counters, extent",
                          &runInfo);

} // namespace
