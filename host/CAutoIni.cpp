#include "host/CAutoIni.h"

#include "platform/FileSystem.h"

#include <string>

namespace {
// Folders may come as POSIX paths; the library keeps Windows form.
CString asWindows(const char* folder) {
    std::string f = folder;
    if (f.find('/') != std::string::npos)
        f = platform::windowsPath(f);
    return CString(f);
}
} // namespace

void CAutoIni::SetDatum(const char* date) {
    m_hasDatum = date != nullptr;
    m_datum = date;
}

void CAutoIni::SetKatalog1(const char* folder) {
    m_has1 = folder != nullptr;
    m_kat1 = folder ? asWindows(folder) : CString();
}

void CAutoIni::SetKatalog2(const char* folder) {
    m_has2 = folder != nullptr;
    m_kat2 = folder ? asWindows(folder) : CString();
}
