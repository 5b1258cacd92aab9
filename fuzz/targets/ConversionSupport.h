// Shared by the targets of the conversion: a database head of the current version to
// convert, the conversion run through its dialog as the user runs it ("OK", then "Klar!"),
// and the rebuilt database read back from its file.
#pragma once

#include "database/CHarnDbs.h"
#include "database/CHarnKonvertera.h"
#include "fuzz/FuzzSupport.h"
#include "platform/FailureLog.h"
#include "platform/UserInterface.h"
#include "resources/Dialog1000.h"

#include <cfloat>
#include <cstring>
#include <string>
#include <vector>

namespace harn_fuzz {

inline const char* const kDbsFile = "HARNPLAN.DBS";

// The head of an empty database as the current version writes it.
inline std::string currentHead() {
    dbshdtype h;
    std::memset(&h, 0, sizeof h);
    std::strcpy(h.version, "1.0");
    h.verdel = 0.5;
    std::strcpy(h.projnamn, "FUZZ");
    std::strcpy(h.koordsys, "RAK");
    h.xmin = h.ymin = h.zmin = DBL_MAX;
    h.xmax = h.ymax = h.zmax = -DBL_MAX;
    h.slut = kDbsFirstSlot;
    return std::string(reinterpret_cast<const char*>(&h), sizeof h);
}

// Runs the conversion dialog on the project's database with "OK" pressed: what the worker's
// Restore returned. The dialog is always closed with its second button.
inline int convertWithDialog(Session& s, CHarnDbs& dbs) {
    s.ui.pressButton(IDOK);
    const CString path = s.proj().DbsPath();
    CHarnKonvertera dialog(path, "FUZZ", &dbs, nullptr);
    check(dialog.DoModal() == IDCANCEL, "the conversion dialog was not closed with its button");
    return dialog.m_resultat;
}

// The last number shown in a counter of the dialog (0 when none was shown).
inline int shownCount(const platform::RecordingUserInterface& ui, int control) {
    const std::vector<std::string> texts = ui.controlTexts(control);
    return texts.empty() ? 0 : std::atoi(texts.back().c_str());
}

// The records of the database file, read back read-only by a new database object, which
// must open it without a message: the head's counters and end offset must fit its records.
inline std::vector<dbstype> rebuiltRecords(Session& s) {
    platform::RecordingUserInterface quiet;
    CHarnDbs dbs(&s.proj(), nullptr);
    check(dbs.Init(1, 0, nullptr, nullptr) == 0, "the rebuilt database does not open");
    check(quiet.events.empty(), "the rebuilt database opens with a message");
    std::vector<dbstype> out;
    int counts[9] = {};
    if (dbs.Home() == 0)
        do {
            out.push_back(*dbs.Get_aktel());
            const int t = out.back().typ;
            check(t >= 1 && t <= 9, "the rebuilt database holds a record of no type");
            ++counts[t - 1];
        } while (dbs++);
    check(dbs.m_hd.antal == static_cast<int>(out.size()) && dbs.m_hd.hal == 0 &&
              dbs.m_hd.slut == kDbsFirstSlot + kDbsRecordSize * static_cast<int>(out.size()),
          "the rebuilt head does not count its records");
    for (int t = 0; t < 9; ++t)
        check(dbs.m_hd.typantal[t] == counts[t], "the rebuilt head's type counts are wrong");
    return out;
}

// A text field of a record holds its zero and no white space (each came from one word).
template <std::size_t N> bool oneWord(const char (&field)[N]) {
    if (!terminated(field))
        return false;
    for (std::size_t i = 0; field[i]; ++i)
        if (std::strchr(" \t\r\n\v\f", field[i]))
            return false;
    return true;
}

// The records as bytes (without the in-memory slot offset), to compare two conversions.
inline std::string imageOf(const std::vector<dbstype>& records) {
    std::string out;
    for (const dbstype& r : records)
        out.append(reinterpret_cast<const char*>(&r), kDbsRecordSize);
    return out;
}

} // namespace harn_fuzz
