#include "borehole/CRegBorr.h"

#include "borehole/SndFile.h"
#include "database/CHarnDbs.h"
#include "list/FormattedText.h"
#include "list/PlainNumbers.h"
#include "list/Utilities.h"
#include "platform/CStdioFile.h"
#include "platform/Cp1252Literal.h"
#include "platform/UserInterface.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr double kDegToRad = 3.14159265359 / 180;

} // namespace

CRegBorr::CRegBorr(CProjPath* proj, const char* namn, int metod)
    : m_typ2(0), m_typ3(0), m_typ4(0), m_pProj(proj) {
    std::memset(&m_bhd, 0, sizeof m_bhd);
    CHarnDbs::BhdNull(&m_bhd);
    borehole::copyField(m_namn, namn);
    if (metod >= 0 || metod == BARABHD)
        m_bhd.metod = metod;
}

CRegBorr::~CRegBorr() = default;

int CRegBorr::Kind() const {
    return m_typ2 ? 2 : m_typ3 ? 3 : m_typ4 ? 4 : 0;
}

int CRegBorr::Init(int metod) {
    CStdioFile file;
    if (!borehole::readHead(file, m_pProj, m_namn, &m_bhd, 0))
        return -1;
    m_bhd.metod = metod;
    if (metod == BARABHD) {
        file.Abort();
        return 0;
    }
    int result = -1;
    int lines = 0;
    borehole::scanBlocks(
        file, metod,
        [&](char* line) {
            borehole::copyField(m_bhd.metodtext, std::strlen(line) >= 2 ? line + 2 : "");
            result = 0;
            lines = 0;
        },
        [&](char* line) {
            if (lines++ == 0)
                ReadParameters(line);
            else
                ReadRecord(line);
        });
    file.Abort();
    return result;
}

void CRegBorr::ReadParameters(const char* line) {
    float first = 0;
    int n[6] = {0, 0, 0, 0, 0, 0};
    int got = std::sscanf(line, "%f%d%d%d%d%d%d", &first, &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]);
    std::snprintf(m_bhd.slutkod, sizeof m_bhd.slutkod, "%d", n[0]);
    m_bhd.blockparam = n[1];
    if (m_bhd.metod == RB && got >= 6) {
        if (n[4] == 2)
            m_typ2 = 1;
        else if (n[4] == 3)
            m_typ3 = 1;
        else if (n[4] == 4)
            m_typ4 = 1;
    }
}

void CRegBorr::ReadRecord(const char* line) {
    Ny(1, nullptr);
    rbtype* r = m_pael;
    long time = 0;
    std::size_t length = std::strlen(line);
    // Plain lines are read without sscanf.
    if (m_bhd.metod == JB1) {
        if (!PlainNumbers::scanLine(line, r->djup, time))
            std::sscanf(line, "%f%ld", &r->djup, &time);
        borehole::copyField(r->text, length >= 23 ? line + 22 : "");
    } else {
        double* v = r->rbvarde;
        if (!PlainNumbers::scanLine(line, r->djup, time, r->hastighet, v[0], v[2], v[1], v[3], v[4],
                                    v[5]))
            std::sscanf(line, "%f%ld%lf%lf%lf%lf%lf%lf%lf", &r->djup, &time, &r->hastighet, &v[0],
                        &v[2], &v[1], &v[3], &v[4], &v[5]);
        borehole::copyField(r->text, length >= 66 ? line + 65 : "");
    }
    r->sjunktid = static_cast<int32_t>(time);
}

// Times of drilling kind 4 from the speeds, for every record after the first whose depth
// grows.
void CRegBorr::FillTimes() {
    double previous = -1.1;
    if (Home() != 0)
        return;
    do {
        rbtype* r = m_pael;
        if (r->hastighet > 0 && previous > -1.0 && r->djup > previous) {
            // A time beyond the field (a tiny speed) is kept at the field's largest value.
            const double time = (r->djup - previous) * 100 * 60 / r->hastighet + 0.5;
            r->sjunktid =
                time < static_cast<double>(INT32_MAX) ? static_cast<int32_t>(time) : INT32_MAX;
        }
        previous = r->djup;
    } while ((*this)++);
}

int CRegBorr::Save(CHarnDbs* dbs, int del) {
    const int metod = m_bhd.metod;
    const int kind = Kind();
    if (kind == 4 && del == 0 && Home() == 0) {
        bool anyTime = false;
        do
            anyTime = anyTime || m_pael->sjunktid > 0;
        while ((*this)++);
        if (!anyTime && AfxMessageBox("Sjunktid är ej given !\nBeräkna från given Hastighet ?"_cp,
                                      MB_YESNO) == IDYES)
            FillTimes();
    }

    dbstype* rec = dbs ? dbs->Get_aktel() : nullptr;
    double length = 0;
    if (metod != BARABHD) {
        if (End() == 0)
            length = m_pael->djup;
        if (del == 0) {
            double rock = std::strncmp(m_bhd.slutkod, "95", sizeof m_bhd.slutkod) == 0 ? length : 0;
            double zberg = m_bhd.z - std::sin(m_bhd.lutning * kDegToRad) * rock;
            if (rec && (rec->flagg & 0x01) && std::fabs(zberg - m_bhd.zberg) > 0.05) {
                std::snprintf(g_lineBuffer, kScratchSize,
                              " VARNING!\n zberg ändrat för metod KB: \n från %.2lf till %.2lf"_cp,
                              m_bhd.zberg, zberg);
                ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
            }
            m_bhd.zberg = zberg;
        }
    }

    int result = borehole::rewrite(m_pProj, m_namn, &m_bhd, del, [&](FormattedText& text) {
        // "%f %d %d 0 %d %d"
        text.fixed(0.0, 0, 6).put(' ').integer(borehole::slutkodValue(m_bhd.slutkod)).put(' ');
        text.integer(m_bhd.blockparam).literal(" 0 ").integer(1).put(' ').integer(kind);
        text.endLine();
        if (Home() != 0)
            return;
        do {
            const rbtype& r = *m_pael;
            // "%7.3f %6ld", then the text at position 22; the full form goes on with
            // " %5.2lf %5.2lf %5.0lf %5.2lf %5.2lf %5.2lf %5.2lf" and has its text at 65.
            text.fixed(static_cast<double>(r.djup), 7, 3).put(' ').integer(r.sjunktid, 6);
            if (metod == JB1) {
                text.column(22);
            } else {
                const double values[7] = {r.hastighet,  r.rbvarde[0], r.rbvarde[2], r.rbvarde[1],
                                          r.rbvarde[3], r.rbvarde[4], r.rbvarde[5]};
                for (int i = 0; i < 7; ++i)
                    text.put(' ').fixed(values[i], 5, i == 2 ? 0 : 2);
                text.column(65);
            }
            text.text(r.text, sizeof r.text - 1).endLine();
        } while ((*this)++);
    });
    if (result != 0 || !rec)
        return result;

    borehole::fillFromHead(rec, m_bhd);
    double dx, dy, dz;
    borehole::extentsFromDirection(m_bhd, length, dx, dy, dz);
    // Registered drilling never shrinks the extents another method has set.
    if (std::fabs(rec->dx) <= std::fabs(dx) || std::fabs(rec->dy) <= std::fabs(dy)) {
        rec->dx = dx;
        rec->dy = dy;
    }
    if (std::fabs(dz) > std::fabs(rec->dz))
        rec->dz = dz;
    borehole::setFlag(rec, metod == JB1 ? 1 << JB1 : 1 << RB, del);
    borehole::writeRecord(dbs, m_pProj, m_namn);
    return 0;
}

int CRegBorr::DeleteMetod(CHarnDbs* dbs) {
    CStdioFile file;
    const int metod = m_bhd.metod;
    if (!borehole::readHead(file, m_pProj, m_namn, &m_bhd, 1))
        return -1;
    m_bhd.metod = metod;
    return Save(dbs, 1);
}
