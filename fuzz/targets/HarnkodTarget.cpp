// The code file: the input is Harnkod.dat in the project folder. The rock and infill lists
// read it without changing it and cut every text to its field; saving the rock list with
// the infill list and reading back gives the same file again. A file with fewer than three
// "*" lines has no place for the lists: saving appends them at its end each time
// (documented), so such a file is only read and saved.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "mapping/CBergOrMateLista.h"

#include <cstring>

namespace harn_fuzz {
namespace {

const char* const kKodfil = "Harnkod.dat";

// The lines beginning with "*" (up to `limit` of them), and the offset behind the last.
int starLines(const std::string& text, std::size_t* behind = nullptr, int limit = 1 << 30) {
    int stars = 0;
    std::size_t pos = 0;
    while (pos < text.size() && stars < limit) {
        const bool star = text[pos] == '*';
        std::size_t end = text.find('\n', pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (star) {
            ++stars;
            if (behind)
                *behind = pos;
        }
    }
    return stars;
}

void checkCodes(CBergOrMateLista& list) {
    if (list.Home() != 0)
        fail("a code list has not even its blank code");
    do {
        const bergmattype& c = *list.Get_aktel();
        check(terminated(c.beteckning) && std::strlen(c.beteckning) <= 3,
              "a designation runs past its field");
        check(terminated(c.text) && std::strlen(c.text) <= 12, "a code's text runs past its field");
        check(c.tal >= 1 && c.tal <= 256, "a code's integer is outside 1 to 256");
        check(c.faktor >= 0.01, "a code's factor is below 0.01");
    } while (list++);
}

} // namespace

int fuzzHarnkod(const uint8_t* data, std::size_t size) {
    Session s;
    const std::string input = bytes(data, size);
    s.write(kKodfil, input);
    const bool appends = starLines(input) < 3;
    bool documented = false;
    auto save = [&]() {
        const std::string before = s.read(kKodfil);
        CBergOrMateLista rock(nullptr, &s.proj(), 0);
        CBergOrMateLista infill(nullptr, &s.proj(), 1);
        check(rock.Init() == 0 && infill.Init() == 0, "reading a code list failed");
        checkSame(before, s.read(kKodfil), "reading changed the code file");
        checkCodes(rock);
        checkCodes(infill);
        check(rock.Save(&infill) == 0, "saving the code lists failed");
        check(!s.exists("Harnkod.dat$"), "a save left its temporary file");
        const std::string after = s.read(kKodfil);
        check(after.size() >= before.size(), "saving shortened the code file");
        // The blocks of other users, up to the rock block, stay as they were.
        std::size_t kept = 0;
        starLines(before, &kept, 2);
        check(after.compare(0, kept, before, 0, kept) == 0,
              "saving changed the blocks before the rock block");
        return after;
    };
    checkStable(save, documented, appends, "code file: a second save changed the file");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzHarnkod)
