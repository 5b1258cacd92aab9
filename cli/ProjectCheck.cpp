#include "cli/ProjectCheck.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "borehole/SndFile.h"
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/TunnelGeometry.h"
#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "host/CVaglinje.h"
#include "list/Utilities.h"
#include "mapping/CBergOrMateLista.h"
#include "mapping/LibraryFile.h"
#include "platform/FileSystem.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace cli {

namespace {

bool hasExtension(const std::string& name, const char* ext) {
    const size_t n = std::strlen(ext);
    if (name.size() <= n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) != ext[i])
            return false;
    return true;
}

// The record length of a library file: the one kind whose records fill the file after its
// head, else the one its head's end offset fits; 0 when neither tells.
int libraryRecordLength(const std::string& path) {
    const int lengths[] = {312, 656, 288};
    std::string bytes;
    if (!platform::readFile(path.c_str(), bytes))
        return 0;
    const long size = static_cast<long>(bytes.size());
    int bySize = 0, byEnd = 0, sizeFits = 0, endFits = 0;
    int32_t slut = 0;
    if (bytes.size() >= sizeof(bibhdtype))
        std::memcpy(&slut, bytes.data() + offsetof(bibhdtype, slut), sizeof slut);
    for (int len : lengths) {
        if (size > libfile::kFirstRecord && (size - libfile::kFirstRecord) % len == 0)
            bySize = len, ++sizeFits;
        if (slut > libfile::kFirstRecord && (slut - libfile::kFirstRecord) % len == 0)
            byEnd = len, ++endFits;
    }
    if (sizeFits == 1)
        return bySize;
    if (endFits == 1)
        return byEnd;
    return size <= libfile::kFirstRecord ? 312 : 0; // no records: any kind reads alike
}

} // namespace

ProjectCheck::ProjectCheck(CHarnDbs& dbs, CProjPath& proj, FindingList& findings)
    : m_dbs(dbs), m_proj(proj), m_out(findings), m_dbsFile(userPath(dbs.m_dbsfil.GetFilePath())) {}

ProjectCheck::~ProjectCheck() = default;

void ProjectCheck::run() {
    checkHead();
    checkTypeLibrary();
    if (m_dbs.Home() == 0) {
        do {
            if (m_dbs.Get_aktel()->typ == 6)
                m_alignmentIds.insert(field(m_dbs.Get_aktel()->id));
        } while (m_dbs++);
    }
    if (m_dbs.Home() == 0) {
        do {
            const dbstype r = *m_dbs.Get_aktel();
            ++m_objects;
            checkRecord(r);
        } while (m_dbs++);
    }
    checkSharedFiles();
}

void ProjectCheck::checkHead() {
    const dbshdtype& hd = m_dbs.m_hd;
    int counts[10] = {};
    if (m_dbs.Home() == 0) {
        do {
            const int t = m_dbs.Get_aktel()->typ;
            if (t >= 1 && t <= 9)
                ++counts[t];
        } while (m_dbs++);
    }
    for (int t = 1; t <= 9; ++t)
        if (hd.typantal[t - 1] != counts[t])
            m_out.add("head-count", Severity::Error, "", m_dbsFile, 0,
                      "head counts " + std::to_string(hd.typantal[t - 1]) + " objects of type " +
                          typeName(t) + ", the database holds " + std::to_string(counts[t]));
    if (hd.slut < kDbsFirstSlot || (hd.slut - kDbsFirstSlot) % kDbsRecordSize != 0)
        m_out.add("head-end", Severity::Error, "", m_dbsFile, 0,
                  "head's end offset " + std::to_string(hd.slut) + " is not a slot boundary");
    if (hd.hal != 0)
        m_out.add("head-freed", Severity::Warning, "", m_dbsFile, 0,
                  std::to_string(hd.hal) +
                      " freed slots not yet packed (opening the database for writing packs them)");
}

void ProjectCheck::checkRecord(const dbstype& r) {
    const std::string id = field(r.id);
    const std::string object = toUtf8(id.c_str());
    if (r.typ < 1 || r.typ > 8)
        m_out.add("record-type", Severity::Error, object, m_dbsFile, 0,
                  "unknown object type " + std::to_string(r.typ));
    char upper[sizeof r.id + 1] = {};
    std::memcpy(upper, id.c_str(), id.size());
    UpperCaseSwedish(upper);
    if (id != upper)
        m_out.add("record-id-case", Severity::Error, object, m_dbsFile, 0,
                  "identifier is not in upper case");
    if (++m_ids[{r.typ, id}] == 2)
        m_out.add("record-id-duplicate", Severity::Error, object, m_dbsFile, 0,
                  "identifier used by more than one " + typeName(r.typ));
    const std::string name = field(r.filnamn);
    const bool hasFiles = r.typ == 1 || r.typ == 2 || r.typ == 3 || r.typ == 5;
    if (hasFiles && name.empty()) {
        m_out.add("record-no-file", Severity::Error, object, m_dbsFile, 0, "no file name");
        return;
    }
    if (hasFiles && ++m_names[{r.typ, name}] == 2)
        m_out.add("record-file-duplicate", Severity::Error, object, m_dbsFile, 0,
                  "file name " + toUtf8(name.c_str()) + " used by more than one " +
                      typeName(r.typ));
    switch (r.typ) {
    case 1:
        checkTunnel(r, object, name);
        break;
    case 2:
        if (requireFile(object, name + ".LAD", "file-missing", Severity::Error))
            checkOutcropFile(m_proj.DataPath((name + ".LAD").c_str()), object, m_out);
        break;
    case 3:
        checkBorehole(r, object, name);
        break;
    case 5:
        if (requireFile(object, name + ".LJE", "file-missing", Severity::Error))
            checkLineFile(m_proj.DataPath((name + ".LJE").c_str()), object, m_out);
        break;
    case 6:
        checkAlignment(r, object);
        break;
    default:
        break;
    }
}

bool ProjectCheck::requireFile(const std::string& object, const std::string& name, const char* rule,
                               Severity severity) {
    CString path = m_proj.DataPath(name.c_str());
    if (platform::access(path, 0) != 0) {
        m_out.add(rule, severity, object, userPath(path), 0, "data file is missing");
        return false;
    }
    if (platform::isDirectory(path) || platform::access(path, 4) != 0) {
        m_out.add("file-unreadable", Severity::Error, object, userPath(path), 0,
                  "the file cannot be read");
        return false;
    }
    return true;
}

void ProjectCheck::checkBorehole(const dbstype& r, const std::string& object,
                                 const std::string& name) {
    const bool gvr = r.flagg & 0x30;
    if (!requireFile(object, name + (gvr ? ".GVR" : ".SND"), "file-missing", Severity::Error) ||
        gvr)
        return;
    const CString path = borehole::sndPath(&m_proj, name.c_str());
    const int before = m_out.errors();
    checkBoreholeFile(path, object, m_out);
    const CString survey = m_proj.DataPath((name + ".CRD").c_str());
    if (platform::access(survey, 0) == 0)
        checkSurveyFile(survey, object, m_out);
    if (m_out.errors() != before)
        return; // the blocks cannot be told from a damaged file
    struct Method {
        int number;
        const char* name;
    };
    const Method methods[] = {{CKarnborr::KB, "core drilling"},
                              {CRegBorr::JB1, "registered drilling JB1"},
                              {CVattenF::VF, "water-loss tests"},
                              {CRegBorr::RB, "registered drilling RB"}};
    // The file read once for the blocks of all four methods.
    CStdioFile sf;
    harnbhdtype bhd;
    std::memset(&bhd, 0, sizeof bhd);
    if (!borehole::readHead(sf, &m_proj, name.c_str(), &bhd, 0))
        return;
    const unsigned blocks = borehole::blocksPresent(sf);
    sf.Abort();
    for (const Method& m : methods) {
        const bool present = blocks & (1u << m.number);
        const bool flagged = r.flagg & (1 << m.number);
        if (present != flagged)
            m_out.add("borehole-flag", Severity::Error, object, userPath(path), 0,
                      present ? std::string("the file has ") + m.name +
                                    " but the database record's flag is not set"
                              : std::string("the database record says ") + m.name +
                                    " but the file has no such block");
    }
}

void ProjectCheck::checkBoltsAndDrains(const std::string& object, const std::string& name) {
    // Both files are optional; read as bytes, since loading one would pack it.
    for (const char* ext : {".ODF", ".ODD"}) {
        const CString path = m_proj.DataPath((name + ext).c_str());
        if (platform::access(path, 0) == 0)
            checkBoltDrainFile(path, object, m_out);
    }
}

void ProjectCheck::checkAlignment(const dbstype& r, const std::string& object) {
    // An alignment's geometry file (HARNDB\<id>) is optional; its absence is a warning.
    const std::string id = terminatedField(r.id);
    if (!requireFile(object, id, "alignment-file-missing", Severity::Warning))
        return;
    const CString path = m_proj.DataPath(id.c_str());
    CVaglinje v;
    if (v.Init(path) != 0)
        m_out.add("alignment-file", Severity::Error, object, userPath(path), 0,
                  toUtf8(v.errorText().c_str()));
}

void ProjectCheck::checkSharedFiles() {
    CBergOrMateLista probe(nullptr, &m_proj, 0);
    const CString kodfil = probe.Kodfil();
    if (!kodfil.IsEmpty())
        checkCodeFile(kodfil, m_out);
    // Library files (".bib") of the project folder and its database folder.
    for (const std::string& folder :
         {std::string(m_proj.ProjKat()), std::string(m_proj.DataPath(""))}) {
        for (const platform::DirEntry& e : platform::listDirectory(folder.c_str())) {
            if (e.isDirectory || !hasExtension(e.name, ".bib"))
                continue;
            std::string path = folder;
            if (path.empty() || path.back() != '\\')
                path += "\\";
            path += e.name;
            const int length = libraryRecordLength(path);
            if (length == 0)
                m_out.add("library-end", Severity::Error, "", userPath(path.c_str()), 0,
                          "neither its size nor its head's end offset fits the records of a "
                          "reinforcement or grouting library");
            else
                checkLibraryFile(path.c_str(), length, m_out);
        }
    }
}

} // namespace cli
