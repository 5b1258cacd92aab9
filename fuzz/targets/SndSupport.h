// Shared by the borehole-file targets: the file B1.SND of the input, the head checks and the
// save that every method class does the same way.
#pragma once

#include "database/harnbhdtype.h"
#include "fuzz/FuzzSupport.h"
#include "platform/CString.h"

#include <cctype>
#include <cstring>
#include <string>

namespace harn_fuzz {

inline const char* const kSnd = "HARNDB/B1.SND";

// No text of the head runs past its field.
inline void checkHead(const harnbhdtype& h) {
    check(terminated(h.id) && terminated(h.text) && terminated(h.jn1) && terminated(h.avvmatt) &&
              terminated(h.bhdtext2) && terminated(h.slutkod) && terminated(h.metodtext) &&
              terminated(h.klassland) && terminated(h.klassystem),
          "a text of the borehole head runs past its field");
}

// The head keeps the first 15 characters of its right-trimmed first line as the id, so an
// id that ends in white space (a blank, tab or CR inside the line) loses it when the head
// is written without text and read again (documented): stable from the second save on.
inline bool idEndsInSpace(const harnbhdtype& h) {
    const std::size_t n = strnlen(h.id, sizeof h.id);
    return n > 0 && std::isspace(static_cast<unsigned char>(h.id[n - 1]));
}

// Reading leaves the file as it was.
inline void checkUnchanged(Session& s, const std::string& before) {
    checkSame(before, s.read(kSnd), "reading changed the borehole file");
}

// A save succeeded and left no temporary file; the new contents of B1.SND.
inline std::string saved(Session& s, int result) {
    check(result == 0, "saving the borehole file failed");
    check(!s.exists("HARNDB/id.tmp"), "a save left its temporary file");
    return s.read(kSnd);
}

// A record line puts its text at `column` over the numbers: when the numbers are wider, what
// is read back differs from what was saved (the documented cut of the format).
inline bool widerThan(const CString& numbers, int column) {
    return numbers.GetLength() > column;
}

} // namespace harn_fuzz
