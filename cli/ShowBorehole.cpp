// harn show DIR ID for a borehole (type 3): its database record, the head of its borehole
// file and each method block present (core log, registered drilling in both forms,
// water-loss tests), as tables or, with --json, as one JSON object.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/FileChecks.h"
#include "cli/Json.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "borehole/SndFile.h"
#include "database/CHarnDbs.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

// Without the blanks that pad an identifier read back from a head with a text.
std::string trimmed(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string utf8(const std::string& cp1252) {
    return cli::shown(cp1252);
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

// The method data of one borehole, read through the library.
struct Borehole {
    explicit Borehole(CProjPath& proj, const char* namn)
        : head(&proj, namn, CRegBorr::BARABHD), kb(&proj, namn), jb(&proj, namn, CRegBorr::JB1),
          rb(&proj, namn, CRegBorr::RB), vf(&proj, namn) {}
    CRegBorr head;
    CKarnborr kb;
    CRegBorr jb;
    CRegBorr rb;
    CVattenF vf;
    bool hasKb = false, hasJb = false, hasRb = false, hasVf = false;

    // False when the borehole file is missing or cannot be read.
    bool read() {
        if (head.Init(CRegBorr::BARABHD) != 0)
            return false;
        hasKb = kb.Init() == 0;
        hasJb = jb.Init(CRegBorr::JB1) == 0;
        hasRb = rb.Init(CRegBorr::RB) == 0;
        hasVf = vf.Init() == 0;
        return true;
    }
};

int kindOf(const CRegBorr& rb) {
    return rb.m_typ2 ? 2 : rb.m_typ3 ? 3 : rb.m_typ4 ? 4 : 0;
}

// ---- text ----

void headText(std::ostream& out, const harnbhdtype& h) {
    out << "\nhead\n"
        << "  id          " << utf8(trimmed(cli::field(h.id))) << "\n"
        << "  top         " << cli::millimetres(h.x) << " " << cli::millimetres(h.y) << "\n"
        << "  ground z    " << cli::millimetres(h.z) << "\n"
        << "  rock z      " << cli::millimetres(h.zberg) << "\n"
        << "  azimuth     " << h.azimut << "\n"
        << "  inclination " << h.lutning << "\n"
        << "  survey      " << cli::field(h.avvmatt) << "\n"
        << "  jn1         " << cli::field(h.jn1) << "\n"
        << "  values      " << cli::number(h.dval1) << " " << cli::number(h.dval2) << " "
        << cli::number(h.dval3) << " " << cli::number(h.dval5) << " " << h.ival1 << " "
        << cli::number(h.fval1) << "\n";
}

void coreText(std::ostream& out, CKarnborr& kb) {
    const harnbhdtype& h = kb.m_bhd;
    out << "\ncore drilling (block 0): " << utf8(cli::field(h.metodtext)) << "\n"
        << "  code " << cli::field(h.slutkod) << ", parameter " << h.blockparam << ", country "
        << cli::field(h.klassland) << ", class system " << cli::field(h.klassystem) << "\n"
        << format("  %7s %4s %4s %4s %4s %4s %4s %5s %5s %4s %4s %3s %3s %3s %5s %9s  %s\n",
                  "DEPTH", "K1", "UK1", "K2", "UK2", "K3", "UK3", "ANG1", "ANG2", "PCT", "N1", "CL",
                  "VAL", "FL", "N2", "VALUE", "TEXT");
    if (kb.Home() != 0)
        return;
    do {
        const kbtype& r = *kb.Get_aktel();
        out << format("  %7.2f %4d %4d %4d %4d %4d %4d %5d %5d %4d %4d %3d %3d %3d %5d %9.3f  ",
                      r.djup, r.kod1, r.underkod1, r.kod2, r.underkod2, r.kod3, r.underkod3,
                      r.vinkel1, r.vinkel2, r.procent, r.tal1, r.klass, r.val, r.flagga, r.tal2,
                      r.varde)
            << utf8(cli::field(r.text)) << "\n";
        // Six blanks (none given) or six zeros (none read), without values: nothing to show.
        bool blanks = true, zeros = true, values = false;
        for (int i = 0; i < 6; ++i) {
            blanks = blanks && r.extra[i] == 32;
            zeros = zeros && r.extra[i] == 0;
        }
        for (int i = 0; i < 5; ++i)
            values = values || r.extravarde[i] != 0;
        if (values || !(blanks || zeros)) {
            out << "          extra";
            for (int i = 0; i < 6; ++i)
                out << " " << static_cast<int>(r.extra[i]);
            out << "  values";
            for (int i = 0; i < 5; ++i)
                out << " " << cli::number(r.extravarde[i]);
            out << "\n";
        }
        for (int k = 0; k < 6; ++k)
            if (r.textrad[k][0])
                out << "          remark " << k + 1 << ": " << utf8(cli::field(r.textrad[k]))
                    << "\n";
    } while (kb++);
}

void registeredText(std::ostream& out, CRegBorr& rb, bool full) {
    const harnbhdtype& h = rb.m_bhd;
    out << "\nregistered drilling " << (full ? "RB (block 3)" : "JB1 (block 1)") << ": "
        << utf8(cli::field(h.metodtext)) << "\n"
        << "  code " << cli::field(h.slutkod) << ", parameter " << h.blockparam;
    if (full)
        out << ", kind " << kindOf(rb);
    out << "\n";
    if (full)
        out << format("  %8s %7s %7s %7s %7s %7s %7s %7s %7s  %s\n", "DEPTH", "TIME", "SPEED", "V1",
                      "V2", "V3", "V4", "V5", "V6", "TEXT");
    else
        out << format("  %8s %7s  %s\n", "DEPTH", "TIME", "TEXT");
    if (rb.Home() != 0)
        return;
    do {
        const rbtype& r = *rb.Get_aktel();
        if (full)
            out << format("  %8.3f %7d %7.2f %7.2f %7.2f %7.0f %7.2f %7.2f %7.2f  ",
                          static_cast<double>(r.djup), r.sjunktid, r.hastighet, r.rbvarde[0],
                          r.rbvarde[1], r.rbvarde[2], r.rbvarde[3], r.rbvarde[4], r.rbvarde[5]);
        else
            out << format("  %8.3f %7d  ", static_cast<double>(r.djup), r.sjunktid);
        out << utf8(cli::field(r.text)) << "\n";
    } while (rb++);
}

void waterLossText(std::ostream& out, CVattenF& vf) {
    const harnbhdtype& h = vf.m_bhd;
    out << "\nwater-loss tests (block 2)\n"
        << "  code " << cli::field(h.slutkod) << ", parameter " << h.blockparam << "\n"
        << format("  %8s %8s %7s %7s %7s %8s %5s  %s\n", "V1", "V2", "V3", "V4", "V5", "V6", "CODE",
                  "TEXT");
    if (vf.Home() != 0)
        return;
    do {
        const vftype& r = *vf.Get_aktel();
        out << format("  %8.3f %8.3f %7.1f %7.1f %7.1f %8.3f %5d  ", r.vfvarde[0], r.vfvarde[1],
                      r.vfvarde[2], r.vfvarde[3], r.vfvarde[4], r.vfvarde[5], r.vfkod)
            << utf8(cli::field(r.text)) << "\n";
    } while (vf++);
}

// ---- JSON ----

void headJson(cli::JsonWriter& w, const harnbhdtype& h) {
    w.key("head").beginObject();
    w.key("id").text(cli::field(h.id).c_str());
    w.key("x").value(h.x);
    w.key("y").value(h.y);
    w.key("z").value(h.z);
    w.key("zberg").value(h.zberg);
    w.key("dval1").value(h.dval1);
    w.key("dval2").value(h.dval2);
    w.key("dval3").value(h.dval3);
    w.key("dval5").value(h.dval5);
    w.key("ival1").value(static_cast<int>(h.ival1));
    w.key("fval1").value(static_cast<double>(h.fval1));
    w.key("jn1").text(cli::field(h.jn1).c_str());
    w.key("avvmatt").text(cli::field(h.avvmatt).c_str());
    w.key("azimut").value(h.azimut);
    w.key("lutning").value(h.lutning);
    w.endObject();
}

// The fields every method block has.
void blockJson(cli::JsonWriter& w, int block, const harnbhdtype& h, bool title) {
    w.key("block").value(block);
    if (title)
        w.key("title").text(cli::field(h.metodtext).c_str());
    w.key("slutkod").text(cli::field(h.slutkod).c_str());
    w.key("blockparam").value(h.blockparam);
}

void coreJson(cli::JsonWriter& w, CKarnborr& kb) {
    w.beginObject();
    blockJson(w, CKarnborr::KB, kb.m_bhd, true);
    w.key("klassland").text(cli::field(kb.m_bhd.klassland).c_str());
    w.key("klassystem").text(cli::field(kb.m_bhd.klassystem).c_str());
    w.key("sections").beginArray();
    if (kb.Home() == 0) {
        do {
            const kbtype& r = *kb.Get_aktel();
            w.beginObject();
            w.key("djup").value(r.djup);
            const std::pair<const char*, int> shorts[] = {
                {"vinkel1", r.vinkel1},     {"vinkel2", r.vinkel2},
                {"procent", r.procent},     {"tal1", r.tal1},
                {"klass", r.klass},         {"kod1", r.kod1},
                {"underkod1", r.underkod1}, {"kod2", r.kod2},
                {"underkod2", r.underkod2}, {"kod3", r.kod3},
                {"underkod3", r.underkod3}, {"val", r.val},
                {"flagga", r.flagga},       {"tal2", r.tal2}};
            for (const auto& s : shorts)
                w.key(s.first).value(s.second);
            w.key("varde").value(r.varde);
            w.key("text").text(cli::field(r.text).c_str());
            w.key("extra").beginArray();
            for (int i = 0; i < 6; ++i)
                w.value(static_cast<int>(r.extra[i]));
            w.endArray();
            w.key("extravarde").beginArray();
            for (int i = 0; i < 5; ++i)
                w.value(r.extravarde[i]);
            w.endArray();
            w.key("textrad").beginArray();
            for (int k = 0; k < 6; ++k)
                w.text(cli::field(r.textrad[k]).c_str());
            w.endArray();
            w.endObject();
        } while (kb++);
    }
    w.endArray();
    w.endObject();
}

void registeredJson(cli::JsonWriter& w, CRegBorr& rb, int block) {
    w.beginObject();
    blockJson(w, block, rb.m_bhd, true);
    if (block == CRegBorr::RB)
        w.key("kind").value(kindOf(rb));
    w.key("readings").beginArray();
    if (rb.Home() == 0) {
        do {
            const rbtype& r = *rb.Get_aktel();
            w.beginObject();
            w.key("djup").value(static_cast<double>(r.djup));
            w.key("sjunktid").value(static_cast<int>(r.sjunktid));
            if (block == CRegBorr::RB) {
                w.key("hastighet").value(r.hastighet);
                w.key("rbvarde").beginArray();
                for (double v : r.rbvarde)
                    w.value(v);
                w.endArray();
            }
            w.key("text").text(cli::field(r.text).c_str());
            w.endObject();
        } while (rb++);
    }
    w.endArray();
    w.endObject();
}

void waterLossJson(cli::JsonWriter& w, CVattenF& vf) {
    w.beginObject();
    blockJson(w, CVattenF::VF, vf.m_bhd, false);
    w.key("tests").beginArray();
    if (vf.Home() == 0) {
        do {
            const vftype& r = *vf.Get_aktel();
            w.beginObject();
            w.key("vfvarde").beginArray();
            for (double v : r.vfvarde)
                w.value(v);
            w.endArray();
            w.key("vfkod").value(static_cast<int>(r.vfkod));
            w.key("text").text(cli::field(r.text).c_str());
            w.endObject();
        } while (vf++);
    }
    w.endArray();
    w.endObject();
}

int showBorehole(cli::ShowContext& ctx) {
    const dbstype record = *ctx.dbs.Get_aktel();
    const std::string namn = cli::field(record.filnamn);
    Borehole b(ctx.proj, namn.c_str());
    cli::FindingList findings;
    cli::checkBoreholeHead(borehole::sndPath(&ctx.proj, namn.c_str()), "", findings);
    cli::reportErrors("show", findings);
    if (!b.read()) {
        std::cerr << "harn show: cannot read the borehole file "
                  << cli::userPath(borehole::sndPath(&ctx.proj, namn.c_str())) << "\n";
        return cli::kFailed;
    }
    if (ctx.json) {
        cli::JsonWriter w(ctx.out);
        w.beginObject();
        w.key("record");
        cli::recordJson(w, record);
        headJson(w, b.head.m_bhd);
        w.key("methods").beginObject();
        w.key("KB");
        b.hasKb ? coreJson(w, b.kb) : (void)w.null();
        w.key("JB1");
        b.hasJb ? registeredJson(w, b.jb, CRegBorr::JB1) : (void)w.null();
        w.key("VF");
        b.hasVf ? waterLossJson(w, b.vf) : (void)w.null();
        w.key("RB");
        b.hasRb ? registeredJson(w, b.rb, CRegBorr::RB) : (void)w.null();
        w.endObject();
        w.endObject();
        w.finish();
        return cli::kOk;
    }
    cli::recordText(ctx.out, record);
    headText(ctx.out, b.head.m_bhd);
    if (b.hasKb)
        coreText(ctx.out, b.kb);
    if (b.hasJb)
        registeredText(ctx.out, b.jb, false);
    if (b.hasVf)
        waterLossText(ctx.out, b.vf);
    if (b.hasRb)
        registeredText(ctx.out, b.rb, true);
    if (!b.hasKb && !b.hasJb && !b.hasVf && !b.hasRb)
        ctx.out << "\nno method blocks\n";
    return cli::kOk;
}

cli::ShowRegistrar reg(3, &showBorehole);

} // namespace
