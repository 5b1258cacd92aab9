#include "database/CHarnKonvertera.h"

#include "database/CHarnDbs.h"
#include "platform/CFile.h"
#include "platform/FailureLog.h"
#include "resources/Dialog1000.h"

#include <cstdio>
#include <cstring>
#include <string>

CHarnKonvertera::CHarnKonvertera(const char* path, const char* projnamn, CHarnDbs* dbs, void*)
    : platform::Dialog(kDialog1000), m_pDbs(dbs), m_path(path), m_projnamn(projnamn) {}

CHarnKonvertera::~CHarnKonvertera() = default;

int CHarnKonvertera::LasVersion(const char* path, double* version) {
    CFile file;
    if (!path || !file.Open(path, CFile::modeRead | CFile::shareExclusive | CFile::typeBinary))
        return -1;
    dbshdtype hd;
    std::memset(&hd, 0, sizeof hd);
    UINT got = 0;
    try {
        char first[10];
        if (file.Read(first, sizeof first) == 1)
            return -1;
        file.Seek(0, CFile::begin);
        got = file.Read(&hd, kDbsHeadSize);
    } catch (const CFileException&) {
        return -1;
    }
    // Every version's head holds its texts in the first 220 bytes; a file that ends before
    // them is no database. Missing bytes after them read as zero.
    if (got < offsetof(dbshdtype, antal))
        return -1;
    double verdel = hd.verdel;
    if (!(verdel >= 0 && verdel < 1))
        verdel = 0;
    char text[sizeof hd.version + 1] = {};
    std::memcpy(text, hd.version, sizeof hd.version);
    float parsed = 0;
    std::sscanf(text, "%f", &parsed);
    const double v = static_cast<int>(parsed + 0.0001) + verdel;
    if (version)
        *version = v;
    return static_cast<int>((v + 0.0001) * 100);
}

int CHarnKonvertera::OnInitDialog() {
    SetWindowText((std::string("Konvertera projekt: ") + (m_projnamn ? m_projnamn : "")).c_str());
    SetDlgItemText(IDC_TILL_VERSION, CHarnDbs::m_Dbsver);
    double version = 0;
    const bool readable = LasVersion(m_path, &version) != -1;
    char text[16];
    if (readable)
        std::snprintf(text, sizeof text, "%.1f", version);
    else
        std::snprintf(text, sizeof text, "??");
    SetDlgItemText(IDC_FRAN_VERSION, text);
    EnableDlgItem(IDOK, readable);
    return 1;
}

void CHarnKonvertera::OnOK() {
    EnableDlgItem(IDOK, false);
    EnableDlgItem(IDCANCEL, false);
    startWorker([this] { Work(); });
}

void CHarnKonvertera::Work() {
    try {
        m_resultat = m_pDbs->Restore(m_path, m_projnamn, this);
    } catch (const CFileException& e) {
        m_resultat = -1;
        platform::FailureLog::report(std::string("conversion stopped by a file error: ") +
                                     static_cast<const char*>(e.m_strFileName));
    } catch (...) {
        m_resultat = -1;
        platform::FailureLog::report("conversion stopped by an unexpected error");
    }
    EnableDlgItem(IDCANCEL, true);
    SetDlgItemText(IDCANCEL, "Klar!");
}

void CHarnKonvertera::ShowCount(int id, int antal) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", antal);
    SetDlgItemText(id, text);
}

void CHarnKonvertera::SetBorrhal(int antal) {
    ShowCount(IDC_BORRHAL, antal);
}
void CHarnKonvertera::SetLinjer(int antal) {
    ShowCount(IDC_LINJER, antal);
}
void CHarnKonvertera::SetHallar(int antal) {
    ShowCount(IDC_HALLAR, antal);
}
void CHarnKonvertera::SetTunnlar(int antal) {
    ShowCount(IDC_TUNNLAR, antal);
}
void CHarnKonvertera::SetPunkter(int antal) {
    ShowCount(IDC_PUNKTER, antal);
}
