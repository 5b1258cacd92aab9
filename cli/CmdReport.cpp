// harn report DIR [-o FILE.html]: the project on one self-contained web page (no external
// resources, opens offline): the head, the plan, a sortable table of the objects, each
// borehole's log and the findings of `harn check`.
#include "cli/Cli.h"
#include "cli/DbsCli.h"
#include "cli/DrawLog.h"
#include "cli/DrawSvg.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Clock.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string esc(const std::string& utf8) {
    return cli::xmlEscape(utf8);
}

template <size_t N> std::string text(const char (&f)[N]) {
    return cli::toUtf8(cli::terminatedField(f).c_str());
}

std::string fixed(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", cli::plain(v));
    return buf;
}

// Runs another command of the tool in this process and returns what it wrote on standard
// output; its exit code goes to `code`.
std::string captured(const char* name, const std::vector<std::string>& args, int& code) {
    std::ostringstream buf;
    std::streambuf* old = std::cout.rdbuf(buf.rdbuf());
    try {
        code = cli::findCommand(name)->run(args);
    } catch (...) {
        std::cout.rdbuf(old);
        throw;
    }
    std::cout.rdbuf(old);
    return buf.str();
}

// An SVG document made fit to stand inside HTML: without its XML declaration.
std::string inlineSvg(const std::string& svg) {
    const size_t at = svg.find("<svg");
    return at == std::string::npos ? "" : svg.substr(at);
}

const char* const kStyle = R"css(
body { font-family: "DejaVu Sans", Arial, Helvetica, sans-serif; margin: 24px; color: #222; }
h1 { margin: 0 0 4px 0; font-size: 26px; }
h2 { margin: 28px 0 8px 0; font-size: 19px; border-bottom: 1px solid #ccc; }
h3 { margin: 16px 0 4px 0; font-size: 15px; }
table { border-collapse: collapse; font-size: 13px; }
th, td { padding: 3px 8px; border-bottom: 1px solid #e2e2e2; text-align: left; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
table.head th { color: #555; font-weight: normal; }
table.sortable th { cursor: pointer; user-select: none; background: #f2f2f2; }
table.sortable th[aria-sort="ascending"]::after { content: " \25B2"; }
table.sortable th[aria-sort="descending"]::after { content: " \25BC"; }
.figure { overflow-x: auto; border: 1px solid #ddd; padding: 4px; }
#plan svg { max-width: 100%; height: auto; }
.error { color: #b00000; }
.warning { color: #9a6700; }
.note { color: #555; font-size: 13px; }
)css";

// Sorting of the tables: a click on a column title sorts by that column, a second click the
// other way; numbers by value, texts in Swedish order.
const char* const kScript = R"js(
(function () {
  function key(cell, numeric) {
    var v = cell.getAttribute('data-value');
    if (v === null) v = cell.textContent;
    if (!numeric) return v;
    var n = parseFloat(v);
    return isNaN(n) ? Infinity : n;
  }
  function sortBy(table, col, th) {
    var numeric = th.getAttribute('data-type') === 'num';
    var up = th.getAttribute('aria-sort') !== 'ascending';
    var body = table.tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    rows.sort(function (a, b) {
      var x = key(a.cells[col], numeric), y = key(b.cells[col], numeric);
      var c = numeric ? (x < y ? -1 : x > y ? 1 : 0) : String(x).localeCompare(String(y), 'sv');
      return up ? c : -c;
    });
    rows.forEach(function (r) { body.appendChild(r); });
    Array.prototype.forEach.call(table.tHead.rows[0].cells, function (h) {
      h.removeAttribute('aria-sort');
    });
    th.setAttribute('aria-sort', up ? 'ascending' : 'descending');
  }
  Array.prototype.forEach.call(document.querySelectorAll('table.sortable'), function (table) {
    Array.prototype.forEach.call(table.tHead.rows[0].cells, function (th, col) {
      th.tabIndex = 0;
      th.addEventListener('click', function () { sortBy(table, col, th); });
      th.addEventListener('keydown', function (e) {
        if (e.key === 'Enter' || e.key === ' ') { e.preventDefault(); sortBy(table, col, th); }
      });
    });
  });
})();
)js";

void headSection(std::string& h, const dbshdtype& hd, const std::string& folder) {
    h += "<header>\n<h1>" + esc(text(hd.projnamn)) + "</h1>\n<table class=\"head\">\n";
    auto row = [&](const std::string& name, const std::string& value) {
        if (!value.empty())
            h += "<tr><th>" + esc(name) + "</th><td>" + esc(value) + "</td></tr>\n";
    };
    row("folder", folder);
    row("created", text(hd.datum));
    for (const std::string& t : {text(hd.text1), text(hd.text2), text(hd.text3), text(hd.text4),
                                 text(hd.text5), text(hd.text6)})
        row("text", t);
    row("grid", text(hd.koordsys) + ", " + text(hd.riktning));
    row("version", text(hd.version));
    std::string counts;
    for (int t = 1; t <= 9; ++t)
        if (hd.typantal[t - 1] > 0)
            counts += (counts.empty() ? "" : ", ") + std::to_string(hd.typantal[t - 1]) + " " +
                      cli::typeName(t);
    row("objects", std::to_string(hd.antal) + (counts.empty() ? "" : " (" + counts + ")"));
    if (hd.xmax >= hd.xmin)
        row("extent", "x " + fixed(hd.xmin) + " to " + fixed(hd.xmax) + ", y " + fixed(hd.ymin) +
                          " to " + fixed(hd.ymax) + ", z " + fixed(hd.zmin) + " to " +
                          fixed(hd.zmax));
    h += "</table>\n</header>\n";
}

void objectsSection(std::string& h, CHarnDbs& dbs, std::vector<std::string>& boreholes) {
    std::string rows;
    int n = 0;
    if (dbs.Home() == 0) {
        do {
            const dbstype& r = *dbs.Get_aktel();
            if (r.typ == 0)
                continue;
            ++n;
            if (r.typ == 3)
                boreholes.push_back(text(r.id));
            rows += "<tr><td data-value=\"" + std::to_string(r.typ) + "\">" +
                    esc(cli::typeName(r.typ)) + "</td><td>" + esc(text(r.id)) + "</td><td>" +
                    esc(text(r.filnamn)) + "</td>";
            for (double v : {r.x, r.y, r.z, r.dx, r.dy, r.dz})
                rows +=
                    "<td class=\"num\" data-value=\"" + cli::number(v) + "\">" + fixed(v) + "</td>";
            rows += "<td>" + esc(cli::flagWords(r.flagg)) + "</td><td>" + esc(text(r.text)) +
                    "</td></tr>\n";
        } while (dbs++);
    }
    h += "<section id=\"objects\">\n<h2>Objects (" + std::to_string(n) +
         ")</h2>\n<p class=\"note\">Click a column title to sort.</p>\n"
         "<table class=\"sortable\" id=\"objects-table\">\n<thead><tr><th>type</th><th>id</th>"
         "<th>file</th>";
    for (const char* c : {"x", "y", "z", "dx", "dy", "dz"})
        h += std::string("<th data-type=\"num\">") + c + "</th>";
    h += "<th>methods</th><th>text</th></tr></thead>\n<tbody>\n" + rows +
         "</tbody>\n</table>\n"
         "</section>\n";
}

// The findings of `harn check`, one row per line of its text report
// ("SEVERITY  RULE  OBJECT  FILE: message", the columns two blanks apart).
void checkSection(std::string& h, const std::string& folder) {
    int code = 0;
    const std::string out = captured("check", {folder}, code);
    std::string rows, summary;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const bool error = line.rfind("error", 0) == 0, warning = line.rfind("warning", 0) == 0;
        if (!error && !warning) {
            summary += (summary.empty() ? "" : " ") + line;
            continue;
        }
        std::string rest = line.substr(error ? 5 : 7);
        auto column = [&rest](const char* end) {
            rest.erase(0, rest.find_first_not_of(' '));
            const size_t at = rest.find(end);
            std::string part = rest.substr(0, at);
            rest = at == std::string::npos ? std::string() : rest.substr(at + std::strlen(end));
            return part;
        };
        const std::string rule = column("  ");
        const std::string object = column("  ");
        const std::string file = column(": ");
        const char* cls = error ? "error" : "warning";
        rows += std::string("<tr class=\"") + cls + "\"><td>" + cls + "</td><td>" + esc(rule) +
                "</td><td>" + esc(object) + "</td><td>" + esc(file) + "</td><td>" + esc(rest) +
                "</td></tr>\n";
    }
    h += "<section id=\"check\">\n<h2>Check</h2>\n";
    if (!rows.empty())
        h += "<table class=\"sortable\" id=\"check-table\">\n<thead><tr><th>severity</th>"
             "<th>rule</th><th>object</th><th>file</th><th>finding</th></tr></thead>\n<tbody>\n" +
             rows + "</tbody>\n</table>\n";
    h += "<p>" + esc(summary.empty() ? "the check could not be run" : summary) + "</p>\n";
    h += "</section>\n";
}

int runReport(const std::vector<std::string>& argsIn) {
    const cli::Command& cmd = *cli::findCommand("report");
    std::vector<std::string> args = argsIn;
    bool missing = false;
    const std::string output = cli::takeFileOption(args, "-o", missing);
    if (missing)
        return cli::usageError(cmd, "-o needs a file name");
    if (!cli::oneFolder(args, cmd))
        return cli::kUsage;
    const std::string folder = cli::absoluteFolder(args[0]);
    auto proj = cli::projectFor(folder);
    CHarnDbs dbs(proj.get(), nullptr);
    if (cli::openDatabase(dbs, *proj, 1) != 0)
        return cli::kFailed;

    std::string h = "<!DOCTYPE html>\n<html lang=\"sv\">\n<head>\n<meta charset=\"utf-8\">\n"
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                    "<title>" +
                    esc(text(dbs.m_hd.projnamn)) + " - project report</title>\n<style>" + kStyle +
                    "</style>\n</head>\n<body>\n";
    headSection(h, dbs.m_hd, folder);

    int code = 0;
    const std::string plan = inlineSvg(captured("draw", {folder, "--width", "1100"}, code));
    h += "<section id=\"plan\">\n<h2>Plan</h2>\n";
    h += code == cli::kOk && !plan.empty()
             ? "<div class=\"figure\">\n" + plan + "</div>\n"
             : "<p class=\"error\">The plan could not be drawn.</p>\n";
    h += "</section>\n";

    std::vector<std::string> boreholes;
    objectsSection(h, dbs, boreholes);

    h += "<section id=\"logs\">\n<h2>Borehole logs (" + std::to_string(boreholes.size()) +
         ")</h2>\n";
    for (const std::string& id : boreholes) {
        std::string svg, error;
        h += "<h3>" + esc(id) + "</h3>\n";
        if (cli::drawLogs(dbs, *proj, {id}, svg, error))
            h += "<div class=\"figure log\">\n" + inlineSvg(svg) + "</div>\n";
        else
            h += "<p class=\"error\">" + esc(error) + "</p>\n";
    }
    if (boreholes.empty())
        h += "<p class=\"note\">The project has no boreholes.</p>\n";
    h += "</section>\n";

    checkSection(h, folder);

    const platform::LocalTime now = platform::localTime();
    char made[64];
    std::snprintf(made, sizeof made, "%04d-%02d-%02d %02d:%02d", now.year, now.month, now.day,
                  now.hour, now.minute);
    h += std::string("<footer class=\"note\"><p>Made by harn report, ") + made +
         ".</p></footer>\n<script>" + kScript + "</script>\n</body>\n</html>\n";

    if (output.empty() || output == "-") {
        std::cout << h;
        return std::cout.flush() ? cli::kOk : cli::kFailed;
    }
    return cli::writeOutput(cmd, output, h) ? cli::kOk : cli::kFailed;
}

cli::CommandRegistrar reg("report", "harn report DIR [-o FILE.html]",
                          "the project on one self-contained web page: head, plan, objects, "
                          "borehole logs and check findings",
                          &runReport);

} // namespace
