#include "database/SlotReader.h"

#include "database/dbstype.h"
#include "platform/CFile.h"

SlotReader::SlotReader(CFile& file) : m_file(file), m_block(kSlotsPerRead * kDbsRecordSize) {
    m_file.Seek(kDbsFirstSlot, CFile::begin);
}

const char* SlotReader::next() {
    if (m_at == m_have) {
        m_have = m_file.Read(m_block.data(), static_cast<UINT>(m_block.size()));
        m_at = 0;
    }
    if (m_have - m_at < static_cast<size_t>(kDbsRecordSize))
        return nullptr;
    m_at += kDbsRecordSize;
    return m_block.data() + m_at - kDbsRecordSize;
}
