#include "borehole/CVattenF.h"

#include "borehole/SndFile.h"
#include "database/CHarnDbs.h"
#include "list/FormattedText.h"
#include "list/PlainNumbers.h"
#include "list/Utilities.h"
#include "platform/CStdioFile.h"

#include <cstring>

CVattenF::CVattenF(CProjPath* proj, const char* namn) : m_pProj(proj) {
    std::memset(&m_bhd, 0, sizeof m_bhd);
    CHarnDbs::BhdNull(&m_bhd);
    borehole::copyField(m_namn, namn);
}

CVattenF::~CVattenF() = default;

int CVattenF::Init() {
    CStdioFile file;
    if (!borehole::readHead(file, m_pProj, m_namn, &m_bhd, 0))
        return -1;
    int result = -1;
    int lines = 0;
    // The title line is not read: metodtext keeps the empty text of the head.
    borehole::scanBlocks(
        file, VF, [&](char*) { lines = 0; },
        [&](char* line) {
            if (lines++ == 0) {
                float first = 0;
                int n[6] = {0, 0, 0, 0, 0, 0};
                std::sscanf(line, "%f%d%d%d%d%d%d", &first, &n[0], &n[1], &n[2], &n[3], &n[4],
                            &n[5]);
                std::snprintf(m_bhd.slutkod, sizeof m_bhd.slutkod, "%d", n[0]);
                m_bhd.blockparam = n[1];
                borehole::copyField(m_bhd.klassland, "SE");
                result = 0;
            } else {
                ReadRecord(line);
            }
        });
    file.Abort();
    return result;
}

void CVattenF::ReadRecord(const char* line) {
    Ny(1, nullptr);
    vftype* r = m_pael;
    long kod = 0;
    double* v = r->vfvarde;
    // Plain lines are read without sscanf.
    if (!PlainNumbers::scanLine(line, v[0], v[1], v[2], v[3], v[4], v[5], kod))
        std::sscanf(line, "%lf%lf%lf%lf%lf%lf%ld", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &kod);
    r->vfkod = static_cast<int16_t>(kod);
    borehole::copyField(r->text, std::strlen(line) >= 51 ? line + 50 : "");
    // Texts of this block may be in the DOS code page.
    OemToAnsi(r->text);
}

int CVattenF::Save(CHarnDbs* dbs, int del) {
    int result = borehole::rewrite(m_pProj, m_namn, &m_bhd, del, [this](FormattedText& text) {
        // "%f %d %d 0 %d"
        text.fixed(0.0, 0, 6).put(' ').integer(borehole::slutkodValue(m_bhd.slutkod)).put(' ');
        text.integer(m_bhd.blockparam).literal(" 0 ").integer(1).endLine();
        if (Home() != 0)
            return;
        do {
            const vftype& r = *m_pael;
            // "%7.3f %7.3f %.1lf %.1lf %.1lf %.3lf %hd", then the text at position 50.
            text.fixed(r.vfvarde[0], 7, 3).put(' ').fixed(r.vfvarde[1], 7, 3).put(' ');
            text.fixed(r.vfvarde[2], 0, 1).put(' ').fixed(r.vfvarde[3], 0, 1).put(' ');
            text.fixed(r.vfvarde[4], 0, 1).put(' ').fixed(r.vfvarde[5], 0, 3).put(' ');
            text.integer(r.vfkod).column(50).text(r.text, sizeof r.text - 1).endLine();
        } while ((*this)++);
    });
    dbstype* rec = dbs ? dbs->Get_aktel() : nullptr;
    if (result != 0 || !rec)
        return result;
    // Water-loss tests leave the extents of the hole as they are.
    borehole::fillFromHead(rec, m_bhd);
    borehole::setFlag(rec, 1 << VF, del);
    borehole::writeRecord(dbs, m_pProj, m_namn);
    return 0;
}

int CVattenF::DeleteMetod(CHarnDbs* dbs) {
    CStdioFile file;
    if (!borehole::readHead(file, m_pProj, m_namn, &m_bhd, 1))
        return -1;
    m_bhd.metod = VF;
    return Save(dbs, 1);
}
