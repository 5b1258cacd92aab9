// The tunnel part of `harn check`: the cross-section type library with its outlines, and per
// tunnel its database, text file, alignment, positions and their types.
#include "cli/ProjectCheck.h"

#include "cli/Cli.h"
#include "cli/TunnelGeometry.h"
#include "host/CProjPath.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"
#include "tunnel/CTvarKoord.h"
#include "tunnel/CTvarsnitt.h"

#include <algorithm>

namespace cli {

namespace {

std::string fixed3(double v) {
    return millimetres(v);
}

} // namespace

template <class Read>
auto ProjectCheck::recorded(const char* rule, const std::string& object, const std::string& file,
                            Read read) {
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
        m_out.add(rule, Severity::Error, object, file, 0, toUtf8(text.c_str()));
    }
    return std::make_pair(result, !said.empty());
}

void ProjectCheck::checkTypeLibrary() {
    CTvarsnitt index(&m_proj);
    const std::string path = index.IndexPath().str();
    const std::string file = userPath(path.c_str());
    auto [lib, complained] =
        recorded("section-library", "", file, [&] { return readSectionLibrary(m_proj); });
    m_library = std::make_unique<SectionLibrary>(lib);
    if (!m_library->present)
        return;
    if (m_library->result != 0 && !complained)
        m_out.add("section-library", Severity::Error, "", file, 0,
                  "the type library cannot be read");
    for (const tvtytype& t : m_library->types) {
        const std::string name = terminatedField(t.tvnamn);
        const CString outline = index.OutlinePath(name.c_str());
        CTvarKoord koord;
        if (platform::access(outline, 0) != 0)
            m_out.add("section-outline-missing", Severity::Warning, toUtf8(name.c_str()),
                      userPath(outline), 0, "type " + shown(name) + " has no outline file");
        else if (koord.Init(outline, nullptr, nullptr, nullptr) != 0)
            m_out.add("section-outline", Severity::Error, toUtf8(name.c_str()), userPath(outline),
                      0, "the outline file of type " + shown(name) + " cannot be read");
    }
}

void ProjectCheck::checkTunnel(const dbstype& r, const std::string& object,
                               const std::string& name) {
    checkBoltsAndDrains(object, name);
    if (!requireFile(object, name + ".ODB", "file-missing", Severity::Error))
        return;
    Tunnel t;
    const std::string odb = userPath(m_proj.DataPath((name + ".ODB").c_str()));
    auto [read, complained] =
        recorded("tunnel-read", object, odb, [&] { return readTunnel(m_proj, r, t); });
    if (!read) {
        if (!complained)
            m_out.add("tunnel-read", Severity::Error, object, odb, 0,
                      "the tunnel database cannot be read");
        return;
    }
    for (const std::string& what : tunnelCountDamage(t.head, static_cast<int>(t.records.size()),
                                                     static_cast<int>(t.positions.size())))
        m_out.add("tunnel-count", Severity::Error, object, odb, 0, what);
    requireFile(object, name + ".LAT", "file-missing", Severity::Error);

    const std::string vl = tunnelAlignmentName(r);
    if (vl.empty()) {
        m_out.add("tunnel-alignment", Severity::Warning, object, m_dbsFile, 0,
                  "its text names no alignment (.VL): no plan geometry");
    } else {
        if (!m_alignmentIds.count(vl))
            m_out.add("tunnel-alignment", Severity::Warning, object, m_dbsFile, 0,
                      "its alignment " + shown(vl) + " is not in the database");
        auto a = loadAlignment(m_proj, vl);
        const std::string path = userPath(a->path.c_str());
        if (!a->present) {
            m_out.add("tunnel-alignment-file", Severity::Error, object, path, 0,
                      "the alignment file of the tunnel is missing");
        } else if (!a->loaded) {
            m_out.add("tunnel-alignment-file", Severity::Error, object, path, 0,
                      "the alignment file cannot be read: " + toUtf8(a->error.c_str()));
        } else {
            const double from = a->line.startChainage(), to = a->line.endChainage();
            for (const todbtype& p : t.positions)
                if (!(p.sekt >= from && p.sekt <= to))
                    m_out.add("tunnel-chainage", Severity::Warning, object, odb, 0,
                              "position at chainage " + fixed3(p.sekt) +
                                  " lies outside its alignment (chainage " + fixed3(from) + " to " +
                                  fixed3(to) + ")");
        }
    }

    if (t.positions.empty()) {
        m_out.add("tunnel-positions", Severity::Warning, object, odb, 0,
                  "no positions along the tunnel");
        return;
    }
    if (!m_library || !m_library->present) {
        m_out.add("tunnel-section-type", Severity::Error, object, odb, 0,
                  "its positions name cross-section types but the project has no type library "
                  "TVTYP.LIS");
        return;
    }
    for (const todbtype& p : t.positions) {
        const std::string type = terminatedField(p.tvnamn);
        if (!m_library->find(type))
            m_out.add("tunnel-section-type", Severity::Error, object, odb, 0,
                      "position at chainage " + fixed3(p.sekt) + ": cross-section type " +
                          shown(type) + " is not in TVTYP.LIS");
    }
}

} // namespace cli
