// Demo step: gives the demo project a code file "Harnkod.dat" with a rock block and an
// infill block, written by the code list itself, and reads it back.
#include "cli/Cli.h"

#include "host/CProjPath.h"
#include "mapping/CBergOrMateLista.h"
#include "platform/Cp1252Literal.h"
#include "platform/SafeReplace.h"

#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

int demoCodes(cli::DemoContext& ctx);

cli::DemoRegistrar reg(40, "codes", &demoCodes);

class Kodlista : public CBergOrMateLista {
public:
    using CBergOrMateLista::CBergOrMateLista;
    bergmattype* kod(int nr) {
        if (Home() == 0) {
            do {
                if (m_pael->nr == nr)
                    return m_pael;
            } while ((*this)++);
        }
        return nullptr;
    }
    // Appends a code with all its values.
    void lagg(int nr, const char* bet, const char* text, double faktor, int tal, double grader,
              int extra) {
        Add();
        bergmattype* r = Get_aktel();
        if (!r)
            return;
        std::memset(r, 0, sizeof *r);
        r->nr = static_cast<int16_t>(nr);
        std::snprintf(r->beteckning, sizeof r->beteckning, "%s", bet);
        std::snprintf(r->text, sizeof r->text, "%s", text);
        r->faktor = faktor;
        r->tal = static_cast<int16_t>(tal);
        r->vinkel = grader * GRADER;
        r->extra = static_cast<int16_t>(extra);
    }
    int antal() const {
        int n = 0;
        Where(&n);
        return n;
    }
};

void satt(bergmattype* r, const char* text, double faktor, int tal, double grader) {
    if (!r)
        return;
    std::snprintf(r->text, sizeof r->text, "%s", text);
    r->faktor = faktor;
    r->tal = static_cast<int16_t>(tal);
    r->vinkel = grader * CBergOrMateLista::GRADER;
}

int demoCodes(cli::DemoContext& ctx) {
    CString path;
    path.Format("%s\\%s", ctx.proj.ProjKat(), "Harnkod.dat");
    // The blocks before the rock block belong to other users of the file; the demo leaves
    // the first one with a title and the second one empty.
    if (platform::replaceFileContents(path, "Kodfil för demoprojektet\r\n*\r\n*\r\n"_cp) != 0) {
        std::cerr << "harn demo: cannot write " << cli::toUtf8(path) << "\n";
        return cli::kFailed;
    }

    Kodlista berg(ctx.ini, &ctx.proj, 0), fyllnad(ctx.ini, &ctx.proj, 1);
    berg.Init();
    fyllnad.Init();
    satt(berg.kod(1), "Sandsten", 1.1, 4, 0);
    satt(berg.kod(9), "Granitgnejs", 1.3, 5, 30);
    satt(berg.kod(11), "Granit", 1.2, 6, 45);
    satt(berg.kod(13), "Diabas", 0.8, 3, 90);
    berg.lagg(40, "Pe", "Pegmatit", 1.5, 7, 60, 0);
    berg.lagg(-1, "Ok", "Okänd"_cp, 1.0, 4, 0, 9);
    berg.Save(&fyllnad);

    Kodlista kontroll(ctx.ini, &ctx.proj, 0);
    kontroll.Init();
    if (kontroll.antal() != berg.antal() || std::strcmp(kontroll.Find(40), "Pe") != 0)
        return cli::kFailed;
    ctx.out << "codes: Harnkod.dat with " << kontroll.antal() << " rock and " << fyllnad.antal()
            << " infill codes\n";
    return cli::kOk;
}

} // namespace
