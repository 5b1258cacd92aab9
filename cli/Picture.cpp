#include "cli/Picture.h"

#include "cli/Cli.h"

#include "platform/Process.h"

#include <iostream>

namespace cli {

bool isPngName(const std::string& file) {
    if (file.size() < 4)
        return false;
    std::string ext = file.substr(file.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".png";
}

bool writePicture(const Command& cmd, const std::string& output, const std::string& svg) {
    if (output.empty() || output == "-") {
        std::cout << svg;
        return static_cast<bool>(std::cout.flush());
    }
    if (!isPngName(output))
        return writeOutput(cmd, output, svg);
    const platform::ProcessResult r = platform::runFilter({"rsvg-convert", "-f", "png"}, svg);
    if (!r.started) {
        std::cerr << "harn " << cmd.name
                  << ": PNG output needs rsvg-convert (Debian package librsvg2-bin), which "
                     "cannot be run\n";
        return false;
    }
    // A PNG file starts with its 8-byte signature; anything else is not a picture.
    if (r.exitCode != 0 || r.out.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
        std::string why = r.err.substr(0, r.err.find('\n'));
        std::cerr << "harn " << cmd.name << ": rsvg-convert could not render the picture"
                  << (why.empty() ? "" : ": " + why) << "\n";
        return false;
    }
    return writeOutput(cmd, output, r.out);
}

} // namespace cli
