// The outline of one cross-section type: reading its .ttv file, and saving it with the
// check of its arcs, the bulge of every segment and the extents of the type.
#include "tunnel/CTvarKoord.h"

#include "list/Utilities.h"
#include "mapping/LibraryFile.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "tunnel/CTvarsnitt.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Lines of the outline file are read with this limit, as every reader of the file does.
constexpr int kLineLimit = 152;

void stripLineEnd(char* line) {
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
        line[--n] = 0;
}

} // namespace

CTvarKoord::CTvarKoord() = default;

CTvarKoord::~CTvarKoord() = default;

int CTvarKoord::Init(const char* path, double* anfstart, double* anfslut, char* text) {
    m_fil = path ? path : "";
    if (platform::access(m_fil, 0) != 0)
        return -1;
    std::FILE* f = platform::fopen(m_fil, "r");
    if (!f)
        return -1;
    if (anfstart)
        *anfstart = 0.0;
    if (anfslut)
        *anfslut = 0.0;
    if (text)
        text[0] = 0;

    int before = 0;
    Where(&before);
    int lineNo = 0;
    int stars = 0;
    while (std::fgets(g_lineBuffer, kLineLimit, f)) {
        stripLineEnd(g_lineBuffer);
        const bool star = g_lineBuffer[0] == '*';
        if (star)
            ++stars;
        if (lineNo == 2) {
            double a = 0, b = 0;
            if (std::sscanf(g_lineBuffer, "%lf %lf", &a, &b) == 2) {
                if (anfstart)
                    *anfstart = a;
                if (anfslut)
                    *anfslut = b;
            }
        } else if (lineNo == 6 && text) {
            // The text field of a type holds 38 characters. A CR that the cut leaves at the end
            // is dropped like the line end: written back, it would be read as part of it.
            std::snprintf(text, 39, "%s", g_lineBuffer);
            stripLineEnd(text);
        }
        if (stars == 2 && !star) {
            Ny(1, nullptr);
            if (std::sscanf(g_lineBuffer, "%lf%lf%lf", &m_pael->x, &m_pael->y, &m_pael->radie) < 3)
                Delete();
        }
        ++lineNo;
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        // An outline cut short by a read error must not pass for the whole one.
        int now = 0;
        for (Where(&now); now > before && End() == 0; --now)
            Delete();
        return -1;
    }
    return 0;
}

int CTvarKoord::Save(CTvarsnitt* lib) {
    tvtytype* t = lib ? lib->Get_aktel() : nullptr;
    if (!t) {
        platform::FailureLog::report(
            std::string("Tvärsnittskontur sparas utan aktuell typ i biblioteket: "_cp) +
            static_cast<const char*>(m_fil));
        return -3;
    }

    t->xmin = t->xmax = t->ymin = t->ymax = 0;
    if (Home() == 0) {
        t->xmin = t->xmax = m_pael->x;
        t->ymin = t->ymax = m_pael->y;
        do {
            t->xmin = std::fmin(t->xmin, m_pael->x);
            t->xmax = std::fmax(t->xmax, m_pael->x);
            t->ymin = std::fmin(t->ymin, m_pael->y);
            t->ymax = std::fmax(t->ymax, m_pael->y);
        } while ((*this)++);
    }

    platform::SafeReplace out(m_fil);
    std::FILE* f = out.open("w");
    auto cannotWrite = [this]() {
        std::snprintf(g_nameBuffer, kScratchSize, "%s", static_cast<const char*>(m_fil));
        std::snprintf(g_lineBuffer, kScratchSize, "Fel: Kan inte öppna %s Avbryter..."_cp,
                      g_nameBuffer);
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
        return -3;
    };
    if (!f)
        return cannotWrite();

    std::fprintf(f, "*\n");
    std::fprintf(f, "%.*s\n", static_cast<int>(strnlen(t->tvnamn, sizeof t->tvnamn)), t->tvnamn);
    std::fprintf(f, "%8.3lf %8.3lf %8.3lf\n", t->anfstart, t->anfslut, t->tvval3);
    std::fprintf(f, "%8.3lf %8.3lf\n", t->xmin, t->xmax);
    std::fprintf(f, "%8.3lf %8.3lf\n", t->ymin, t->ymax);
    std::fprintf(f, "%8.3lf %8.3lf %8.3lf %8.3lf\n", t->tvval[0], t->tvval[1], t->tvval[2],
                 t->tvval[3]);
    std::fprintf(f, "%.*s\n", static_cast<int>(strnlen(t->tvtext, sizeof t->tvtext)), t->tvtext);
    std::fprintf(f, "*\n");

    if (Home() == 0) {
        if (std::fabs(t->anfstart) < 0.001 || std::fabs(t->anfslut) < 0.001)
            ShowMessage("Not so good Kip,\nAnfang start och anfang slut borde anges!", MB_OK,
                        MB_ICONEXCLAMATION, nullptr);
        const tvkotype* first = m_pael;
        do {
            tvkotype* p = m_pael;
            const tvkotype* n = m_aktel->next ? &m_aktel->next->rec : first;
            if (std::fabs(p->radie) <= 0.01) {
                p->radie = 0;
                p->bulge = 0;
            } else {
                const double c = std::hypot(n->x - p->x, n->y - p->y);
                const double d = p->radie * p->radie - c * c / 4;
                if (d < 0 && c > 0.001) {
                    std::snprintf(g_lineBuffer, kScratchSize,
                                  "Felaktig radie: %.2lf\npkt %.2lf,%.2lf -  %.2lf,%.2lf\nRadien "
                                  "sätts : 0.0"_cp,
                                  p->radie, p->x, p->y, n->x, n->y);
                    ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
                    p->radie = 0;
                    p->bulge = 0;
                } else if (c <= 0.001) {
                    std::snprintf(g_lineBuffer, kScratchSize,
                                  "Varning, 2 st punkter med samma läge: %.2lf,%.2lf"_cp, p->x,
                                  p->y);
                    ShowStatus(g_lineBuffer);
                    libfile::bell(1);
                    p->bulge = 0;
                } else {
                    const double h = std::sqrt(d);
                    p->bulge = p->radie > 0 ? 2 * (h - p->radie) / c : -2 * (h + p->radie) / c;
                }
            }
            std::fprintf(f, "%8.3lf %8.3lf %8.3lf %8.3lf %s\n", p->x, p->y, p->radie, p->bulge, "");
        } while ((*this)++);
    }
    std::fprintf(f, "*\n");
    if (out.commit() != 0)
        return cannotWrite();
    return 0;
}
