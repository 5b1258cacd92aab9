// A private copy of the project database's bytes in the system's temporary folder. It is
// taken while the database is open under its lock, so that the lock can be released at once
// and the records read at leisure from the copy; the copy is removed when the object goes.
#pragma once

#include "database/SlotReader.h"
#include "database/dbstype.h"
#include "platform/CFile.h"
#include "platform/TemporaryFile.h"

#include <cstddef>
#include <optional>
#include <string>

// The slots of a database counted as reading it counts them (CHarnDbs::TakeSlot): live and
// freed slots up to the first live one at or past the head's end (`slut`), which ends them.
// Fed with the bytes as they are copied, so that the copy is read only once more.
class SlotCensus {
public:
    // The head's bytes, `size` of them (fewer than a head: no slot is counted).
    void head(const char* bytes, std::size_t size);
    // The next whole slot, at `p`; false once the slots have ended.
    bool slot(const char* bytes, long p);

    long live = 0;
    long freed = 0; // free slots before the head's end
    long slots = 0; // the slots before the one that ended them, or all
    // The slot that ended them, when one did.
    bool ended = false;
    long endAt = 0;
    char endSlot[kDbsRecordSize] = {};

private:
    long m_slut = 0;
    bool m_haveHead = false;
};

class DbsSnapshot {
public:
    // Copies the open file `from` whole into a new temporary file and opens the copy for
    // reading; `census` sees its head and slots on the way. False when the copy cannot be
    // created, written or opened again (it is then gone). A read error of `from` raises
    // CFileException, as reading the database does.
    bool take(CFile& from, SlotCensus& census);
    // The copy, open for reading after a successful take.
    CFile& file() { return m_copy; }
    // The copy's name (Windows form), also after a failed take.
    const std::string& path() const { return m_temp.path(); }

    // Reads the copy's slots again from the first one, `count` of them.
    void rereadSlots(long count);
    // The bytes of the next of those slots and its position `p`; null after them. A read
    // error raises CFileException.
    const char* nextSlot(long& p);

private:
    platform::TemporaryFile m_temp;
    CFile m_copy; // closed before the file is removed
    std::optional<SlotReader> m_slots;
    long m_end = 0; // the position after the last slot to read
    long m_at = 0;
};
