// Outcrop files: the input is H1.LAD. The file is only read (CHellar::Init): it must stay as
// it was, every text must be cut to its field, and reading it twice gives the same outcrop.
// The outcrop's record in a database is then updated from it (SaveToDbs), which must write
// the record and leave the database readable with the same records.
#include "database/CHarnDbs.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "host/CAutoIni.h"
#include "mapping/CHellar.h"

#include <cstring>

namespace harn_fuzz {
namespace {

const char* const kLad = "HARNDB/H1.LAD";

// The members and points read, as bytes, for comparing two reads.
std::string image(CHellar& hell) {
    std::string out;
    auto add = [&](const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); };
    add(hell.m_rad2, sizeof hell.m_rad2);
    add(hell.m_rad3, sizeof hell.m_rad3);
    add(&hell.m_rad4tal, sizeof hell.m_rad4tal);
    add(hell.m_heltal, sizeof hell.m_heltal);
    add(hell.m_refid, sizeof hell.m_refid);
    add(hell.m_text, sizeof hell.m_text);
    if (hell.Home() == 0 && hell.Get_aktel()->pPunkter) {
        CHkolista& p = *hell.Get_aktel()->pPunkter;
        if (p.Home() == 0)
            do {
                const kokotype& k = *p.Get_aktel();
                check(terminated(k.kod), "a point's code runs past its field");
                check(std::strlen(k.kod) <= 3, "a point's code is longer than 3 characters");
                add(&k.x, sizeof k.x);
                add(&k.y, sizeof k.y);
                add(&k.z, sizeof k.z);
                add(k.kod, sizeof k.kod);
            } while (p++);
    }
    return out;
}

void read(Session& s, CHellar& hell, const std::string& input) {
    check(hell.Init() == 0, "an existing outcrop file could not be read");
    checkSame(input, s.read(kLad), "reading changed the outcrop file");
    check(terminated(hell.m_refid) && terminated(hell.m_text),
          "a text of the outcrop head runs past its field");
}

} // namespace

int fuzzLad(const uint8_t* data, std::size_t size) {
    Session s;
    const std::string input = bytes(data, size);
    s.write(kLad, input);
    CHellar first(&s.proj(), "H1");
    read(s, first, input);
    CHellar second(&s.proj(), "H1");
    read(s, second, input);
    check(image(first) == image(second), "reading the outcrop file twice gave two outcrops");

    // The outcrop's record in a database of a tunnel T1 and the outcrop H1.
    CAutoIni ini;
    ini.SetDatum("2026-01-01");
    std::vector<std::string> before;
    {
        CHarnDbs dbs(&s.proj(), &ini);
        check(dbs.Init(0, 1, nullptr, "P") == 0, "a new database could not be created");
        for (int typ : {1, 2}) {
            dbstype r;
            std::memset(&r, 0, sizeof r);
            r.typ = static_cast<uint8_t>(typ);
            std::strcpy(r.id, typ == 1 ? "T1" : "H1");
            std::strcpy(r.filnamn, typ == 1 ? "T1" : "H1");
            dbs.Ny(1, &r);
            check(dbs.Uppdat(0) == 0, "a record could not be added");
        }
        check(first.SaveToDbs(&dbs) == 0, "the outcrop's record could not be updated");
        check(std::strcmp(dbs.Get_aktel()->id, "H1") == 0, "the outcrop's record is not current");
        check(terminated(dbs.Get_aktel()->text), "the record's text runs past its field");
        before = records(dbs, kDbsRecordSize);
    }
    CHarnDbs dbs(&s.proj(), &ini);
    check(dbs.Init(1, 0, nullptr, nullptr) == 0, "the updated database could not be read");
    check(records(dbs, kDbsRecordSize) == before, "the database reads back other records");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzLad)
