// The checks of `harn check` over one opened project: the database head against its records,
// each record, each object's data files against their layouts, the codes they use against
// the code list, the code list and the library files of the project.
#pragma once

#include "cli/FileChecks.h"
#include "database/dbstype.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

class CHarnDbs;
class CProjPath;

namespace cli {

struct SectionLibrary;

class ProjectCheck {
public:
    ProjectCheck(CHarnDbs& dbs, CProjPath& proj, FindingList& findings);
    ~ProjectCheck();
    void run();
    int objects() const { return m_objects; }

private:
    void checkHead();
    void checkRecord(const dbstype& r);
    bool requireFile(const std::string& object, const std::string& name, const char* rule,
                     Severity severity);
    void checkBorehole(const dbstype& r, const std::string& object, const std::string& name);
    void checkBoltsAndDrains(const std::string& object, const std::string& name);
    // Runs `read` with the library's messages recorded: each message, status text and
    // failure reported meanwhile becomes an error of `rule`. The result and whether any was.
    template <class Read>
    auto recorded(const char* rule, const std::string& object, const std::string& file, Read read);
    void checkTypeLibrary();
    void checkTunnel(const dbstype& r, const std::string& object, const std::string& name);
    void checkAlignment(const dbstype& r, const std::string& object);
    void checkSharedFiles();

    CHarnDbs& m_dbs;
    CProjPath& m_proj;
    FindingList& m_out;
    std::string m_dbsFile; // POSIX
    int m_objects = 0;
    std::map<std::pair<int, std::string>, int> m_ids, m_names;
    std::unique_ptr<SectionLibrary> m_library;
    std::set<std::string> m_alignmentIds; // CP1252
};

} // namespace cli
