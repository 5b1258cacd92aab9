// harn check DIR [--json]: checks a project: the database head against its records, the
// records themselves, and every object's data files.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/Json.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "borehole/SndFile.h"
#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"

#include <cstring>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

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
            requireFile(name, file + ".ODB", true);
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
            // An alignment's geometry file (HARNDB\<id>) is optional; its absence is a warning.
            requireFile(name, id, false);
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

    CHarnDbs& m_dbs;
    CProjPath& m_proj;
    int m_objects = 0;
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
    check.run();
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
