// Deviation survey: the input is HARNDB\B1.CRD of borehole B1, whose head says it has a
// survey ("JA"); the core-drilling save reads it for the extents of the borehole's record.
// The save succeeds, leaves the survey as it was and writes the borehole file exactly as a
// save without a database does; its only box is the survey's position warning; the record
// reaches the database file as the save left it, the database then opens without a message,
// no failure is reported and no temporary or lock file is left.
#include "borehole/CKarnborr.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/ConversionSupport.h"
#include "fuzz/targets/SndSupport.h"

#include <cstring>

namespace harn_fuzz {
namespace {

const char* const kCrd = "HARNDB/B1.CRD";

// B1 at (1000, 2000, 100), inclined 60 degrees, with a survey; no method block yet (the
// save appends the core-drilling block).
const char* const kBorehole = "B1                             \n1000.000000\n2000.000000 0\n"
                              "100.000000 95.000000\n0.000000 0.000000\n"
                              "0.000000 0.000000 0 1\n0.000000 45 60\n*\n";

// A database holding only B1's record.
std::string database() {
    std::string head = currentHead();
    dbshdtype h;
    std::memcpy(&h, head.data(), sizeof h);
    h.antal = 1;
    h.typantal[2] = 1;
    h.slut = kDbsFirstSlot + kDbsRecordSize;
    dbstype r;
    std::memset(&r, 0, sizeof r);
    r.typ = 3;
    std::strcpy(r.id, "B1");
    std::strcpy(r.filnamn, "B1");
    return std::string(reinterpret_cast<const char*>(&h), sizeof h) +
           std::string(kDbsFirstSlot - kDbsHeadSize, '\0') +
           std::string(reinterpret_cast<const char*>(&r), kDbsRecordSize);
}

std::string recordBytes(const dbstype& r) {
    return std::string(reinterpret_cast<const char*>(&r), kDbsRecordSize);
}

} // namespace

int fuzzCrd(const uint8_t* data, std::size_t size) {
    Session s;
    platform::FailureLog::reset();
    const std::string survey = bytes(data, size);
    s.write(kCrd, survey);
    s.write(kSnd, kBorehole);
    s.write(kDbsFile, database());

    // The borehole file as a save without a database writes it.
    std::string plain;
    {
        CKarnborr kb(&s.proj(), "B1");
        kb.Init();
        check(kb.m_bhd.avvmatt[0] == 'J', "the borehole of the survey target has no survey");
        kb.m_bhd.metod = CKarnborr::KB;
        plain = saved(s, kb.Save(nullptr, 0));
    }
    s.write(kSnd, kBorehole);

    CHarnDbs dbs(&s.proj(), nullptr);
    check(dbs.Init(0, 0, nullptr, nullptr) == 0, "the database of the survey target does not open");
    char id[] = "B1";
    check(dbs.Findid(3, id) == 0, "the borehole's record is not found");
    s.ui.clear();
    CKarnborr kb(&s.proj(), "B1");
    kb.Init();
    kb.m_bhd.metod = CKarnborr::KB;
    checkSame(plain, saved(s, kb.Save(&dbs, 0)), "the survey changed what the save wrote");
    checkSame(survey, s.read(kCrd), "saving the borehole changed its survey file");
    for (const auto& m : s.ui.messages())
        check(m.text.rfind("Varning ! id: B1", 0) == 0, "the survey gave another box than the "
                                                        "position warning");
    check(platform::FailureLog::count() == 0, "the record's update reported a failure");
    const std::string kept = recordBytes(*dbs.Get_aktel());

    std::vector<dbstype> records;
    {
        platform::RecordingUserInterface quiet;
        CHarnDbs again(&s.proj(), nullptr);
        check(again.Init(1, 0, nullptr, nullptr) == 0, "the database does not open after the save");
        check(quiet.events.empty(), "the database opens with a message after the save");
        check(again.Home() == 0 && again.m_hd.antal == 1, "the borehole's record was lost");
        checkSame(kept, recordBytes(*again.Get_aktel()),
                  "the record in the file is not the one the save made");
    }
    for (const std::string& f : s.files())
        check(f == kDbsFile || f == "HARNDB/B1.SND" || f == "HARNDB/B1.CRD" || f == "TMPPROG.PB$",
              "the save left a file behind");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzCrd)
