// Line files: the input is L1.LJE. CLinjeData::Init(1) reads it without changing it and
// cuts every word to its field; saving and reading back gives the same file again, except
// for the documented cases of a soil code with a blank in it ("f  " comes back as "f" and
// then has no index) and of a column 0 named "Z-mate" (no column is written, and the next
// save names column 0 "Berg"), which are stable from the second save on.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "mapping/CLinjeData.h"

#include <cstring>

namespace harn_fuzz {
namespace {

const char* const kLje = "HARNDB/L1.LJE";

void checkFields(CLinjeData& line) {
    for (const auto& namn : line.m_kolnamn)
        check(terminated(namn), "a column name runs past its field");
    check(terminated(line.m_jordart), "the soil code runs past its field");
    check(std::strlen(line.m_jordart) <= 8, "the soil code read is longer than 8 characters");
    if (line.Home() != 0)
        return;
    do {
        const lintype& p = *line.Get_aktel();
        check(terminated(p.txt), "a point's text runs past its field");
        for (const auto& t : p.koltxt)
            check(terminated(t), "a column text runs past its field");
    } while (line++);
}

} // namespace

int fuzzLje(const uint8_t* data, std::size_t size) {
    Session s;
    s.write(kLje, bytes(data, size));
    bool documented = false;
    auto save = [&]() {
        const std::string before = s.read(kLje);
        CLinjeData line(&s.proj(), "L1", CLinjeData::KR);
        check(line.Init(1) == 0, "an existing line file could not be read");
        checkSame(before, s.read(kLje), "reading changed the line file");
        checkFields(line);
        // Documented: a soil code with a blank in it, and a column 0 named "Z-mate", which
        // stops the columns from being written, so the next read finds none and the save
        // after it writes column 0 as "Berg".
        documented = documented || std::strchr(line.m_jordart, ' ') != nullptr ||
                     std::strcmp(line.m_kolnamn[0], "Z-mate") == 0;
        check(line.Save(nullptr) == 0, "saving the line file failed");
        check(!s.exists("HARNDB/L1.LJE$"), "a save left its temporary file");
        return s.read(kLje);
    };
    checkStable(save, documented, kStable, "line file: a second save changed the file");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzLje)
