// The tunnel database file: creating the file set of a tunnel, reading (with the version
// rule and the packing of holes), writing single records and the head in place, deleting,
// the chainage order and the search by record address. Save is in CTunDbsSave.cpp.
#include "tunnel/CTunDbs.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "tunnel/TodbImage.h"
#include "tunnel/TunnelVersion.h"
#include "tunnel/bulthdtype.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

void showAboutFile(const char* format, const char* path) {
    std::snprintf(g_nameBuffer, kScratchSize, "%s", path);
    std::snprintf(g_lineBuffer, kScratchSize, format, g_nameBuffer);
    ShowMessage(g_lineBuffer);
}

} // namespace

namespace tunnelfile {

const char* currentVersion() {
    return CHarnDbs::m_Dbsver;
}

bool versionAccepted(double fv) {
    double cur = 0;
    std::sscanf(currentVersion(), "%lf", &cur);
    if (!(fv == fv))
        return false; // not a number
    const double iFile = std::trunc(fv), iCur = std::trunc(cur);
    if (iFile >= iCur && fv <= cur)
        return true;
    if (std::fabs(fv - cur) <= 0.16)
        return true;
    return iCur == 1 && fv >= 0.94;
}

} // namespace tunnelfile

CTunDbs::CTunDbs(CProjPath* proj, const char* namn) : m_version(0), m_reclen(kTodbRecordSize) {
    std::memset(&m_hd, 0, sizeof m_hd);
    std::snprintf(m_namn, sizeof m_namn, "%s", namn ? namn : "");
    m_pProj = proj;
}

CTunDbs::~CTunDbs() = default;

CString CTunDbs::Sokvag(const char* ext) const {
    CString path;
    path.Format("%s%s%s%s%s%s", m_pProj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\", m_namn, ext);
    return path;
}

bool CTunDbs::WriteAt(std::FILE* f, long offset, const void* data, std::size_t size) {
    if (offset < 0)
        return false;
    if (m_rewrite) {
        fileimage::put(m_rewrite->bytes, static_cast<std::size_t>(offset), data, size);
        return true;
    }
    return std::fseek(f, offset, SEEK_SET) == 0 && std::fwrite(data, 1, size, f) == size;
}

int CTunDbs::Sortval(int) {
    if (!m_pael || !m_pmark)
        return 0;
    return m_pael->sekt > m_pmark->sekt ? 1 : 0;
}

bool CTunDbs::SortvalOrders(int) {
    for (Node* n = m_forst; n; n = n->next)
        if (std::isnan(n->rec.sekt))
            return false;
    return true;
}

int CTunDbs::FindNuel(unsigned long rec) {
    Set_mark();
    if (Where(nullptr) >= 0) {
        if (Node* n = nodeAt(rec)) {
            makeCurrent(n);
            return 0;
        }
    }
    Goto_mark();
    return -1;
}

int CTunDbs::Init() {
    return Read(true);
}

int CTunDbs::InitReadOnly() {
    return Read(false);
}

int CTunDbs::Read(bool pack) {
    const CString path = Sokvag(".ODB");
    std::FILE* f = platform::fopen(path, pack ? "r+b" : "rb");
    if (!f) {
        ShowMessage("Kan ej öppna tunnel-databas"_cp);
        return -1;
    }
    if (std::fread(&m_hd, 1, kTunHeadSize, f) != static_cast<std::size_t>(kTunHeadSize)) {
        ShowMessage("Fel vid läsning av databas :"_cp);
        std::fclose(f);
        return -1;
    }
    char version[sizeof m_hd.version + 1] = {};
    std::memcpy(version, m_hd.version, sizeof m_hd.version);
    if (std::sscanf(version, "%lf", &m_version) != 1)
        m_version = 0; // a version text that is no number is refused
    if (!tunnelfile::versionAccepted(m_version)) {
        std::snprintf(g_lineBuffer, kScratchSize, "Felaktig version: %s %s", version, m_namn);
        std::strcat(g_lineBuffer, "\nNu gäller version:"_cp);
        std::strcat(g_lineBuffer, tunnelfile::currentVersion());
        std::strcat(g_lineBuffer, "\nVälj Konvertera i Arkiv !"_cp);
        ShowMessage(g_lineBuffer);
        std::fclose(f);
        return -1;
    }
    // The whole file is read before anything is appended, so that a failing read loses
    // nothing and a packing is written from a complete image.
    std::string image(reinterpret_cast<const char*>(&m_hd), kTunHeadSize);
    const bool readOk = fileimage::readRest(f, image);
    std::fclose(f);
    if (!readOk) {
        ShowMessage("Fel vid läsning av databas :"_cp);
        return -1;
    }

    tunnelfile::readRecords(*this, m_hd, kTunFirstRecord, image, path,
                            "Tunneldatabasen kunde inte packas: ", pack);
    return 0;
}

int CTunDbs::Uppdat(int mode) {
    const bool record = mode < 2;
    if (record && !m_pael)
        return -1; // no current record: nothing to write
    std::FILE* f = nullptr;
    if (m_rewrite ? !m_rewrite->loaded : !(f = platform::fopen(Sokvag(".ODB"), "r+b"))) {
        ShowMessage("Kan ej öppna tunnel-databas"_cp);
        return -1;
    }
    bool headToo = mode > 0;
    bool ok = true;
    if (record) {
        todbtype* rec = m_pael;
        if (rec->filpos == 0) {
            rec->filpos = m_hd.slut;
            m_hd.slut += kTodbRecordSize;
            ++m_hd.antal[0];
            if (rec->typ > 0 && rec->typ < 20)
                ++m_hd.antal[rec->typ];
            headToo = true;
        }
        ok = WriteAt(f, rec->filpos, rec, kTodbRecordSize);
    }
    if (headToo)
        ok = WriteAt(f, 0, &m_hd, kTunHeadSize) && ok;
    if (f)
        ok = std::fclose(f) == 0 && ok;
    return ok ? 0 : -1;
}

int CTunDbs::Delete() {
    todbtype* rec = m_pael;
    if (rec) {
        rec->aktiv = 0;
        if (rec->filpos > 0) {
            if (rec->filpos == m_hd.slut - kTodbRecordSize)
                m_hd.slut = rec->filpos;
            else
                ++m_hd.hal;
            --m_hd.antal[0];
            if (rec->typ > 0 && rec->typ < 20)
                --m_hd.antal[rec->typ];
            rec->typ = 0;
            if (Uppdat(1) != 0 && !m_rewrite)
                platform::FailureLog::report(
                    std::string("Borttagen tunnelpost kunde inte skrivas: ") +
                    static_cast<const char*>(Sokvag(".ODB")));
        }
    }
    return list0<todbtype>::Delete();
}

int CTunDbs::Create(CHarnDbs* dbs) {
    const dbstype* rec = dbs ? dbs->Get_aktel() : nullptr;
    const CString odbPath = Sokvag(".ODB");
    platform::SafeReplace odb(odbPath);
    std::FILE* fo = rec ? odb.open("w+b") : nullptr;
    if (!fo) {
        ShowMessage("Kan ej skapa tunnel-databas");
        return -1;
    }
    char name[sizeof rec->id] = {};
    std::memcpy(name, rec->id, sizeof name - 1);

    // One text file written whole and put in place; false when any step fails.
    auto writeText = [](const char* path, const char* mode, const std::string& text) {
        platform::SafeReplace out(path);
        std::FILE* f = out.open(mode);
        if (!f || std::fputs(text.c_str(), f) == EOF)
            return false;
        return out.commit() == 0;
    };
    const char* version = tunnelfile::currentVersion();

    const CString tko = Sokvag(".TKO");
    if (!writeText(tko, "wt", std::string(name) + "\n**")) {
        showAboutFile("Kan ej skapa tunnelkoordinat-filen :\n%s", tko);
        return -3;
    }
    const CString lat = Sokvag(".LAT");
    CString latText;
    latText.Format("%s\n\n\n0 %s\n**", name, version);
    if (!writeText(lat, "w", static_cast<const char*>(latText))) {
        showAboutFile("Kan ej skapa tunnel-filen :\n%s", lat);
        return -3;
    }
    std::memset(&m_hd, 0, sizeof m_hd);
    std::snprintf(m_hd.version, sizeof m_hd.version, "%s", version);
    std::sscanf(version, "%lf", &m_version);
    const CString laf = Sokvag(".LAF");
    CString lafText;
    lafText.Format("%s\n**", version);
    if (!writeText(laf, "w", static_cast<const char*>(lafText))) {
        showAboutFile("Kan ej skapa tunnel-filen :\n%s", laf);
        return -3;
    }
    bulthdtype bolt{};
    std::snprintf(bolt.version, sizeof bolt.version, "%s", version);
    bolt.slut = kTunFirstRecord;
    bolt.vernr = m_version;
    bolt.nastanr = 1;
    const CString odf = Sokvag(".ODF");
    if (platform::replaceFileContents(
            odf, std::string(reinterpret_cast<const char*>(&bolt), kBultHeadSize)) != 0) {
        showAboutFile("Kan ej skapa tunnel-filen :\n%s", odf);
        return -3;
    }

    std::snprintf(m_hd.rubrik, sizeof m_hd.rubrik, "%s", name);
    m_hd.flagg = 1;
    m_hd.slut = kTunFirstRecord;
    m_hd.verdel = m_version - static_cast<int>(m_version);
    if (std::fwrite(&m_hd, 1, kTunHeadSize, fo) != static_cast<std::size_t>(kTunHeadSize) ||
        odb.commit() != 0) {
        ShowMessage("Kan ej skapa tunnel-databas");
        return -1;
    }
    return 0;
}
