// The cross-section type index: creating and reading TVTYP.LIS (with the packing of holes
// left by deleted types), writing single records and the head, and finding a type with its
// outline. Every change of the file replaces it whole, so a failure leaves the old file.
#include "tunnel/CTvarsnitt.h"

#include "database/CHarnDbs.h"
#include "list/FileImage.h"
#include "list/Utilities.h"
#include "mapping/LibraryFile.h"
#include "platform/Clock.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "tunnel/CTvarKoord.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void showAboutFile(const char* format, const char* path) {
    std::snprintf(g_nameBuffer, kScratchSize, "%s", path);
    std::snprintf(g_lineBuffer, kScratchSize, format, g_nameBuffer);
    ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
}

// A fixed text field as a terminated string, never read past its end.
template <size_t N> std::string fieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

double versionNumber(const char* text) {
    double v = 0;
    std::sscanf(text, "%lf", &v);
    return v;
}

// The shared version rule of the library, applied to the index's version text.
bool versionAccepted(const tvhdtype& hd) {
    dbshdtype probe{};
    std::memcpy(probe.version, hd.version, sizeof probe.version);
    probe.verdel = 0; // the index is judged by its version text alone
    return CHarnDbs::VersionAccepted(probe);
}

// A record as read from the file, with the offset it was read at and the one it packs to.
struct ReadRecord {
    tvtytype rec;
    int32_t readAt;
    int32_t packedAt;
};

} // namespace

CTvarsnitt::CTvarsnitt(CProjPath* proj) : m_reclen(140), m_pProj(proj) {
    std::memset(&m_hd, 0, sizeof m_hd);
}

CTvarsnitt::~CTvarsnitt() {
    if (Home() != 0)
        return;
    do {
        delete m_pael->pKoord;
        m_pael->pKoord = nullptr;
    } while ((*this)++);
}

CString CTvarsnitt::IndexPath() const {
    CString path;
    path.Format("%s%s%s%sTVTYP.LIS", m_pProj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\");
    return path;
}

CString CTvarsnitt::OutlinePath(const char* name) const {
    CString path;
    path.Format("%s%s%s%s%s%s", m_pProj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\", name ? name : "", ".ttv");
    return path;
}

int CTvarsnitt::Init(int mode) {
    if (mode == 1) {
        const CString path = IndexPath();
        tvhdtype hd{};
        std::snprintf(hd.version, sizeof hd.version, "%s", CHarnDbs::m_Dbsver);
        const double v = versionNumber(CHarnDbs::m_Dbsver);
        hd.verdel = v - static_cast<int>(v);
        hd.slut = kTvFirstRecord;
        const std::string bytes(reinterpret_cast<const char*>(&hd), sizeof hd);
        if (platform::replaceFileContents(path, bytes) != 0) {
            std::snprintf(g_lineBuffer, kScratchSize, "Kan ej öppna listfil :\n%s"_cp,
                          static_cast<const char*>(path));
            return -3;
        }
        m_hd = hd;
        return 0;
    }
    return Read(true);
}

int CTvarsnitt::InitReadOnly() {
    return Read(false);
}

int CTvarsnitt::Read(bool pack) {
    const CString path = IndexPath();
    std::FILE* f = platform::fopen(path, pack ? "r+b" : "rb");
    if (!f) {
        // Composed for the caller; not shown.
        std::snprintf(g_lineBuffer, kScratchSize, "Kan ej öppna listfil :\n%s"_cp,
                      static_cast<const char*>(path));
        return -3;
    }
    std::string bytes;
    const bool readOk = fileimage::readRest(f, bytes);
    std::fclose(f);
    if (!readOk || bytes.size() < sizeof m_hd) {
        showAboutFile("Fel vid läsning av databas :\n%s"_cp, path);
        return -4;
    }
    std::memcpy(&m_hd, bytes.data(), sizeof m_hd);

    if (!versionAccepted(m_hd)) {
        const std::string version = fieldText(m_hd.version);
        const double vFile = versionNumber(version.c_str());
        const double vCur = versionNumber(CHarnDbs::m_Dbsver);
        libfile::bell(2);
        if (vFile <= vCur)
            std::snprintf(g_lineBuffer, kScratchSize, "Gammal version: %s\n", version.c_str());
        else
            std::snprintf(g_lineBuffer, kScratchSize, "??? version: %s (%.2lf %.2lf)\n",
                          version.c_str(), vFile, vCur);
        std::strncat(g_lineBuffer, "Nu gäller version: "_cp,
                     kScratchSize - strlen(g_lineBuffer) - 1);
        std::strncat(g_lineBuffer, CHarnDbs::m_Dbsver, kScratchSize - strlen(g_lineBuffer) - 1);
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
        return -1;
    }

    const bool packing = pack && m_hd.hal > 0;
    std::vector<ReadRecord> read;
    int64_t r = kTvFirstRecord;
    int64_t w = kTvFirstRecord;
    long dead = 0;
    for (; r + kTvRecordSize <= static_cast<int64_t>(bytes.size()); r += kTvRecordSize) {
        ReadRecord one{};
        std::memcpy(&one.rec, bytes.data() + r, kTvRecordSize);
        if (one.rec.tvnamn[0] == 0) {
            if (r < m_hd.slut)
                ++dead;
            continue;
        }
        if (r >= m_hd.slut) {
            libfile::bell(1);
            std::snprintf(g_lineBuffer, kScratchSize, "%s%15s",
                          "Kontroll av databas, tvärsnitt : stopp på id "_cp,
                          fieldText(one.rec.tvnamn).c_str());
            ShowStatus(g_lineBuffer);
            Sleep(300);
            libfile::bell(1);
            break;
        }
        one.readAt = static_cast<int32_t>(r);
        one.packedAt = static_cast<int32_t>(packing ? w : r);
        if (packing)
            w += kTvRecordSize;
        read.push_back(one);
    }

    if (m_hd.antal != static_cast<long>(read.size())) {
        libfile::bell(1);
        std::snprintf(g_lineBuffer, kScratchSize, "%s%ld %ld%s", "Osäker databas antal=("_cp,
                      static_cast<long>(m_hd.antal), static_cast<long>(read.size()),
                      "),\nvälj Konvertera i Arkiv."_cp);
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
    }
    if (m_hd.hal != dead) {
        libfile::bell(1);
        std::snprintf(g_lineBuffer, kScratchSize, "%s%ld %ld%s", "Fel vid packning antal=(",
                      static_cast<long>(m_hd.hal), dead, "),\nvälj Konvertera i Arkiv."_cp);
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
    }

    bool packed = false;
    if (packing) {
        // The packed file: each live record moved down over the holes, `hal` dead records
        // from the new end on, and the head. A damaged `hal` never lengthens the file by
        // more than the record that straddles its old end.
        std::string image = bytes;
        for (const ReadRecord& one : read)
            fileimage::put(image, static_cast<size_t>(one.packedAt), &one.rec, kTvRecordSize);
        tvhdtype hd = m_hd;
        hd.slut = static_cast<int32_t>(w);
        static const tvtytype deadRecord{};
        int64_t at = w;
        for (int32_t i = 0; i < m_hd.hal && at < static_cast<int64_t>(bytes.size());
             ++i, at += kTvRecordSize)
            fileimage::put(image, static_cast<size_t>(at), &deadRecord, kTvRecordSize);
        hd.hal = 0;
        fileimage::put(image, 0, &hd, sizeof hd);
        if (platform::replaceFileContents(path, image) == 0) {
            m_hd = hd;
            packed = true;
        } else {
            // The file keeps its holes; the list keeps the offsets of that file.
            platform::FailureLog::report(
                std::string("Packning av tvärsnittslistan misslyckades: "_cp) +
                static_cast<const char*>(path));
        }
    }

    for (ReadRecord& one : read) {
        one.rec.filpos = packed ? one.packedAt : one.readAt;
        one.rec.pKoord = nullptr;
        Ny(1, &one.rec);
    }
    return 0;
}

int CTvarsnitt::Uppdat(int mode) {
    const CString path = IndexPath();
    std::FILE* f = platform::fopen(path, "r+b");
    std::string image;
    const bool readOk = f && fileimage::readRest(f, image);
    if (f)
        std::fclose(f);
    if (!readOk) {
        showAboutFile("Kan ej öppna listfil :\n%s"_cp, path);
        return -3;
    }

    const tvhdtype oldHd = m_hd;
    const int32_t oldFilpos = m_pael ? m_pael->filpos : 0;
    bool head = mode > 0;
    if (!head && (mode >= 2 || !m_pael))
        return 0; // nothing to write
    if (mode < 2 && m_pael) {
        if (m_pael->filpos == 0) {
            m_pael->filpos = m_hd.slut;
            m_hd.slut += kTvRecordSize;
            ++m_hd.antal;
            head = true;
        }
        // A record goes over one in the file or right behind its end, never further out
        // (a damaged offset must not grow the file by a gap).
        const int64_t end = std::max<int64_t>(static_cast<int64_t>(image.size()), kTvFirstRecord);
        const bool placeable = m_pael->filpos >= kTvFirstRecord && m_pael->filpos <= end;
        if (placeable)
            fileimage::put(image, static_cast<size_t>(m_pael->filpos), m_pael, kTvRecordSize);
        if (!placeable) {
            platform::FailureLog::report("Tvärsnittstyp med ogiltig filposition "_cp +
                                         std::to_string(m_pael->filpos) + ": " +
                                         static_cast<const char*>(path));
            m_hd = oldHd;
            m_pael->filpos = oldFilpos;
            showAboutFile("Kan ej öppna listfil :\n%s"_cp, path);
            return -3;
        }
    }
    if (head)
        fileimage::put(image, 0, &m_hd, sizeof m_hd);
    if (platform::replaceFileContents(path, image) != 0) {
        m_hd = oldHd;
        if (m_pael)
            m_pael->filpos = oldFilpos;
        showAboutFile("Kan ej öppna listfil :\n%s"_cp, path);
        return -3;
    }
    return 0;
}

int CTvarsnitt::Delete() {
    if (m_pael) {
        delete m_pael->pKoord;
        m_pael->pKoord = nullptr;
    }
    return list0<tvtytype>::Delete();
}

int CTvarsnitt::FindKoord(const char* name) {
    if (!name || Home() != 0)
        return -1;
    std::string wanted(name);
    UpperCaseSwedish(wanted.data());
    bool found = false;
    do {
        std::string have = fieldText(m_pael->tvnamn);
        UpperCaseSwedish(have.data());
        found = have == wanted;
    } while (!found && (*this)++);
    if (!found)
        return -1;
    delete m_pael->pKoord;
    m_pael->pKoord = new CTvarKoord();
    // A missing outline file leaves the outline empty; one that exists but cannot be read
    // is a failure the caller should learn of.
    const CString path = OutlinePath(name);
    if (m_pael->pKoord->Init(path, nullptr, nullptr, nullptr) != 0 &&
        platform::access(path, 0) == 0)
        platform::FailureLog::report(std::string("Kan ej läsa tvärsnittskonturen "_cp) +
                                     static_cast<const char*>(path));
    return 0;
}
