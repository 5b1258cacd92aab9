// Shared by the library-file targets: the input is a library file of the kind L. Loading
// it either refuses it with a message and leaves it as it was, or loads the records in use
// (packing freed ones away, the file keeping its length); loading once more must then
// write nothing and give the same records at the same offsets.
#pragma once

#include "fuzz/FuzzSupport.h"
#include "mapping/LibraryFile.h"

#include <cstddef>
#include <cstring>
#include <string>

namespace harn_fuzz {

template <class L, class T> void fuzzLibrary(const uint8_t* data, std::size_t size) {
    Session s;
    const std::string input = bytes(data, size);
    const char* const name = "LIB.BIB";
    s.write(name, input);
    const std::string path = std::string(s.winPath()) + "\\" + name;
    constexpr int length = LibraryRecord<T>::length;

    std::vector<std::string> loaded;
    std::string packed;
    {
        L lib(path.c_str());
        const int result = lib.Resultat();
        check(!s.exists("LIB.BIB$"), "loading left its temporary file");
        if (result != 0) {
            check(result == -1 || result == -4, "loading an existing library file failed");
            check(!s.ui.messages().empty(), "a refused library file gave no message");
            checkSame(input, s.read(name), "a refused library file was changed");
            return;
        }
        if (lib.Home() == 0)
            do {
                const T& r = *lib.Get_aktel();
                int16_t nr;
                std::memcpy(&nr, reinterpret_cast<const char*>(&r) + LibraryRecord<T>::numberOffset,
                            sizeof nr);
                check(nr > 0, "a free record was loaded");
                check(r.filpos >= libfile::kFirstRecord &&
                          (r.filpos - libfile::kFirstRecord) % length == 0 &&
                          r.filpos + length <= static_cast<int64_t>(input.size()),
                      "a record's offset is not a record of the file");
            } while (lib++);
        loaded = records(lib, sizeof(T));
        packed = s.read(name);
        check(packed.size() == input.size(), "loading changed the length of the library file");
        int32_t hal = 0;
        std::memcpy(&hal, input.data() + offsetof(bibhdtype, hal), sizeof hal);
        if (hal <= 0)
            checkSame(input, packed, "loading a file without freed records changed it");
    }
    L again(path.c_str());
    check(again.Resultat() == 0, "a loaded library file was refused the second time");
    check(records(again, sizeof(T)) == loaded, "a packed library file reads back other records");
    checkSame(packed, s.read(name), "loading a packed library file changed it");
}

} // namespace harn_fuzz
