#include "borehole/CKarnborr.h"

#include "borehole/SndFile.h"
#include "database/CHarnDbs.h"
#include "list/FormattedText.h"
#include "list/PlainNumbers.h"
#include "platform/CStdioFile.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A code and its sub-code: no negative code, no sub-code without a code.
void codePair(int16_t& kod, int16_t& underkod) {
    if (kod < 0)
        kod = 0;
    if (kod == 0 || underkod < 0)
        underkod = 0;
}

void limit(int16_t& value, int low, int high) {
    if (value < low || value > high)
        value = 0;
}

bool sameText(const char* field, std::size_t size, const char* text) {
    return std::strncmp(field, text, size) == 0;
}

// The integers of a section line in their order on it, after the depth: thirteen before the
// value, tal1 after it; with their widths in the line's format.
constexpr int16_t kbtype::*kSectionIntegers[14] = {
    &kbtype::kod2,      &kbtype::underkod2, &kbtype::vinkel1,   &kbtype::vinkel2, &kbtype::kod3,
    &kbtype::underkod3, &kbtype::kod1,      &kbtype::underkod1, &kbtype::klass,   &kbtype::tal2,
    &kbtype::procent,   &kbtype::val,       &kbtype::flagga,    &kbtype::tal1};
constexpr int kSectionWidths[14] = {2, 2, 3, 3, 1, 1, 2, 2, 1, 4, 3, 1, 1, 3};

// The section line "%6.2f %2d %2d %3d %3d %1d %1d %2d %2d %1d %4d %3d %1d %1d %8.3lf %3d", nine
// blanks, cut or padded to 60 characters, and the text from there on, written in one piece
// when FormattedText's direct conversions cover every number. False, with nothing written,
// when they do not or the text holds a line end: the line is then written conversion by
// conversion.
bool writeSectionLine(FormattedText& out, const kbtype& r) {
    constexpr std::size_t kColumn = 60;
    // At most 9 + 15 * 5 + 1 + 4 characters of numbers, the blanks after them, and the text.
    char* const line = out.lineRoom(128 + sizeof r.text);
    char* p = line;
    bool covered = true;
    auto number = [&](std::size_t written) {
        covered = covered & (written != 0);
        p += written;
    };
    number(FormattedText::putFixed<2>(p, r.djup, 6));
    auto integer = [&](long value, int width) {
        *p++ = ' ';
        number(FormattedText::putInteger(p, value, width));
    };
#pragma GCC unroll 13 // each field's offset and width then a constant
    for (int i = 0; i < 13; ++i)
        integer(r.*kSectionIntegers[i], kSectionWidths[i]);
    *p++ = ' ';
    number(FormattedText::putFixed<3>(p, r.varde, 8));
    integer(r.*kSectionIntegers[13], kSectionWidths[13]);
    if (!covered)
        return false;
    const std::size_t length = strnlen(r.text, sizeof r.text - 1);
    if (std::memchr(r.text, '\n', length))
        return false;
    // The numbers take at least 58 characters: blanks up to the column, or the numbers cut
    // there, and the text after it.
    std::memcpy(p, "                ", 16);
    std::memcpy(line + kColumn, r.text, sizeof r.text);
    out.endLineAt(line + kColumn + length);
    return true;
}

// Whether a section has the extra line: an extra code other than 32 or a value other than
// zero. Counted without branches, as the sections with one follow no pattern.
bool hasExtraLine(const kbtype& r) {
    int other = 0;
    for (int i = 0; i < 6; ++i)
        other |= r.extra[i] != 32 ? 1 : 0;
    for (int i = 0; i < 5; ++i)
        other |= r.extravarde[i] != 0 ? 1 : 0;
    return other != 0;
}

} // namespace

CKarnborr::CKarnborr(CProjPath* proj, const char* namn) : m_pProj(proj) {
    std::memset(&m_bhd, 0, sizeof m_bhd);
    CHarnDbs::BhdNull(&m_bhd);
    borehole::copyField(m_namn, namn);
}

CKarnborr::~CKarnborr() = default;

int CKarnborr::Init() {
    CStdioFile file;
    if (!borehole::readHead(file, m_pProj, m_namn, &m_bhd, 0))
        return -1;
    int result = -1;
    int lines = 0;
    int blocks = 0;
    // A damaged file may hold the block more than once: the sections of all are read, under
    // the title and parameters of the first, which are the ones a save writes for them all.
    borehole::scanBlocks(
        file, KB,
        [&](char* line) {
            if (blocks++ == 0)
                borehole::copyField(m_bhd.metodtext, std::strlen(line) >= 2 ? line + 2 : "");
            result = 0;
            lines = 0;
        },
        [&](char* line) {
            if (lines++ == 0) {
                if (blocks == 1)
                    ReadParameters(line);
            } else {
                ReadLine(line);
            }
        });
    file.Abort();
    return result;
}

void CKarnborr::ReadParameters(const char* line) {
    float first = 0;
    int n[6] = {0, 0, 0, 0, 0, 0};
    int got = std::sscanf(line, "%f%d%d%d%d%d%d", &first, &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]);
    std::snprintf(m_bhd.slutkod, sizeof m_bhd.slutkod, "%d", n[0]);
    m_bhd.blockparam = n[1];
    borehole::copyField(m_bhd.klassystem, got >= 6 && n[4] == 1 ? "RMR-" : "Q-");
    borehole::copyField(m_bhd.klassland, got == 7 && n[5] == 1 ? "DK" : "SE");
}

void CKarnborr::ReadLine(char* line) {
    if (line[0] == '%') {
        int k = 0;
        if (std::sscanf(line + 1, "%d", &k) != 1)
            return;
        if (std::strlen(line) > 52)
            line[52] = 0;
        if (k >= 1 && k <= 6 && m_pael)
            borehole::copyField(m_pael->textrad[k - 1], std::strlen(line) >= 3 ? line + 3 : "");
        return;
    }
    double first;
    PlainNumbers numbers(line);
    const bool plainFirst = numbers.real(first);
    if (!plainFirst && std::sscanf(line, "%lf", &first) != 1)
        return;
    // A negative first number (the writer's "-0.00" included) makes an extra line.
    if (std::signbit(first)) {
        if (!m_pael || std::fabs(first + m_pael->djup) > 0.01)
            return;
        // "%lf %lf %lf %lf %lf %lf %d %d %d %d %d %d", the first number read above; what the
        // line does not hold is left as it was.
        kbtype* r = m_pael;
        double* x = r->extravarde;
        int e[6];
        long c[6];
        for (int i = 0; i < 6; ++i)
            c[i] = e[i] = r->extra[i];
        if (plainFirst &&
            numbers.scan(x[0], x[2], x[1], x[3], x[4], c[0], c[1], c[2], c[3], c[4], c[5]) >= 0) {
            for (int i = 0; i < 6; ++i)
                e[i] = static_cast<int>(c[i]); // "%d" keeps the low 32 bits of the long
        } else {
            double skip;
            std::sscanf(line, "%lf %lf %lf %lf %lf %lf %d %d %d %d %d %d", &skip, &x[0], &x[2],
                        &x[1], &x[3], &x[4], &e[0], &e[1], &e[2], &e[3], &e[4], &e[5]);
        }
        for (int i = 0; i < 6; ++i)
            r->extra[i] = static_cast<int8_t>(e[i]);
        return;
    }
    Ny(1, nullptr);
    kbtype* r = m_pael;
    long v[15] = {};
    double varde = 0;
    // "%lf%ld%ld%ld%ld%ld%ld%ld%ld%ld%ld%ld%ld%ld%lf%ld" into depth, v[0..12], value and v[13],
    // the depth read above.
    r->djup = first;
    int got = plainFirst ? numbers.scan(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                                        v[10], v[11], v[12], varde, v[13])
                         : -1;
    if (got >= 0)
        ++got;
    else
        got = std::sscanf(line, "%lf%ld%ld%ld%ld%ld%ld%ld%ld%ld%ld%ld%ld%ld%lf%ld", &r->djup, &v[0],
                          &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10],
                          &v[11], &v[12], &varde, &v[13]);
    for (int i = 0; i < 14; ++i)
        r->*kSectionIntegers[i] = static_cast<int16_t>(v[i]);
    r->varde = varde;
    borehole::copyField(r->text, strnlen(line, 61) >= 61 ? line + 60 : "");
    ApplyRules(r);
    if (got < 14)
        Delete();
}

void CKarnborr::ApplyRules(kbtype* r) const {
    limit(r->vinkel1, -360, 360);
    limit(r->vinkel2, -90, 90);
    limit(r->procent, 0, 100);
    limit(r->tal1, 0, 200);
    limit(r->klass, 0, 5);
    codePair(r->kod2, r->underkod2);
    if (!sameText(m_bhd.klassland, sizeof m_bhd.klassland, "DK")) {
        codePair(r->kod1, r->underkod1);
        codePair(r->kod3, r->underkod3);
    }
    if (r->val != 1 && r->val != 2)
        r->val = 0;
    if (r->flagga != 1)
        r->flagga = 0;
}

int CKarnborr::Save(CHarnDbs* dbs, int del) {
    double length = End() == 0 ? m_pael->djup : 0;
    int result = borehole::rewrite(m_pProj, m_namn, &m_bhd, del, [this](FormattedText& text) {
        // "%f %d %d 0 %d %d %d"
        text.fixed(0.0, 0, 6).put(' ').integer(borehole::slutkodValue(m_bhd.slutkod)).put(' ');
        text.integer(m_bhd.blockparam).literal(" 0 ").integer(1).put(' ');
        text.integer(sameText(m_bhd.klassystem, sizeof m_bhd.klassystem, "RMR-") ? 1 : 0);
        text.put(' ').integer(sameText(m_bhd.klassland, sizeof m_bhd.klassland, "DK") ? 1 : 0);
        text.endLine();
        if (Home() != 0)
            return;
        // Each section's remarks lie in cache lines of their own, read for every section.
        Prefetcher ahead(m_aktel, 4);
        do {
            ahead.step();
            const kbtype& r = *m_pael;
            if (!writeSectionLine(text, r)) {
                // "%6.2f %2d %2d %3d %3d %1d %1d %2d %2d %1d %4d %3d %1d %1d %8.3lf %3d" and nine
                // blanks; the text stands at position 60 over whatever the numbers left there.
                text.fixed(r.djup, 6, 2);
                for (int i = 0; i < 13; ++i)
                    text.put(' ').integer(r.*kSectionIntegers[i], kSectionWidths[i]);
                text.put(' ').fixed(r.varde, 8, 3);
                text.put(' ').integer(r.*kSectionIntegers[13], kSectionWidths[13]);
                text.literal("         ").column(60).text(r.text, sizeof r.text - 1).endLine();
            }
            if (hasExtraLine(r)) {
                // "%.2f %.1lf %.2lf %.1lf %.1lf %.1lf %d %d %d %d %d %d"
                text.fixed(-r.djup, 0, 2).put(' ').fixed(r.extravarde[0], 0, 1).put(' ');
                text.fixed(r.extravarde[2], 0, 2).put(' ').fixed(r.extravarde[1], 0, 1).put(' ');
                text.fixed(r.extravarde[3], 0, 1).put(' ').fixed(r.extravarde[4], 0, 1);
                for (int i = 0; i < 6; ++i)
                    text.put(' ').integer(r.extra[i]);
                text.endLine();
            }
            for (int k = 0; k < 6; ++k)
                if (r.textrad[k][0])
                    text.put('%')
                        .integer(k + 1)
                        .put(' ')
                        .text(r.textrad[k], sizeof r.textrad[k] - 1)
                        .endLine();
        } while ((*this)++);
    });
    if (result != 0)
        return result;
    dbstype* rec = dbs ? dbs->Get_aktel() : nullptr;
    if (!rec)
        return 0;
    borehole::fillFromHead(rec, m_bhd);
    rec->dx = rec->dy = rec->dz = 0;
    bool surveyed = false;
    if (m_bhd.avvmatt[0] == 'J')
        surveyed = borehole::extentsFromSurvey(rec, borehole::crdPath(m_pProj, m_namn));
    if (!surveyed)
        borehole::extentsFromDirection(m_bhd, length, rec->dx, rec->dy, rec->dz);
    borehole::setFlag(rec, 1 << KB, del);
    borehole::writeRecord(dbs, m_pProj, m_namn);
    return 0;
}

int CKarnborr::DeleteMetod(CHarnDbs* dbs) {
    CStdioFile file;
    if (!borehole::readHead(file, m_pProj, m_namn, &m_bhd, 1))
        return -1;
    m_bhd.metod = KB;
    return Save(dbs, 1);
}
