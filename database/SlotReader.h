// The slots of an open database file, read in blocks of whole records from the first slot on.
// A short last record ends them.
#pragma once

#include <cstddef>
#include <vector>

class CFile;

class SlotReader {
public:
    // Seeks `file` to its first slot.
    explicit SlotReader(CFile& file);
    // The bytes of the next whole slot (valid until the next call); null at the end. A read
    // error raises CFileException.
    const char* next();

    // Slots read with one call.
    static constexpr size_t kSlotsPerRead = 512;

private:
    CFile& m_file;
    std::vector<char> m_block;
    size_t m_have = 0;
    size_t m_at = 0;
};
