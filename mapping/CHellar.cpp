#include "mapping/CHellar.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "mapping/MapText.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Start of the extent search: no point lies outside these bounds.
constexpr double kFar = 9.99e9;

// The lead block ends at an empty line or at a line with "*" as its first or second character.
bool endsLead(const std::string& line) {
    return line.empty() || line[0] == '*' || (line.size() > 1 && line[1] == '*');
}

} // namespace

CHellar::CHellar(CProjPath* proj, const char* namn)
    : m_rad2{}, m_rad3{}, m_rad4tal(0), m_heltal{}, m_refid{}, m_text{}, m_pProj(proj), m_namn{} {
    maptext::copyField(m_namn, sizeof m_namn, namn);
}

CHellar::~CHellar() {
    if (Home() != 0)
        return;
    do {
        delete m_pael->pPunkter;
        m_pael->pPunkter = nullptr;
    } while ((*this)++);
}

CString CHellar::Sokvag() const {
    CString path;
    path.Format("%s%s%s%s%s.LAD", m_pProj ? m_pProj->ProjKat() : "", "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\", m_namn);
    return path;
}

int CHellar::Init() {
    Ny(1, nullptr);
    m_pael->pPunkter = nullptr;
    CString path = Sokvag();
    maptext::Lines lines;
    if (!lines.readFile(path))
        return -1;
    ReadFile(lines);
    return 0;
}

void CHellar::ReadFile(maptext::Lines& in) {
    std::string line;

    // Lead block: skipped up to and including its closing line.
    bool more;
    while ((more = in.next(line)) && !endsLead(line)) {
    }
    if (!more)
        return;

    // Head block, up to the first line beginning with "*". An empty line is a line whose
    // fields stay as they were.
    for (int nr = 1;; ++nr) {
        if (!in.next(line))
            return;
        if (!line.empty() && line[0] == '*')
            break;
        if (line.empty())
            continue;
        const char* text = line.c_str();
        switch (nr) {
        case 2:
            std::sscanf(text, "%lf %lf %lf", &m_rad2[0], &m_rad2[1], &m_rad2[2]);
            break;
        case 3:
            std::sscanf(text, "%lf %lf %lf", &m_rad3[0], &m_rad3[1], &m_rad3[2]);
            break;
        case 4:
            std::sscanf(text, "%lf %hd %hd", &m_rad4tal, &m_heltal[3], &m_heltal[4]);
            break;
        case 5:
            std::sscanf(text, "%hd %hd %hd %hd", &m_heltal[0], &m_heltal[1], &m_heltal[2],
                        &m_heltal[5]);
            break;
        case 6:
            maptext::copyField(m_refid, sizeof m_refid, text);
            break;
        case 7:
            maptext::copyField(m_text, sizeof m_text, text);
            break;
        default:
            break;
        }
    }

    // Point block: every line is a point, whatever of it converts.
    helltype* hell = m_pael;
    while (in.next(line) && !maptext::endsBlock(line)) {
        if (!hell->pPunkter)
            hell->pPunkter = new CHkolista;
        CHkolista* punkter = hell->pPunkter;
        punkter->Ny(1, nullptr);
        kokotype* p = punkter->Get_aktel();
        int used = 0;
        if (std::sscanf(line.c_str(), "%lf %lf %lf%n", &p->x, &p->y, &p->z, &used) == 3) {
            char kod[4];
            if (maptext::scanWord(line.c_str() + used, kod, sizeof kod))
                maptext::copyField(p->kod, sizeof p->kod, kod);
        }
    }
}

int CHellar::SaveToDbs(CHarnDbs* dbs) {
    if (Home() != 0 || !dbs)
        return -1;
    dbstype* rec = dbs->Get_aktel();
    if (!rec)
        return -1;

    // Extent of the points; a z of exactly 0 is a point without height.
    double xmin = kFar, ymin = kFar, zmin = kFar;
    double xmax = -kFar, ymax = -kFar, zmax = -kFar;
    bool seen = false, height = false;
    CHkolista* punkter = m_pael->pPunkter;
    if (punkter && punkter->Home() == 0) {
        do {
            const kokotype* p = punkter->Get_aktel();
            seen = true;
            xmin = std::min(xmin, p->x);
            xmax = std::max(xmax, p->x);
            ymin = std::min(ymin, p->y);
            ymax = std::max(ymax, p->y);
            if (p->z != 0) {
                height = true;
                zmin = std::min(zmin, p->z);
                zmax = std::max(zmax, p->z);
            }
        } while ((*punkter)++);
    }
    if (!seen)
        xmin = xmax = ymin = ymax = 0;
    if (!height)
        zmin = zmax = 0;

    rec->x = xmin;
    rec->y = ymin;
    rec->z = zmin;
    rec->dx = xmax - xmin;
    rec->dy = ymax - ymin;
    rec->dz = zmax - zmin;
    for (int i = 0; i < 3; ++i)
        rec->xyz2[i] = m_rad3[i];
    rec->kod = static_cast<uint8_t>(m_heltal[0] & 0xff);

    if (m_refid[0] != 0 && m_refid[0] != ' ') {
        maptext::copyField(rec->text, sizeof rec->text, m_refid);
        dbs->Set_mark();
        int8_t reftyp = -1;
        if (dbs->Findid(1, m_refid) == 0)
            reftyp = 1;
        else if (dbs->Findid(6, m_refid) == 0)
            reftyp = 6;
        dbs->Goto_mark();
        dbs->Get_aktel()->reftyp = reftyp;
    }
    // The outcrop's values stay in the record in memory; a failed write is reported.
    ReportUppdat(dbs->Uppdat(0), Sokvag());
    return 0;
}
