// harn report: one self-contained page, checked as text and in a real browser (headless
// Chromium, skipped when it is not installed): no console errors, the plan and a log drawn
// where the page puts them, the table sortable.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"
#include "platform/Process.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

class ReportTest : public DemoProjectTest {
protected:
    void SetUp() override {
        DemoProjectTest::SetUp();
        copyDemo("DEMO");
    }
    std::string project() const { return dir.path() + "/DEMO"; }
};

// Every part is on the page and nothing is fetched from elsewhere; a damaged borehole shows
// as a check finding and in its log, and the report is still made.
TEST_F(ReportTest, OnePageWithEveryPartAndNoExternalResources) {
    std::remove((project() + "/HARNDB/BH3.SND").c_str());
    auto r = runTool({"report", project(), "-o", dir.file("report.html")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string html = readBytes(dir.file("report.html"));
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("<h1>DEMO</h1>"), std::string::npos);

    // The plan, a row per object, a log per borehole, the check's findings and summary.
    EXPECT_NE(html.find("<section id=\"plan\">\n<h2>Plan</h2>\n<div class=\"figure\">\n<svg"),
              std::string::npos);
    const std::string ls = runTool({"ls", project()}).out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(ls, m, std::regex("\n(\\d+) objects\n")));
    const std::string table = html.substr(html.find("id=\"objects-table\""));
    EXPECT_EQ(occurrences(table.substr(0, table.find("</table>")), "<tr><td"),
              std::stoi(m[1].str()));
    const std::string boreholes = runTool({"ls", project(), "--type", "borehole"}).out;
    EXPECT_EQ(occurrences(html, "<g class=\"log\" data-id="),
              occurrences(boreholes, "\nborehole "));
    EXPECT_NE(html.find("<g class=\"log\" data-id=\"BH1\">"), std::string::npos);
    const std::string check = runTool({"check", project()}).out;
    EXPECT_NE(check.find("file-missing  BH3  "), std::string::npos) << check;
    EXPECT_NE(html.find("<tr class=\"error\"><td>error</td><td>file-missing</td><td>BH3</td><td>" +
                        project() + "/HARNDB/BH3.SND</td><td>data file is missing</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find(check.substr(check.rfind(" objects checked") - 2, 30)), std::string::npos);
    EXPECT_NE(html.find("BH3.SND cannot be read"), std::string::npos);

    // Self-contained: no src, href, url() but to a part of the page (the plan's clip) or
    // import; the only URI is the SVG namespace.
    EXPECT_FALSE(std::regex_search(html, std::regex("(src|href)\\s*=|url\\((?!#)|@import")));
    EXPECT_NE(html.find("url(#plan-frame)"), std::string::npos);
    EXPECT_EQ(occurrences(html, "http"), occurrences(html, "xmlns=\"http://www.w3.org/2000/svg\""));
}

// Headless Chromium: the flags keep it from the network and from any profile but a new one.
platform::ProcessResult chromium(const std::string& profile, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"chromium",
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--hide-scrollbars",
                                     "--force-device-scale-factor=1",
                                     "--enable-logging=stderr",
                                     "--v=0",
                                     "--user-data-dir=" + profile};
    argv.insert(argv.end(), args.begin(), args.end());
    return platform::runFilter(argv, "");
}

// The page's console lines in Chromium's log.
std::vector<std::string> consoleLines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        if (line.find(":CONSOLE") != std::string::npos)
            lines.push_back(line);
    return lines;
}

// The screenshot's pixels: its IDAT stream inflated by Python's zlib (Python runs the tests'
// literal checks too), then the row filters undone, for 8-bit RGB or RGBA without interlace.
struct Image {
    unsigned width = 0, height = 0;
    std::vector<std::string> rows; // RGB or RGBA bytes
    unsigned bpp = 0;
    // Share of the pixels of the box that are not near white.
    double ink(int x, int y, int w, int h) const {
        const int x1 = std::max(x, 0), y1 = std::max(y, 0);
        const int x2 = std::min<int>(x + w, static_cast<int>(width)),
                  y2 = std::min<int>(y + h, static_cast<int>(height));
        long n = 0, all = 0;
        for (int yy = y1; yy < y2; ++yy)
            for (int xx = x1; xx < x2; ++xx, ++all) {
                const unsigned char* p =
                    reinterpret_cast<const unsigned char*>(rows[yy].data()) + xx * bpp;
                n += std::min({p[0], p[1], p[2]}) < 200;
            }
        return all ? static_cast<double>(n) / static_cast<double>(all) : 0;
    }
};

bool readPng(const std::string& png, Image& img) {
    if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return false;
    auto be32 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(png[at]) << 24 |
                                     static_cast<unsigned char>(png[at + 1]) << 16 |
                                     static_cast<unsigned char>(png[at + 2]) << 8 |
                                     static_cast<unsigned char>(png[at + 3]));
    };
    std::string idat;
    for (size_t pos = 8; pos + 8 <= png.size();) {
        const size_t n = be32(pos);
        const std::string kind = png.substr(pos + 4, 4);
        if (kind == "IHDR") {
            img.width = be32(pos + 8), img.height = be32(pos + 12);
            if (png[pos + 16] != 8 || (png[pos + 17] != 2 && png[pos + 17] != 6) || png[pos + 20])
                return false;
            img.bpp = png[pos + 17] == 2 ? 3 : 4;
        } else if (kind == "IDAT") {
            idat += png.substr(pos + 8, n);
        }
        pos += 12 + n;
    }
    const platform::ProcessResult inflated = platform::runFilter(
        {"python3", "-c",
         "import sys, zlib; sys.stdout.buffer.write(zlib.decompress(sys.stdin.buffer.read()))"},
        idat);
    if (!img.bpp || inflated.exitCode != 0)
        return false;
    const std::string& raw = inflated.out;
    const size_t stride = img.width * img.bpp;
    if (raw.size() < img.height * (stride + 1))
        return false;
    std::string prev(stride, '\0');
    for (unsigned y = 0; y < img.height; ++y) {
        const int f = raw[y * (stride + 1)];
        std::string line = raw.substr(y * (stride + 1) + 1, stride);
        auto at = [](const std::string& s, size_t i) { return static_cast<unsigned char>(s[i]); };
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= img.bpp ? at(line, i - img.bpp) : 0, b = at(prev, i),
                      c = i >= img.bpp ? at(prev, i - img.bpp) : 0;
            int add = 0;
            if (f == 1)
                add = a;
            else if (f == 2)
                add = b;
            else if (f == 3)
                add = (a + b) / 2;
            else if (f == 4) {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                          pc = std::abs(p - c);
                add = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            line[i] = static_cast<char>(at(line, i) + add);
        }
        img.rows.push_back(line);
        prev = line;
    }
    return true;
}

// Appended to a copy of the page: where the plan and the first log with data stand, and the
// object ids after a click on the id column.
const char* const kProbe = R"js(<script>
(function () {
  function box(el) {
    var r = el.getBoundingClientRect();
    return [r.left + window.scrollX, r.top + window.scrollY, r.width, r.height].map(Math.round).join(' ');
  }
  var plan = document.querySelector('#plan svg');
  var log = document.querySelector('#logs g.cell').ownerSVGElement;
  var table = document.getElementById('objects-table');
  table.tHead.rows[0].cells[1].click();
  var ids = Array.prototype.map.call(table.tBodies[0].rows, function (r) { return r.cells[1].textContent; });
  var pre = document.createElement('pre');
  pre.id = 'probe';
  pre.textContent = 'plan ' + box(plan) + '\nlog ' + box(log) + '\nids ' + ids.join(',') +
      '\nsort ' + table.tHead.rows[0].cells[1].getAttribute('aria-sort');
  document.body.appendChild(pre);
})();
</script>)js";

TEST_F(ReportTest, ChromiumShowsPlanAndLogsWithoutConsoleErrors) {
    if (!platform::programOnPath("chromium"))
        GTEST_SKIP() << "chromium is not installed";
    // The console is really read: a page with an error shows it.
    writeBytes(dir.file("bad.html"), "<!DOCTYPE html><p>x</p><script>noSuchFunction();</script>");
    auto run = chromium(dir.file("p0"), {"--dump-dom", "file://" + dir.file("bad.html")});
    ASSERT_TRUE(run.started);
    ASSERT_EQ(consoleLines(run.err).size(), 1u) << run.err;
    EXPECT_NE(consoleLines(run.err)[0].find("noSuchFunction"), std::string::npos);

    ASSERT_EQ(runTool({"report", project(), "-o", dir.file("report.html")}).exitCode, 0);
    const std::string html = readBytes(dir.file("report.html"));
    run = chromium(dir.file("p1"),
                   {"--window-size=1400,4200", "--screenshot=" + dir.file("report.png"),
                    "file://" + dir.file("report.html")});
    ASSERT_TRUE(exists(dir.file("report.png"))) << run.err;
    EXPECT_EQ(consoleLines(run.err), std::vector<std::string>{});
    // Kept for a person to look at when HARN_KEEP_SCREENSHOT names a file.
    if (const char* keep = std::getenv("HARN_KEEP_SCREENSHOT"))
        writeBytes(keep, readBytes(dir.file("report.png")));

    const size_t end = html.rfind("</body>");
    writeBytes(dir.file("probe.html"), html.substr(0, end) + kProbe + html.substr(end));
    run = chromium(dir.file("p2"),
                   {"--window-size=1400,4200", "--dump-dom", "file://" + dir.file("probe.html")});
    EXPECT_EQ(consoleLines(run.err), std::vector<std::string>{});
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.out, m,
                                  std::regex("plan ([-\\d ]+)\nlog ([-\\d ]+)\nids (.*)\nsort "
                                             "(\\w+)")))
        << run.out.substr(run.out.size() > 2000 ? run.out.size() - 2000 : 0);
    EXPECT_EQ(m[4], "ascending");
    // Sorted by id (the demo's ids are in list order TUN1, HÄLL1, KBH-Ö1, ...).
    const std::string ids = m[3];
    EXPECT_EQ(ids.rfind(platform::cp1252ToUtf8("BH1,BH2,BH3,FP1,FP2,HÄLL1,HÄLL2"_cp), 0), 0u)
        << ids;

    // The plan and the log are drawn where the page has them, and the page is not all ink.
    std::istringstream plan(m[1]), log(m[2]);
    double px, py, pw, ph, lx, ly, lw, lh;
    plan >> px >> py >> pw >> ph;
    log >> lx >> ly >> lw >> lh;
    ASSERT_GT(pw * ph, 300 * 300.0);
    ASSERT_GT(lw * lh, 300 * 300.0);
    ASSERT_LT(ly + 400, 4200) << "the first log lies below the screenshot";
    Image img;
    ASSERT_TRUE(readPng(readBytes(dir.file("report.png")), img));
    const double w = img.width, h = img.height;
    const double planInk = img.ink(int(px), int(py), int(pw), int(ph));
    // The upper part of the log: its head, column titles and first metres.
    const double logInk = img.ink(int(lx), int(ly), int(std::min(lw, 1300.0)), 400);
    // The white strip right of the page's head table.
    const double blank = img.ink(900, 0, 480, 150);
    EXPECT_EQ(w, 1400);
    EXPECT_EQ(h, 4200);
    EXPECT_GT(planInk, 0.01);
    EXPECT_GT(logInk, 0.05);
    EXPECT_EQ(blank, 0);
}

} // namespace
