#include "mapping/CBergOrMateLista.h"

#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

const char* const CBergOrMateLista::FILNAMN = "Harnkod.dat";

const char* const CBergOrMateLista::BERGARTER[21] = {"Ss", "Ks", "Sk",    "Kv", "Kk", "Gs", "Gn",
                                                     "Lt", "Gg", "Gö"_cp, "Gr", "Pf", "Db", "My",
                                                     "Mg", "Br", "Am",    "Ap", "Pm", "Ga", "Kf"};

const char* const CBergOrMateLista::FYLLNAD[13] = {"ka", "kl", "gf", "tk", "fe", "kv", "ep",
                                                   "hb", "fs", "su", "le", "jo", "of"};

const char* const CBergOrMateLista::JORDARTER[12] = {"f  ", "mu ", "gy ", "t  ", "let", "le ",
                                                     "si ", "sa ", "gr ", "st ", "fr ", "mn "};

namespace {

char g_okand[] = "??";

// A fixed text field as a string: up to its zero or its size.
std::string field(const char* text, std::size_t size) {
    return std::string(text, strnlen(text, size));
}

void copyField(char* to, std::size_t size, const char* from) {
    std::strncpy(to, from, size - 1);
    to[size - 1] = 0;
}

// Reads one line into the shared line buffer; the rest of a line too long for the buffer is
// skipped, so that it is never taken for a line of its own. False at the end of the file.
bool readLine(std::FILE* f) {
    // The last byte tells whether fgets filled the buffer: the length of the text cannot,
    // since a zero byte inside a line ends the text (not the line).
    g_lineBuffer[kScratchSize - 1] = 1;
    if (!std::fgets(g_lineBuffer, kScratchSize, f))
        return false;
    if (g_lineBuffer[kScratchSize - 1] == 0 && g_lineBuffer[kScratchSize - 2] != '\n') {
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n') {
        }
    }
    return true;
}

// Offset behind the `count`-th line beginning with '*', or the end when there are fewer.
std::size_t afterStarLines(const std::string& bytes, int count) {
    std::size_t pos = 0;
    int seen = 0;
    while (pos < bytes.size() && seen < count) {
        std::size_t end = bytes.find('\n', pos);
        end = end == std::string::npos ? bytes.size() : end + 1;
        if (bytes[pos] == '*')
            ++seen;
        pos = end;
    }
    return pos;
}

} // namespace

CBergOrMateLista::CBergOrMateLista(CAutoIni* ini, CProjPath* proj, int typ)
    : m_typ(typ), m_pIni(ini), m_pProj(proj) {}

CBergOrMateLista::~CBergOrMateLista() = default;

CString CBergOrMateLista::Kodfil() const {
    const char* folders[3] = {m_pProj ? m_pProj->ProjKat() : nullptr,
                              m_pIni ? m_pIni->Katalog2() : nullptr,
                              m_pIni ? m_pIni->Katalog1() : nullptr};
    for (const char* folder : folders) {
        if (!folder || !*folder)
            continue;
        CString path;
        path.Format("%s%s%s", folder, "\\", FILNAMN);
        if (platform::access(path, 0) == 0 && !platform::isDirectory(path))
            return path;
    }
    return CString();
}

int CBergOrMateLista::Init() {
    const int n = m_typ == 0 ? 21 : m_typ == 1 ? 13 : 12;
    const char* const* tabell = m_typ == 0 ? BERGARTER : m_typ == 1 ? FYLLNAD : JORDARTER;

    bergmattype rec;
    std::memset(&rec, 0, sizeof rec);
    rec.tal = 4;
    rec.faktor = 1.0;
    copyField(rec.beteckning, sizeof rec.beteckning, " ");
    Ny(1, &rec);
    for (int i = 1; i <= n; ++i) {
        rec.nr = static_cast<int16_t>(i);
        copyField(rec.beteckning, sizeof rec.beteckning, tabell[i - 1]);
        Ny(1, &rec);
    }
    if (m_typ != 0 && m_typ != 1)
        return 0;

    CString fil = Kodfil();
    if (fil.IsEmpty())
        return 0;
    std::FILE* f = platform::fopen(fil, "r");
    if (!f) {
        m_readFailed = true;
        ReportFailure("code list not read: cannot open %s", fil);
        return 0;
    }

    const int stars = m_typ == 0 ? 2 : 3;
    int seen = 0;
    while (seen < stars && readLine(f))
        if (g_lineBuffer[0] == '*')
            ++seen;
    if (seen == stars) {
        char bet[kScratchSize], txt[kScratchSize];
        while (readLine(f)) {
            if (g_lineBuffer[0] == '*')
                break;
            if (g_lineBuffer[0] == '\n' || g_lineBuffer[0] == 0)
                continue;
            short nr = 0, tal = 0, extra = 0;
            double faktor = 0, grader = 0;
            int k = std::sscanf(g_lineBuffer, "%hd %s %s %lf %hd %lf %hd", &nr, bet, txt, &faktor,
                                &tal, &grader, &extra);
            if (k < 2)
                continue;
            bet[2] = 0;
            if (k < 3)
                txt[0] = 0;
            txt[12] = 0;
            if (k < 4 || !(faktor >= 0.01))
                faktor = 1.0;
            if (k < 5 || tal < 1 || tal > 256)
                tal = 4;
            double vinkel = k < 6 || !std::isfinite(grader) ? 0.0 : grader * GRADER;
            if (!(k == 7 && nr < 0))
                extra = 0;

            bool updated = false;
            if (nr >= 0 && Home() == 0) {
                do {
                    if (m_pael->nr == nr) {
                        copyField(m_pael->text, sizeof m_pael->text, txt);
                        m_pael->tal = tal;
                        m_pael->faktor = faktor;
                        m_pael->vinkel = vinkel;
                        if (nr >= n)
                            copyField(m_pael->beteckning, sizeof m_pael->beteckning, bet);
                        updated = true;
                        break;
                    }
                } while ((*this)++);
            }
            if (!updated) {
                std::memset(&rec, 0, sizeof rec);
                rec.nr = nr;
                rec.tal = tal;
                rec.extra = extra;
                rec.faktor = faktor;
                rec.vinkel = vinkel;
                copyField(rec.beteckning, sizeof rec.beteckning, bet);
                copyField(rec.text, sizeof rec.text, txt);
                Ny(1, &rec);
            }
        }
    }
    // A read error ends the reading like the end of the file: the codes after it are missing.
    if (std::ferror(f)) {
        m_readFailed = true;
        ReportFailure("code list not read whole: cannot read %s", fil);
    }
    std::fclose(f);
    return 0;
}

char* CBergOrMateLista::Find(int nr) {
    if (Home() < 0)
        return g_okand;
    do {
        if (m_pael->nr == nr)
            return m_pael->beteckning;
    } while ((*this)++);
    return g_okand;
}

int CBergOrMateLista::FindNr(CString& text) {
    if (Home() < 0)
        return 0;
    std::string wanted = text.str();
    do {
        if (platform::equalNoCase(field(m_pael->beteckning, sizeof m_pael->beteckning), wanted))
            return m_pael->nr;
    } while ((*this)++);
    return 0;
}

int CBergOrMateLista::Save(CBergOrMateLista* annan) {
    CString fil = Kodfil();
    if (fil.IsEmpty())
        return 0;
    if (m_readFailed || (annan && annan->m_readFailed)) {
        ReportFailure("code list not saved: %s was not read whole", fil);
        return 0;
    }
    // The file must be writable; its old contents are kept up to the blocks and behind them.
    std::string old;
    if (platform::access(fil, 6) != 0 || !platform::readFile(fil, old)) {
        ReportFailure("code list not saved: cannot open %s", fil);
        return 0;
    }

    // The new blocks, as text-mode writing puts them on disk (CR LF line ends).
    std::string text;
    CString line;
    if (Home() == 0) {
        do {
            std::string bet = field(m_pael->beteckning, sizeof m_pael->beteckning);
            std::string txt = field(m_pael->text, sizeof m_pael->text);
            // A blank designation (the blank code 0) would let the text be read back as the
            // designation and every later field one place off: such a code is written in
            // the short form.
            const bool blank = bet.find_first_not_of(' ') == std::string::npos;
            if (txt.empty() || blank)
                line.Format("%hd %s\r\n", m_pael->nr, bet.c_str());
            else
                line.Format("%hd %s %s %.3lf %hd %.3lf %hd\r\n", m_pael->nr, bet.c_str(),
                            txt.c_str(), m_pael->faktor, m_pael->tal, m_pael->vinkel / GRADER,
                            m_pael->extra);
            text += line.str();
        } while ((*this)++);
    }
    text += "*\r\n";
    if (annan && annan->Home() == 0) {
        do {
            std::string bet = field(annan->m_pael->beteckning, sizeof annan->m_pael->beteckning);
            line.Format("%hd %s\r\n", annan->m_pael->nr, bet.c_str());
            text += line.str();
        } while ((*annan)++);
    }
    text += "*\r\n";

    // Everything before the block stays; the file is never shortened.
    std::size_t pos = afterStarLines(old, m_typ == 0 ? 2 : 3);
    std::string image = old.substr(0, pos) + text;
    if (old.size() > image.size())
        image += old.substr(image.size());

    // The result stays 0 as it always was; a file that could not be written is reported.
    if (platform::replaceFileContents(fil, image) != 0)
        ReportFailure("code list not saved: cannot write %s", fil);
    return 0;
}
