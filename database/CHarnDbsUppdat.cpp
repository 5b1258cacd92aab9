// Updating and maintaining the project database: writing records and the head in place,
// freeing slots, removing an object's files, the project extent, the full rewrite, the
// point file and the alignment list.
#include "database/CHarnDbs.h"

#include "list/FileImage.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "platform/UserInterface.h"

#include <cfloat>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr const char* kUppCaption = "Uppdatering av Harnoplan - databas";

} // namespace

bool CHarnDbs::WidenExtent() {
    const dbstype* r = m_pael;
    if (r->typ == 6 || (r->typ == 1 && r->x == 0 && r->y == 0))
        return false;
    int count = 0;
    Where(&count);
    // Records other programs wrote count too: the extent is never narrowed to this list's
    // one record while the file holds theirs.
    const bool only = count + m_otherRecords <= 1;
    bool changed = false;
    auto axis = [&](double a, double d, double& lo, double& hi) {
        if (a + d > hi || only) {
            hi = a + d;
            changed = true;
        }
        if (a < lo || only) {
            lo = a;
            changed = true;
        }
    };
    axis(r->x, r->dx, m_hd.xmin, m_hd.xmax);
    axis(r->y, r->dy, m_hd.ymin, m_hd.ymax);
    axis(r->z, r->dz, m_hd.zmin, m_hd.zmax);
    return changed;
}

bool CHarnDbs::UnionExtent(const dbshdtype& o) {
    // An extent with no object in it (the sentinels, or all zero) widens nothing.
    if (o.xmin == 0 && o.xmax == 0 && o.ymin == 0 && o.ymax == 0 && o.zmin == 0 && o.zmax == 0)
        return false;
    bool changed = false;
    auto axis = [&](double lo2, double hi2, double& lo, double& hi) {
        if (lo2 > hi2)
            return;
        if (hi2 > hi) {
            hi = hi2;
            changed = true;
        }
        if (lo2 < lo) {
            lo = lo2;
            changed = true;
        }
    };
    axis(o.xmin, o.xmax, m_hd.xmin, m_hd.xmax);
    axis(o.ymin, o.ymax, m_hd.ymin, m_hd.ymax);
    axis(o.zmin, o.zmax, m_hd.zmin, m_hd.zmax);
    return changed;
}

std::string CHarnDbs::ReadImage() {
    const ULONGLONG length = m_dbsfil.GetLength();
    std::string image(static_cast<size_t>(length), '\0');
    m_dbsfil.Seek(0, CFile::begin);
    const UINT n = length ? m_dbsfil.Read(image.data(), static_cast<UINT>(length)) : 0;
    image.resize(n);
    return image;
}

std::string CHarnDbs::TakeImage(bool reconcile) {
    try {
        if (reconcile)
            Reconcile();
        if (m_foreignExtent)
            UnionExtent(m_foreignHd);
        std::string image = ReadImage();
        m_dbsfil.Close();
        return image;
    } catch (...) {
        AbandonOpen();
        throw;
    }
}

void CHarnDbs::Reconcile() {
    m_foreignExtent = false;
    dbshdtype disk{};
    m_dbsfil.Seek(0, CFile::begin);
    if (m_dbsfil.Read(&disk, kDbsHeadSize) < static_cast<UINT>(kDbsHeadSize))
        return; // no head to go by: written as before
    const bool same = std::memcmp(&disk, &m_diskHd, kDbsHeadSize) == 0;
    if (!m_haveDiskHd || same) {
        m_diskHd = disk;
        m_haveDiskHd = true;
        return; // nobody else wrote (or nothing was known): nothing changes
    }
    // Another program wrote. Its end and counters are taken, plus this object's own changes
    // since its last read or write (a Delete counted in memory, a Tempfil that started over).
    m_otherRecords += disk.antal - m_diskHd.antal;
    m_hd.antal = disk.antal + (m_hd.antal - m_diskHd.antal);
    for (int t = 0; t < 9; ++t)
        m_hd.typantal[t] = disk.typantal[t] + (m_hd.typantal[t] - m_diskHd.typantal[t]);
    m_hd.hal = disk.hal + (m_hd.hal - m_diskHd.hal);
    if (m_hd.hal < 0)
        m_hd.hal = 0;
    m_hd.slut = disk.slut + (m_hd.slut - m_diskHd.slut);
    if (m_hd.slut < kDbsFirstSlot)
        m_hd.slut = kDbsFirstSlot;
    if (std::memcmp(&disk.xmin, &m_diskHd.xmin, 6 * sizeof(double)) != 0) {
        m_foreignExtent = true;
        m_foreignHd = disk;
    }
    m_diskHd = disk;
}

void CHarnDbs::LocateCurrent() {
    dbstype* r = m_pael;
    const DiskIdentities::Key* known = m_onDisk.find(r);
    if (r->filpos <= 0 || !known)
        return;
    const DiskIdentities::Key key = *known;
    auto same = [&key](const dbstype& s) { return !slotFree(s) && DiskKey(s) == key; };
    // The file's own end bounds the search: slots starting at or past it are leftovers. A
    // slot that starts before the end belongs to the file, as Init reads it, even when the
    // end (of a damaged head) cuts it.
    const long end = m_diskHd.slut;
    dbstype slot{};
    if (r->filpos < end) {
        m_dbsfil.Seek(r->filpos, CFile::begin);
        if (m_dbsfil.Read(&slot, kDbsRecordSize) == static_cast<UINT>(kDbsRecordSize) && same(slot))
            return; // still in its slot
    }
    // Slots have moved (another program packed or rewrote the file): the live slot with the
    // record's identity is its slot now.
    const std::string slots = ReadImage();
    for (long p = kDbsFirstSlot; p < end && p + kDbsRecordSize <= static_cast<long>(slots.size());
         p += kDbsRecordSize) {
        std::memcpy(&slot, slots.data() + p, kDbsRecordSize);
        if (same(slot)) {
            r->filpos = static_cast<int32_t>(p);
            return;
        }
    }
    r->filpos = 0; // another program deleted it: written anew
    m_onDisk.erase(r);
}

void CHarnDbs::ChangeMarker() {
    const CString marker = ProjFile("TMPPROG.PB$");
    if (platform::access(marker, 0) == 0)
        return;
    FILE* f = platform::fopen(marker, "w");
    bool ok = f != nullptr;
    if (f) {
        const char* datum = m_pIni ? m_pIni->Datum() : nullptr;
        std::fprintf(f, "%s\n", datum ? datum : static_cast<const char*>(marker));
        ok = std::fclose(f) == 0;
    }
    if (!ok) // skipped, as the host does; the failure is still told
        platform::FailureLog::report(std::string("change marker not created: ") +
                                     static_cast<const char*>(marker));
}

int CHarnDbs::WriteRefused(const CString& dbs) {
    if (m_mode == 1)
        std::snprintf(g_lineBuffer, kScratchSize,
                      "Kan ej öppna databas : %s\nBehörighet: Read only !"_cp,
                      static_cast<const char*>(dbs));
    else
        std::snprintf(g_lineBuffer, kScratchSize, "Kan ej öppna databas: %s"_cp,
                      static_cast<const char*>(dbs));
    MessageBoxA(nullptr, g_lineBuffer, kUppCaption, MB_ICONEXCLAMATION);
    return -3;
}

int CHarnDbs::Uppdat(int op) {
    const CString dbs = ProjFile(CProjPath::HarnDbsNamn);
    m_dbsfil.SetFilePath(dbs);
    const bool record = op <= 1 || op == 3;
    if (record && !m_pael)
        return -1; // no current record: nothing to write
    if (op != 3 && (m_mode == 1 || Dbs_rw(1000) != 0 || !m_dbsfil.IsOpen()))
        return WriteRefused(dbs);
    // On a disk error the object is left as before the call, so a retry writes it all again.
    const dbshdtype savedHd = m_hd, savedDisk = m_diskHd;
    const int32_t savedPos = record ? m_pael->filpos : 0;
    std::optional<DiskIdentities::Key> savedKey;
    if (const DiskIdentities::Key* known = record ? m_onDisk.find(m_pael) : nullptr)
        savedKey = *known;
    try {
        if (op != 3) {
            Reconcile();
            if (record)
                LocateCurrent();
        }
        if (record) {
            if (WidenExtent() && op != 3)
                op = 1;
            if (op == 3)
                return 0;
        }
        if (m_foreignExtent && UnionExtent(m_foreignHd) && op == 0)
            op = 1;
        if (record) {
            dbstype* r = m_pael;
            if (r->filpos == 0) {
                r->filpos = m_hd.slut;
                m_hd.slut += kDbsRecordSize;
                ++m_hd.antal;
                if (r->typ >= 1 && r->typ <= 9)
                    ++m_hd.typantal[r->typ - 1];
                op = 1;
            }
            // The slot first: a new record is only counted once the head is written after it.
            m_dbsfil.Seek(r->filpos, CFile::begin);
            m_dbsfil.Write(r, kDbsRecordSize);
            m_dbsfil.Flush();
            if (m_haveDiskHd)
                m_onDisk.set(r, DiskKey(*r));
        }
        if (op > 0) {
            m_dbsfil.Seek(0, CFile::begin);
            m_dbsfil.Write(&m_hd, kDbsHeadSize);
            m_dbsfil.Flush();
            m_diskHd = m_hd;
        }
    } catch (...) {
        m_hd = savedHd;
        m_diskHd = savedDisk;
        if (record) {
            m_pael->filpos = savedPos;
            if (savedPos > 0 && !m_onDisk.find(m_pael) && savedKey)
                m_onDisk.set(m_pael, *savedKey);
        }
        AbandonOpen();
        throw;
    }
    ChangeMarker();
    return Dbs_rw(1001);
}

int CHarnDbs::Tempfil(int op) {
    const CString temp = ProjFile("temp.dbs");
    if (op == 1) {
        if (platform::access(temp, 0) == 0 && platform::remove(temp) != 0)
            platform::FailureLog::report(std::string("set-aside database not removed: ") +
                                         static_cast<const char*>(temp));
        return 0;
    }
    if (op != 0)
        return 0;
    const CString dbs = ProjFile(CProjPath::HarnDbsNamn);
    m_dbsfil.SetFilePath(dbs);
    CString text;
    text.Format("Kan ej öppna databas : %s"_cp, static_cast<const char*>(dbs));
    auto refuse = [&] {
        ShowStatus(text);
        platform::FailureLog::report(std::string("database not set aside for a rewrite: ") +
                                     static_cast<const char*>(dbs));
        return -3;
    };
    // A read-only object could not create the new file: refused before anything moves.
    if (m_mode == 1 || Dbs_rw(1000) != 0 || !m_dbsfil.IsOpen())
        return refuse();
    // Under the lock throughout: the complete database goes to "temp.dbs", then a file
    // holding only the head replaces the database. Each step replaces its file in one step,
    // so the old database is always whole in one of the two files.
    const std::string image = TakeImage(true);
    if (platform::replaceFileContents(temp, image) != 0) {
        Dbs_rw(1001);
        return refuse(); // the database stays where it was
    }
    if (platform::replaceFileContents(
            dbs, std::string(reinterpret_cast<const char*>(&m_hd), kDbsHeadSize)) != 0) {
        platform::remove(temp);
        Dbs_rw(1001);
        return refuse();
    }
    m_diskHd = m_hd;
    m_onDisk.clear(); // records are written anew into the empty file, where their caller says
    ChangeMarker();
    Dbs_rw(1001);
    m_hd.slut = kDbsFirstSlot;
    m_hd.antal = 0;
    std::memset(m_hd.typantal, 0, sizeof m_hd.typantal);
    return 0;
}

int CHarnDbs::Delete() {
    dbstype* r = m_pael;
    if (!r)
        return -1;
    const CString dbs = ProjFile(CProjPath::HarnDbsNamn);
    m_dbsfil.SetFilePath(dbs);
    // Opened first, so that the slot is found again if another program moved it.
    const bool opened = r->filpos > 0 && m_mode != 1 && Dbs_rw(1000) == 0 && m_dbsfil.IsOpen();
    if (opened) {
        try {
            Reconcile();
            LocateCurrent();
        } catch (...) {
            AbandonOpen();
            throw;
        }
    }
    r->id[0] = 0;
    if (r->filpos > 0) {
        if (r->filpos == m_hd.slut - kDbsRecordSize)
            m_hd.slut = r->filpos;
        else
            ++m_hd.hal;
        --m_hd.antal;
        if (r->typ >= 1 && r->typ <= 9)
            --m_hd.typantal[r->typ - 1];
        r->typ = 0;
        if (!opened) {
            WriteRefused(dbs);
            platform::FailureLog::report(std::string("record not freed in the database: ") +
                                         static_cast<const char*>(dbs));
        } else {
            // The freed slot and the head change together: the file with both applied
            // replaces the database in one step, so it never counts a record it lacks.
            WidenExtent(); // as the write of the freed record does
            std::string image = TakeImage(false);
            fileimage::put(image, static_cast<size_t>(r->filpos), r, kDbsRecordSize);
            fileimage::put(image, 0, &m_hd, kDbsHeadSize);
            if (platform::replaceFileContents(dbs, image) == 0) {
                m_diskHd = m_hd;
                ChangeMarker();
            } else {
                platform::FailureLog::report(std::string("record not freed in the database: ") +
                                             static_cast<const char*>(dbs));
            }
            Dbs_rw(1001);
        }
    } else if (opened) {
        Dbs_rw(1001); // gone from the file already: only taken from the list
    }
    m_onDisk.erase(r);
    return list0<dbstype>::Delete();
}

int CHarnDbs::DeleteId() {
    dbstype* r = m_pael;
    if (!r)
        return 0;
    char name[sizeof r->filnamn + 1] = {};
    std::memcpy(name, r->filnamn, sizeof r->filnamn);
    auto drop = [&](const char* base, const char* ext) {
        CString path = DataFile(base, ext);
        if (platform::access(path, 0) == 0 && platform::remove(path) != 0)
            platform::FailureLog::report(std::string("data file not removed: ") +
                                         static_cast<const char*>(path));
    };
    switch (r->typ) {
    case 1:
        drop(name, ".lat");
        drop(name, ".odb");
        drop(name, ".tko");
        break;
    case 2:
        drop(name, ".lad");
        break;
    case 3:
        drop(name, (r->flagg & 0x30) ? ".gvr" : ".snd");
        break;
    case 4:
        break;
    case 5:
        drop(name, ".lje");
        break;
    case 6: {
        char id[sizeof r->id + 1] = {};
        std::memcpy(id, r->id, sizeof r->id);
        drop(id, "");
        break;
    }
    default:
        return 0;
    }
    Delete();
    return 0;
}

int CHarnDbs::DeletePost() {
    m_onDisk.erase(m_pael);
    return list0<dbstype>::Delete();
}

int CHarnDbs::XYZ() {
    m_hd.xmin = m_hd.ymin = m_hd.zmin = DBL_MAX;
    m_hd.xmax = m_hd.ymax = m_hd.zmax = -DBL_MAX;
    Set_mark();
    if (Home() == 0) {
        do {
            Uppdat(3);
        } while ((*this)++);
    }
    if (m_hd.xmax < m_hd.xmin) {
        m_hd.xmin = m_hd.xmax = m_hd.ymin = m_hd.ymax = m_hd.zmin = m_hd.zmax = 0;
    } else if (m_hd.zmax < m_hd.zmin) {
        m_hd.zmin = m_hd.zmax = 0;
    }
    if (Uppdat(2) != 0) // the result is not used; the failure is still told
        platform::FailureLog::report(
            std::string("database head not written after recomputing the extent: ") +
            static_cast<const char*>(ProjFile(CProjPath::HarnDbsNamn)));
    Set_pael();
    return 0;
}

int CHarnDbs::SkrivAvp() {
    CString path;
    path.Format("%s%s%s.PKT", m_pProj->ProjKat(), "\\", "Harnplan");
    platform::SafeReplace out(path);
    FILE* f = out.open("w");
    if (!f) {
        std::snprintf(g_lineBuffer, kScratchSize, "Fel: Hittar inte %s",
                      static_cast<const char*>(path));
        MessageBoxA(nullptr, g_lineBuffer, "Filöppning"_cp, MB_ICONEXCLAMATION);
        return -3;
    }
    if (Home() == 0) {
        do {
            const dbstype* r = m_pael;
            if (r->typ != 4)
                continue;
            std::fprintf(f, "%.15s\n", r->id);
            std::fprintf(f, "%7.3f %7.3f %7.3f %7.3f %7.3f %7.3f %hd %.8s\n", r->x, r->y, r->z,
                         r->xyz2[0], r->xyz2[1], r->xyz2[2], static_cast<short>(r->kod),
                         r->filnamn);
            std::fprintf(f, "%.18s\n", r->text);
            std::fprintf(f, "\n");
        } while ((*this)++);
    }
    std::fprintf(f, "*\n");
    if (out.commit() != 0) {
        // The point file could not be put in place (the old one stays whole): told like a
        // point file that cannot be created.
        std::snprintf(g_lineBuffer, kScratchSize, "Fel: Hittar inte %s",
                      static_cast<const char*>(path));
        MessageBoxA(nullptr, g_lineBuffer, "Filöppning"_cp, MB_ICONEXCLAMATION);
        return -3;
    }
    return 0;
}

int CHarnDbs::VagPaelUppdat(int op) {
    const dbstype* r = m_pael;
    if (!r)
        return -1; // no current record: the list is left alone
    const CString list = DataFile(CProjPath::HarnVlNamn, "");
    // The name the host's message gives the temporary file; SafeReplace picks a unique one.
    const CString temp = DataFile("Pbvl$.tmp", "");
    auto fail = [](const char* format, const CString& path) {
        std::snprintf(g_lineBuffer, kScratchSize, format, static_cast<const char*>(path));
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION);
        return -1;
    };
    if (platform::access(list, 0) != 0 && platform::replaceFileContents(list, "*\r\n*\r\n") != 0)
        return fail("Kan ej skapa väglinjefil : %s"_cp, list);
    FILE* in = platform::fopen(list, "r");
    if (!in)
        return fail("Kan ej öppna väglinje : %s"_cp, list);
    platform::SafeReplace replace(list);
    FILE* out = replace.open("w");
    if (!out) {
        std::fclose(in);
        return fail("Kan ej temporär fil : %s"_cp, temp);
    }
    char id[sizeof r->id + 1] = {};
    std::memcpy(id, r->id, sizeof r->id);
    std::string line;
    int stars = 0;
    while (fileimage::readLine(in, line)) {
        if (!line.empty() && line[0] == '*') {
            ++stars;
            if (stars == 2 && op == 0)
                std::fprintf(out, "%-15s %-8.8s %s%s%s %s\n", id, r->filnamn, m_pProj->ProjKat(),
                             "\\", static_cast<const char*>(CProjPath::HarnDbfKat),
                             "Kopierad av Orvandel");
            std::fprintf(out, "%s\n", line.c_str());
            if (stars == 2)
                break;
            continue;
        }
        std::string word(line.size() + 1, '\0');
        if (std::sscanf(line.c_str(), "%s", word.data()) == 1 && std::strcmp(word.c_str(), id) == 0)
            continue;
        std::fprintf(out, "%s\n", line.c_str());
    }
    const bool readOk = !std::ferror(in);
    std::fclose(in);
    if (!readOk) {
        replace.abandon();
        return fail("Kan ej öppna väglinje : %s"_cp, list);
    }
    if (replace.commit() != 0)
        return fail("Kan ej temporär fil : %s"_cp, temp);
    return 0;
}
