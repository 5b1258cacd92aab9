// Opening and reading the project database: the lock protocol, Init with its checks and
// the packing of freed slots and the order of the list.
#include "database/CHarnDbs.h"

#include "database/DbsSnapshot.h"
#include "database/SlotReader.h"

#include "list/FileImage.h"
#include "list/Utilities.h"
#include "platform/Clock.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "platform/UserInterface.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

// A leading integer of an upper-cased id copy; 99999999 when there is none.
long idNumber(const char* id) {
    long n = 0;
    return std::sscanf(id, "%ld", &n) == 1 ? n : 99999999L;
}

} // namespace

int CHarnDbs::Sortval(int key) {
    if (key != 1 && key != -1)
        return 0;
    if (!m_pael || !m_pmark)
        return 0;
    // Ids are copied into 16-byte buffers and cut at 15 characters.
    char mark[16];
    char akt[16];
    std::memcpy(mark, m_pmark->id, 15);
    mark[15] = 0;
    std::memcpy(akt, m_pael->id, 15);
    akt[15] = 0;
    UpperCaseSwedish(mark);
    UpperCaseSwedish(akt);
    long nMark = idNumber(mark);
    long nAkt = idNumber(akt);
    if (key == 1)
        return nMark < nAkt || (nMark == nAkt && std::strcmp(mark, akt) < 0) ? 1 : 0;
    return nAkt <= nMark ? 1 : 0;
}

namespace {

constexpr const char* kLasCaption = "Inläsning av Harnoplan - databas"_cp;

// OEM-to-ANSI conversion of one fixed text field, never past its end.
template <size_t N> void oemField(char (&field)[N]) {
    char copy[N + 1];
    std::memcpy(copy, field, N);
    copy[N] = 0;
    OemToAnsi(copy);
    std::memcpy(field, copy, N);
}

} // namespace

CString CHarnDbs::ProjFile(const char* name) const {
    CString path;
    path.Format("%s%s%s", m_pProj->ProjKat(), "\\", name);
    return path;
}

CString CHarnDbs::DataFile(const char* name, const char* ext) const {
    CString path;
    path.Format("%s%s%s%s%s%s", m_pProj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\", name, ext);
    return path;
}

void CHarnDbs::AbandonOpen() {
    m_dbsfil.Abort();
    if (m_lockHeld && platform::remove(m_lasfil.GetFilePath()) != 0)
        platform::FailureLog::report(std::string("lock file not removed: ") +
                                     static_cast<const char*>(m_lasfil.GetFilePath()));
    m_lockHeld = false;
}

int CHarnDbs::Dbs_rw(int op) {
    m_lasfil.SetFilePath(ProjFile(CProjPath::HarnDbkNamn));
    const CString lock = m_lasfil.GetFilePath();
    const CString dbs = m_dbsfil.GetFilePath();
    auto release = [&] {
        if (m_lockHeld && platform::remove(lock) != 0) // left behind: others cannot open
            platform::FailureLog::report(std::string("lock file not removed: ") +
                                         static_cast<const char*>(lock));
        m_lockHeld = false;
    };
    if (op == 1000 || op == 1002) {
        // The lock file is created exclusively: of two programs trying at once exactly one
        // creates it. While another program holds it, try again every 100 ms, ten times.
        // A reader told to read without the lock file skips it.
        const bool unlocked = op == 1000 && ReadsWithoutLock();
        for (int attempt = 0; !unlocked; ++attempt) {
            CFileException error;
            if (m_lasfil.Open(lock, CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite,
                              &error)) {
                m_lasfil.Abort(); // it stays empty
                m_lockHeld = true;
                break;
            }
            if (error.m_lOsError != EEXIST || attempt == 10)
                return -1; // another program has the database open, or no lock can be made
            Sleep(100);
        }
        if (op == 1002 && m_mode != 1) {
            if (platform::access(dbs, 6) == 0) {
                ShowMessage("Databasen finns redan !", MB_OK, MB_ICONEXCLAMATION);
                release();
                return -1;
            }
            // Created exclusively as well: a file that appeared meanwhile is never truncated.
            m_dbsfil.Open(dbs, CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite |
                                   CFile::shareExclusive | CFile::typeBinary);
        } else {
            if (platform::access(dbs, 0) != 0) {
                release();
                return -1;
            }
            if (m_mode == 1)
                m_dbsfil.Open(dbs, CFile::typeBinary | CFile::modeRead);
            else
                m_dbsfil.Open(dbs,
                              CFile::typeBinary | CFile::modeReadWrite | CFile::shareExclusive);
        }
        if (m_dbsfil.IsOpen())
            return 0;
        release();
        return -1;
    }
    if (op == 1001) {
        if (m_dbsfil.IsOpen()) {
            try {
                if (m_mode != 1)
                    m_dbsfil.Flush();
                m_dbsfil.Close();
            } catch (...) {
                AbandonOpen();
                throw;
            }
        }
        release();
        return 0;
    }
    return -1;
}

int CHarnDbs::OpenFile(int skapa, const char* path) {
    if (path) {
        if (Where(nullptr) > 0) {
            std::snprintf(g_lineBuffer, kScratchSize, "Kan ej läsa databas: %s\nListan ej tom!"_cp,
                          path);
            MessageBoxA(nullptr, g_lineBuffer, kLasCaption, MB_ICONEXCLAMATION);
            return -1;
        }
        m_dbsfil.SetFilePath(path);
    } else {
        m_dbsfil.SetFilePath(ProjFile(CProjPath::HarnDbsNamn));
    }
    const CString dbs = m_dbsfil.GetFilePath();
    // A read-only object cannot write the head of a new database: refused before the
    // lock is taken.
    int opened = skapa == 1 && m_mode == 1 ? -1 : Dbs_rw(skapa == 1 ? 1002 : 1000);
    if (opened != 0 || !m_dbsfil.IsOpen()) {
        std::snprintf(g_lineBuffer, kScratchSize, "Kan ej öppna databas: %s"_cp,
                      static_cast<const char*>(dbs));
        MessageBoxA(nullptr, g_lineBuffer, kLasCaption, MB_ICONEXCLAMATION);
        return -1;
    }
    return 0;
}

int CHarnDbs::Init(int mode, int skapa, const char* path, const char* projnamn) {
    if (mode != 1 && DbsKoll())
        platform::remove(ProjFile("TMPCAD.PB$"));
    m_mode = mode;
    m_snapshot.reset();
    if (OpenFile(skapa, path) != 0)
        return -1;
    try {
        if (skapa == 1)
            CreateHead(projnamn);
        else {
            // Reading and packing fill and move records by themselves: the searches start
            // over from the chain.
            DropIndexes();
            int r = ReadSlots();
            DropIndexes();
            if (r != 0)
                return r;
        }
    } catch (...) {
        AbandonOpen();
        throw;
    }
    return Dbs_rw(1001);
}

void CHarnDbs::CreateHead(const char* projnamn) {
    std::memset(&m_hd, 0, sizeof m_hd);
    if (projnamn) {
        std::snprintf(m_hd.projnamn, sizeof m_hd.projnamn, "%s", projnamn);
    } else {
        // The last folder name of the database path.
        char folder[kScratchSize];
        char name[kScratchSize];
        SplitPath(m_dbsfil.GetFilePath(), folder, nullptr);
        SplitPath(folder, nullptr, name);
        std::snprintf(m_hd.projnamn, sizeof m_hd.projnamn, "%.35s", name);
    }
    std::strcpy(m_hd.koordsys, "RAK");
    std::strcpy(m_hd.riktning, "NORR");
    const char* datum = m_pIni ? m_pIni->Datum() : nullptr;
    if (datum) {
        std::snprintf(m_hd.datum, sizeof m_hd.datum, "%.10s", datum);
    } else {
        platform::LocalTime t = platform::localTime();
        int year = t.yearsSince1900 + (t.yearsSince1900 <= 79 ? 2000 : 1900);
        std::snprintf(m_hd.datum, sizeof m_hd.datum, "%4d-%02d-%02d", year % 10000, t.month % 100,
                      t.day % 100);
    }
    m_hd.slut = kDbsFirstSlot;
    m_hd.xmin = m_hd.ymin = m_hd.zmin = DBL_MAX;
    m_hd.xmax = m_hd.ymax = m_hd.zmax = -DBL_MAX;
    std::snprintf(m_hd.version, sizeof m_hd.version, "%s", m_Dbsver);
    double v = 0;
    std::sscanf(m_Dbsver, "%lf", &v);
    m_hd.verdel = v - static_cast<int>(v);
    m_dbsfil.Write(&m_hd, kDbsHeadSize);
    m_diskHd = m_hd;
    m_haveDiskHd = std::strcmp(m_dbsfil.GetFilePath(), ProjFile(CProjPath::HarnDbsNamn)) == 0;
}

int CHarnDbs::ReadHead(CFile& from) {
    const CString dbs = m_dbsfil.GetFilePath();
    from.Seek(0, CFile::begin);
    if (from.Read(&m_hd, kDbsHeadSize) < static_cast<UINT>(kDbsHeadSize)) {
        std::snprintf(g_lineBuffer, kScratchSize, "Fel vid läsning av databas : %s"_cp,
                      static_cast<const char*>(dbs));
        MessageBoxA(nullptr, g_lineBuffer, kLasCaption, MB_ICONEXCLAMATION);
        Dbs_rw(1001);
        return -4;
    }
    m_diskHd = m_hd;
    m_haveDiskHd = std::strcmp(dbs, ProjFile(CProjPath::HarnDbsNamn)) == 0;
    oemField(m_hd.text1);
    oemField(m_hd.projnamn);
    oemField(m_hd.text2);
    oemField(m_hd.text3);
    oemField(m_hd.text4);
    oemField(m_hd.text5);
    oemField(m_hd.text6);
    if (!VersionAccepted(m_hd)) {
        char version[sizeof m_hd.version + 1] = {};
        std::memcpy(version, m_hd.version, sizeof m_hd.version);
        double vFile = 0;
        std::sscanf(version, "%lf", &vFile);
        vFile += m_hd.verdel;
        std::snprintf(g_lineBuffer, kScratchSize,
                      "Fel vid läsning av databas : %s\nFelaktig version: %.1lf\nNu gäller "
                      "version: %s\nVälj Konvertera i Arkiv !"_cp,
                      static_cast<const char*>(dbs), vFile, m_Dbsver);
        MessageBoxA(nullptr, g_lineBuffer, kLasCaption, MB_ICONEXCLAMATION);
        Dbs_rw(1001);
        return -1;
    }
    return 0;
}

SlotKind CHarnDbs::TakeSlot(const char* bytes, long p, dbstype& slot, long& freed) {
    std::memcpy(&slot, bytes, kDbsRecordSize);
    slot.filpos = 0;
    const SlotKind kind = slotKind(bytes, p, m_hd.slut);
    if (kind == SlotKind::Free) {
        if (p < m_hd.slut)
            ++freed;
        return kind;
    }
    if (kind == SlotKind::End) {
        char id[sizeof slot.id + 1] = {};
        std::memcpy(id, slot.id, sizeof slot.id);
        CString text;
        text.Format("%s%8s", "Kontroll av databas: stopp på id "_cp, id);
        ShowStatus(text);
        Sleep(300);
        return SlotKind::End;
    }
    slot.filpos = static_cast<int32_t>(p);
    return SlotKind::Live;
}

void CHarnDbs::CheckCounts(long count, long freed) {
    if (m_hd.antal != count) {
        CString text;
        text.Format("%s%ld %ld%s", "Osäker databas antal=("_cp, static_cast<long>(m_hd.antal),
                    count, "), välj Konvertera i Arkiv."_cp);
        ShowMessage(text, MB_OK, MB_ICONEXCLAMATION, nullptr);
    }
    if (m_hd.hal != freed) {
        CString text;
        text.Format("%s%ld %ld%s", "Fel vid packning antal=(", static_cast<long>(m_hd.hal), freed,
                    "), välj Konvertera i Arkiv."_cp);
        ShowMessage(text, MB_OK, MB_ICONEXCLAMATION, nullptr);
    }
}

int CHarnDbs::ReadSlots() {
    if (const int r = ReadHead(m_dbsfil); r != 0)
        return r;
    // A read-only object cannot write: freed slots are then only counted, not packed.
    const bool pack = m_hd.hal > 0 && m_mode != 1;
    long p = kDbsFirstSlot;
    long w = kDbsFirstSlot;
    long freed = 0;
    dbstype slot{};
    // Packing builds the packed file from the image of the whole file: it is read once and
    // the slots are taken from it. Otherwise the slots are read in blocks of whole records.
    // Either way a short last record ends the slots.
    std::string image;
    std::optional<SlotReader> blocks;
    if (pack)
        image = ReadImage();
    else
        blocks.emplace(m_dbsfil);
    auto nextSlot = [&]() -> const char* {
        if (pack)
            return p + kDbsRecordSize <= static_cast<long>(image.size()) ? image.data() + p
                                                                         : nullptr;
        return blocks->next();
    };
    // Room for the records the head counts, as far as the file can hold them.
    const long length =
        pack ? static_cast<long>(image.size()) : static_cast<long>(m_dbsfil.GetLength());
    const long slots = length > kDbsFirstSlot ? (length - kDbsFirstSlot) / kDbsRecordSize : 0;
    const size_t expected = static_cast<size_t>(std::clamp<long>(m_hd.antal, 0, slots));
    if (m_haveDiskHd)
        m_onDisk.reserve(m_onDisk.size() + expected);
    // Packing moves each live record down to the write position w; the moves are collected
    // and the packed file replaces the database in one step below.
    std::vector<std::pair<dbstype*, long>> moves;
    if (pack)
        moves.reserve(expected);
    while (const char* bytes = nextSlot()) {
        const SlotKind kind = TakeSlot(bytes, p, slot, freed);
        if (kind == SlotKind::End)
            break;
        if (kind == SlotKind::Live) {
            Ny(1, &slot);
            m_pael->id[sizeof slot.id - 1] = 0; // an id is at most 15 characters
            if (m_haveDiskHd)
                m_onDisk.set(m_pael, DiskKey(*m_pael));
            if (pack) {
                moves.emplace_back(m_pael, w);
                w += kDbsRecordSize;
            }
        }
        p += kDbsRecordSize;
    }
    int count = 0;
    Where(&count);
    CheckCounts(count, freed);
    if (pack)
        Pack(std::move(image), moves, w, (p - kDbsFirstSlot) / kDbsRecordSize, slot);
    return 0;
}

int CHarnDbs::InitSnapshot(const char* path) {
    m_mode = 1;
    m_snapshot.reset();
    m_snapshotRecords = 0;
    if (OpenFile(0, path) != 0)
        return -1;
    const CString dbs = m_dbsfil.GetFilePath();
    auto snap = std::make_unique<DbsSnapshot>();
    SlotCensus census;
    bool taken = false;
    try {
        taken = snap->take(m_dbsfil, census);
    } catch (...) {
        AbandonOpen();
        throw;
    }
    Dbs_rw(1001); // the lock is held only for the copy
    auto failed = [&](const char* what) {
        platform::FailureLog::report(std::string("database snapshot ") + what + ": " +
                                     snap->path() + " (a copy of " + static_cast<const char*>(dbs) +
                                     ")");
        return -5;
    };
    if (!taken)
        return failed("not written");
    try {
        // The checks and messages of Init, on the copy: the slots were counted while they
        // were copied; the records are given from the copy.
        if (const int r = ReadHead(snap->file()); r != 0)
            return r;
        if (census.ended) {
            dbstype slot{};
            long freed = 0;
            TakeSlot(census.endSlot, census.endAt, slot, freed); // shows where the reading stopped
        }
        m_snapshotRecords = static_cast<int>(census.live);
        CheckCounts(census.live, census.freed);
        snap->rereadSlots(census.slots);
    } catch (const CFileException&) {
        return failed("not read");
    }
    m_snapshot = std::move(snap);
    return 0;
}

bool CHarnDbs::NextRecord(dbstype& r) {
    if (!m_snapshot)
        return false;
    long freed = 0;
    try {
        long p = 0;
        while (const char* bytes = m_snapshot->nextSlot(p)) {
            if (TakeSlot(bytes, p, r, freed) == SlotKind::Live) {
                r.id[sizeof r.id - 1] = 0; // an id is at most 15 characters
                return true;
            }
        }
    } catch (const CFileException&) {
        const std::string copy = m_snapshot->path();
        m_snapshot.reset();
        platform::FailureLog::report("database snapshot not read: " + copy + " (a copy of " +
                                     static_cast<const char*>(m_dbsfil.GetFilePath()) + ")");
        throw;
    }
    m_snapshot.reset();
    return false;
}

void CHarnDbs::Pack(std::string image, const std::vector<std::pair<dbstype*, long>>& moves, long w,
                    long slotsRead, dbstype last) {
    // The file as packing in place leaves it: each live record at its new slot, `hal` free
    // slots (the last slot read, marked free) from w on, the head with the new end.
    auto put = [&image](long offset, const void* bytes, size_t size) {
        fileimage::put(image, static_cast<size_t>(offset), bytes, size);
    };
    for (const auto& [record, to] : moves)
        put(to, record, kDbsRecordSize);
    last.typ = 0;
    last.id[0] = 0;
    // A damaged head may claim more freed slots than the file holds: no more free slots are
    // written than slots were read, so the file never grows without bound.
    for (long i = 0; i < m_hd.hal && i < slotsRead; ++i)
        put(w + i * kDbsRecordSize, &last, kDbsRecordSize);
    dbshdtype packed = m_hd;
    packed.slut = static_cast<int32_t>(w);
    packed.hal = 0;
    put(0, &packed, kDbsHeadSize);
    // The open handle still points at the file being replaced: it is closed first.
    const CString dbs = m_dbsfil.GetFilePath();
    m_dbsfil.Close();
    if (platform::replaceFileContents(dbs, image) != 0) {
        // The database stays as it was, unpacked and whole; the records keep their slots and
        // the next open for writing packs.
        platform::FailureLog::report(std::string("database not packed (left whole as it was): ") +
                                     static_cast<const char*>(dbs));
        return;
    }
    for (const auto& [record, to] : moves)
        record->filpos = static_cast<int32_t>(to);
    m_hd.slut = packed.slut;
    m_hd.hal = 0;
    std::memcpy(&m_diskHd, &packed, kDbsHeadSize);
}
