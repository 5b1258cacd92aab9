// Updating and maintaining the project database: writing records and the head in place,
// freeing slots, removing an object's files, the project extent, the full rewrite, the
// point file and the alignment list.
#include "database/CHarnDbs.h"

#include "list/Utilities.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"

#include <cfloat>
#include <cstring>
#include <string>

namespace {

constexpr const char* kUppCaption = "Uppdatering av Harnoplan - databas";

// Reads one whole line (without its end) from a text stream; false at the end.
bool readLine(FILE* f, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line += static_cast<char>(c);
    }
    return any;
}

} // namespace

bool CHarnDbs::WidenExtent() {
    const dbstype* r = m_pael;
    if (r->typ == 6 || (r->typ == 1 && r->x == 0 && r->y == 0))
        return false;
    int count = 0;
    Where(&count);
    const bool only = count <= 1;
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

int CHarnDbs::Uppdat(int op) {
    const CString dbs = ProjFile(CProjPath::HarnDbsNamn);
    m_dbsfil.SetFilePath(dbs);
    const bool record = op <= 1 || op == 3;
    if (record && !m_pael)
        return -1; // no current record: nothing to write
    if (op != 3) {
        if (m_mode == 1) {
            std::snprintf(g_lineBuffer, kScratchSize,
                          "Kan ej öppna databas : %s\nBehörighet: Read only !",
                          static_cast<const char*>(dbs));
            MessageBoxA(nullptr, g_lineBuffer, kUppCaption, MB_ICONEXCLAMATION);
            return -3;
        }
        Dbs_rw(1000);
        if (!m_dbsfil.IsOpen()) {
            std::snprintf(g_lineBuffer, kScratchSize, "Kan ej öppna databas: %s",
                          static_cast<const char*>(dbs));
            MessageBoxA(nullptr, g_lineBuffer, kUppCaption, MB_ICONEXCLAMATION);
            return -3;
        }
    }
    try {
        if (record) {
            if (WidenExtent() && op != 3)
                op = 1;
            if (op == 3)
                return 0;
            dbstype* r = m_pael;
            if (r->filpos == 0) {
                r->filpos = m_hd.slut;
                m_hd.slut += kDbsRecordSize;
                ++m_hd.antal;
                if (r->typ >= 1 && r->typ <= 9)
                    ++m_hd.typantal[r->typ - 1];
                op = 1;
            }
            m_dbsfil.Seek(r->filpos, CFile::begin);
            m_dbsfil.Write(r, kDbsRecordSize);
        }
        if (op > 0) {
            m_dbsfil.Seek(0, CFile::begin);
            m_dbsfil.Write(&m_hd, kDbsHeadSize);
        }
    } catch (...) {
        AbandonOpen();
        throw;
    }
    // Change marker for other programs working on the project.
    const CString marker = ProjFile("TMPPROG.PB$");
    if (platform::access(marker, 0) != 0) {
        if (FILE* f = platform::fopen(marker, "w")) {
            const char* datum = m_pIni ? m_pIni->Datum() : nullptr;
            std::fprintf(f, "%s\n", datum ? datum : static_cast<const char*>(marker));
            std::fclose(f);
        }
    }
    return Dbs_rw(1001);
}

int CHarnDbs::Tempfil(int op) {
    const CString temp = ProjFile("temp.dbs");
    if (op == 1) {
        if (platform::access(temp, 0) == 0)
            platform::remove(temp);
        return 0;
    }
    if (op != 0)
        return 0;
    const CString dbs = ProjFile(CProjPath::HarnDbsNamn);
    m_dbsfil.SetFilePath(dbs);
    CString text;
    text.Format("Kan ej öppna databas : %s", static_cast<const char*>(dbs));
    // A read-only object could not create the new file: refused before anything moves.
    if (m_mode == 1 || Dbs_rw(1000) != 0 || !m_dbsfil.IsOpen()) {
        ShowStatus(text);
        return -3;
    }
    Dbs_rw(1001);
    if (platform::access(temp, 0) == 0)
        platform::remove(temp);
    if (platform::rename(dbs, temp) != 0) {
        ShowStatus(text);
        return -3; // the database stays where it was
    }
    if (Dbs_rw(1002) != 0) {
        platform::rename(temp, dbs);
        ShowStatus(text);
        return -3;
    }
    Dbs_rw(1001);
    Uppdat(2);
    m_hd.slut = kDbsFirstSlot;
    m_hd.antal = 0;
    std::memset(m_hd.typantal, 0, sizeof m_hd.typantal);
    return 0;
}

int CHarnDbs::Delete() {
    dbstype* r = m_pael;
    if (!r)
        return -1;
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
        Uppdat(1);
    }
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
        if (platform::access(path, 0) == 0)
            platform::remove(path);
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
    Uppdat(2);
    Set_pael();
    return 0;
}

int CHarnDbs::SkrivAvp() {
    CString path;
    path.Format("%s%s%s.PKT", m_pProj->ProjKat(), "\\", "Harnplan");
    FILE* f = platform::fopen(path, "w");
    if (!f) {
        std::snprintf(g_lineBuffer, kScratchSize, "Fel: Hittar inte %s",
                      static_cast<const char*>(path));
        MessageBoxA(nullptr, g_lineBuffer, "Filöppning", MB_ICONEXCLAMATION);
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
    std::fclose(f);
    return 0;
}

int CHarnDbs::VagPaelUppdat(int op) {
    const dbstype* r = m_pael;
    if (!r)
        return -1; // no current record: the list is left alone
    const CString list = DataFile(CProjPath::HarnVlNamn, "");
    const CString temp = DataFile("Pbvl$.tmp", "");
    auto fail = [](const char* format, const CString& path) {
        std::snprintf(g_lineBuffer, kScratchSize, format, static_cast<const char*>(path));
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION);
        return -1;
    };
    if (platform::access(list, 0) != 0) {
        FILE* f = platform::fopen(list, "w");
        if (!f)
            return fail("Kan ej skapa väglinjefil : %s", list);
        std::fprintf(f, "*\n*\n");
        if (std::fclose(f) != 0) {
            platform::remove(list);
            return fail("Kan ej skapa väglinjefil : %s", list);
        }
    }
    FILE* in = platform::fopen(list, "r");
    if (!in)
        return fail("Kan ej öppna väglinje : %s", list);
    FILE* out = platform::fopen(temp, "w");
    if (!out) {
        std::fclose(in);
        return fail("Kan ej temporär fil : %s", temp);
    }
    char id[sizeof r->id + 1] = {};
    std::memcpy(id, r->id, sizeof r->id);
    std::string line;
    int stars = 0;
    while (readLine(in, line)) {
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
    std::fclose(in);
    if (std::fclose(out) != 0 || platform::replaceFile(temp, list) != 0) {
        platform::remove(temp);
        return fail("Kan ej temporär fil : %s", temp);
    }
    return 0;
}
