#include "cli/DrawLog.h"

#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/DrawLabels.h"
#include "cli/DrawSvg.h"
#include "cli/FileChecks.h"
#include "cli/Picture.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "borehole/SndFile.h"
#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "mapping/CBergOrMateLista.h"
#include "platform/Clock.h"
#include "platform/Cp1252Literal.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <memory>

namespace cli {

namespace {

// Sizes of the picture, in pixels.
constexpr double kMargin = 20;
constexpr double kTitle = 56;     // title rows above the logs
constexpr double kHead = 92;      // head of one log
constexpr double kGroupRow = 16;  // method name above its columns
constexpr double kTitleRows = 30; // column titles
constexpr double kAxis = 46;      // the depth axis at the left
constexpr double kGap = 26;       // between two logs
constexpr double kFont = 10;

// One drawn entry of a column: a section or test from `from` to `to` metres along the hole.
struct Cell {
    double from, to, value;
    std::string label;  // text drawn in the cell
    std::string detail; // further words for the tooltip
    std::string colour; // fill of a code interval
};

struct Column {
    enum Kind { Codes, Numbers, Bars, Curve, Text };
    std::string group; // "core", "registered", "water-loss"
    std::string key;   // data-quantity: the field's name
    std::string title;
    std::string range; // second title line
    Kind kind;
    double width;
    std::vector<Cell> cells;
    std::vector<std::pair<double, double>> points; // a curve: depth, value
    double lo = 0, hi = 1;                         // value scale of bars and curves
};

struct Remark {
    double depth;
    std::string text;
};

struct Log {
    std::string id;
    std::vector<std::string> head; // lines of the head
    std::vector<Column> columns;
    std::vector<Remark> remarks;
    double depth = 0; // the deepest depth drawn
    std::string problem;
};

std::string fmt(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// A value as the log shows it: whole numbers without decimals, others with up to three.
std::string shown(double v) {
    if (v == std::round(v) && std::fabs(v) < 1e15)
        return fmt("%.0f", plain(v));
    std::string s = fmt("%.3f", v);
    while (s.back() == '0')
        s.pop_back();
    return s;
}

std::string utf8(const std::string& cp1252) {
    return toUtf8(cp1252.c_str());
}

// The codes of the project's code list by number.
struct CodeInfo {
    std::string name; // designation, UTF-8
    std::string text; // UTF-8
    int colour;
};
using CodeTable = std::map<int, CodeInfo>;

CodeTable codeTable(CProjPath& proj, int typ) {
    CBergOrMateLista list(nullptr, &proj, typ);
    list.Init();
    CodeTable table;
    if (list.Home() == 0) {
        do {
            const bergmattype& c = *list.Get_aktel();
            if (!table.count(c.nr))
                table[c.nr] = {utf8(terminatedField(c.beteckning)), utf8(terminatedField(c.text)),
                               c.tal};
        } while (list++);
    }
    return table;
}

// A code interval: designation (with its sub-code), the code's text and colour.
Cell codeCell(double from, double to, int kod, int underkod, const CodeTable& codes) {
    auto it = codes.find(kod);
    std::string name = it == codes.end() ? "#" + std::to_string(kod) : it->second.name;
    if (underkod != 0)
        name += "." + std::to_string(underkod);
    const std::string text = it == codes.end() ? "not in the code list" : it->second.text;
    return {from, to,   static_cast<double>(kod),
            name, text, codeColour(it == codes.end() ? 0 : it->second.colour)};
}

// Columns that hold nothing are left out.
void keep(Log& log, Column c) {
    if (!c.cells.empty() || !c.points.empty())
        log.columns.push_back(std::move(c));
}

void coreColumns(Log& log, CKarnborr& kb, CProjPath& proj) {
    struct Section {
        double from, to;
        kbtype r;
    };
    std::vector<Section> sections;
    double prev = 0;
    if (kb.Home() == 0) {
        do {
            const kbtype& r = *kb.Get_aktel();
            sections.push_back({std::min(prev, r.djup), std::max(prev, r.djup), r});
            prev = r.djup;
        } while (kb++);
    }
    if (sections.empty())
        return;
    const CodeTable rock = codeTable(proj, 0), infill = codeTable(proj, 1);
    const struct {
        const char* key;
        const char* title;
        const CodeTable& codes;
        int16_t kbtype::*kod;
        int16_t kbtype::*underkod;
    } codeColumns[] = {{"kod1", "rock", rock, &kbtype::kod1, &kbtype::underkod1},
                       {"kod2", "infill", infill, &kbtype::kod2, &kbtype::underkod2},
                       {"kod3", "rock 2", rock, &kbtype::kod3, &kbtype::underkod3}};
    for (const auto& cc : codeColumns) {
        Column c{"core", cc.key, cc.title, "code list", Column::Codes, 92, {}, {}};
        for (const Section& s : sections)
            if (s.r.*cc.kod != 0)
                c.cells.push_back(codeCell(s.from, s.to, s.r.*cc.kod, s.r.*cc.underkod, cc.codes));
        keep(log, std::move(c));
    }
    // Quantities of a section; a value of 0 is taken as not given.
    struct Quantity {
        std::string key, title, range;
        Column::Kind kind;
        double lo, hi;
        std::function<double(const kbtype&)> get;
    };
    std::vector<Quantity> quantities = {
        {"vinkel1", "angle 1", "deg", Column::Numbers, 0, 0,
         [](const kbtype& r) { return r.vinkel1; }},
        {"vinkel2", "angle 2", "deg", Column::Numbers, 0, 0,
         [](const kbtype& r) { return r.vinkel2; }},
        {"procent", "%", "0-100", Column::Bars, 0, 100, [](const kbtype& r) { return r.procent; }},
        {"tal1", "no. 1", "0-200", Column::Bars, 0, 200, [](const kbtype& r) { return r.tal1; }},
        {"klass", "class", "0-5", Column::Bars, 0, 5, [](const kbtype& r) { return r.klass; }},
        {"tal2", "no. 2", "", Column::Numbers, 0, 0, [](const kbtype& r) { return r.tal2; }},
        {"varde", "value", "", Column::Numbers, 0, 0, [](const kbtype& r) { return r.varde; }},
        {"val", "choice", "1 or 2", Column::Numbers, 0, 0, [](const kbtype& r) { return r.val; }},
        {"flagga", "flag", "", Column::Numbers, 0, 0, [](const kbtype& r) { return r.flagga; }},
    };
    // The six small extra values count only when given (not all six blanks).
    auto extraGiven = [](const kbtype& r) {
        return std::any_of(r.extra, r.extra + 6, [](int8_t e) { return e != 32; });
    };
    for (int i = 0; i < 6; ++i)
        quantities.push_back(
            {"extra" + std::to_string(i + 1), "e" + std::to_string(i + 1), "extra", Column::Numbers,
             0, 0, [i, extraGiven](const kbtype& r) { return extraGiven(r) ? r.extra[i] : 0.0; }});
    for (int i = 0; i < 5; ++i)
        quantities.push_back({"extravarde" + std::to_string(i + 1), "x" + std::to_string(i + 1),
                              "x value", Column::Numbers, 0, 0,
                              [i](const kbtype& r) { return r.extravarde[i]; }});
    for (const Quantity& q : quantities) {
        Column c{"core", q.key, q.title, q.range, q.kind, q.kind == Column::Bars ? 58.0 : 48.0,
                 {},     {},    q.lo,    q.hi};
        for (const Section& s : sections) {
            const double v = q.get(s.r);
            if (v != 0)
                c.cells.push_back({s.from, s.to, v, shown(v), "", ""});
        }
        keep(log, std::move(c));
    }
    Column text{"core", "text", "text", "", Column::Text, 104, {}, {}};
    for (const Section& s : sections) {
        const std::string t = utf8(field(s.r.text));
        if (!t.empty())
            text.cells.push_back({s.from, s.to, 0, t, "", ""});
        for (int k = 0; k < 6; ++k)
            if (s.r.textrad[k][0])
                log.remarks.push_back({(s.from + s.to) / 2,
                                       std::to_string(k + 1) + ": " + utf8(field(s.r.textrad[k]))});
    }
    keep(log, std::move(text));
    log.depth = std::max(log.depth, sections.back().to);
    for (const Section& s : sections)
        log.depth = std::max(log.depth, s.to);
}

void curve(Log& log, const std::string& group, const std::string& key, const std::string& title,
           CRegBorr& rb, const std::function<double(const rbtype&)>& get) {
    Column c{group, key, title, "", Column::Curve, 78, {}, {}};
    bool any = false;
    if (rb.Home() == 0) {
        do {
            const rbtype& r = *rb.Get_aktel();
            const double v = get(r);
            any = any || v != 0;
            c.points.push_back({r.djup, v});
            log.depth = std::max(log.depth, static_cast<double>(r.djup));
        } while (rb++);
    }
    if (!any)
        return;
    // The curve spans its column from the least to the greatest reading; from 0 when the
    // least is small beside the greatest.
    c.lo = HUGE_VAL, c.hi = -HUGE_VAL;
    for (const auto& p : c.points)
        if (std::isfinite(p.second))
            c.lo = std::min(c.lo, p.second), c.hi = std::max(c.hi, p.second);
    if (c.lo >= 0 && c.lo < 0.5 * c.hi)
        c.lo = 0;
    if (!std::isfinite(c.lo) || !std::isfinite(c.hi))
        c.lo = 0, c.hi = 1;
    if (c.hi <= c.lo)
        c.hi = c.lo + 1;
    c.range = shown(c.lo) + " to " + shown(c.hi);
    keep(log, std::move(c));
}

void registeredColumns(Log& log, CRegBorr& rb, bool full) {
    const std::string group = full ? "RB" : "JB1";
    curve(log, group, full ? "sjunktid" : "jb1-sjunktid", "time", rb,
          [](const rbtype& r) { return static_cast<double>(r.sjunktid); });
    if (full) {
        curve(log, group, "hastighet", "speed", rb, [](const rbtype& r) { return r.hastighet; });
        for (int i = 0; i < 6; ++i)
            curve(log, group, "rbvarde" + std::to_string(i + 1), "value " + std::to_string(i + 1),
                  rb, [i](const rbtype& r) { return r.rbvarde[i]; });
    }
    if (rb.Home() == 0) {
        do {
            const rbtype& r = *rb.Get_aktel();
            const std::string t = utf8(field(r.text));
            if (!t.empty())
                log.remarks.push_back({r.djup, group + ": " + t});
        } while (rb++);
    }
}

void waterLossColumns(Log& log, CVattenF& vf) {
    std::vector<vftype> tests;
    if (vf.Home() == 0) {
        do
            tests.push_back(*vf.Get_aktel());
        while (vf++);
    }
    // The first two values are the test section's ends; the other four its measured values.
    for (int i = 2; i < 6; ++i) {
        Column c{"VF",
                 "vfvarde" + std::to_string(i + 1),
                 "value " + std::to_string(i + 1),
                 "",
                 Column::Bars,
                 64,
                 {},
                 {}};
        c.hi = 0;
        for (const vftype& t : tests) {
            const double v = t.vfvarde[i];
            if (v == 0 || !std::isfinite(v))
                continue;
            c.cells.push_back({std::min(t.vfvarde[0], t.vfvarde[1]),
                               std::max(t.vfvarde[0], t.vfvarde[1]), v, shown(v), "", ""});
            c.hi = std::max(c.hi, std::fabs(v));
        }
        if (c.hi == 0)
            c.hi = 1;
        c.range = "0 to " + shown(c.hi);
        keep(log, std::move(c));
    }
    for (const vftype& t : tests) {
        log.depth = std::max({log.depth, t.vfvarde[0], t.vfvarde[1]});
        const std::string text = utf8(field(t.text));
        log.remarks.push_back(
            {(t.vfvarde[0] + t.vfvarde[1]) / 2,
             "VF code " + std::to_string(t.vfkod) + (text.empty() ? "" : ": " + text)});
    }
}

// The date a file was last written, from its age and the clock.
std::string fileDate(const char* path) {
    const int64_t age = platform::fileAgeSeconds(path);
    if (age < 0)
        return "";
    using namespace std::chrono;
    const platform::LocalTime now = platform::localTime();
    const sys_seconds t = sys_days(year_month_day(year(now.year), month(now.month), day(now.day))) +
                          hours(now.hour) + minutes(now.minute) + seconds(now.second) -
                          seconds(age);
    const year_month_day d(floor<days>(t));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
    return buf;
}

Log readLog(CHarnDbs& dbs, CProjPath& proj, const dbstype& r, const char* failAs) {
    Log log;
    log.id = toUtf8(terminatedField(r.id).c_str());
    const std::string namn = field(r.filnamn);
    CRegBorr head(&proj, namn.c_str(), CRegBorr::BARABHD);
    const CString snd = borehole::sndPath(&proj, namn.c_str());
    // A borehole file that is missing, cannot be read or that `check` finds damaged fails the
    // command that asked for the log, said as `check` says it; the log shows what could be
    // read all the same.
    if (failAs) {
        FindingList findings;
        checkBoreholeFile(snd, "", findings);
        reportErrors(failAs, findings);
        if (platform::access(snd, 0) != 0) {
            std::cerr << "harn " << failAs << ": missing " << userPath(snd) << "\n";
            markFailed();
        }
    }
    if (head.Init(CRegBorr::BARABHD) != 0) {
        log.problem = "borehole file " + utf8(snd.str()) + " cannot be read";
        log.head = {"x " + shown(r.x) + "  y " + shown(r.y) + "  z " + shown(r.z) +
                    " (database record)"};
        return log;
    }
    const harnbhdtype& h = head.m_bhd;
    log.head.push_back("x " + fmt("%.2f", h.x) + "  y " + fmt("%.2f", h.y));
    log.head.push_back("ground z " + fmt("%.2f", h.z) + "  rock z " + fmt("%.2f", h.zberg));
    const std::string deg = toUtf8("°"_cp); // literals are CP1252
    log.head.push_back("inclination " + std::to_string(h.lutning) + deg + "  azimuth " +
                       std::to_string(h.azimut) + deg +
                       (std::string(h.avvmatt).rfind("J", 0) == 0 ? "  surveyed" : ""));
    const std::string saved = fileDate(snd);
    log.head.push_back("project " + utf8(terminatedField(dbs.m_hd.datum)) +
                       (saved.empty() ? "" : "  saved " + saved));
    if (h.lutning != 90)
        log.head.push_back("depths along the hole");

    CKarnborr kb(&proj, namn.c_str());
    CRegBorr jb(&proj, namn.c_str(), CRegBorr::JB1), rb(&proj, namn.c_str(), CRegBorr::RB);
    CVattenF vf(&proj, namn.c_str());
    if (kb.Init() == 0)
        coreColumns(log, kb, proj);
    if (rb.Init(CRegBorr::RB) == 0)
        registeredColumns(log, rb, true);
    if (jb.Init(CRegBorr::JB1) == 0)
        registeredColumns(log, jb, false);
    if (vf.Init() == 0)
        waterLossColumns(log, vf);
    if (log.columns.empty() && log.remarks.empty())
        log.problem = "no method data";
    std::stable_sort(log.remarks.begin(), log.remarks.end(),
                     [](const Remark& a, const Remark& b) { return a.depth < b.depth; });
    return log;
}

// 1, 2 or 5 times a power of ten, at least `v`.
double niceStep(double v) {
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    const double m = v / p;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * p;
}

constexpr double kRemarksWidth = 210;

double logWidth(const Log& log) {
    double w = 0;
    for (const Column& c : log.columns)
        w += c.width;
    return std::max(w + (log.remarks.empty() ? 0 : kRemarksWidth), 170.0);
}

// Black or white, whichever reads better on `fill`.
const char* textOn(const std::string& fill) {
    unsigned r = 0, g = 0, b = 0;
    std::sscanf(fill.c_str(), "#%02x%02x%02x", &r, &g, &b);
    return 0.299 * r + 0.587 * g + 0.114 * b < 140 ? "white" : "#111111";
}

std::string range(const Cell& c) {
    return shown(c.from) + "-" + shown(c.to) + " m";
}

// Depths beyond the drawn range (a damaged value) stay on its edge.
double depthY(double d, double top, double k, double bottom) {
    return std::isfinite(d) ? std::clamp(top + d * k, top, bottom) : top;
}

void drawColumn(SvgWriter& svg, const Column& c, double x, double top, double k, double bottom) {
    auto y = [&](double d) { return depthY(d, top, k, bottom); };
    svg.start("g")
        .attr("class", "column " + c.group)
        .attr("data-quantity", c.key)
        .attr("data-x", x)
        .attr("data-width", c.width);
    for (const Cell& cell : c.cells) {
        const double y1 = y(cell.from), h = y(cell.to) - y1;
        svg.start("g")
            .attr("class", "cell")
            .attr("data-from", number(cell.from))
            .attr("data-to", number(cell.to))
            .attr("data-value", number(cell.value));
        svg.start("title")
            .text(c.title + " " + range(cell) + ": " + cell.label +
                  (cell.detail.empty() ? "" : " " + cell.detail))
            .end();
        switch (c.kind) {
        case Column::Codes:
            svg.start("rect")
                .attr("x", x + 1)
                .attr("y", y1)
                .attr("width", c.width - 2)
                .attr("height", h)
                .attr("fill", cell.colour)
                .attr("stroke", "#333333")
                .attr("stroke-width", 0.6)
                .end();
            if (h >= kFont + 1)
                svg.start("text")
                    .attr("x", x + 5)
                    .attr("y", y1 + std::min(h / 2, 2 * kFont) + kFont * 0.35)
                    .attr("fill", textOn(cell.colour))
                    .text(cell.label + (h >= 2 * kFont + 8 ? "" : " " + cell.detail))
                    .end();
            if (h >= 2 * kFont + 8 && !cell.detail.empty())
                svg.start("text")
                    .attr("x", x + 5)
                    .attr("y", y1 + std::min(h / 2, 2 * kFont) + kFont * 1.45)
                    .attr("fill", textOn(cell.colour))
                    .text(cell.detail)
                    .end();
            break;
        case Column::Bars: {
            const double len = std::clamp(std::fabs(cell.value) / c.hi, 0.0, 1.0) * (c.width - 6);
            svg.start("rect")
                .attr("x", x + 3)
                .attr("y", y1)
                .attr("width", len)
                .attr("height", h)
                .attr("fill", c.group == "VF" ? "#6baed6" : "#a1d99b")
                .attr("stroke", "#555555")
                .attr("stroke-width", 0.5)
                .end();
            if (h >= kFont)
                svg.start("text")
                    .attr("x", x + 5)
                    .attr("y", y1 + h / 2 + kFont * 0.35)
                    .text(cell.label)
                    .end();
            break;
        }
        case Column::Numbers:
        case Column::Text:
            // A thin mark over the section and the value at its middle.
            svg.start("rect")
                .attr("x", x + 1)
                .attr("y", y1)
                .attr("width", 2)
                .attr("height", h)
                .attr("fill", "#888888")
                .end();
            if (h >= kFont || c.kind == Column::Text)
                svg.start("text")
                    .attr("x", x + 6)
                    .attr("y", y1 + h / 2 + kFont * 0.35)
                    .text(cell.label)
                    .end();
            break;
        case Column::Curve:
            break;
        }
        svg.end();
    }
    if (c.kind == Column::Curve) {
        const double x0 = x + 4, x1 = x + c.width - 4;
        auto vx = [&](double v) {
            const double t = (v - c.lo) / (c.hi - c.lo);
            return std::isfinite(t) ? x0 + std::clamp(t, 0.0, 1.0) * (x1 - x0) : x0;
        };
        std::string pts;
        for (const auto& [d, v] : c.points)
            pts += (pts.empty() ? "" : " ") + pixels(vx(v)) + "," + pixels(y(d));
        svg.start("polyline")
            .attr("class", "curve")
            .attr("data-lo", number(c.lo))
            .attr("data-hi", number(c.hi))
            .attr("data-x-lo", x0)
            .attr("data-x-hi", x1)
            .attr("points", pts)
            .attr("fill", "none")
            .attr("stroke", "#c0392b")
            .attr("stroke-width", 1.5)
            .attr("stroke-linejoin", "round")
            .end();
        if (c.points.size() <= 200)
            for (const auto& [d, v] : c.points)
                svg.start("circle")
                    .attr("cx", vx(v))
                    .attr("cy", y(d))
                    .attr("r", 1.8)
                    .attr("fill", "#c0392b")
                    .end();
    }
    svg.end();
}

void drawLog(SvgWriter& svg, const Log& log, double x, double top, double k, double bottom) {
    const double width = logWidth(log);
    svg.start("g").attr("class", "log").attr("data-id", log.id);
    double hy = kMargin + kTitle;
    svg.start("text")
        .attr("x", x)
        .attr("y", hy + 14)
        .attr("font-size", 16)
        .attr("font-weight", "bold")
        .text(log.id)
        .end();
    for (const std::string& line : log.head) {
        hy += 14;
        svg.start("text").attr("x", x).attr("y", hy + 14).attr("font-size", 11).text(line).end();
    }
    if (!log.problem.empty())
        svg.start("text")
            .attr("x", x)
            .attr("y", top + 16)
            .attr("font-size", 12)
            .attr("fill", "#b00000")
            .text(log.problem)
            .end();
    // Method names over their columns, then the column titles.
    const double groupY = top - kTitleRows - kGroupRow;
    const std::map<std::string, std::string> groupNames = {{"core", "core drilling"},
                                                           {"RB", "registered drilling"},
                                                           {"JB1", "registered, short form"},
                                                           {"VF", "water-loss tests"}};
    double cx = x;
    for (size_t i = 0; i < log.columns.size(); ++i) {
        const Column& c = log.columns[i];
        if (i == 0 || log.columns[i - 1].group != c.group) {
            double w = 0;
            for (size_t j = i; j < log.columns.size() && log.columns[j].group == c.group; ++j)
                w += log.columns[j].width;
            svg.start("rect")
                .attr("x", cx + 1)
                .attr("y", groupY)
                .attr("width", w - 2)
                .attr("height", kGroupRow - 3)
                .attr("fill", "#e8e8e8")
                .end();
            svg.start("text")
                .attr("x", cx + 4)
                .attr("y", groupY + kGroupRow - 6)
                .attr("font-size", 10)
                .attr("font-weight", "bold")
                .text(textWidth(groupNames.at(c.group), 10) < w ? groupNames.at(c.group) : c.group)
                .end();
        }
        svg.start("text")
            .attr("x", cx + 3)
            .attr("y", top - kTitleRows + 11)
            .attr("font-size", 10)
            .attr("font-weight", "bold")
            .text(c.title)
            .end();
        if (!c.range.empty())
            svg.start("text")
                .attr("x", cx + 3)
                .attr("y", top - kTitleRows + 23)
                .attr("font-size", 9)
                .attr("fill", "#555555")
                .text(c.range)
                .end();
        svg.start("rect")
            .attr("x", cx)
            .attr("y", top)
            .attr("width", c.width)
            .attr("height", bottom - top)
            .attr("fill", "none")
            .attr("stroke", "#bbbbbb")
            .attr("stroke-width", 0.6)
            .end();
        svg.start("g").attr("font-size", kFont);
        drawColumn(svg, c, cx, top, k, bottom);
        svg.end();
        cx += c.width;
    }
    if (!log.remarks.empty()) {
        svg.start("text")
            .attr("x", cx + 6)
            .attr("y", top - kTitleRows + 11)
            .attr("font-size", 10)
            .attr("font-weight", "bold")
            .text("remarks")
            .end();
        svg.start("g").attr("class", "remarks").attr("font-size", kFont);
        double next = top;
        for (const Remark& r : log.remarks) {
            const double at = depthY(r.depth, top, k, bottom);
            const double y = std::max(at, next);
            svg.start("line")
                .attr("x1", cx)
                .attr("y1", at)
                .attr("x2", cx + 5)
                .attr("y2", y)
                .attr("stroke", "#888888")
                .end();
            svg.start("text")
                .attr("class", "remark")
                .attr("data-depth", number(r.depth))
                .attr("x", cx + 7)
                .attr("y", y + kFont * 0.35)
                .text(r.text)
                .end();
            next = y + kFont + 2;
        }
        svg.end();
    }
    (void)width;
    svg.end();
}

std::vector<std::string> splitIds(const std::string& text) {
    std::vector<std::string> ids;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            ids.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return ids;
}

} // namespace

std::string codeColour(int i) {
    static const char* const basic[10] = {"#bbbbbb", "#ff0000", "#ffff00", "#00ff00", "#00ffff",
                                          "#0000ff", "#ff00ff", "#000000", "#808080", "#c0c0c0"};
    if (i < 0 || i > 255)
        return basic[0];
    if (i < 10)
        return basic[i];
    char buf[8];
    if (i >= 250) {
        const int grey = 51 + (i - 250) * 204 / 5;
        std::snprintf(buf, sizeof buf, "#%02x%02x%02x", grey, grey, grey);
        return buf;
    }
    // Rows of ten: a hue every 15 degrees; within a row five levels of brightness, each full
    // and half saturated.
    static const double levels[5] = {255, 165, 127, 76, 38};
    const double hue = (i / 10 - 1) * 15.0;
    const double v = levels[(i % 10) / 2], s = i % 2 ? 0.5 : 1.0;
    const double c = v * s, h = hue / 60.0;
    const double xx = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h)) {
    case 0:
        r = c, g = xx;
        break;
    case 1:
        r = xx, g = c;
        break;
    case 2:
        g = c, b = xx;
        break;
    case 3:
        g = xx, b = c;
        break;
    case 4:
        r = xx, b = c;
        break;
    default:
        r = c, b = xx;
        break;
    }
    const double m = v - c;
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", static_cast<int>(std::lround(r + m)),
                  static_cast<int>(std::lround(g + m)), static_cast<int>(std::lround(b + m)));
    return buf;
}

bool drawLogs(CHarnDbs& dbs, CProjPath& proj, const std::vector<std::string>& ids, std::string& out,
              std::string& error, const char* failAs) {
    std::vector<Log> logs;
    for (const std::string& id : ids) {
        char key[sizeof dbstype::id] = {};
        std::snprintf(key, sizeof key, "%s", fromUtf8(id).c_str());
        if (fromUtf8(id).size() >= sizeof key || dbs.Findid(3, key) != 0) {
            error = "no borehole " + id + " in the project";
            return false;
        }
        logs.push_back(readLog(dbs, proj, *dbs.Get_aktel(), failAs));
    }
    double depth = 1;
    for (const Log& l : logs)
        depth = std::max(depth, std::isfinite(l.depth) ? std::min(l.depth, 5000.0) : 1.0);
    // One scale for every log: the deepest fits in about 700 pixels, within 4 to 40 per metre.
    // (a whole number of pixels per metre, so that depths read back from the drawing).
    const double k = std::clamp(std::floor(700.0 / depth), 4.0, 40.0);
    double maxHead = 0;
    for (const Log& l : logs)
        maxHead = std::max(maxHead, 18.0 + 14.0 * static_cast<double>(l.head.size()));
    const double top = kMargin + kTitle + std::max(maxHead, kHead) + kGroupRow + kTitleRows;
    const double bottom = top + depth * k;
    double width = kMargin + kAxis;
    for (const Log& l : logs)
        width += logWidth(l) + kGap;
    width = std::max(width + kMargin - kGap, 480.0); // room for the titles
    const double height = bottom + 30;

    cli::SvgWriter svg(out);
    svg.start("svg")
        .attr("xmlns", "http://www.w3.org/2000/svg")
        .attr("class", "borehole-logs")
        .attr("width", std::ceil(width))
        .attr("height", std::ceil(height))
        .attr("viewBox", "0 0 " + pixels(std::ceil(width)) + " " + pixels(std::ceil(height)))
        .attr("data-depth-top", top)
        .attr("data-px-per-m", k)
        .attr("font-family", "DejaVu Sans, Arial, Helvetica, sans-serif");
    const std::string project = toUtf8(terminatedField(dbs.m_hd.projnamn).c_str());
    std::string names;
    for (const Log& l : logs)
        names += (names.empty() ? "" : ", ") + l.id;
    svg.start("title").text(project + ": " + names).end();
    svg.start("rect").attr("width", "100%").attr("height", "100%").attr("fill", "white").end();
    svg.start("text")
        .attr("x", kMargin)
        .attr("y", kMargin + 18)
        .attr("font-size", 20)
        .attr("font-weight", "bold")
        .text(project)
        .end();
    svg.start("text")
        .attr("x", kMargin)
        .attr("y", kMargin + 38)
        .attr("font-size", 12)
        .attr("fill", "#555555")
        .text(std::string(logs.size() == 1 ? "Borehole log" : "Borehole logs") +
              ", depth in metres along the hole")
        .end();

    // Depth axis with grid lines across every log.
    const double step = niceStep(28.0 / k);
    svg.start("g").attr("class", "depth-axis").attr("font-size", 10);
    const double axisX = kMargin + kAxis - 6;
    svg.start("line")
        .attr("x1", axisX)
        .attr("y1", top)
        .attr("x2", axisX)
        .attr("y2", bottom)
        .attr("stroke", "#222222")
        .end();
    for (int i = 0; i * step <= depth + 1e-9; ++i) {
        const double d = i * step, y = top + d * k;
        svg.start("line")
            .attr("x1", axisX - 4)
            .attr("y1", y)
            .attr("x2", width - kMargin)
            .attr("y2", y)
            .attr("stroke", "#eeeeee")
            .end();
        svg.start("text")
            .attr("x", axisX - 7)
            .attr("y", y + 3.5)
            .attr("text-anchor", "end")
            .text(shown(d))
            .end();
    }
    svg.start("text")
        .attr("x", axisX - 7)
        .attr("y", top - 8)
        .attr("text-anchor", "end")
        .attr("font-weight", "bold")
        .text("m")
        .end();
    svg.end();

    double x = kMargin + kAxis;
    for (const Log& l : logs) {
        drawLog(svg, l, x, top, k, bottom);
        x += logWidth(l) + kGap;
    }
    svg.finish();
    return true;
}

bool isLogRequest(const std::vector<std::string>& args) {
    int positional = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--ids" || a.rfind("--ids=", 0) == 0)
            return true;
        if (a == "-o" || a == "--width" || a == "--type" || a == "--bbox" || a == "--only")
            ++i; // its value
        else if (a.rfind("-", 0) != 0 || a == "-")
            ++positional;
    }
    return positional > 1;
}

int runDrawLogs(const Command& cmd, std::vector<std::string> args) {
    bool missing = false;
    const std::string output = takeFileOption(args, "-o", missing);
    if (missing)
        return usageError(cmd, "-o needs a file name");
    std::vector<std::string> ids = splitIds(takeOption(args, "--ids", missing));
    if (missing)
        return usageError(cmd, "--ids needs identifiers, e.g. --ids BH1,BH2");
    for (const std::string& a : args)
        if (a.rfind("-", 0) == 0)
            return usageError(cmd, "unknown option " + a + " for borehole logs");
    if (args.empty())
        return usageError(cmd, "the project folder is missing");
    ids.insert(ids.begin(), args.begin() + 1, args.end());
    if (ids.empty())
        return usageError(cmd, "name the boreholes to draw");
    auto proj = projectFor(args[0]);
    CHarnDbs dbs(proj.get(), nullptr);
    if (openDatabase(dbs, *proj, 1) != 0)
        return kFailed;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", error;
    if (!drawLogs(dbs, *proj, ids, svg, error, cmd.name.c_str())) {
        std::cerr << "harn " << cmd.name << ": " << error << "\n";
        return kFailed;
    }
    return writePicture(cmd, output, svg) ? kOk : kFailed;
}

} // namespace cli
