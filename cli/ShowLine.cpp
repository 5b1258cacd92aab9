// harn show DIR ID for a line (type 5): the head of its line file, its points and its value
// columns as tables, and its database record; or all of it as JSON.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/FileChecks.h"
#include "cli/Json.h"

#include "database/CHarnDbs.h"
#include "mapping/CLinjeData.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const kMethods[6] = {"KR", "SP", "FP", "KV", "JG", "LI"};

std::string methodName(int metod) {
    return metod >= 0 && metod < 6 ? kMethods[metod] : "metod " + std::to_string(metod);
}

// A CP1252 text for the terminal, padded to `width` characters.
std::string pad(const std::string& cp1252, size_t width) {
    std::string s = cli::toUtf8(cp1252.c_str());
    if (cp1252.size() < width)
        s.append(width - cp1252.size(), ' ');
    return s;
}

std::string fmt(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// The columns that hold a name, in order.
std::vector<int> namedColumns(const CLinjeData& l) {
    std::vector<int> cols;
    for (int i = 0; i < 5; ++i)
        if (l.m_kolnamn[i][0])
            cols.push_back(i);
    return cols;
}

void showJson(CLinjeData& l, const dbstype& rec, std::ostream& out) {
    cli::JsonWriter w(out);
    const std::vector<int> cols = namedColumns(l);
    w.beginObject();
    w.key("id").text(cli::terminatedField(rec.id).c_str());
    w.key("file").value(cli::userPath(l.Sokvag()));
    w.key("metod").value(l.m_metod);
    w.key("method").value(methodName(l.m_metod));
    w.key("kod").value(l.m_kod);
    w.key("tal").value(l.m_tal);
    w.key("varde").value(l.m_varde);
    w.key("jordart").text(cli::terminatedField(l.m_jordart).c_str());
    w.key("columns").beginArray();
    for (int i : cols)
        w.beginObject()
            .key("index")
            .value(i)
            .key("name")
            .text(cli::terminatedField(l.m_kolnamn[i]).c_str())
            .endObject();
    w.endArray();
    w.key("points").beginArray();
    if (l.Home() == 0) {
        do {
            const lintype* p = l.Get_aktel();
            w.beginObject();
            w.key("pos").value(p->pos);
            w.key("x").value(p->x);
            w.key("y").value(p->y);
            w.key("z").value(p->z);
            w.key("txt").text(cli::terminatedField(p->txt).c_str());
            w.key("values").beginArray();
            for (int i : cols)
                w.beginObject()
                    .key("value")
                    .value(p->kolval[i])
                    .key("text")
                    .text(cli::terminatedField(p->koltxt[i]).c_str())
                    .endObject();
            w.endArray();
            w.endObject();
        } while (l++);
    }
    w.endArray();
    w.key("record");
    cli::recordJson(w, rec);
    w.endObject();
    w.finish();
}

void showText(CLinjeData& l, const dbstype& rec, std::ostream& out) {
    const std::vector<int> cols = namedColumns(l);
    int n = 0;
    l.Where(&n);
    out << "line       " << cli::shown(cli::terminatedField(rec.id)) << "\n"
        << "file       " << cli::userPath(l.Sokvag()) << "\n"
        << "method     " << methodName(l.m_metod) << " (" << l.m_metod << ")\n"
        << "code       " << l.m_kod << "\n"
        << "number     " << l.m_tal << "\n"
        << "value      " << cli::number(l.m_varde) << "\n"
        << "soil       " << cli::shown(cli::terminatedField(l.m_jordart)) << "\n"
        << "corner     " << cli::millimetres(rec.x) << " " << cli::millimetres(rec.y) << " "
        << cli::millimetres(rec.z) << "\n"
        << "extent     " << cli::millimetres(rec.dx) << " " << cli::millimetres(rec.dy) << " "
        << cli::millimetres(rec.dz) << "\n"
        << "flags      " << (rec.flagg & 0xC0 ? cli::flagWords(rec.flagg & 0xC0) : "none") << "\n\n"
        << n << (n == 1 ? " point" : " points") << "\n";

    // Table: position, coordinates and text, then value and text of every named column.
    char buf[128];
    std::snprintf(buf, sizeof buf, "%4s %7s %12s %12s %10s %-7s", "NR", "POS", "X", "Y", "Z",
                  "TEXT");
    std::string head = buf;
    for (int i : cols) {
        std::string name = cli::terminatedField(l.m_kolnamn[i]);
        head += " " + std::string(name.size() < 15 ? 15 - name.size() : 0, ' ') +
                cli::toUtf8(name.c_str()) + " TEXT   ";
    }
    while (!head.empty() && head.back() == ' ')
        head.pop_back();
    out << head << "\n";
    if (l.Home() != 0)
        return;
    int nr = 0;
    do {
        const lintype* p = l.Get_aktel();
        std::snprintf(buf, sizeof buf, "%4d %7.2f %12.3f %12.3f %10.3f ", ++nr, p->pos, p->x, p->y,
                      p->z);
        std::string row = buf + pad(cli::terminatedField(p->txt), 7);
        for (int i : cols)
            row += " " + fmt("%15.3f", p->kolval[i]) + " " +
                   pad(cli::terminatedField(p->koltxt[i]), 7);
        while (!row.empty() && row.back() == ' ')
            row.pop_back();
        out << row << "\n";
    } while (l++);
}

int showLine(cli::ShowContext& ctx) {
    const dbstype rec = *ctx.dbs.Get_aktel();
    // No method of its own: the method and the column names come from the file.
    CLinjeData l(&ctx.proj, cli::terminatedField(rec.filnamn).c_str(), -1);
    // Damage the reader passes over silently fails the command after the listing.
    cli::FindingList findings;
    cli::checkLineFile(l.Sokvag(), "", findings);
    cli::reportErrors("show", findings);
    if (l.Init(1) != 0) {
        std::cerr << "harn show: cannot read the line file " << cli::userPath(l.Sokvag()) << "\n";
        return cli::kFailed;
    }
    if (ctx.json)
        showJson(l, rec, ctx.out);
    else
        showText(l, rec, ctx.out);
    return cli::kOk;
}

cli::ShowRegistrar reg(5, &showLine);

} // namespace
