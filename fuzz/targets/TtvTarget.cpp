// Outline files: the input is HARNDB\T1.ttv, read by CTvarKoord::Init. Reading changes
// nothing, keeps the text within its 38 characters and the buffer behind it untouched, and
// twice gives the same points and springing levels. Saving the outline as the type T1 (with
// the springing levels and text read) gives every arc a bulge between -1 and 1 of the side of
// its radius (straight segments 0), extents that hold every point, and a file that reads back
// as the saved points, levels and text to within the three decimals written; a second save
// gives the same file.
//
// Documented: numbers with more than three decimals are rounded when written, and the bulges
// and the radius check are computed from the unrounded points, so such a file settles on the
// second save; so does a text that begins with "*": written back, it counts as the second
// "*" line, and the points behind it are no longer read. A number too wide for the 151
// characters a line is read with splits its line on the next reading, so such a file is only
// read and saved.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "tunnel/CTvarKoord.h"
#include "tunnel/CTvarsnitt.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace harn_fuzz {
namespace {

const char* const kTtv = "HARNDB/T1.ttv";

struct Read {
    double anfstart = -7, anfslut = -7;
    char text[64];
    std::vector<std::string> points; // x, y and radius of each point as bytes
};

Read readOutline(CTvarKoord& k, const std::string& path) {
    Read r;
    std::memset(r.text, 'x', sizeof r.text);
    check(k.Init(path.c_str(), &r.anfstart, &r.anfslut, r.text) == 0,
          "an existing outline file could not be read");
    check(std::memchr(r.text, 0, 39) != nullptr, "the outline's text runs past 38 characters");
    for (std::size_t i = 39; i < sizeof r.text; ++i)
        check(r.text[i] == 'x', "reading the text wrote behind its buffer");
    if (k.Home() == 0)
        do
            r.points.push_back(std::string(reinterpret_cast<const char*>(k.Get_aktel()), 24));
        while (k++);
    return r;
}

// A value the file holds exactly: what "%.3f" writes reads back as the same number.
bool exact(double v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    const double back = std::strtod(buf, nullptr);
    return back == v || (std::isnan(back) && std::isnan(v));
}

bool near(double written, double read) {
    if (std::isnan(written) || std::isnan(read))
        return std::isnan(written) && std::isnan(read);
    if (std::isinf(written) || std::isinf(read))
        return written == read;
    return std::fabs(written - read) <= 0.0005 + 1e-12 * std::fabs(written);
}

bool lineTooLong(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end - start >= 150)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

int fuzzTtv(const uint8_t* data, std::size_t size) {
    Session s;
    const std::string input = bytes(data, size);
    s.write(kTtv, input);
    const std::string path = std::string(s.winPath()) + "\\HARNDB\\T1.ttv";
    const std::vector<std::string> files = s.files();
    {
        CTvarKoord k;
        const Read first = readOutline(k, path);
        checkSame(input, s.read(kTtv), "reading changed the outline file");
        check(s.ui.events.empty(), "reading an outline showed a message");
        CTvarKoord again;
        const Read second = readOutline(again, path);
        check(first.points == second.points && std::strcmp(first.text, second.text) == 0 &&
                  std::memcmp(&first.anfstart, &second.anfstart, sizeof(double)) == 0 &&
                  std::memcmp(&first.anfslut, &second.anfslut, sizeof(double)) == 0,
              "reading the outline twice gave another outline");
    }

    bool documented = false, unstable = false;
    auto save = [&]() {
        CTvarKoord k;
        const Read read = readOutline(k, path);
        CTvarsnitt lib(&s.proj());
        tvtytype t{};
        std::strcpy(t.tvnamn, "T1");
        std::snprintf(t.tvtext, sizeof t.tvtext, "%s", read.text);
        t.anfstart = read.anfstart;
        t.anfslut = read.anfslut;
        lib.Ny(1, &t);
        documented = documented || t.tvtext[0] == '*' || !exact(t.anfstart) || !exact(t.anfslut);
        if (k.Home() == 0)
            do {
                const tvkotype& p = *k.Get_aktel();
                documented = documented || !exact(p.x) || !exact(p.y) || !exact(p.radie);
            } while (k++);
        check(k.Save(&lib) == 0, "saving the outline failed");
        check(s.files() == files, "saving left a file behind");
        const std::string written = s.read(kTtv);
        unstable = unstable || lineTooLong(written);

        const tvtytype& saved = *lib.Get_aktel();
        std::vector<tvkotype> points;
        if (k.Home() == 0)
            do
                points.push_back(*k.Get_aktel());
            while (k++);
        auto plain = [](const tvkotype& p) {
            return std::fabs(p.x) < 1e100 && std::fabs(p.y) < 1e100 && std::fabs(p.radie) < 1e100;
        };
        for (std::size_t i = 0; i < points.size(); ++i) {
            const tvkotype& p = points[i];
            const tvkotype& next = points[(i + 1) % points.size()];
            if (p.radie == 0)
                check(p.bulge == 0, "a straight segment has a bulge");
            // An arc between two points that are numbers has the bulge of its minor arc.
            if (plain(p) && plain(next) && p.radie != 0)
                check(std::fabs(p.bulge) <= 1 + 1e-9 && (p.radie > 0 ? p.bulge <= 0 : p.bulge >= 0),
                      "an arc's bulge is not that of its minor arc on the side of its radius");
            if (!std::isnan(p.x) && !std::isnan(p.y))
                check(saved.xmin <= p.x && p.x <= saved.xmax && saved.ymin <= p.y &&
                          p.y <= saved.ymax,
                      "a point lies outside the outline's extents");
        }

        if (!documented && !unstable) {
            CTvarKoord back;
            const Read again = readOutline(back, path);
            check(again.points.size() == points.size(), "a saved outline reads back other points");
            for (std::size_t i = 0; i < points.size(); ++i) {
                tvkotype q{};
                std::memcpy(&q, again.points[i].data(), 24);
                check(near(points[i].x, q.x) && near(points[i].y, q.y) &&
                          near(points[i].radie, q.radie),
                      "a saved point reads back as another point");
            }
            check(std::strcmp(again.text, t.tvtext) == 0,
                  "a saved outline reads back another text");
            check(near(t.anfstart, again.anfstart) && near(t.anfslut, again.anfslut),
                  "a saved outline reads back other springing levels");
        }
        return written;
    };
    checkStable(save, documented, unstable, "outline file: a second save changed the file");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzTtv)
