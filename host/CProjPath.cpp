#include "host/CProjPath.h"

#include "platform/FileSystem.h"

#include <string>

CString CProjPath::HarnDbfKat = "HARNDB";
CString CProjPath::HarnDbsNamn = "HARNPLAN.DBS";
CString CProjPath::HarnDbkNamn = "HARNPLAN.LCK";
CString CProjPath::HarnVlNamn = "VAGLINJE.LIS";

void CProjPath::ResetNames() {
    HarnDbfKat = "HARNDB";
    HarnDbsNamn = "HARNPLAN.DBS";
    HarnDbkNamn = "HARNPLAN.LCK";
    HarnVlNamn = "VAGLINJE.LIS";
}

namespace {

// A folder in the library's Windows form, without a trailing separator.
CString windowsFolder(const char* folder) {
    std::string f = folder ? folder : "";
    if (f.find('/') != std::string::npos)
        f = platform::windowsPath(f);
    while (f.size() > 1 && f.back() == '\\')
        f.pop_back();
    return CString(f);
}

} // namespace

CProjPath::CProjPath(const char* folder) : m_projKat(windowsFolder(folder)) {
    m_dbsPath = m_projKat + "\\" + HarnDbsNamn;
}

CProjPath::CProjPath(const char* folder, const char* dbPath) : m_projKat(windowsFolder(folder)) {
    std::string p = dbPath ? dbPath : "";
    if (p.find('/') != std::string::npos)
        p = platform::windowsPath(p);
    m_dbsPath = p.empty() ? m_projKat + "\\" + HarnDbsNamn : CString(p);
}

CString CProjPath::DataPath(const char* name) const {
    CString p;
    p.Format("%s%s%s%s%s", static_cast<const char*>(m_projKat), "\\",
             static_cast<const char*>(HarnDbfKat), "\\", name ? name : "");
    return p;
}
