#include "host/CVaglinje.h"

#include "platform/FileSystem.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;
// A bulge smaller than this in magnitude is a straight segment (on a 100 m chord the arc
// would stray less than 0.1 µm from it).
constexpr double kStraight = 1e-9;
// Points closer than this are the same point.
constexpr double kSamePoint = 1e-6;
// Limits of the file: its size, the magnitude of coordinates and chainages, and of a bulge
// (1000 is an arc of 359.77°).
constexpr int64_t kMaxFileSize = 16 * 1024 * 1024;
constexpr double kMaxCoordinate = 1e9;
constexpr double kMaxBulge = 1000;
constexpr const char* kHeaderWord = "ALIGNMENT";

bool isStraight(double bulge) {
    return std::fabs(bulge) < kStraight;
}

// Geometry of the element from a to b with a's bulge: length, signed sweep and the direction
// of the tangent at a.
struct Piece {
    double length = 0;
    double sweep = 0; // signed, radians; 0 for a straight segment
    double startAngle = 0;
    double chord = 0;
};

Piece piece(double ax, double ay, double bx, double by, double bulge) {
    Piece p;
    const double dx = bx - ax, dy = by - ay;
    p.chord = std::hypot(dx, dy);
    const double chordAngle = std::atan2(dy, dx);
    if (isStraight(bulge)) {
        p.length = p.chord;
        p.startAngle = chordAngle;
        return p;
    }
    p.sweep = 4 * std::atan(bulge);
    const double radius = p.chord / (2 * std::sin(std::fabs(p.sweep) / 2));
    p.length = radius * std::fabs(p.sweep);
    p.startAngle = chordAngle - p.sweep / 2;
    return p;
}

// The point at distance d along the element (relative to its start) and the direction of its
// tangent there.
void along(const Piece& p, double d, double* dx, double* dy, double* tangent) {
    if (p.sweep == 0) {
        *dx = d * std::cos(p.startAngle);
        *dy = d * std::sin(p.startAngle);
        *tangent = p.startAngle;
        return;
    }
    // The chord from the start to the point turns by half the swept angle.
    const double phi = p.sweep * (d / p.length);
    const double radius = p.length / std::fabs(p.sweep);
    const double chord = 2 * radius * std::sin(std::fabs(phi) / 2);
    *dx = chord * std::cos(p.startAngle + phi / 2);
    *dy = chord * std::sin(p.startAngle + phi / 2);
    *tangent = p.startAngle + phi;
}

// Centre and radius of the arc from (0, 0) to (dx, dy) with the given bulge (not straight).
void arcCentre(double dx, double dy, double bulge, double* cx, double* cy, double* r) {
    const double c = std::hypot(dx, dy);
    // The centre lies off the chord's midpoint along its left normal by h (negative: right).
    const double h = c * (1 - bulge * bulge) / (4 * bulge);
    *cx = dx / 2 - dy / c * h;
    *cy = dy / 2 + dx / c * h;
    *r = c * (1 + bulge * bulge) / (4 * std::fabs(bulge));
}

// A decimal number filling the whole of `text` (no hexadecimal, no inf or nan).
bool parseNumber(const std::string& text, double* value) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        size_t exp = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i, ++exp;
        if (exp == 0)
            return false;
    }
    if (i != text.size())
        return false;
    *value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(*value);
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> w;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            w.push_back(line.substr(start, i - start));
    }
    return w;
}

} // namespace

CVaglinje::CVaglinje() = default;
CVaglinje::~CVaglinje() = default;

int CVaglinje::Init(const char* path) {
    m_points.clear();
    m_error.clear();
    auto refuse = [this](const std::string& why) {
        m_points.clear();
        m_error = why;
        return -1;
    };
    if (!path || !*path)
        return refuse("no file name");
    const int64_t size = platform::fileSize(path);
    if (size < 0 || platform::isDirectory(path))
        return refuse("cannot read the file");
    if (size > kMaxFileSize)
        return refuse("file larger than 16 MiB");
    std::string bytes;
    if (!platform::readFile(path, bytes))
        return refuse("cannot read the file");
    if (bytes.find('\0') != std::string::npos)
        return refuse("not a text file (holds a zero byte)");

    std::vector<kovltype> points;
    bool haveHeader = false, haveStart = false;
    double start = 0;
    size_t pos = 0;
    int lineNo = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = "line " + std::to_string(lineNo) + ": ";
        const std::vector<std::string> w = words(line);
        if (!haveHeader) {
            if (w.size() != 2 || w[0] != kHeaderWord || w[1] != "1")
                return refuse(where + "the first line must be \"ALIGNMENT 1\"");
            haveHeader = true;
            continue;
        }
        if (w.empty() || w[0][0] == '#')
            continue;
        double v[3] = {0, 0, 0};
        for (size_t i = 0; i < w.size() && i < 3; ++i)
            if (!parseNumber(w[i], &v[i]))
                return refuse(where + "\"" + w[i] + "\" is not a number");
        if (!haveStart) {
            if (w.size() != 1)
                return refuse(where + "expected the start chainage alone");
            if (std::fabs(v[0]) > kMaxCoordinate)
                return refuse(where + "start chainage out of range");
            start = v[0];
            haveStart = true;
            continue;
        }
        if (w.size() < 2 || w.size() > 3)
            return refuse(where + "expected a point: x y [bulge]");
        if (std::fabs(v[0]) > kMaxCoordinate || std::fabs(v[1]) > kMaxCoordinate)
            return refuse(where + "coordinate out of range");
        if (std::fabs(v[2]) > kMaxBulge)
            return refuse(where + "bulge out of range (at most 1000 in magnitude)");
        if (!points.empty() &&
            std::hypot(v[0] - points.back().x, v[1] - points.back().y) < kSamePoint)
            return refuse(where + "point equal to the one before");
        points.push_back({v[0], v[1], isStraight(v[2]) ? 0.0 : v[2], 0});
        if (points.size() == 1)
            points.back().sekt = start;
        else {
            const kovltype& a = points[points.size() - 2];
            points.back().sekt = a.sekt + piece(a.x, a.y, v[0], v[1], a.bulge).length;
        }
    }
    if (!haveHeader)
        return refuse("empty file");
    if (!haveStart)
        return refuse("no start chainage");
    if (points.size() < 2)
        return refuse("fewer than two points");
    if (points.back().bulge != 0)
        return refuse("the last point has a bulge (it starts no element)");
    if (!std::isfinite(points.back().sekt) || std::fabs(points.back().sekt) > kMaxCoordinate)
        return refuse("end chainage out of range");
    m_points.swap(points);
    return 0;
}

double CVaglinje::startChainage() const {
    return m_points.empty() ? 0 : m_points.front().sekt;
}

double CVaglinje::endChainage() const {
    return m_points.empty() ? 0 : m_points.back().sekt;
}

int CVaglinje::elementCount() const {
    return m_points.size() < 2 ? 0 : static_cast<int>(m_points.size()) - 1;
}

bool CVaglinje::element(int i, AlignmentElement* e) const {
    if (!e || i < 0 || i >= elementCount())
        return false;
    const kovltype& a = m_points[i];
    const kovltype& b = m_points[i + 1];
    *e = AlignmentElement{};
    e->startChainage = a.sekt;
    e->endChainage = b.sekt;
    e->length = b.sekt - a.sekt;
    e->startX = a.x;
    e->startY = a.y;
    e->endX = b.x;
    e->endY = b.y;
    e->bulge = a.bulge;
    if (a.bulge != 0) {
        double cx, cy, r;
        arcCentre(b.x - a.x, b.y - a.y, a.bulge, &cx, &cy, &r);
        e->radius = r;
        e->centreX = a.x + cx;
        e->centreY = a.y + cy;
        e->turn = a.bulge > 0 ? 1 : -1;
    }
    return true;
}

int CVaglinje::Vag2xy(double chainage, double offset, double* x, double* y) {
    if (!x || !y || !isLoaded() || !std::isfinite(offset) || !(chainage >= startChainage()) ||
        !(chainage <= endChainage()))
        return -1;
    // The element that starts at or before the chainage; the end belongs to the last one.
    size_t i = 0, hi = m_points.size() - 2;
    while (i < hi) {
        const size_t mid = (i + hi + 1) / 2;
        if (m_points[mid].sekt <= chainage)
            i = mid;
        else
            hi = mid - 1;
    }
    const kovltype& a = m_points[i];
    const kovltype& b = m_points[i + 1];
    const Piece p = piece(a.x, a.y, b.x, b.y, a.bulge);
    double d = chainage - a.sekt;
    if (d > p.length)
        d = p.length;
    double dx, dy, t;
    along(p, d, &dx, &dy, &t);
    // The normal to the left on the plan: with x north and y east that is (sin t, -cos t).
    *x = a.x + dx + offset * std::sin(t);
    *y = a.y + dy - offset * std::cos(t);
    return 0;
}

int CVaglinje::Bulge_r(kokotype* p, kokotype* q, double* r, double* cx, double* cy, int mode) {
    if (!p || !q || !r || !cx || !cy)
        return -1;
    const double dx = q->x - p->x, dy = q->y - p->y;
    if (mode == 1) {
        if (isStraight(p->z) || std::hypot(dx, dy) < kSamePoint)
            return -1;
        double ox, oy;
        arcCentre(dx, dy, p->z, &ox, &oy, r);
        *cx = p->x + ox;
        *cy = p->y + oy;
        m_lastTurn = p->z > 0 ? 1 : -1;
        return 0;
    }
    if (mode != 0 || !(*r > 0) || !std::isfinite(*r) || !std::isfinite(*cx) || !std::isfinite(*cy))
        return -1;
    if (!isStraight(p->z))
        m_lastTurn = p->z > 0 ? 1 : -1;
    if (std::hypot(dx, dy) < kSamePoint) {
        p->z = 0;
        return 0;
    }
    const double a1 = std::atan2(p->y - *cy, p->x - *cx);
    const double a2 = std::atan2(q->y - *cy, q->x - *cx);
    double sweep = m_lastTurn > 0 ? a2 - a1 : a1 - a2;
    sweep = std::fmod(sweep + 4 * kPi, 2 * kPi);
    p->z = m_lastTurn * std::tan(sweep / 4);
    return 0;
}

int CVaglinje::Padist(kovltype* a, kovltype* b, double x, double y, double* len, double* other) {
    if (!a || !b || !len)
        return -1;
    const double bx = b->x - a->x, by = b->y - a->y;
    const double px = x - a->x, py = y - a->y;
    const double c = std::hypot(bx, by);
    if (c < kSamePoint) {
        *len = 0;
        return -1;
    }
    if (isStraight(a->bulge)) {
        *len = (px * bx + py * by) / c;
        if (other)
            *other = (by * px - bx * py) / c; // positive to the left on the plan
        return 0;
    }
    // Work in the frame of the arc's start: u along its tangent, v towards its centre; this
    // keeps nearly straight arcs (huge radii) exact.
    const Piece arc = piece(0, 0, bx, by, a->bulge);
    const int turn = a->bulge > 0 ? 1 : -1;
    const double sweep = std::fabs(arc.sweep);
    const double r = arc.length / sweep;
    const double ct = std::cos(arc.startAngle), st = std::sin(arc.startAngle);
    const double u = px * ct + py * st;
    const double v = turn * (py * ct - px * st);
    double phi = std::atan2(u, r - v);
    if (phi < 0)
        phi += 2 * kPi;
    // Points in the gap of the circle count from the nearer end: before a is negative.
    if (phi > sweep + (2 * kPi - sweep) / 2)
        phi -= 2 * kPi;
    *len = r * phi;
    if (other) {
        // r - distance from the centre, without cancellation. The centre of an arc turning
        // right on the plan (positive bulge) lies to the right, where offsets are negative.
        const double dist = std::hypot(u, r - v);
        *other = -turn * (2 * r * v - v * v - u * u) / (r + dist);
    }
    return 0;
}
