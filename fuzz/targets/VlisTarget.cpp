// Alignment list: the input is HARNDB\VAGLINJE.LIS of a project whose database is converted
// (each line between the first two "*" lines registers an alignment). The conversion
// succeeds without a failure or message and leaves the list as it was and no other file;
// the rebuilt database opens without a message and holds alignments only, each with a
// one-word id and file name, code 255, no position or extent and no text; converting again
// gives the same records.
#include "fuzz/Targets.h"
#include "fuzz/targets/ConversionSupport.h"

namespace harn_fuzz {
namespace {

const char* const kList = "HARNDB/VAGLINJE.LIS";

std::vector<dbstype> convertList(Session& s) {
    s.write(kDbsFile, currentHead());
    const std::string before = s.read(kList);
    s.ui.clear();
    CHarnDbs dbs(&s.proj(), nullptr);
    check(convertWithDialog(s, dbs) == 1, "converting a project with an alignment list failed");
    check(platform::FailureLog::count() == 0, "the conversion reported a failure");
    check(s.ui.messages().empty(), "the conversion showed a message");
    checkSame(before, s.read(kList), "the conversion changed the alignment list");
    const std::vector<dbstype> records = rebuiltRecords(s);
    for (const dbstype& r : records) {
        check(r.typ == 6 && r.kod == 255, "an alignment list gave a record that is no alignment");
        check(r.id[0] && oneWord(r.id) && oneWord(r.filnamn) && !r.text[0],
              "an alignment's id or file name is not one word, or it has a text");
        check(r.x == 0 && r.y == 0 && r.z == 0 && r.dx == 0 && r.dy == 0 && r.dz == 0 &&
                  r.xyz2[0] == 0 && r.xyz2[1] == 0 && r.xyz2[2] == 0,
              "an alignment has a position or an extent");
    }
    return records;
}

} // namespace

int fuzzVlis(const uint8_t* data, std::size_t size) {
    Session s;
    platform::FailureLog::reset();
    s.write(kList, bytes(data, size));
    const std::vector<dbstype> first = convertList(s);
    checkSame(imageOf(first), imageOf(convertList(s)),
              "converting the same alignment list twice gave other records");
    for (const std::string& f : s.files())
        check(f == kDbsFile || f == "HARNDB/VAGLINJE.LIS" || f == "TMPPROG.PB$",
              "the conversion left a file behind");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzVlis)
