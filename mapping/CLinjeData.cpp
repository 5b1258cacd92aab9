#include "mapping/CLinjeData.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "mapping/MapText.h"
#include "platform/Cp1252Literal.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "platform/UserInterface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

const int CLinjeData::KR;
const int CLinjeData::SP;
const int CLinjeData::FP;
const int CLinjeData::KV;
const int CLinjeData::JG;
const int CLinjeData::LI;

const char CLinjeData::JORDART[12][4] = {"f  ", "mu ", "gy ", "t  ", "let", "le ",
                                         "si ", "sa ", "gr ", "st ", "fr ", "mn "};

namespace {

// Flag bits of a line's database record.
constexpr uint8_t kFlaggKR = 0x40;
constexpr uint8_t kFlaggSP = 0x80;

// A column value within this distance of 0 counts as no value for the extent.
constexpr double kNoValue = 0.001;

// The column name that ends the column blocks on saving.
const char* const kZMate = "Z-mate";

int fileMessage(const char* format, const char* path) {
    std::snprintf(g_lineBuffer, kScratchSize, format, path);
    MessageBoxA(nullptr, g_lineBuffer, "Filöppning"_cp, MB_OK | MB_ICONEXCLAMATION);
    return -3;
}

void widen(double ext[6], double x, double y, double z) {
    ext[0] = std::min(ext[0], x);
    ext[1] = std::max(ext[1], x);
    ext[2] = std::min(ext[2], y);
    ext[3] = std::max(ext[3], y);
    ext[4] = std::min(ext[4], z);
    ext[5] = std::max(ext[5], z);
}

} // namespace

CLinjeData::CLinjeData(CProjPath* proj, const char* namn, int metod)
    : m_kolnamn{}, m_kod(0), m_tal(90), m_varde(0), m_metod(metod), m_jordart{},
      m_pProj(proj), m_namn{} {
    maptext::copyField(m_namn, sizeof m_namn, namn);
    if (metod == KR)
        maptext::copyField(m_kolnamn[0], sizeof m_kolnamn[0], "Berg");
}

CLinjeData::~CLinjeData() = default;

int CLinjeData::SetMetod(int metod) {
    m_metod = metod;
    return 0;
}

CString CLinjeData::Sokvag() const {
    CString path;
    path.Format("%s%s%s%s%s.LJE", m_pProj ? m_pProj->ProjKat() : "", "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\", m_namn);
    return path;
}

int CLinjeData::Init(int medMetod) {
    CString path = Sokvag();
    maptext::Lines lines;
    if (!lines.readFile(path))
        return -1;
    ReadFile(lines, medMetod);
    return 0;
}

void CLinjeData::ReadFile(maptext::Lines& in, int medMetod) {
    std::string line;

    // Head block.
    for (int nr = 1; in.next(line) && !maptext::endsBlock(line); ++nr) {
        const char* text = line.c_str();
        if (nr == 2) {
            if (medMetod == 1)
                std::sscanf(text, "%d", &m_metod);
        } else if (nr == 3) {
            int index = -1;
            std::sscanf(text, "%d%d%lf", &m_kod, &index, &m_varde);
            if (m_kod < 0 || m_kod > 5)
                m_kod = 0;
            if (index >= 0 && index < 12)
                maptext::copyField(m_jordart, sizeof m_jordart, JORDART[index]);
        } else if (nr == 4) {
            int used = 0;
            if (std::sscanf(text, "%d%n", &m_tal, &used) == 1) {
                char word[9];
                if (maptext::scanWord(text + used, word, sizeof word))
                    maptext::copyField(m_jordart, sizeof m_jordart, word);
            }
            m_jordart[8] = 0;
        }
    }

    // Point block: a line with fewer than four numbers is dropped.
    while (in.next(line) && !maptext::endsBlock(line)) {
        Ny(1, nullptr);
        lintype* p = m_pael;
        int used = 0;
        if (std::sscanf(line.c_str(), "%lf %lf %lf %lf%n", &p->pos, &p->x, &p->y, &p->z, &used) <
            4) {
            Delete();
            continue;
        }
        maptext::scanWord(line.c_str() + used, p->txt, sizeof p->txt);
    }

    // Column blocks: a name line, then one value line per point from the first on. Surplus
    // value lines stay on the last point.
    for (int i = 0; i < 5; ++i) {
        if (!in.next(line))
            return;
        maptext::scanWord(line.c_str(), m_kolnamn[i], sizeof m_kolnamn[i]);
        bool points = Home() == 0;
        while (in.next(line) && !maptext::endsBlock(line)) {
            if (!points)
                continue;
            lintype* p = m_pael;
            int used = 0;
            if (std::sscanf(line.c_str(), "%lf%n", &p->kolval[i], &used) == 1)
                maptext::scanWord(line.c_str() + used, p->koltxt[i], sizeof p->koltxt[i]);
            (*this)++;
        }
    }
}

void CLinjeData::WriteFile(std::FILE* out, const char* id, double ext[6]) {
    // Head block.
    int index = -1;
    for (int i = 0; i < 12 && index < 0; ++i)
        if (std::strncmp(m_jordart, JORDART[i], sizeof m_jordart) == 0)
            index = i;
    const int jordLen = static_cast<int>(sizeof m_jordart - 1);
    std::fprintf(out, "%.15s\n", id);
    std::fprintf(out, "%d\n", m_metod);
    std::fprintf(out, "%d %d %.3f\n", m_kod, index, m_varde);
    std::fprintf(out, "%hd %.*s\n", static_cast<short>(m_tal), jordLen, m_jordart);
    std::fprintf(out, "*\n");

    // Point block; the extent follows the points.
    const bool points = Home() == 0;
    if (points) {
        ext[0] = ext[1] = m_pael->x;
        ext[2] = ext[3] = m_pael->y;
        ext[4] = ext[5] = m_pael->z;
        do {
            const lintype* p = m_pael;
            widen(ext, p->x, p->y, p->z);
            std::fprintf(out, "%7.2lf %12.3lf %12.3lf %10.3lf %.7s\n", p->pos, p->x, p->y, p->z,
                         p->txt);
        } while ((*this)++);
    }
    std::fprintf(out, "*\n");

    // Column blocks, up to the first column without a name or named "Z-mate".
    if (m_kolnamn[0][0] == 0)
        maptext::copyField(m_kolnamn[0], sizeof m_kolnamn[0], "Berg");
    for (int i = 0; points && i < 5; ++i) {
        const char* namn = m_kolnamn[i];
        if (namn[0] == 0 || std::strncmp(namn, kZMate, sizeof m_kolnamn[i]) == 0)
            break;
        std::fprintf(out, "%.15s\n", namn);
        Home();
        do {
            const lintype* p = m_pael;
            if (std::fabs(p->kolval[i]) > kNoValue) {
                ext[4] = std::min(ext[4], p->kolval[i]);
                ext[5] = std::max(ext[5], p->kolval[i]);
            }
            std::fprintf(out, "%10.3lf %.7s\n", p->kolval[i], p->koltxt[i]);
        } while ((*this)++);
        std::fprintf(out, "*\n");
    }
}

int CLinjeData::Save(CHarnDbs* dbs) {
    const CString path = Sokvag();
    // The new file takes the old one's place only when it is complete; until then the old
    // file stays, so a failed save loses nothing.
    platform::SafeReplace replacement(path);
    std::FILE* out = replacement.open("w");
    if (!out)
        return fileMessage("Fel: Hittar inte %s", path);

    // Writing names column 0 and walks the list; a save that fails changes neither.
    char kolnamn0[sizeof m_kolnamn[0]];
    std::memcpy(kolnamn0, m_kolnamn[0], sizeof kolnamn0);
    lintype* current = m_pael;
    dbstype* rec = dbs ? dbs->Get_aktel() : nullptr;
    const char* id = rec && rec->id[0] ? rec->id : m_namn;
    double ext[6] = {0, 0, 0, 0, 0, 0};
    WriteFile(out, id, ext);

    if (replacement.commit() != 0) {
        std::memcpy(m_kolnamn[0], kolnamn0, sizeof kolnamn0);
        if (current)
            Set_aktel(current);
        // A file that cannot be put in place could not have been created either.
        return fileMessage(replacement.failure() == platform::SafeReplace::Failure::Write
                               ? "Fel vid skrivning av %s"
                               : "Fel: Hittar inte %s",
                           path);
    }

    if (!rec)
        return 0;
    if (m_metod == KR)
        rec->flagg = static_cast<uint8_t>((rec->flagg | kFlaggKR) & ~kFlaggSP);
    else if (m_metod == SP)
        rec->flagg = static_cast<uint8_t>((rec->flagg | kFlaggSP) & ~kFlaggKR);
    else
        rec->flagg = static_cast<uint8_t>(rec->flagg & ~(kFlaggKR | kFlaggSP));
    rec->x = ext[0];
    rec->y = ext[2];
    rec->z = ext[4];
    rec->dx = ext[1] - ext[0];
    rec->dy = ext[3] - ext[2];
    rec->dz = ext[5] - ext[4];
    ReportUppdat(dbs->Uppdat(0), path);
    return 0;
}
