#include "database/DbsSnapshot.h"

#include "database/dbstype.h"

#include <vector>

bool DbsSnapshot::take(CFile& from) {
    m_copy.Abort();
    FILE* out = m_temp.create("harn-dbs");
    if (!out)
        return false;
    std::vector<char> block(64 * 1024);
    from.Seek(0, CFile::begin);
    bool ok = true;
    while (ok) {
        const UINT n = from.Read(block.data(), static_cast<UINT>(block.size()));
        if (n == 0)
            break;
        ok = std::fwrite(block.data(), 1, n, out) == n;
    }
    if (!m_temp.close() || !ok ||
        !m_copy.Open(m_temp.path().c_str(), CFile::typeBinary | CFile::modeRead)) {
        m_temp.remove();
        return false;
    }
    return true;
}

void DbsSnapshot::rereadSlots(long count) {
    m_slots.emplace(m_copy);
    m_at = kDbsFirstSlot;
    m_end = kDbsFirstSlot + count * kDbsRecordSize;
}

const char* DbsSnapshot::nextSlot(long& p) {
    if (!m_slots || m_at >= m_end)
        return nullptr;
    p = m_at;
    m_at += kDbsRecordSize;
    return m_slots->next();
}
