// Construction of the database object, the borehole head block, the date normaliser,
// the marker test and the version rule.
#include "database/CHarnDbs.h"

#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"

#include <cfloat>
#include <cmath>
#include <cstring>

const char* CHarnDbs::m_Dbsver = "1.5";

CHarnDbs::CHarnDbs(CProjPath* proj, CAutoIni* ini)
    : m_reclen(kDbsRecordSize), m_mode(1), m_pProj(proj), m_pIni(ini) {
    std::memset(&m_hd, 0, sizeof m_hd);
    std::snprintf(m_hd.version, sizeof m_hd.version, "%s", m_Dbsver);
    double v = 0;
    std::sscanf(m_Dbsver, "%lf", &v);
    m_hd.verdel = v - static_cast<int>(v + 0.001);
    m_hd.slut = kDbsFirstSlot;
    m_hd.xmin = m_hd.ymin = m_hd.zmin = DBL_MAX;
    m_hd.xmax = m_hd.ymax = m_hd.zmax = -DBL_MAX;
    CString path;
    path.Format("%s%s%s", m_pProj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbkNamn));
    m_lasfil.SetFilePath(path);
    path.Format("%s%s%s", m_pProj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbsNamn));
    m_dbsfil.SetFilePath(path);
}

CHarnDbs::~CHarnDbs() = default;

CString CHarnDbs::BoreholePath(const char* name) const {
    CString path;
    path.Format("%s%s%s%s%s.SND", m_pProj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\", name);
    return path;
}

int CHarnDbs::BhdNull(harnbhdtype* bhd) {
    char id[sizeof bhd->id];
    std::memcpy(id, bhd->id, sizeof id);
    std::memset(bhd, 0, sizeof *bhd);
    std::memcpy(bhd->id, id, sizeof id);
    bhd->metod = -1;
    bhd->ival3 = -1;
    bhd->lutning = 90;
    return 0;
}

int CHarnDbs::SkrivHead(FILE* stream, harnbhdtype* bhd) {
    // The precisions only stop at the end of a field that holds no terminating zero.
    std::fprintf(stream, "%-15.16s %-15.20s\n", bhd->id, bhd->text);
    std::fprintf(stream, "%f\n", bhd->x);
    std::fprintf(stream, "%f %d\n", bhd->y, static_cast<int>(bhd->ival1));
    std::fprintf(stream, "%f %f\n", bhd->z, bhd->zberg);
    std::fprintf(stream, "%f %f\n", bhd->dval1, bhd->dval5);
    std::fprintf(stream, "%f %f %d %d\n", bhd->dval2, bhd->dval3,
                 std::strncmp(bhd->jn1, "NEJ", sizeof bhd->jn1) == 0 ? 0 : 1,
                 std::strncmp(bhd->avvmatt, "NEJ", sizeof bhd->avvmatt) == 0 ? 0 : 1);
    std::fprintf(stream, "%f %d %d\n", static_cast<double>(bhd->fval1), bhd->azimut, bhd->lutning);
    return 0;
}

int CHarnDbs::SkrivHead(harnbhdtype* bhd, char* name) {
    CString path = BoreholePath(name);
    FILE* f = platform::fopen(path, "w");
    if (!f) {
        std::snprintf(g_lineBuffer, kScratchSize, "Fel: Hittar inte %s",
                      static_cast<const char*>(path));
        MessageBoxA(nullptr, g_lineBuffer, "Filöppning"_cp, MB_ICONEXCLAMATION);
        return -3;
    }
    SkrivHead(f, bhd);
    std::fputs("*", f);
    // The file is written in place: a failed write (a full disk) leaves it short. The result
    // stays 0 as described; the caller and the tool learn of it from the failure log.
    const bool written = !std::ferror(f);
    if (std::fclose(f) != 0 || !written)
        ReportFailure("borehole head not written: cannot write %s", path);
    return 0;
}

int CHarnDbs::LasHead(CStdioFile* file, harnbhdtype* bhd, int close) {
    BhdNull(bhd);
    int jn = 0;
    int avv = 0;
    CString line;
    for (int i = 0; file->ReadString(line); ++i) {
        if (line.GetLength() > 0 && line[0] == '*')
            break;
        line.TrimRight();
        std::snprintf(g_lineBuffer, kScratchSize, "%s", static_cast<const char*>(line));
        switch (i) {
        case 0:
            g_lineBuffer[15] = 0;
            std::snprintf(bhd->id, sizeof bhd->id, "%s", g_lineBuffer);
            break;
        case 1:
            std::sscanf(g_lineBuffer, "%lf", &bhd->x);
            break;
        case 2:
            std::sscanf(g_lineBuffer, "%lf%hd", &bhd->y, &bhd->ival1);
            break;
        case 3:
            std::sscanf(g_lineBuffer, "%lf%lf", &bhd->z, &bhd->zberg);
            break;
        case 4:
            std::sscanf(g_lineBuffer, "%lf%lf", &bhd->dval1, &bhd->dval5);
            break;
        case 5:
            std::sscanf(g_lineBuffer, "%lf%lf%d%d", &bhd->dval2, &bhd->dval3, &jn, &avv);
            break;
        case 6:
            std::sscanf(g_lineBuffer, "%f%d%d", &bhd->fval1, &bhd->azimut, &bhd->lutning);
            break;
        default:
            break;
        }
    }
    std::strcpy(bhd->jn1, jn == 1 ? "JA" : "NEJ");
    std::strcpy(bhd->avvmatt, avv == 1 ? "JA" : "NEJ");
    if (close)
        file->Close();
    return 0;
}

int CHarnDbs::LasHead(const char* name, harnbhdtype* bhd) {
    CString path = BoreholePath(name);
    if (platform::access(path, 0) != 0)
        return -1;
    CStdioFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeText))
        return -1;
    LasHead(&file, bhd, 1);
    return 0;
}

int CHarnDbs::DbsKoll() {
    CString path;
    path.Format("%s%s%s", m_pProj->ProjKat(), "\\", "TMPCAD.PB$");
    return platform::access(path, 0) == 0 ? 1 : 0;
}

int CHarnDbs::DatumFix(char* date) {
    CString t = date;
    if (t.GetLength() == 1)
        t.Empty();
    t = t.SpanIncluding("0123456789-");
    if (t.IsEmpty()) {
        date[0] = 0;
        return -1;
    }
    if (t.Left(2) != "19" && t.Left(2) != "20") {
        int yy = 0;
        // Two characters that do not read as a number get the 21st century.
        int century = std::sscanf(t.Left(2), "%d", &yy) == 1 && yy >= 70 ? 19 : 20;
        t.Format("%2d%s", century, date);
    }
    if (t.GetLength() > 4 && t[4] != '-')
        t = t.Left(4) + "-" + t.Right(4);
    if (t.GetLength() > 7 && t[7] != '-')
        t = t.Left(7) + "-" + t.Right(2);
    std::snprintf(date, 11, "%s", static_cast<const char*>(t.Left(10)));
    return 0;
}

bool CHarnDbs::VersionAccepted(const dbshdtype& hd) {
    double vCur = 0;
    std::sscanf(m_Dbsver, "%lf", &vCur);
    char version[sizeof hd.version + 1] = {};
    std::memcpy(version, hd.version, sizeof hd.version);
    double vFile = 0;
    if (std::sscanf(version, "%lf", &vFile) != 1)
        return false; // a version text that is not a number is of a wrong version
    vFile += hd.verdel;
    // Integer parts by truncation, kept as doubles: a damaged head may hold any value.
    double iCur = std::trunc(vCur);
    double iFile = std::trunc(vFile);
    return (iFile >= iCur && vFile <= vCur) || std::fabs(vFile - vCur) <= 0.16 ||
           (iCur == 1 && vFile >= 0.94);
}
