#include "database/DbsSnapshot.h"

#include "database/dbstype.h"

#include <cstring>
#include <vector>

void SlotCensus::head(const char* bytes, std::size_t size) {
    m_haveHead = size >= static_cast<std::size_t>(kDbsHeadSize);
    if (m_haveHead) {
        int32_t slut;
        std::memcpy(&slut, bytes + offsetof(dbshdtype, slut), sizeof slut);
        m_slut = slut;
    }
}

bool SlotCensus::slot(const char* bytes, long p) {
    if (!m_haveHead || ended)
        return false;
    switch (slotKind(bytes, p, m_slut)) {
    case SlotKind::Free:
        if (p < m_slut)
            ++freed;
        break;
    case SlotKind::End:
        ended = true;
        endAt = p;
        std::memcpy(endSlot, bytes, kDbsRecordSize);
        return false;
    case SlotKind::Live:
        ++live;
        break;
    }
    ++slots;
    return true;
}

bool DbsSnapshot::take(CFile& from, SlotCensus& census) {
    m_copy.Abort();
    FILE* out = m_temp.create("harn-dbs");
    if (!out)
        return false;
    // The area before the first slot, then whole slots in blocks as SlotReader reads them.
    std::vector<char> block(SlotReader::kSlotsPerRead * kDbsRecordSize);
    from.Seek(0, CFile::begin);
    UINT n = from.Read(block.data(), kDbsFirstSlot);
    census.head(block.data(), n);
    bool ok = std::fwrite(block.data(), 1, n, out) == n;
    bool counting = n == static_cast<UINT>(kDbsFirstSlot);
    long p = kDbsFirstSlot;
    while (ok && n > 0) {
        n = from.Read(block.data(), static_cast<UINT>(block.size()));
        for (UINT at = 0; counting && at + kDbsRecordSize <= n;
             at += kDbsRecordSize, p += kDbsRecordSize)
            counting = census.slot(block.data() + at, p);
        counting = counting && n == block.size();
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
