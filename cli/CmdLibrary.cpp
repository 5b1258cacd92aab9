// harn library FILE [--system | --types | --grouting] [--json]: the records of a
// reinforcement-system, reinforcement-type or grouting library file. The kind is told by a
// flag or from the record size. The file is loaded read-only: freed records are left in it.
#include "cli/Cli.h"
#include "cli/FileChecks.h"
#include "cli/Json.h"

#include "mapping/CForstSystem.h"
#include "mapping/CForstTyper.h"
#include "mapping/CInjSystem.h"
#include "platform/FileSystem.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

int runLibrary(const std::vector<std::string>& argsIn);

cli::CommandRegistrar reg("library", "harn library FILE [--system | --types | --grouting] [--json]",
                          "list the records of a reinforcement or grouting library file",
                          &runLibrary);

struct Kind {
    const char* flag;
    const char* name;
    const char* description;
    int length;
};

const Kind kKinds[] = {{"--system", "system", "reinforcement systems", 312},
                       {"--types", "types", "reinforcement types", 656},
                       {"--grouting", "grouting", "grouting systems", 288}};

struct Row {
    std::string id; // CP1252
    int number;
    int typnr;
    int32_t offset;
};

template <class L> std::vector<Row> rows(L& lista) {
    std::vector<Row> out;
    if (lista.Home() == 0) {
        do {
            auto* r = lista.Get_aktel();
            char id[17];
            libfile::recordId(r, id, sizeof id);
            Row row{id, 0, 0, r->filpos};
            if constexpr (std::is_same_v<L, CForstTyper>) {
                row.number = r->grupp;
                row.typnr = r->typnr;
            } else {
                row.number = r->nr;
            }
            out.push_back(row);
        } while (lista++);
    }
    return out;
}

// The kinds whose record length fits the file's size and its recorded end.
std::vector<const Kind*> fittingKinds(const std::string& fil) {
    std::string bytes;
    std::vector<const Kind*> out;
    if (!platform::readFile(fil.c_str(), bytes) || bytes.size() < sizeof(bibhdtype))
        return out;
    bibhdtype hd;
    std::memcpy(&hd, bytes.data(), sizeof hd);
    long size = static_cast<long>(bytes.size());
    for (const Kind& k : kKinds) {
        bool sizeFits =
            size <= libfile::kFirstRecord || (size - libfile::kFirstRecord) % k.length == 0;
        bool endFits =
            hd.slut >= libfile::kFirstRecord && (hd.slut - libfile::kFirstRecord) % k.length == 0;
        if (sizeFits && endFits)
            out.push_back(&k);
    }
    return out;
}

// The one kind whose records fill the file after its head exactly; null when none or
// several do.
const Kind* kindBySize(int64_t size) {
    const Kind* found = nullptr;
    for (const Kind& k : kKinds) {
        if ((size - libfile::kFirstRecord) % k.length != 0)
            continue;
        if (found)
            return nullptr;
        found = &k;
    }
    return found;
}

// A library file loaded read-only as the list `L`: its head, the load's result and its rows.
struct Loaded {
    bibhdtype hd;
    int result;
    std::vector<Row> rows;
};

template <class L> Loaded load(const std::string& fil) {
    L l(fil.c_str(), ReadOnlyLoad{});
    return {l.Huvud(), l.Resultat(), rows(l)};
}

int runLibrary(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("library");
    std::vector<std::string> args = argsIn;
    bool json = cli::takeFlag(args, "--json");
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds) {
        if (cli::takeFlag(args, k.flag)) {
            if (kind)
                return cli::usageError(cmd, "give at most one of --system, --types and --grouting");
            kind = &k;
        }
    }
    for (const std::string& a : args)
        if (a.rfind("--", 0) == 0)
            return cli::usageError(cmd, "unknown option " + a);
    if (args.size() != 1)
        return cli::usageError(cmd, args.empty() ? "missing FILE" : "too many arguments");
    std::string fil = platform::windowsPath(args[0]);

    if (!kind) {
        std::vector<const Kind*> fits = fittingKinds(fil);
        int64_t size = platform::fileSize(fil.c_str());
        if (fits.size() == 1)
            kind = fits[0];
        else if (size < 0 || size <= libfile::kFirstRecord)
            kind = &kKinds[0]; // no records to tell by: every kind loads alike
        else if (const Kind* bySize = kindBySize(size))
            kind = bySize; // the head's end offset is damaged; the checks below say so
        else if (fits.empty()) {
            std::cerr << "harn library: damaged " << cli::userPath(fil.c_str())
                      << ": neither its size (" << size << " bytes) nor its head's end offset "
                      << "fits the records of a reinforcement or grouting library\n";
            return cli::kFailed;
        } else
            return cli::usageError(cmd, "cannot tell the kind of library from its size; give "
                                        "--system, --types or --grouting");
    }
    cli::FindingList findings;
    cli::checkLibraryFile(fil.c_str(), kind->length, findings);
    cli::reportErrors("library", findings);

    // Bells go to standard error, so that standard output holds only the listing.
    libfile::setBellStream(stderr);
    const bool types = kind->length == 656;
    const Loaded loaded = kind->length == 312 ? load<CForstSystem>(fil)
                          : types             ? load<CForstTyper>(fil)
                                              : load<CInjSystem>(fil);
    const bibhdtype& hd = loaded.hd;
    const int result = loaded.result;
    const std::vector<Row>& list = loaded.rows;
    libfile::setBellStream(nullptr);
    if (result < 0 && result != -5)
        return cli::kFailed;

    char version[sizeof hd.version + 1];
    std::memcpy(version, hd.version, sizeof hd.version);
    version[sizeof hd.version] = 0;

    if (json) {
        cli::JsonWriter w(std::cout);
        w.beginObject();
        w.key("file").value(cli::userPath(fil.c_str()));
        w.key("kind").value(kind->name);
        w.key("recordLength").value(kind->length);
        w.key("version").text(version);
        w.key("antal").value(static_cast<int>(hd.antal));
        w.key("hal").value(static_cast<int>(hd.hal));
        w.key("slut").value(static_cast<int>(hd.slut));
        w.key("records").beginArray();
        for (const Row& r : list) {
            w.beginObject();
            w.key("id").text(r.id.c_str());
            if (types) {
                w.key("grupp").value(r.number);
                w.key("typnr").value(r.typnr);
            } else {
                w.key("number").value(r.number);
            }
            w.key("offset").value(static_cast<int>(r.offset));
            w.endObject();
        }
        w.endArray();
        w.endObject();
        w.finish();
    } else {
        std::cout << "library: " << cli::userPath(fil.c_str()) << "\n"
                  << "kind: " << kind->description << " (" << kind->length << "-byte records)\n"
                  << "version " << cli::toUtf8(version) << ", antal " << hd.antal << ", hal "
                  << hd.hal << ", slut " << hd.slut << "\n"
                  << "records: " << list.size() << "\n";
        std::cout << (types ? "  id               grupp  typnr  offset\n"
                            : "  id               number  offset\n");
        for (const Row& r : list) {
            char line[128];
            if (types)
                std::snprintf(line, sizeof line, "  %-15s  %5d  %5d  %6d", r.id.c_str(), r.number,
                              r.typnr, static_cast<int>(r.offset));
            else
                std::snprintf(line, sizeof line, "  %-15s  %6d  %6d", r.id.c_str(), r.number,
                              static_cast<int>(r.offset));
            std::cout << cli::toUtf8(line) << "\n";
        }
    }
    return result < 0 ? cli::kFailed : cli::kOk;
}

} // namespace
