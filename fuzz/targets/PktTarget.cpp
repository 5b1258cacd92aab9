// Point file: the input is Harnplan.pkt of a project whose database is converted (the
// conversion reads the points into the new database). The conversion succeeds without a
// failure, leaves the point file as it was and no other file behind; the rebuilt database
// opens without a message and holds exactly the points the dialog counted, each with a
// one-word id, name and text and no extent. Writing the points back (SkrivAvp) and
// converting again keeps every point, and from then on gives the same records.
#include "fuzz/Targets.h"
#include "fuzz/targets/ConversionSupport.h"

namespace harn_fuzz {
namespace {

const char* const kPkt = "Harnplan.pkt";

// One conversion of the folder as it is: the rebuilt records.
std::vector<dbstype> convertPoints(Session& s, bool& starred) {
    s.write(kDbsFile, currentHead());
    const std::string before = s.read(kPkt);
    s.ui.clear();
    CHarnDbs dbs(&s.proj(), nullptr);
    check(convertWithDialog(s, dbs) == 1, "converting a project with a point file failed");
    check(platform::FailureLog::count() == 0, "the conversion reported a failure");
    check(s.ui.messages().empty(), "the conversion showed a message");
    checkSame(before, s.read(kPkt), "the conversion changed the point file");
    const std::vector<dbstype> records = rebuiltRecords(s);
    check(static_cast<int>(records.size()) == shownCount(s.ui, IDC_PUNKTER),
          "the dialog's point count differs from the points in the database");
    for (const dbstype& r : records) {
        check(r.typ == 4, "a point file gave a record that is no point");
        check(r.id[0] && oneWord(r.id) && oneWord(r.filnamn) && oneWord(r.text),
              "a point's id, name or text is not one word");
        check(r.dx == 0 && r.dy == 0 && r.dz == 0, "a point has an extent");
        // A word that begins with "*" ends the point file when it is written back at the
        // start of a line (an id or a text): such points cannot come back (the format).
        starred = starred || r.id[0] == '*' || r.text[0] == '*';
    }
    // The point file written back from this database.
    check(dbs.SkrivAvp() == 0, "writing the point file back failed");
    return records;
}

} // namespace

int fuzzPkt(const uint8_t* data, std::size_t size) {
    Session s;
    platform::FailureLog::reset();
    s.write(kPkt, bytes(data, size));
    bool starred = false;
    const std::vector<dbstype> first = convertPoints(s, starred);
    const std::vector<dbstype> second = convertPoints(s, starred);
    if (!starred)
        check(first.size() == second.size(), "a point was lost by writing the point file back");
    // Coordinates are written with three decimals, names and texts cut to their widths: the
    // second conversion may differ from the first, the third not from the second.
    if (imageOf(first) != imageOf(second)) {
        ++g_settledLate;
        const std::vector<dbstype> third = convertPoints(s, starred);
        if (!starred)
            checkSame(imageOf(second), imageOf(third),
                      "points changed again when written back a second time");
    }
    const std::vector<std::string> files = s.files();
    for (const std::string& f : files)
        check(f == kDbsFile || f == "Harnplan.pkt" || f == "TMPPROG.PB$",
              "the conversion left a file behind");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzPkt)
