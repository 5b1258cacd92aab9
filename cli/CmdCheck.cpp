// harn check DIR [--json]: checks a project: the database head against its records, the
// records themselves, every object's data files, and the cross-section type library.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/Json.h"
#include "cli/TunnelGeometry.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "borehole/SndFile.h"
#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "mapping/LibraryFile.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"
#include "tunnel/CTvarKoord.h"
#include "tunnel/CTvarsnitt.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::string fixed3(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", cli::plain(v));
    return buf;
}

struct Finding {
    bool error;
    std::string object; // UTF-8; empty for the whole project
    std::string message;
};

class ProjectCheck {
public:
    ProjectCheck(CHarnDbs& dbs, CProjPath& proj) : m_dbs(dbs), m_proj(proj) {}

    void run() {
        checkHead();
        checkTypeLibrary();
        if (m_dbs.Home() == 0) {
            do {
                if (m_dbs.Get_aktel()->typ == 6)
                    m_alignmentIds.insert(cli::field(m_dbs.Get_aktel()->id));
            } while (m_dbs++);
        }
        std::map<std::pair<int, std::string>, int> ids, names;
        if (m_dbs.Home() == 0) {
            do {
                dbstype r = *m_dbs.Get_aktel();
                ++m_objects;
                checkRecord(r, ids, names);
            } while (m_dbs++);
        }
    }

    void add(bool error, const std::string& object, const std::string& message) {
        findings.push_back({error, object, message});
    }

    int objects() const { return m_objects; }
    std::vector<Finding> findings;

private:
    void checkHead() {
        const dbshdtype& hd = m_dbs.m_hd;
        int counts[10] = {};
        if (m_dbs.Home() == 0) {
            do {
                int t = m_dbs.Get_aktel()->typ;
                if (t >= 1 && t <= 9)
                    ++counts[t];
            } while (m_dbs++);
        }
        for (int t = 1; t <= 9; ++t)
            if (hd.typantal[t - 1] != counts[t])
                add(true, "",
                    "head counts " + std::to_string(hd.typantal[t - 1]) + " objects of type " +
                        cli::typeName(t) + ", the database holds " + std::to_string(counts[t]));
        if (hd.slut < kDbsFirstSlot || (hd.slut - kDbsFirstSlot) % kDbsRecordSize != 0)
            add(true, "",
                "head's end offset " + std::to_string(hd.slut) + " is not a slot boundary");
        if (hd.hal != 0)
            add(false, "",
                std::to_string(hd.hal) +
                    " freed slots not yet packed (opening the database for writing packs them)");
    }

    void checkRecord(const dbstype& r, std::map<std::pair<int, std::string>, int>& ids,
                     std::map<std::pair<int, std::string>, int>& names) {
        std::string id = cli::field(r.id);
        std::string name = cli::toUtf8(id.c_str());
        if (r.typ < 1 || r.typ > 8)
            add(true, name, "unknown object type " + std::to_string(r.typ));
        char upper[sizeof r.id + 1] = {};
        std::memcpy(upper, id.c_str(), id.size());
        UpperCaseSwedish(upper);
        if (id != upper)
            add(true, name, "identifier is not in upper case");
        if (++ids[{r.typ, id}] == 2)
            add(true, name, "identifier used by more than one " + cli::typeName(r.typ));
        std::string file = cli::field(r.filnamn);
        bool hasFiles = r.typ == 1 || r.typ == 2 || r.typ == 3 || r.typ == 5;
        if (hasFiles && file.empty()) {
            add(true, name, "no file name");
            return;
        }
        if (hasFiles && ++names[{r.typ, file}] == 2)
            add(true, name,
                "file name " + cli::toUtf8(file.c_str()) + " used by more than one " +
                    cli::typeName(r.typ));
        switch (r.typ) {
        case 1:
            checkTunnel(r, name, file);
            break;
        case 2:
            requireFile(name, file + ".LAD", true);
            break;
        case 3:
            checkBorehole(r, name, file);
            break;
        case 5:
            requireFile(name, file + ".LJE", true);
            break;
        case 6:
            // An alignment's geometry file (HARNDB\<id>) is optional; its absence is a warning,
            // a file the alignment reader refuses an error.
            if (requireFile(name, id, false)) {
                auto a = cli::loadAlignment(m_proj, id);
                if (!a->loaded)
                    add(true, name,
                        "alignment file " + cli::toUtf8(a->path.c_str()) +
                            " cannot be read: " + cli::toUtf8(a->error.c_str()));
            }
            break;
        default:
            break;
        }
    }

    bool requireFile(const std::string& object, const std::string& file, bool error) {
        CString path = m_proj.DataPath(file.c_str());
        if (platform::access(path, 0) == 0)
            return true;
        add(error, object, "data file " + cli::toUtf8(path) + " is missing");
        return false;
    }

    void checkBorehole(const dbstype& r, const std::string& object, const std::string& file) {
        bool gvr = r.flagg & 0x30;
        if (!requireFile(object, file + (gvr ? ".GVR" : ".SND"), true) || gvr)
            return;
        CString path = borehole::sndPath(&m_proj, file.c_str());
        struct Method {
            int number;
            const char* name;
        };
        const Method methods[] = {{CKarnborr::KB, "core drilling"},
                                  {CRegBorr::JB1, "registered drilling JB1"},
                                  {CVattenF::VF, "water-loss tests"},
                                  {CRegBorr::RB, "registered drilling RB"}};
        for (const Method& m : methods) {
            CStdioFile sf;
            harnbhdtype bhd;
            std::memset(&bhd, 0, sizeof bhd);
            if (!borehole::readHead(sf, &m_proj, file.c_str(), &bhd, 0)) {
                add(true, object, "borehole file " + cli::toUtf8(path) + " cannot be read");
                return;
            }
            bool present = false;
            borehole::scanBlocks(
                sf, m.number, [&](char*) { present = true; }, [](char*) {});
            bool flagged = r.flagg & (1 << m.number);
            if (present && !flagged)
                add(true, object,
                    std::string("the file has ") + m.name +
                        " but the database record's flag is not set");
            if (!present && flagged)
                add(true, object,
                    std::string("the database record says ") + m.name +
                        " but the file has no such block");
        }
    }

    // Runs `read` with the library's messages recorded; each message, status text and
    // failure reported meanwhile becomes an error of `object` (line ends as blanks).
    template <class Read> auto recorded(const std::string& object, Read read) {
        const size_t logged = platform::FailureLog::entries().size();
        std::vector<std::string> said;
        auto result = [&] {
            platform::RecordingUserInterface recorder;
            recorder.setStatusLine(true);
            auto r = read();
            for (const auto& e : recorder.events)
                said.push_back(e.text);
            return r;
        }();
        // Failures reported meanwhile are findings here, not failures of the command.
        const std::vector<std::string> log = platform::FailureLog::entries();
        if (log.size() > logged) {
            platform::FailureLog::reset();
            for (size_t i = 0; i < log.size(); ++i)
                if (i < logged)
                    platform::FailureLog::report(log[i]);
                else
                    said.push_back(log[i]);
        }
        for (std::string text : said) {
            std::replace(text.begin(), text.end(), '\n', ' ');
            add(true, object, cli::toUtf8(text.c_str()));
        }
        return std::make_pair(result, !said.empty());
    }

    // TVTYP.LIS, when the project has one: readable without complaint, and every type with
    // a readable outline file.
    void checkTypeLibrary() {
        CTvarsnitt index(&m_proj);
        const std::string path = index.IndexPath().str();
        const std::string object = "TVTYP.LIS";
        auto [lib, complained] = recorded(object, [&] { return cli::readSectionLibrary(m_proj); });
        m_library = lib;
        if (!m_library.present)
            return;
        if (m_library.result != 0 && !complained)
            add(true, object, "type library " + cli::toUtf8(path.c_str()) + " cannot be read");
        for (const tvtytype& t : m_library.types) {
            const std::string name = cli::terminatedField(t.tvnamn);
            const CString outline = index.OutlinePath(name.c_str());
            CTvarKoord koord;
            if (platform::access(outline, 0) != 0)
                add(false, object,
                    "type " + cli::toUtf8(name.c_str()) + " has no outline file " +
                        cli::toUtf8(outline));
            else if (koord.Init(outline, nullptr, nullptr, nullptr) != 0)
                add(true, object,
                    "outline file " + cli::toUtf8(outline) + " of type " +
                        cli::toUtf8(name.c_str()) + " cannot be read");
        }
    }

    // A tunnel: its database readable (with an accepted version) and its counters, its text
    // file, the alignment its text names, and the types of its positions in the library.
    void checkTunnel(const dbstype& r, const std::string& object, const std::string& file) {
        if (!requireFile(object, file + ".ODB", true))
            return;
        cli::Tunnel t;
        auto [read, complained] = recorded(object, [&] { return cli::readTunnel(m_proj, r, t); });
        if (!read) {
            if (!complained)
                add(true, object,
                    "tunnel database " + cli::toUtf8(t.odbPath.c_str()) + " cannot be read");
            return;
        }
        const int live = static_cast<int>(t.records.size());
        const int positions = static_cast<int>(t.positions.size());
        if (t.head.antal[0] != live)
            add(true, object,
                "tunnel database head counts " + std::to_string(t.head.antal[0]) +
                    " records, the file holds " + std::to_string(live));
        if (t.head.antal[7] != positions)
            add(true, object,
                "tunnel database head counts " + std::to_string(t.head.antal[7]) +
                    " positions, the file holds " + std::to_string(positions));
        requireFile(object, file + ".LAT", true);

        const std::string name = cli::tunnelAlignmentName(r);
        if (name.empty()) {
            add(false, object, "its text names no alignment (.VL): no plan geometry");
        } else {
            const std::string shown = cli::toUtf8(name.c_str());
            if (!m_alignmentIds.count(name))
                add(false, object, "its alignment " + shown + " is not in the database");
            auto a = cli::loadAlignment(m_proj, name);
            const std::string path = cli::toUtf8(a->path.c_str());
            if (!a->present) {
                add(true, object, "alignment file " + path + " is missing");
            } else if (!a->loaded) {
                add(true, object,
                    "alignment file " + path + " cannot be read: " + cli::toUtf8(a->error.c_str()));
            } else {
                const double from = a->line.startChainage(), to = a->line.endChainage();
                for (const todbtype& p : t.positions)
                    if (!(p.sekt >= from && p.sekt <= to))
                        add(false, object,
                            "position at chainage " + fixed3(p.sekt) +
                                " lies outside its alignment (chainage " + fixed3(from) + " to " +
                                fixed3(to) + ")");
            }
        }

        if (t.positions.empty()) {
            add(false, object, "no positions along the tunnel");
            return;
        }
        if (!m_library.present) {
            add(true, object,
                "its positions name cross-section types but the project has no type library "
                "TVTYP.LIS");
            return;
        }
        for (const todbtype& p : t.positions) {
            const std::string type = cli::terminatedField(p.tvnamn);
            if (!m_library.find(type))
                add(true, object,
                    "position at chainage " + fixed3(p.sekt) + ": cross-section type " +
                        cli::toUtf8(type.c_str()) + " is not in TVTYP.LIS");
        }
    }

    CHarnDbs& m_dbs;
    CProjPath& m_proj;
    int m_objects = 0;
    cli::SectionLibrary m_library;
    std::set<std::string> m_alignmentIds; // CP1252
};

int runCheck(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("check");
    std::vector<std::string> args = argsIn;
    bool json = cli::takeFlag(args, "--json");
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;
    auto proj = cli::projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    std::vector<Finding> library;
    std::string hint; // the tool's command for a database the library sends to "Konvertera"
    {
        // The library's own findings while reading (counts, stray slots) become check results.
        platform::RecordingUserInterface recorder;
        recorder.setStatusLine(true);
        int r = dbs.Init(1, 0, nullptr, nullptr);
        for (const auto& e : recorder.events)
            library.push_back(
                {r != 0 || e.kind == platform::RecordingUserInterface::Event::Kind::Message, "",
                 cli::toUtf8(e.text.c_str())});
        bool remedy = false;
        for (const auto& e : recorder.events)
            remedy = remedy || e.text.find("Konvertera") != std::string::npos;
        if (remedy)
            hint = cli::convertHint(args[0]);
        if (r != 0) {
            for (const Finding& f : library)
                std::cerr << "harn check: " << f.message << "\n";
            if (!hint.empty())
                std::cerr << hint << "\n";
            cli::reportLock(*proj);
            return cli::kFailed;
        }
    }
    ProjectCheck check(dbs, *proj);
    check.findings = library;
    // The type library's reader rings bells at damage; they must not mix into the findings.
    libfile::setBellStream(stderr);
    check.run();
    libfile::setBellStream(nullptr);
    int errors = 0;
    for (const Finding& f : check.findings)
        errors += f.error ? 1 : 0;
    int warnings = static_cast<int>(check.findings.size()) - errors;
    if (json) {
        cli::JsonWriter w(std::cout);
        w.beginObject().key("objects").value(check.objects()).key("errors").value(errors);
        w.key("warnings").value(warnings).key("findings").beginArray();
        for (const Finding& f : check.findings) {
            w.beginObject().key("severity").value(f.error ? "error" : "warning");
            w.key("object").value(f.object).key("message").value(f.message).endObject();
        }
        w.endArray().endObject().finish();
    } else {
        for (const Finding& f : check.findings)
            std::cout << (f.error ? "error    " : "warning  ")
                      << (f.object.empty() ? "-" : f.object) << ": " << f.message << "\n";
        std::cout << check.objects() << " objects checked: " << errors << " errors, " << warnings
                  << " warnings\n";
    }
    if (!hint.empty())
        std::cerr << hint << "\n";
    return errors ? cli::kFailed : cli::kOk;
}

cli::CommandRegistrar reg("check", "harn check DIR [--json]",
                          "check the database head, the records and every object's data files "
                          "(exit code 1 when errors are found)",
                          &runCheck);

} // namespace
