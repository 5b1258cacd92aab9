// Demo step 20: boreholes registered in the project database and given method data through
// the library: a vertical hole with all three methods (core log, registered drilling in both
// forms, water-loss tests), an inclined one, and one with a deviation survey file.
#include "cli/Cli.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "borehole/SndFile.h"
#include "database/CHarnDbs.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/SafeReplace.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>
#include <string>

namespace {

template <std::size_t N> void setText(char (&field)[N], const char* text) {
    std::snprintf(field, N, "%s", text);
}

struct Hole {
    const char* id;
    double x, y, z;
    int azimut, lutning;
    bool surveyed;
    const char* text;
};

// Registers a borehole and writes its borehole file holding only the head; the record stays
// current. Returns the file name, or empty after a failure.
std::string registerHole(CHarnDbs& dbs, const Hole& h) {
    dbs.Ny(1, nullptr);
    dbstype* r = dbs.Get_aktel();
    r->typ = 3;
    setText(r->id, h.id);
    UpperCaseSwedish(r->id);
    r->x = h.x;
    r->y = h.y;
    r->z = h.z;
    setText(r->text, h.text);
    if (dbs.Filnamn() != 0)
        return {};
    harnbhdtype bhd;
    std::memset(&bhd, 0, sizeof bhd);
    setText(bhd.id, r->id);
    CHarnDbs::BhdNull(&bhd);
    bhd.x = h.x;
    bhd.y = h.y;
    bhd.z = h.z;
    bhd.zberg = h.z;
    bhd.azimut = h.azimut;
    bhd.lutning = h.lutning;
    setText(bhd.text, h.text);
    setText(bhd.jn1, "NEJ");
    setText(bhd.avvmatt, h.surveyed ? "JA" : "NEJ");
    if (dbs.SkrivHead(&bhd, r->filnamn) != 0 || dbs.Uppdat(0) != 0)
        return {};
    return r->filnamn;
}

kbtype section(double djup, int kod1, int underkod1, int procent, int klass, const char* text) {
    kbtype r{};
    r.djup = djup;
    r.kod1 = static_cast<int16_t>(kod1);
    r.underkod1 = static_cast<int16_t>(underkod1);
    r.procent = static_cast<int16_t>(procent);
    r.klass = static_cast<int16_t>(klass);
    r.val = 1;
    setText(r.text, text);
    std::memset(r.extra, 32, sizeof r.extra); // no extra values
    return r;
}

// A core log down to `length`; the text of each section is CP1252.
int saveCore(CHarnDbs& dbs, CProjPath& proj, const std::string& namn, double length) {
    CKarnborr kb(&proj, namn.c_str());
    kb.Init();                                     // the head; there is no core block yet
    setText(kb.m_bhd.text, dbs.Get_aktel()->text); // the head's text is not read back
    kb.m_bhd.metod = CKarnborr::KB;
    setText(kb.m_bhd.metodtext, "Kärnborr"_cp);
    setText(kb.m_bhd.slutkod, "95");
    setText(kb.m_bhd.klassland, "SE");
    setText(kb.m_bhd.klassystem, "Q-");
    kbtype soil = section(length * 0.1, 0, 0, 0, 0, "Jord");
    kbtype rock = section(length * 0.6, 11, 2, 85, 3, "Granit, grå"_cp);
    rock.kod2 = 3;
    rock.underkod2 = 1;
    rock.vinkel1 = 45;
    rock.vinkel2 = -30;
    rock.tal1 = 150;
    rock.tal2 = 2026;
    rock.varde = 2.125;
    const int8_t extra[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(rock.extra, extra, sizeof extra);
    rock.extravarde[0] = 1.5;
    rock.extravarde[2] = 3.25;
    setText(rock.textrad[0], "Sprickzon med lera");
    setText(rock.textrad[3], "Kärnförlust 0,2 m"_cp);
    kbtype end = section(length, 12, 0, 95, 4, "Gnejs");
    kb.Ny(1, &soil);
    kb.Ny(1, &rock);
    kb.Ny(1, &end);
    return kb.Save(&dbs, 0);
}

// Registered drilling of kind 3 (block 3) with readings every `step` metres.
int saveRegistered(CHarnDbs& dbs, CProjPath& proj, const std::string& namn, double length,
                   double step) {
    CRegBorr rb(&proj, namn.c_str(), CRegBorr::RB);
    rb.Init(CRegBorr::BARABHD); // the head
    setText(rb.m_bhd.text, dbs.Get_aktel()->text);
    rb.m_bhd.metod = CRegBorr::RB;
    setText(rb.m_bhd.metodtext, "Registrerad");
    setText(rb.m_bhd.slutkod, "95");
    rb.m_typ3 = 1;
    int i = 0;
    for (double d = step; d <= length + 1e-9; d += step, ++i) {
        rbtype r{};
        r.djup = static_cast<float>(d);
        r.sjunktid = 20 + (i * 7) % 30;
        r.hastighet = 6000.0 * step / r.sjunktid / 100;
        for (int k = 0; k < 6; ++k)
            r.rbvarde[k] = k == 2 ? 100 + i : 0.5 * (k + 1) + 0.01 * i;
        if (i == 0)
            setText(r.text, "Start");
        rb.Ny(1, &r);
    }
    return rb.Save(&dbs, 0);
}

// The short form (block 1): depth and time only.
int saveShortForm(CHarnDbs& dbs, CProjPath& proj, const std::string& namn) {
    CRegBorr jb(&proj, namn.c_str(), CRegBorr::JB1);
    jb.Init(CRegBorr::BARABHD);
    setText(jb.m_bhd.text, dbs.Get_aktel()->text);
    jb.m_bhd.metod = CRegBorr::JB1;
    setText(jb.m_bhd.metodtext, "Jord-berg");
    const struct {
        float djup;
        int tid;
        const char* text;
    } rows[] = {{0.5f, 12, "Fyllning"}, {1.5f, 25, "Morän"_cp}, {2.4f, 60, "Berg"}};
    for (const auto& row : rows) {
        rbtype r{};
        r.djup = row.djup;
        r.sjunktid = row.tid;
        setText(r.text, row.text);
        jb.Ny(1, &r);
    }
    return jb.Save(&dbs, 0);
}

int saveWaterLoss(CHarnDbs& dbs, CProjPath& proj, const std::string& namn) {
    CVattenF vf(&proj, namn.c_str());
    vf.Init();
    setText(vf.m_bhd.text, dbs.Get_aktel()->text);
    vf.m_bhd.metod = CVattenF::VF;
    setText(vf.m_bhd.metodtext, "Vattenförl"_cp);
    const struct {
        double from, to, q, p, t, lugeon;
        int kod;
        const char* text;
    } tests[] = {{5, 10, 0.5, 3, 10, 0.017, 1, "Tät"_cp},
                 {10, 15, 4.2, 3, 10, 0.14, 2, "Sprickig zon"},
                 {15, 20, 0.1, 3, 10, 0.003, 1, ""}};
    for (const auto& t : tests) {
        vftype r{};
        const double v[6] = {t.from, t.to, t.q, t.p, t.t, t.lugeon};
        std::memcpy(r.vfvarde, v, sizeof v);
        r.vfkod = static_cast<int16_t>(t.kod);
        setText(r.text, t.text);
        vf.Ny(1, &r);
    }
    return vf.Save(&dbs, 0);
}

// A deviation survey starting at the top of the hole and ending at its bottom.
bool writeSurvey(CProjPath& proj, const std::string& namn, const Hole& h, double length) {
    std::string text;
    for (int i = 0; i <= 6; ++i) {
        double s = length * i / 6;
        char line[120];
        std::snprintf(line, sizeof line, "%.2f %.3f %.3f %.3f\r\n", s, h.x + 0.002 * s * s / 10,
                      h.y - 0.03 * s, h.z - 0.999 * s);
        text += line;
    }
    const CString path = borehole::crdPath(&proj, namn.c_str());
    if (platform::replaceFileContents(path, text) == 0)
        return true;
    std::cerr << "harn demo: cannot write " << cli::toUtf8(path) << "\n";
    return false;
}

int demoBoreholes(cli::DemoContext& ctx) {
    const Hole vertical{"BH1", 1060, 2020, 41.8, 0, 90, false, "Alla metoder"};
    const Hole inclined{"BH2", 1120, 2060, 39.2, 45, 60, false, "Lutande hål"_cp};
    const Hole surveyed{"BH3", 1180, 2015, 37.0, 0, 90, true, "Avvikelsemätt"_cp};

    std::string bh1 = registerHole(ctx.dbs, vertical);
    if (bh1.empty())
        return -3;
    int r = saveShortForm(ctx.dbs, ctx.proj, bh1);
    r = r ? r : saveRegistered(ctx.dbs, ctx.proj, bh1, 25, 2.5);
    r = r ? r : saveCore(ctx.dbs, ctx.proj, bh1, 25);
    r = r ? r : saveWaterLoss(ctx.dbs, ctx.proj, bh1);
    if (r)
        return r;

    std::string bh2 = registerHole(ctx.dbs, inclined);
    if (bh2.empty())
        return -3;
    r = saveRegistered(ctx.dbs, ctx.proj, bh2, 30, 5);
    r = r ? r : saveCore(ctx.dbs, ctx.proj, bh2, 30);
    if (r)
        return r;

    std::string bh3 = registerHole(ctx.dbs, surveyed);
    if (bh3.empty())
        return -3;
    if (!writeSurvey(ctx.proj, bh3, surveyed, 18))
        return -3;
    r = saveCore(ctx.dbs, ctx.proj, bh3, 18);
    if (r)
        return r;

    ctx.out << "boreholes: BH1 (KB JB1 VF RB), BH2 (KB RB, inclined), BH3 (KB, deviation survey "
            << bh3 << ".CRD) saved\n";
    return 0;
}

cli::DemoRegistrar reg(20, "boreholes", &demoBoreholes);

} // namespace
