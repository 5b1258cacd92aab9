// harn tunnel DIR ID [--json]: one tunnel as its library classes see it: the positions along
// it, the cross-section sequence built from them (CTunTv: the runs, the zone lengths and the
// developed coordinates of the zone boundaries) and the bolts and drains with their numbers,
// chainages and groups. The files are read read-only: none is packed or changed.
#include "cli/Cli.h"
#include "cli/Json.h"
#include "cli/TunnelView.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

int runTunnel(const std::vector<std::string>& argsIn);

cli::CommandRegistrar reg("tunnel", "harn tunnel DIR ID [--json]",
                          "a tunnel's positions, cross-section sequence with zone lengths and "
                          "developed coordinates, bolts and drains",
                          &runTunnel);

std::string fixed(double v, int decimals = 3) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, cli::plain(v));
    return buf;
}

// Right-aligned in `width` columns.
std::string col(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

void listJson(cli::JsonWriter& w, const char* key, const cli::BoltDrainList& l) {
    w.key(key).beginObject();
    w.key("file").text(l.file.c_str());
    w.key("present").value(l.present);
    w.key("read").value(l.read);
    if (l.read) {
        w.key("version").text(cli::terminatedField(l.head.version).c_str());
        w.key("antal").value(static_cast<int>(l.head.antal));
        w.key("nastanr").value(static_cast<int>(l.head.nastanr));
    }
}

void printJson(const cli::TunnelView& v) {
    cli::JsonWriter w(std::cout);
    w.beginObject();
    w.key("id").text(v.id.c_str());
    w.key("file").text(v.filnamn.c_str());
    w.key("text").text(v.text.c_str());
    w.key("version").text(v.version.c_str());
    w.key("positions").beginArray();
    for (const todbtype& p : v.positions) {
        w.beginObject();
        w.key("chainage").value(cli::plain(p.sekt));
        w.key("type").text(cli::field(p.tvnamn).c_str());
        w.endObject();
    }
    w.endArray();
    w.key("sections").beginArray();
    for (const cli::TunnelSection& s : v.sections) {
        w.beginObject();
        w.key("chainage").value(cli::plain(s.sekt));
        w.key("to").value(cli::plain(s.to));
        w.key("type").text(s.type.c_str());
        w.key("typeFound").value(s.typeFound);
        w.key("anfstart").value(cli::plain(s.anfstart));
        w.key("anfslut").value(cli::plain(s.anfslut));
        w.key("points").value(s.points);
        auto array = [&w](const char* key, const double* values, int n) {
            w.key(key).beginArray();
            for (int i = 0; i < n; ++i)
                w.value(cli::plain(values[i]));
            w.endArray();
        };
        array("lang", s.lang, 5);
        array("sval", s.sval, 6);
        array("hval", s.hval, 6);
        array("xp", s.xp, 6);
        array("yp", s.yp, 6);
        w.endObject();
    }
    w.endArray();

    listJson(w, "bolts", v.bolts);
    w.key("records").beginArray();
    for (const todbtype& b : v.bolts.records) {
        w.beginObject();
        w.key("nr").value(static_cast<int>(b.bnr()));
        w.key("chainage").value(cli::plain(b.sekt));
        w.key("s").value(cli::plain(cli::developedCoordinate(b)));
        w.key("length").value(cli::plain(cli::boltLength(b)));
        w.endObject();
    }
    w.endArray();
    w.endObject();

    listJson(w, "drainage", v.drains);
    w.key("drains").beginArray();
    for (const cli::Drain& d : v.drainGroups) {
        w.beginObject();
        w.key("from").value(cli::plain(d.from));
        w.key("to").value(cli::plain(d.to));
        w.key("points").beginArray();
        for (const todbtype& p : d.points) {
            w.beginObject();
            w.key("nr").value(static_cast<int>(p.dnr()));
            w.key("place").value(static_cast<int>(p.lnr()));
            w.key("chainage").value(cli::plain(p.psekt()));
            w.key("s").value(cli::plain(cli::developedCoordinate(p)));
            w.endObject();
        }
        w.endArray();
        w.endObject();
    }
    w.endArray();
    w.endObject();
    w.endObject();
    w.finish();
}

// "TUN1.ODF: 15 bolts, version 1.5, next number 16", or why there are none.
std::string listLine(const cli::BoltDrainList& l, size_t count, const char* what) {
    const std::string file = cli::toUtf8(l.file.c_str());
    if (!l.present)
        return file + ": no file";
    if (!l.read)
        return file + ": not read";
    return file + ": " + std::to_string(count) + " " + what + ", version " +
           cli::toUtf8(cli::terminatedField(l.head.version).c_str()) + ", next number " +
           std::to_string(l.head.nastanr);
}

void printText(const cli::TunnelView& v) {
    std::ostream& o = std::cout;
    o << "tunnel " << cli::toUtf8(v.id.c_str()) << ": " << cli::toUtf8(v.filnamn.c_str())
      << ".ODB version " << cli::toUtf8(v.version.c_str()) << ", alignment "
      << (v.text.empty() ? "none" : cli::toUtf8(v.text.c_str())) << "\n";
    o << "positions: " << v.positions.size() << "\n";
    for (const todbtype& p : v.positions)
        o << "  " << col(fixed(p.sekt), 10) << "  " << cli::toUtf8(cli::field(p.tvnamn).c_str())
          << "\n";

    o << "cross-sections: " << v.sections.size() << "\n";
    if (!v.sections.empty())
        o << "    CHAINAGE        TO  TYPE  POINTS       A      B    LANG 0  LANG 1  LANG 2  LANG 3"
             "  LANG 4\n";
    for (const cli::TunnelSection& s : v.sections) {
        std::string line = "  " + col(fixed(s.sekt), 10) + col(fixed(s.to), 10) + "  " +
                           cli::toUtf8(s.type.c_str());
        line += std::string(line.size() < 30 ? 30 - line.size() : 1, ' ');
        line += col(std::to_string(s.points), 6);
        if (s.typeFound)
            line += col(fixed(s.anfstart), 8) + col(fixed(s.anfslut), 7);
        else
            line += col("no type", 15);
        line += "  ";
        for (double l : s.lang)
            line += col(fixed(l), 8);
        // The developed coordinates of the six zone boundaries, then their horizontal ones.
        o << line << "\n";
        std::string sval = "      sval", hval = "      hval";
        for (int i = 0; i < 6; ++i) {
            sval += col(fixed(s.sval[i]), 9);
            hval += col(fixed(s.hval[i]), 9);
        }
        o << sval << "\n" << hval << "\n";
    }

    o << "bolts: " << listLine(v.bolts, v.bolts.records.size(), "bolts") << "\n";
    if (!v.bolts.records.empty())
        o << "      NR  CHAINAGE         S    LENGTH\n";
    for (const todbtype& b : v.bolts.records)
        o << "  " << col(std::to_string(b.bnr()), 6) << col(fixed(b.sekt), 10)
          << col(fixed(cli::developedCoordinate(b)), 10) << col(fixed(cli::boltLength(b)), 10)
          << "\n";

    o << "drains: "
      << listLine(v.drains, v.drainGroups.size(), v.drainGroups.size() == 1 ? "drain" : "drains")
      << "\n";
    for (size_t i = 0; i < v.drainGroups.size(); ++i) {
        const cli::Drain& d = v.drainGroups[i];
        o << "  drain " << i + 1 << ": " << fixed(d.from) << " to " << fixed(d.to) << ", "
          << d.points.size() << (d.points.size() == 1 ? " point" : " points") << "\n";
        o << "        NR  PLACE  CHAINAGE         S\n";
        for (const todbtype& p : d.points)
            o << "    " << col(std::to_string(p.dnr()), 6) << col(std::to_string(p.lnr()), 7)
              << col(fixed(p.psekt()), 10) << col(fixed(cli::developedCoordinate(p)), 10) << "\n";
    }
}

int runTunnel(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("tunnel");
    std::vector<std::string> args = argsIn;
    const bool json = cli::takeFlag(args, "--json");
    for (const std::string& a : args)
        if (a.rfind("--", 0) == 0)
            return cli::usageError(cmd, "unknown option " + a);
    if (args.size() != 2 || args[0].empty() || args[1].empty())
        return cli::usageError(cmd, "expected DIR and ID");
    cli::TunnelView view;
    if (cli::readTunnelView(cmd.name, args[0], args[1], view) != 0)
        return cli::kFailed;
    if (json)
        printJson(view);
    else
        printText(view);
    const bool complete =
        (!view.bolts.present || view.bolts.read) && (!view.drains.present || view.drains.read);
    return view.shown > 0 || !complete ? cli::kFailed : cli::kOk;
}

} // namespace
