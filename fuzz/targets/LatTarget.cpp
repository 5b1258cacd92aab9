// The tunnel text file: the input is HARNDB\T1.LAT, which CTunDbs::Save reads to rewrite its
// section 7 (the positions along the tunnel) and copy every other section. The tunnel has
// two positions and a record of another kind. A save succeeds, leaves no temporary file,
// writes the header from the tunnel's head and record, keeps every line between the header
// and the old section 7 as it was, ends the file with "**", and a second save gives the same
// file. Documented exceptions: a line with a zero byte loses the rest of the line, and lines
// behind an end mark ("**") inside the old section 7 are copied once and dropped by the next
// save, whose section 7 they then belong to; such files settle on the second save. Lines
// are read in pieces of 151 characters, and a piece of a longer line that begins with "*" is
// taken for a section line and ends up on a line of its own, one more on every save; such
// files are only read and saved. A text of a position that begins with "*" is the odb
// target's business.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Targets.h"
#include "fuzz/targets/TunnelSupport.h"
#include "tunnel/CTunDbs.h"

#include <cstdio>
#include <cstring>

namespace harn_fuzz {
namespace {

const char* const kLat = "HARNDB/T1.LAT";

todbtype record(int16_t typ, double sekt, const char* tvnamn, const char* text) {
    todbtype r{};
    r.typ = typ;
    r.aktiv = 1;
    r.sekt = sekt;
    std::snprintf(r.tvnamn, sizeof r.tvnamn, "%s", tvnamn);
    std::snprintf(r.ttext1, sizeof r.ttext1, "%s", text);
    return r;
}

// The text as a reader sees it: line ends CR LF become LF.
std::string asRead(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
            out += bytes[i];
    return out;
}

// Whether some line of `text` is too long to be read whole.
bool longLine(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end - start >= 151)
            return true;
        start = end + 1;
    }
    return false;
}

// Whether a line beginning with "**" (the end mark) has more of the file behind it.
bool behindEndMark(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            return false;
        if (text.compare(pos, 2, "**") == 0 && end + 1 < text.size())
            return true;
        pos = end + 1;
    }
    return false;
}

// The part of the file between its four header lines and the line that opens section 7 (a
// "*" line whose number reads as 7) or the end mark ("**"), as the save copies it.
std::string beforeSection7(const std::string& text) {
    std::size_t pos = 0;
    for (int i = 0; i < 4 && pos < text.size(); ++i) {
        const std::size_t end = text.find('\n', pos);
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    std::string out;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(pos, next - pos);
        if (line.compare(0, 2, "**") == 0)
            break;
        if (line[0] == '*') {
            short kind = 0;
            const std::string rest = line.substr(1, line.find('\n') - 1);
            if (std::sscanf(rest.c_str(), "%hd", &kind) == 1 && kind == 7)
                break;
            out += line.back() == '\n' ? line : line + "\n";
        } else {
            out += line;
        }
        pos = next;
    }
    if (!out.empty() && out.back() != '\n')
        out += '\n'; // a last line is given its line end
    return out;
}

} // namespace

int fuzzLat(const uint8_t* data, std::size_t size) {
    Session s;
    TunnelProject project(s);
    {
        CTunDbs t(&s.proj(), kTunnelName);
        check(t.Create(&project.dbs()) == 0, "the tunnel cannot be created");
        for (const todbtype& r : {record(7, 10, "TRAP8", "start"), record(3, 40, "", "annat"),
                                  record(7, 70, "VALV10", "")}) {
            todbtype copy = r;
            t.Ny(1, &copy);
            check(t.Uppdat(0) == 0, "a tunnel record cannot be written");
        }
    }
    const std::string input = bytes(data, size);
    s.write(kLat, input);
    const std::vector<std::string> files = s.files();
    bool documented = false, unstable = false;
    const std::string header = "TUNNEL1\nV1.VL\n\n0 1.50\n";

    auto save = [&]() {
        const std::string before = asRead(s.read(kLat));
        CTunDbs t(&s.proj(), kTunnelName);
        check(t.Init() == 0, "the tunnel database cannot be read");
        check(t.Save(&project.dbs()) == 0, "saving the tunnel failed");
        check(s.files() == files, "saving left a file behind");
        const std::string written = s.read(kLat);
        const std::string after = asRead(written);
        check(after.compare(0, header.size(), header) == 0,
              "the saved text file does not begin with the tunnel's header");
        check(after.size() >= header.size() + 2 && after.compare(after.size() - 2, 2, "**") == 0,
              "the saved text file does not end with \"**\"");
        const bool zero = before.find('\0') != std::string::npos;
        unstable = unstable || longLine(before);
        documented = documented || zero || behindEndMark(before);
        if (!zero && !unstable) {
            const std::string kept = beforeSection7(before);
            check(after.compare(header.size(), kept.size(), kept) == 0,
                  "the lines before section 7 were not kept");
            check(after.compare(header.size() + kept.size(), 4, "* 7\n") == 0,
                  "section 7 does not follow the lines before it");
        }
        return written;
    };
    checkStable(save, documented, unstable, "tunnel text file: a second save changed it");
    return 0;
}

} // namespace harn_fuzz

HARN_FUZZ_ENTRY(harn_fuzz::fuzzLat)
