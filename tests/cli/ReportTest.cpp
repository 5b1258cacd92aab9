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

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        CProjPath::ResetNames();
        ASSERT_EQ(runTool({"demo", project()}).exitCode, 0);
    }
    std::string project() const { return dir.path() + "/DEMO"; }
    TempDir dir;
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
    EXPECT_EQ(count(table.substr(0, table.find("</table>")), "<tr><td"), std::stoul(m[1].str()));
    const std::string boreholes = runTool({"ls", project(), "--type", "borehole"}).out;
    EXPECT_EQ(count(html, "<g class=\"log\" data-id="), count(boreholes, "\nborehole "));
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
    EXPECT_EQ(count(html, "http"), count(html, "xmlns=\"http://www.w3.org/2000/svg\""));

    EXPECT_EQ(runTool({"report"}).exitCode, 2);
    EXPECT_EQ(runTool({"report", dir.file("none")}).exitCode, 1);
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

// A small PNG reader for the screenshot: zlib inflate (after the classic "puff") and the
// row filters, for 8-bit RGB or RGBA images without interlace.
class Inflater {
public:
    explicit Inflater(const std::string& in) : m_in(in) {}
    bool run(std::string& out) {
        m_pos = 2; // the zlib header
        int last = 0;
        do {
            last = bits(1);
            const int type = bits(2);
            if (type == 0) {
                m_bitCount = 0, m_bitBuf = 0;
                if (m_pos + 4 > m_in.size())
                    return false;
                const size_t len = byte(m_pos) | byte(m_pos + 1) << 8;
                m_pos += 4;
                if (m_pos + len > m_in.size())
                    return false;
                out.append(m_in, m_pos, len);
                m_pos += len;
            } else if (type == 1 || type == 2) {
                Huffman lit, dist;
                if (type == 1) {
                    std::vector<int> l(288);
                    for (int i = 0; i < 288; ++i)
                        l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
                    lit = Huffman(l);
                    dist = Huffman(std::vector<int>(30, 5));
                } else if (!dynamic(lit, dist)) {
                    return false;
                }
                if (!codes(out, lit, dist))
                    return false;
            } else {
                return false;
            }
        } while (!last && !m_bad);
        return !m_bad;
    }

private:
    struct Huffman {
        Huffman() = default;
        explicit Huffman(const std::vector<int>& lengths) : count(16), symbol(lengths.size()) {
            for (int l : lengths)
                ++count[l];
            std::vector<int> offs(16);
            for (int l = 1; l < 15; ++l)
                offs[l + 1] = offs[l] + count[l];
            for (size_t s = 0; s < lengths.size(); ++s)
                if (lengths[s])
                    symbol[offs[lengths[s]]++] = static_cast<int>(s);
        }
        std::vector<int> count, symbol;
    };
    unsigned byte(size_t at) const { return static_cast<unsigned char>(m_in[at]); }
    int bits(int need) {
        while (m_bitCount < need) {
            if (m_pos >= m_in.size()) {
                m_bad = true;
                return 0;
            }
            m_bitBuf |= byte(m_pos++) << m_bitCount;
            m_bitCount += 8;
        }
        const int v = static_cast<int>(m_bitBuf & ((1u << need) - 1));
        m_bitBuf >>= need;
        m_bitCount -= need;
        return v;
    }
    int decode(const Huffman& h) {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= bits(1);
            const int count = h.count[len];
            if (code - count < first)
                return h.symbol[index + (code - first)];
            index += count, first += count;
            first <<= 1, code <<= 1;
        }
        m_bad = true;
        return 0;
    }
    bool dynamic(Huffman& lit, Huffman& dist) {
        static const int order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                      11, 4,  12, 3, 13, 2, 14, 1, 15};
        const int nlen = bits(5) + 257, ndist = bits(5) + 1, ncode = bits(4) + 4;
        std::vector<int> lengths(19);
        for (int i = 0; i < ncode; ++i)
            lengths[order[i]] = bits(3);
        const Huffman lencode(lengths);
        lengths.assign(static_cast<size_t>(nlen + ndist), 0);
        for (int i = 0; i < nlen + ndist && !m_bad;) {
            int sym = decode(lencode), len = 0, rep = 0;
            if (sym < 16) {
                lengths[i++] = sym;
                continue;
            }
            if (sym == 16) {
                if (i == 0)
                    return false;
                len = lengths[i - 1], rep = 3 + bits(2);
            } else {
                rep = sym == 17 ? 3 + bits(3) : 11 + bits(7);
            }
            if (i + rep > nlen + ndist)
                return false;
            while (rep--)
                lengths[i++] = len;
        }
        lit = Huffman(std::vector<int>(lengths.begin(), lengths.begin() + nlen));
        dist = Huffman(std::vector<int>(lengths.begin() + nlen, lengths.end()));
        return !m_bad;
    }
    bool codes(std::string& out, const Huffman& lit, const Huffman& dist) {
        static const int lbase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const int lext[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static const int dbase[30] = {
            1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
            193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static const int dext[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                     6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (;;) {
            const int sym = decode(lit);
            if (m_bad || sym > 285)
                return false;
            if (sym < 256) {
                out += static_cast<char>(sym);
            } else if (sym == 256) {
                return true;
            } else {
                const int len = lbase[sym - 257] + bits(lext[sym - 257]);
                const int d = decode(dist);
                if (d > 29)
                    return false;
                const size_t back = static_cast<size_t>(dbase[d] + bits(dext[d]));
                if (back > out.size())
                    return false;
                for (int i = 0; i < len; ++i)
                    out += out[out.size() - back];
            }
        }
    }
    const std::string& m_in;
    size_t m_pos = 0;
    unsigned m_bitBuf = 0;
    int m_bitCount = 0;
    bool m_bad = false;
};

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
    std::string raw;
    if (!img.bpp || !Inflater(idat).run(raw))
        return false;
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
