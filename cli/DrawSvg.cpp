#include "cli/DrawSvg.h"

#include "cli/Cli.h"

#include <charconv>
#include <cmath>

namespace cli {

std::string xmlEscape(const std::string& utf8) {
    std::string s;
    s.reserve(utf8.size());
    for (char c : utf8) {
        const unsigned char b = static_cast<unsigned char>(c);
        switch (c) {
        case '&':
            s += "&amp;";
            break;
        case '<':
            s += "&lt;";
            break;
        case '>':
            s += "&gt;";
            break;
        case '"':
            s += "&quot;";
            break;
        case '\'':
            s += "&apos;";
            break;
        default:
            if ((b < 0x20 && c != '\t' && c != '\n' && c != '\r') || b == 0x7f)
                s += '?';
            else
                s += c;
        }
    }
    return s;
}

std::string pixels(double v) {
    if (!std::isfinite(v))
        return "0";
    v = std::round(v * 100.0) / 100.0 + 0.0; // + 0.0 turns -0 into 0
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    std::string s(buf, r.ptr);
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

void SvgWriter::indent() {
    m_out.append(2 * m_open.size(), ' ');
}

void SvgWriter::closeStartTag(bool newline) {
    if (!m_startPending)
        return;
    m_out += '>';
    if (newline)
        m_out += '\n';
    m_startPending = false;
}

SvgWriter& SvgWriter::start(const char* tag) {
    closeStartTag(true);
    indent();
    m_out += '<';
    m_out += tag;
    m_open.push_back({tag, false});
    m_startPending = true;
    return *this;
}

SvgWriter& SvgWriter::attr(const char* name, const std::string& value) {
    m_out += ' ';
    m_out += name;
    m_out += "=\"";
    m_out += xmlEscape(value);
    m_out += '"';
    return *this;
}

SvgWriter& SvgWriter::text(const std::string& utf8) {
    closeStartTag(false);
    m_open.back().inlineText = true;
    m_out += xmlEscape(utf8);
    return *this;
}

SvgWriter& SvgWriter::end() {
    if (m_open.empty())
        return *this;
    Open e = m_open.back();
    m_open.pop_back();
    if (m_startPending) {
        m_out += "/>\n";
        m_startPending = false;
        return *this;
    }
    if (!e.inlineText)
        indent();
    m_out += "</" + e.tag + ">\n";
    return *this;
}

void SvgWriter::finish() {
    while (!m_open.empty())
        end();
}

double roundLength(double v) {
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    const double m = v / p;
    return (m >= 5 ? 5 : m >= 2 ? 2 : 1) * p;
}

void drawingTitle(SvgWriter& svg, double x, const std::string& title) {
    svg.start("text")
        .attr("x", x)
        .attr("y", 30)
        .attr("font-size", 20)
        .attr("font-weight", "bold")
        .text(title)
        .end();
}

void scaleBar(SvgWriter& svg, double x, double y, double drawWidth, double scale) {
    const double len = roundLength(drawWidth / 5 / scale);
    const double bar = len * scale;
    svg.start("g").attr("class", "scale-bar").attr("font-size", 11);
    for (int half = 0; half < 2; ++half)
        svg.start("rect")
            .attr("x", x + half * bar / 2)
            .attr("y", y)
            .attr("width", bar / 2)
            .attr("height", 6)
            .attr("fill", half == 0 ? "#222222" : "white")
            .attr("stroke", "#222222")
            .end();
    svg.start("text").attr("x", x).attr("y", y + 20).text("0").end();
    svg.start("text")
        .attr("x", x + bar)
        .attr("y", y + 20)
        .attr("text-anchor", "middle")
        .text(number(len) + " m")
        .end();
    svg.end();
}

} // namespace cli
