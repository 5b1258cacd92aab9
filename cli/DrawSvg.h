// A small SVG writer for `harn draw`: elements with escaped attributes and text, numbers in
// the C locale whatever the process locale is.
#pragma once

#include <string>
#include <vector>

namespace cli {

// UTF-8 text made safe for XML text and attribute values: & < > " ' become entities and
// control characters that XML 1.0 does not allow become '?'.
std::string xmlEscape(const std::string& utf8);

// A pixel value with at most two decimals, trailing zeros dropped ("12.5", "-3", "0").
// A value that is not finite is written as 0.
std::string pixels(double v);

class SvgWriter;

// 1, 2 or 5 times a power of ten, not above `v` (v > 0).
double roundLength(double v);
// A scale bar with its left end at (x, y): a round length near a fifth of `drawWidth` pixels
// at `scale` pixels a metre, in a dark and a white half, "0" and "N m" under its ends.
void scaleBar(SvgWriter& svg, double x, double y, double drawWidth, double scale);
// The drawing's title: bold, 20 px, its baseline 30 px from the top, starting at x.
void drawingTitle(SvgWriter& svg, double x, const std::string& title);

class SvgWriter {
public:
    explicit SvgWriter(std::string& out) : m_out(out) {}

    // Opens an element; attributes follow until content or end().
    SvgWriter& start(const char* tag);
    SvgWriter& attr(const char* name, const std::string& value);
    SvgWriter& attr(const char* name, const char* value) { return attr(name, std::string(value)); }
    SvgWriter& attr(const char* name, double value) { return attr(name, pixels(value)); }
    // Text content of the open element (UTF-8, escaped here).
    SvgWriter& text(const std::string& utf8);
    // Closes the innermost open element.
    SvgWriter& end();
    // Closes every open element.
    void finish();

private:
    void closeStartTag(bool newline);
    void indent();

    struct Open {
        std::string tag;
        bool inlineText = false;
    };
    std::string& m_out;
    std::vector<Open> m_open;
    bool m_startPending = false;
};

} // namespace cli
