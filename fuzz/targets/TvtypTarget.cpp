// The cross-section type library: the input is HARNDB\TVTYP.LIS, read by
// CTvarsnitt::InitReadOnly (which changes nothing and reads what Init(0) reads) and Init(0).
// A refused file (-1 version, -4 head) shows a message and is left as it was; a loaded one
// gives named types at record offsets of the file, is changed only when it has holes to pack
// (and then grows by at most the record that straddles its old end), and every type is found
// again by its name (its outline file missing, the outline is empty). Writing every record
// and the head back in place (Uppdat) leaves the file byte for byte as it was read, and
// reading it again gives the same types at the same offsets.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "tunnel/CTvarKoord.h"
#include "tunnel/CTvarsnitt.h"

#include <cstring>

namespace harn_fuzz {
namespace {

const char* const kIndex = "HARNDB/TVTYP.LIS";

// The types of the list: the file bytes and (with `offsets`) the offset of each.
std::vector<std::string> types(CTvarsnitt& lib, bool offsets = true) {
    std::vector<std::string> out;
    if (lib.Home() == 0)
        do {
            const tvtytype& t = *lib.Get_aktel();
            out.push_back(std::string(reinterpret_cast<const char*>(&t), kTvRecordSize) +
                          (offsets ? "@" + std::to_string(t.filpos) : ""));
        } while (lib++);
    return out;
}

} // namespace

int fuzzTvtyp(const uint8_t* data, std::size_t size) {
    Session s;
    const std::string input = bytes(data, size);
    s.write(kIndex, input);
    const std::vector<std::string> files = s.files();

    // Read-only first: the same result and types as Init(0) gives below, and no byte changed.
    CTvarsnitt look(&s.proj());
    const int lookResult = look.InitReadOnly();
    checkSame(input, s.read(kIndex), "a read-only reading changed the type library");
    check(s.files() == files, "a read-only reading left a file behind");
    s.ui.clear();

    std::vector<std::string> loaded;
    std::string packed;
    {
        CTvarsnitt lib(&s.proj());
        const int r = lib.Init(0);
        check(r == lookResult, "Init(0) and InitReadOnly disagree on the type library");
        check(r != 0 || types(lib, false) == types(look, false),
              "Init(0) and InitReadOnly read other types");
        check(s.files() == files, "reading left a file behind");
        if (r != 0) {
            check(r == -1 || r == -4, "an existing type library could not be opened");
            check(!s.ui.messages().empty(), "a refused type library gave no message");
            checkSame(input, s.read(kIndex), "a refused type library was changed");
            check(lib.Where(nullptr) < 0, "a refused type library gave types");
            return 0;
        }
        packed = s.read(kIndex);
        int32_t hal = 0;
        std::memcpy(&hal, input.data() + offsetof(tvhdtype, hal), sizeof hal);
        if (hal <= 0)
            checkSame(input, packed, "reading a type library without holes changed it");
        check(packed.size() <= input.size() + kTvRecordSize,
              "packing grew the type library by more than a record");
        loaded = types(lib);
        if (lib.Home() == 0)
            do {
                const tvtytype& t = *lib.Get_aktel();
                check(t.tvnamn[0] != 0, "a deleted type was loaded");
                check(t.filpos >= kTvFirstRecord &&
                          (t.filpos - kTvFirstRecord) % kTvRecordSize == 0 &&
                          static_cast<std::size_t>(t.filpos) + kTvRecordSize <= packed.size(),
                      "a type's offset is not a record of the file");
                check(t.pKoord == nullptr, "a type was loaded with an outline");
            } while (lib++);
        for (const std::string& t : loaded) {
            const std::string name(t.data(), strnlen(t.data(), sizeof(tvtytype::tvnamn)));
            check(lib.FindKoord(name.c_str()) == 0, "a loaded type is not found by its name");
            check(lib.Outline() && lib.Outline()->Where(nullptr) < 0,
                  "a type without an outline file has points");
        }
        check(s.files() == files, "finding the types left a file behind");
        if (lib.Home() == 0)
            do
                check(lib.Uppdat(0) == 0, "writing a type back failed");
            while (lib++);
        check(lib.Uppdat(2) == 0, "writing the head back failed");
        checkSame(packed, s.read(kIndex), "writing the types back changed the file");
        check(s.files() == files, "writing back left a file behind");
    }
    CTvarsnitt again(&s.proj());
    check(again.Init(0) == 0, "a loaded type library was refused the second time");
    check(types(again) == loaded, "reading the type library twice gave other types");
    checkSame(packed, s.read(kIndex), "reading a packed type library changed it");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzTvtyp)
