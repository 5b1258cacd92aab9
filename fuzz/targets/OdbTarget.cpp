// The tunnel database: the input is HARNDB\T1.ODB, read by CTunDbs::InitReadOnly (which
// changes nothing and reads what Init reads) and by CTunDbs::Init. A refused file
// shows a message and is left as it was; a loaded one gives records in use at record offsets,
// is changed only when it has holes to pack, and reads back the same the second time. Saving
// (with the project database, alignment and type library of TunnelProject) writes the records
// in chainage order one after the other, reads back as the list it saved, gives the tunnel a
// finite plan extent, and a second save writes the same tunnel and text files. From version
// 1.19 on the counters of kinds 9 and 10 are kept by a save and then counted again, so they
// grow on every save of a tunnel with such records; they are left out of the comparison. A
// position whose type name or text begins a line with "*" ends section 7 of the text file
// early on the next save, and the rest of the section is copied again each time: such a
// tunnel is only read and saved.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/TunnelSupport.h"
#include "tunnel/CTunDbs.h"
#include "tunnel/TunnelVersion.h"

#include <cmath>
#include <cstddef>

namespace harn_fuzz {
namespace {

const char* const kOdb = "HARNDB/T1.ODB";
const char* const kLat = "HARNDB/T1.LAT";

// The tunnel text file of the demo's tunnel, with a host section before and after section 7.
const char* const kLatText = "TUNNEL1\r\nV1.VL\r\n\r\n0 1.50\r\n* 3\r\nhost text\r\n* 7\r\n"
                             " 10.000 0 0    0.000    0.000    0.000    0    0 0.0 0.0  0.00  "
                             "0.0 0 0 0 0 0 0\r\nTRAP8\r\n\r\n\r\n* 12\r\nmore host text\r\n**";

// The records of the list by their 144 file bytes, or with their offsets.
std::vector<std::string> fileRecords(CTunDbs& t) {
    return records(t, kTodbRecordSize);
}
std::vector<std::string> withOffsets(CTunDbs& t) {
    return records(t, sizeof(todbtype));
}

bool chainageNaN(CTunDbs& t) {
    bool nan = false;
    if (t.Home() == 0)
        do
            nan = nan || std::isnan(t.Get_aktel()->sekt);
        while (t++);
    return nan;
}

// A text of a position that begins a line with "*" (at its start or behind a line end):
// written into section 7 of the text file, it is taken for the line that ends the section
// on the next save, and what follows it is copied as the host's.
template <std::size_t N> bool opensLine(const char (&text)[N]) {
    const std::string t(text, strnlen(text, N));
    return !t.empty() && (t[0] == '*' || t.find("\n*") != std::string::npos);
}

bool starText(CTunDbs& t) {
    bool star = false;
    if (t.Home() == 0)
        do {
            const todbtype& r = *t.Get_aktel();
            star = star || (r.typ == 7 &&
                            (opensLine(r.tvnamn) || opensLine(r.ttext1) || opensLine(r.ttext2)));
        } while (t++);
    return star;
}

} // namespace

int fuzzOdb(const uint8_t* data, std::size_t size) {
    Session s;
    TunnelProject project(s);
    const std::string input = bytes(data, size);
    s.write(kOdb, input);
    s.write(kLat, kLatText);
    const std::vector<std::string> files = s.files();

    // Read-only first: the same result and records as Init gives below, and no byte changed.
    CTunDbs look(&s.proj(), kTunnelName);
    const int lookResult = look.InitReadOnly();
    checkSame(input, s.read(kOdb), "a read-only reading changed the tunnel database");
    check(s.files() == files, "a read-only reading left a file behind");
    s.ui.clear();

    std::vector<std::string> loaded;
    std::string packed;
    {
        CTunDbs t(&s.proj(), kTunnelName);
        const int r = t.Init();
        check(r == lookResult, "Init and InitReadOnly disagree on the tunnel database");
        check(r != 0 || fileRecords(t) == fileRecords(look),
              "Init and InitReadOnly read other records");
        check(s.files() == files, "reading left a file behind");
        if (r != 0) {
            check(r == -1, "a refused tunnel database did not give -1");
            check(!s.ui.messages().empty(), "a refused tunnel database gave no message");
            checkSame(input, s.read(kOdb), "a refused tunnel database was changed");
            check(t.Where(nullptr) < 0, "a refused tunnel database gave records");
            return 0;
        }
        packed = s.read(kOdb);
        checkTodbRecords(t, packed);
        int32_t hal = 0;
        if (input.size() >= offsetof(tunhdtype, hal) + sizeof hal)
            std::memcpy(&hal, input.data() + offsetof(tunhdtype, hal), sizeof hal);
        if (hal <= 0)
            checkSame(input, packed, "reading a tunnel database without holes changed it");
        check(packed.size() <= 2 * input.size(), "packing grew the tunnel database unduly");
        loaded = withOffsets(t);
    }
    {
        CTunDbs t(&s.proj(), kTunnelName);
        check(t.Init() == 0, "a loaded tunnel database was refused the second time");
        check(withOffsets(t) == loaded, "reading the tunnel database twice gave other records");
        checkSame(packed, s.read(kOdb), "reading a packed tunnel database changed it");
        if (loaded.empty()) {
            // A tunnel without positions is not saved, and nothing is written.
            const std::string lat = s.read(kLat);
            check(t.Save(&project.dbs()) == -1, "a tunnel without records was saved");
            checkSame(packed, s.read(kOdb), "refusing to save changed the tunnel database");
            checkSame(lat, s.read(kLat), "refusing to save changed the tunnel text file");
            return 0;
        }
    }

    // Documented: a chainage that is not a number has no place in the order, so a save may
    // sort it elsewhere the next time.
    bool documented = false, unstable = false;
    auto save = [&]() {
        CTunDbs t(&s.proj(), kTunnelName);
        check(t.Init() == 0, "a saved tunnel database was refused");
        documented = documented || chainageNaN(t);
        unstable = unstable || starText(t);
        check(t.Save(&project.dbs()) == 0, "saving the tunnel failed");
        check(s.files() == files, "saving left a file behind");
        project.checkExtent();
        checkRewritten(t);
        double previous = -INFINITY;
        if (!documented && t.Home() == 0)
            do {
                check(!(t.Get_aktel()->sekt < previous),
                      "the saved records are not in chainage order");
                previous = t.Get_aktel()->sekt;
            } while (t++);
        const std::vector<std::string> saved = fileRecords(t);
        CTunDbs back(&s.proj(), kTunnelName);
        check(back.Init() == 0, "a saved tunnel database cannot be read");
        check(fileRecords(back) == saved, "a saved tunnel database reads back other records");
        std::string odb = s.read(kOdb);
        if (t.m_version >= tunnelfile::kFlagVersion && odb.size() >= offsetof(tunhdtype, slut))
            std::memset(&odb[offsetof(tunhdtype, antal) + 9 * sizeof(int32_t)], 0,
                        2 * sizeof(int32_t));
        return odb + s.read(kLat);
    };
    checkStable(save, documented, unstable, "tunnel database: a second save changed the files");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzOdb)
