// Where a drawing goes: standard output, an SVG file, or a PNG file rendered from the SVG by
// librsvg's rsvg-convert. Files are written through cli::writeOutput (platform::SafeReplace).
#pragma once

#include <string>

namespace cli {

struct Command;

// True when `file` names a PNG file (its extension is .png in any case).
bool isPngName(const std::string& file);

// Writes `svg` to `output` ("" or "-": standard output; *.png: rendered to PNG). On failure
// prints "harn CMD: ..." and returns false; the old file, if any, stays as it was.
bool writePicture(const Command& cmd, const std::string& output, const std::string& svg);

} // namespace cli
