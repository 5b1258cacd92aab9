// Opening and reading the project database: the lock protocol, Init with its checks and
// the packing of freed slots, the order of the list, the searches and file names.
#include "database/CHarnDbs.h"

#include "list/Utilities.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"

#include <cstring>

namespace {

// A leading integer of an upper-cased id copy; 99999999 when there is none.
long idNumber(const char* id) {
    long n = 0;
    return std::sscanf(id, "%ld", &n) == 1 ? n : 99999999L;
}

} // namespace

int CHarnDbs::Sortval(int key) {
    if (key != 1 && key != -1)
        return 0;
    if (!m_pael || !m_pmark)
        return 0;
    // Ids are copied into 16-byte buffers and cut at 15 characters.
    char mark[16];
    char akt[16];
    std::memcpy(mark, m_pmark->id, 15);
    mark[15] = 0;
    std::memcpy(akt, m_pael->id, 15);
    akt[15] = 0;
    UpperCaseSwedish(mark);
    UpperCaseSwedish(akt);
    long nMark = idNumber(mark);
    long nAkt = idNumber(akt);
    if (key == 1)
        return nMark < nAkt || (nMark == nAkt && std::strcmp(mark, akt) < 0) ? 1 : 0;
    return nAkt <= nMark ? 1 : 0;
}
