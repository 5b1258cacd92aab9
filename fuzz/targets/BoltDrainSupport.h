// Shared by the bolt and drainage targets: the input is the file of the kind F (CTunBult
// HARNDB\T1.ODF, CTunDran HARNDB\T1.ODD). Reading refuses a file with a message and leaves it
// as it was, or gives records in use at record offsets and changes the file only to pack its
// holes; reading twice gives the same records. A save writes the records one after the
// other from offset 300, numbers every record, and reads back as the list it saved; a second
// save gives the same file. A list without records is saved as an empty file, which the next
// reading refuses.
//
// A serial counter at 0 or below hands out the number 0, which means "not yet numbered", so
// the next save numbers that record again (settled on the second save).
#pragma once

#include "fuzz/FuzzSupport.h"
#include "fuzz/targets/TunnelSupport.h"
#include "tunnel/bulthdtype.h"

#include <functional>
#include <string>
#include <vector>

namespace harn_fuzz {

// `numbered` tells whether a saved record carries its serial number; `checkSaved` checks the
// saved list further.
template <class F>
void fuzzBoltDrain(const uint8_t* data, std::size_t size, const char* file,
                   const std::function<bool(F&, const todbtype&)>& numbered,
                   const std::function<void(F&)>& checkSaved) {
    Session s;
    const std::string input = bytes(data, size);
    s.write(file, input);
    const std::vector<std::string> files = s.files();

    std::vector<std::string> loaded;
    std::string packed;
    {
        F f(&s.proj(), kTunnelName);
        const int r = f.Init();
        check(s.files() == files, "reading left a file behind");
        if (r != 0) {
            check(r == -1, "a refused file did not give -1");
            check(!s.ui.messages().empty(), "a refused file gave no message");
            checkSame(input, s.read(file), "a refused file was changed");
            check(f.Where(nullptr) < 0, "a refused file gave records");
            return;
        }
        packed = s.read(file);
        checkTodbRecords(f, packed);
        int32_t hal = 0;
        if (input.size() >= offsetof(bulthdtype, hal) + sizeof hal)
            std::memcpy(&hal, input.data() + offsetof(bulthdtype, hal), sizeof hal);
        if (hal <= 0)
            checkSame(input, packed, "reading a file without holes changed it");
        check(packed.size() <= 2 * input.size(), "packing grew the file unduly");
        loaded = records(f, sizeof(todbtype));
    }
    {
        F f(&s.proj(), kTunnelName);
        check(f.Init() == 0, "a loaded file was refused the second time");
        check(records(f, sizeof(todbtype)) == loaded, "reading twice gave other records");
        checkSame(packed, s.read(file), "reading a packed file changed it");
        if (loaded.empty()) {
            check(f.Save() == 0, "saving an empty list failed");
            check(s.files() == files, "saving left a file behind");
            check(s.read(file).empty(), "an empty list was not saved as an empty file");
            F back(&s.proj(), kTunnelName);
            check(back.Init() == -1, "an empty file was read");
            return;
        }
    }

    bool documented = false;
    auto save = [&]() {
        F f(&s.proj(), kTunnelName);
        check(f.Init() == 0, "a saved file was refused");
        documented = documented || f.m_hd.nastanr <= 0;
        check(f.Save() == 0, "saving failed");
        check(s.files() == files, "saving left a file behind");
        checkRewritten(f);
        checkSaved(f);
        if (!documented && f.Home() == 0)
            do
                check(numbered(f, *f.Get_aktel()), "a saved record has no serial number");
            while (f++);
        const std::vector<std::string> saved = records(f, kTodbRecordSize);
        F back(&s.proj(), kTunnelName);
        check(back.Init() == 0, "a saved file cannot be read");
        check(records(back, kTodbRecordSize) == saved, "a saved file reads back other records");
        return s.read(file);
    };
    checkStable(save, documented, kStable, "a second save changed the file");
}

} // namespace harn_fuzz
