// The project database: the input is HARNPLAN.DBS. A read-only open must leave the file as
// it is; an open for writing packs freed slots away, and opening and updating once more
// must then change nothing. A refused file is shown to the user and left untouched, and
// no open leaves the lock file behind.
#include "database/CHarnDbs.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "host/CAutoIni.h"

#include <cstring>

namespace harn_fuzz {
namespace {

const char* const kDbs = "HARNPLAN.DBS";

// Every record of the list is a live slot of the file with a terminated id.
void checkRecords(CHarnDbs& dbs) {
    if (dbs.Home() != 0)
        return;
    do {
        const dbstype* r = dbs.Get_aktel();
        check(r->typ != 0 && r->id[0] != 0, "a free slot was loaded as a record");
        check(terminated(r->id), "a record's id has no terminator within its field");
        check(r->filpos >= kDbsFirstSlot && (r->filpos - kDbsFirstSlot) % kDbsRecordSize == 0,
              "a record's slot offset is not a slot");
    } while (dbs++);
}

// The records without their slot offsets (packing moves them).
std::vector<std::string> contents(CHarnDbs& dbs) {
    std::vector<std::string> out = records(dbs, kDbsRecordSize);
    return out;
}

std::vector<std::string> withOffsets(CHarnDbs& dbs) {
    return records(dbs, sizeof(dbstype));
}

} // namespace

int fuzzDbs(const uint8_t* data, std::size_t size) {
    Session s;
    const std::string input = bytes(data, size);
    s.write(kDbs, input);
    CAutoIni ini;
    ini.SetDatum("2026-01-01");

    // Read only: nothing is written.
    std::vector<std::string> loaded;
    int readOnly;
    {
        CHarnDbs dbs(&s.proj(), &ini);
        readOnly = dbs.Init(1, 0, nullptr, nullptr);
        check(s.read(kDbs) == input, "a read-only open changed the database file");
        check(!s.exists("HARNPLAN.LCK"), "a read-only open left the lock file");
        if (readOnly != 0) {
            check(!s.ui.messages().empty(), "a refused database gave no message");
        } else {
            checkRecords(dbs);
            loaded = contents(dbs);
        }
        // Through a snapshot: the result, head, records and events of the whole read.
        const std::vector<platform::RecordingUserInterface::Event> shown = s.ui.events;
        const std::vector<std::string> whole = withOffsets(dbs);
        CHarnDbs snap(&s.proj(), &ini);
        s.ui.clear();
        check(snap.InitSnapshot(nullptr) == readOnly, "the snapshot and the read disagree");
        std::vector<std::string> streamed;
        for (dbstype r; snap.NextRecord(r);)
            streamed.emplace_back(reinterpret_cast<const char*>(&r), sizeof r);
        check(streamed == whole && snap.SnapshotRecords() == static_cast<int>(whole.size()),
              "the snapshot gave other records than the read");
        check(readOnly != 0 || std::memcmp(&snap.m_hd, &dbs.m_hd, sizeof dbs.m_hd) == 0,
              "the snapshot gave another head than the read");
        check(s.ui.events.size() == shown.size(), "the snapshot showed other messages");
        for (size_t i = 0; i < shown.size() && i < s.ui.events.size(); ++i)
            check(s.ui.events[i].text == shown[i].text && s.ui.events[i].kind == shown[i].kind,
                  "the snapshot showed other messages");
        check(s.read(kDbs) == input && !s.exists("HARNPLAN.LCK"),
              "the snapshot changed the database or left the lock file");
    }

    // For writing: the same records, freed slots packed away.
    std::string packed;
    std::vector<std::string> first;
    {
        CHarnDbs dbs(&s.proj(), &ini);
        int result = dbs.Init(0, 0, nullptr, nullptr);
        check(!s.exists("HARNPLAN.LCK"), "an open for writing left the lock file");
        check(result == readOnly, "opening for writing and read-only disagree");
        if (result != 0) {
            check(s.read(kDbs) == input, "a refused database was changed");
            return 0;
        }
        checkRecords(dbs);
        check(contents(dbs) == loaded, "packing changed the records");
        packed = s.read(kDbs);
        check(packed.size() <= 2 * input.size(), "packing grew the file beyond its slots");
        // The first record written back unchanged.
        if (dbs.Home() == 0)
            check(dbs.Uppdat(0) == 0, "writing back a loaded record failed");
        check(!s.exists("HARNPLAN.LCK"), "an update left the lock file");
        first = withOffsets(dbs);
        packed = s.read(kDbs);
    }

    // Once more: nothing left to pack, the same record written back gives the same bytes.
    {
        CHarnDbs dbs(&s.proj(), &ini);
        check(dbs.Init(0, 0, nullptr, nullptr) == 0, "a packed database was refused");
        check(withOffsets(dbs) == first, "a packed database reads back other records");
        if (dbs.Home() == 0)
            check(dbs.Uppdat(0) == 0, "writing back a loaded record failed");
        const std::string again = s.read(kDbs);
        checkSame(packed, again, "a second open and update changed the database");
    }
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzDbs)
