#include "cli/FileChecks.h"

#include "cli/Cli.h"
#include "mapping/CLinjeData.h"
#include "mapping/LibraryFile.h"
#include "mapping/fortype.h"
#include "mapping/injtype.h"
#include "mapping/systype.h"
#include "platform/FileSystem.h"
#include "tunnel/TunnelVersion.h"
#include "tunnel/bulthdtype.h"
#include "tunnel/todbtype.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace cli {

namespace {

// The lines of a text file without their line ends (CR LF or LF).
std::vector<std::string> lines(const std::string& bytes) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        std::string line = bytes.substr(pos, end == std::string::npos ? end : end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
        pos = end == std::string::npos ? bytes.size() : end + 1;
    }
    return out;
}

bool readText(const char* path, std::string& bytes) {
    return platform::access(path, 0) == 0 && platform::readFile(path, bytes);
}

} // namespace

void FindingList::add(const std::string& rule, Severity severity, const std::string& object,
                      const std::string& file, int line, const std::string& message) {
    m_findings.push_back({rule, severity, object, file, line, message});
    m_errors += severity == Severity::Error ? 1 : 0;
}

const Finding* FindingList::firstError() const {
    for (const Finding& f : m_findings)
        if (f.severity == Severity::Error)
            return &f;
    return nullptr;
}

void checkCodeFile(const char* path, FindingList& out) {
    std::string bytes;
    if (!readText(path, bytes))
        return;
    const std::string file = userPath(path);
    const std::vector<std::string> text = lines(bytes);
    int stars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const std::string& l = text[i];
        const int number = static_cast<int>(i) + 1;
        if (!l.empty() && l[0] == '*') {
            ++stars;
            continue;
        }
        // Code lines are those of the rock block (after the 2nd '*') and the infill block.
        if (stars != 2 && stars != 3)
            continue;
        if (l.empty())
            continue;
        short nr = 0, tal = 0, extra = 0;
        double faktor = 0, grader = 0;
        char bet[256] = {}, txt[256] = {};
        const std::string cut = l.substr(0, 255);
        const int k = std::sscanf(cut.c_str(), "%hd %255s %255s %lf %hd %lf %hd", &nr, bet, txt,
                                  &faktor, &tal, &grader, &extra);
        const char* block = stars == 2 ? "rock" : "infill";
        // A number alone is the blank code as the library writes it ("0" and a blank).
        if (k < 1) {
            out.add("code-line", Severity::Error, "", file, number,
                    std::string("unreadable ") + block + " code line \"" + shown(cut) +
                        "\" (expected a number and a designation)");
            continue;
        }
        if (k >= 4 && !(faktor >= 0.01))
            out.add("code-value", Severity::Warning, "", file, number,
                    std::string(block) + " code " + std::to_string(nr) + ": factor " +
                        cli::number(faktor) + " is below 0.01 (read as 1.0)");
        if (k >= 5 && (tal < 1 || tal > 256))
            out.add("code-value", Severity::Warning, "", file, number,
                    std::string(block) + " code " + std::to_string(nr) + ": integer " +
                        std::to_string(tal) + " is outside 1 to 256 (read as 4)");
    }
    if (stars < 3)
        out.add("code-blocks", Severity::Error, "", file, 0,
                "has " + std::to_string(stars) +
                    " '*' lines; the rock codes follow the second and the infill codes the "
                    "third, so " +
                    (stars < 2 ? "neither list is read from it" : "no infill codes are read"));
}

void checkLibraryFile(const char* path, int recordLength, FindingList& out) {
    // Where each kind keeps the 16-bit number that tells a record in use (> 0).
    const size_t numberOffset = recordLength == 312   ? offsetof(systype, nr)
                                : recordLength == 656 ? offsetof(fortype, grupp)
                                                      : offsetof(injtype, nr);
    std::string bytes;
    if (!readText(path, bytes))
        return;
    const std::string file = userPath(path);
    if (bytes.size() < sizeof(bibhdtype)) {
        out.add("library-head", Severity::Error, "", file, 0,
                "the file has " + std::to_string(bytes.size()) + " bytes, fewer than its " +
                    std::to_string(sizeof(bibhdtype)) + "-byte head");
        return;
    }
    bibhdtype hd;
    std::memcpy(&hd, bytes.data(), sizeof hd);
    const std::string version = field(hd.version);
    if (!libfile::versionAccepted(hd.version))
        out.add("library-version", Severity::Error, "", file, 0,
                "unsupported version \"" + shown(version) + "\" (this library reads 1.4)");
    const long size = static_cast<long>(bytes.size());
    const long first = libfile::kFirstRecord;
    // A file that ends with its head has no records, whatever room the head leaves for them.
    if (hd.slut < first || (hd.slut - first) % recordLength != 0 ||
        (hd.slut > size && hd.slut > first)) {
        out.add("library-end", Severity::Error, "", file, 0,
                "the head's end offset " + std::to_string(hd.slut) + " is not the end of a " +
                    std::to_string(recordLength) + "-byte record within the file's " +
                    std::to_string(size) + " bytes");
        return;
    }
    int live = 0, dead = 0;
    for (long p = first; p + recordLength <= hd.slut; p += recordLength) {
        int16_t nr = 0;
        std::memcpy(&nr, bytes.data() + p + numberOffset, sizeof nr);
        (nr > 0 ? live : dead) += 1;
    }
    if (live != hd.antal)
        out.add("library-count", Severity::Error, "", file, 0,
                "the head counts " + std::to_string(hd.antal) + " records, " +
                    std::to_string(live) + " are in use");
    if (dead != hd.hal)
        out.add("library-freed", Severity::Warning, "", file, 0,
                "the head counts " + std::to_string(hd.hal) + " freed records, " +
                    std::to_string(dead) + " are free");
}

void checkBoreholeHead(const char* path, const std::string& object, FindingList& out) {
    std::string bytes;
    if (!readText(path, bytes))
        return;
    const std::string file = userPath(path);
    const std::vector<std::string> text = lines(bytes);
    size_t end = 0;
    while (end < text.size() && (text[end].empty() || text[end][0] != '*'))
        ++end;
    if (text.empty()) {
        out.add("borehole-head", Severity::Error, object, file, 0,
                "the file is empty: it has no head block");
        return;
    }
    if (end == text.size()) {
        out.add("borehole-head", Severity::Error, object, file, 0,
                "the head block is not ended by a '*' line");
        return;
    }
    // Lines 2 to 7 hold numbers (x; y; z; ...); a line that starts with none is damaged.
    for (size_t i = 1; i < end && i < 7; ++i) {
        double a = 0;
        if (std::sscanf(text[i].c_str(), "%lf", &a) != 1)
            out.add("borehole-head", Severity::Error, object, file, static_cast<int>(i) + 1,
                    "head line " + std::to_string(i + 1) + " \"" + shown(text[i]) +
                        "\" does not start with a number");
    }
}

namespace {

// Numbers at the start of a line ("%lf" each), at most `most`.
int leadingNumbers(const std::string& line, int most) {
    const char* p = line.c_str();
    int n = 0;
    while (n < most) {
        char* end = nullptr;
        std::strtod(p, &end);
        if (end == p)
            break;
        ++n;
        p = end;
    }
    return n;
}

// The soil table of the line files, read through a class that makes it visible.
struct SoilTable : CLinjeData {
    using CLinjeData::JORDART;
};

bool starLine(const std::string& l) {
    return !l.empty() && l[0] == '*';
}

std::string quoted(const std::string& cp1252) {
    return "\"" + shown(cp1252.substr(0, 60)) + "\"";
}

} // namespace

void checkLineFile(const char* path, const std::string& object, FindingList& out) {
    std::string bytes;
    if (!readText(path, bytes))
        return;
    const std::string file = userPath(path);
    const std::vector<std::string> text = lines(bytes);
    size_t i = 0;
    while (i < text.size() && !starLine(text[i]) && !text[i].empty())
        ++i;
    if (i < 4) {
        out.add("line-head", Severity::Error, object, file, static_cast<int>(i) + 1,
                "the head block has " + std::to_string(i) +
                    " lines; it needs the id, the method, code/soil/value and number/soil");
        return;
    }
    if (leadingNumbers(text[1], 1) != 1)
        out.add("line-head", Severity::Error, object, file, 2,
                "method line " + quoted(text[1]) + " is not a number");
    else if (int m = std::atoi(text[1].c_str()); m < 0 || m > 5)
        out.add("line-head", Severity::Warning, object, file, 2,
                "method " + std::to_string(m) + " is not one of 0 to 5");
    if (leadingNumbers(text[2], 3) != 3)
        out.add("line-head", Severity::Error, object, file, 3,
                "line " + quoted(text[2]) + " does not hold code, soil index and value");
    else if (int index = 0;
             std::sscanf(text[2].c_str(), "%*d %d", &index) == 1 && (index < -1 || index > 11))
        out.add("code-unknown", Severity::Warning, object, file, 3,
                "soil index " + std::to_string(index) + " is not in the soil table (0 to 11)");
    char soil[256] = {};
    short tal = 0;
    const std::string l4 = text[3].substr(0, 250);
    const int k = std::sscanf(l4.c_str(), "%hd %255s", &tal, soil);
    if (k < 1)
        out.add("line-head", Severity::Error, object, file, 4,
                "line " + quoted(text[3]) + " does not start with the number");
    if (k == 2) {
        bool known = false;
        for (const char* code : SoilTable::JORDART) {
            std::string c = code;
            while (!c.empty() && c.back() == ' ')
                c.pop_back();
            known = known || c == soil;
        }
        if (!known)
            out.add("code-unknown", Severity::Warning, object, file, 4,
                    "soil code " + quoted(soil) + " is not in the soil table");
    }
    if (i >= text.size() || !starLine(text[i])) {
        out.add("line-blocks", Severity::Error, object, file, static_cast<int>(i) + 1,
                "the head block is not ended by a '*' line");
        return;
    }
    int points = 0;
    for (++i; i < text.size() && !starLine(text[i]) && !text[i].empty(); ++i) {
        if (leadingNumbers(text[i], 4) < 4)
            out.add("line-point", Severity::Error, object, file, static_cast<int>(i) + 1,
                    "point line " + quoted(text[i]) +
                        " has fewer than four numbers (the reader drops it)");
        else
            ++points;
    }
    // Column blocks: a name line, then one value line per point.
    while (i < text.size() && starLine(text[i])) {
        ++i;
        if (i >= text.size())
            break;
        const int nameLine = static_cast<int>(i) + 1;
        int values = 0;
        for (++i; i < text.size() && !starLine(text[i]) && !text[i].empty(); ++i) {
            ++values;
            if (leadingNumbers(text[i], 1) != 1)
                out.add("line-column", Severity::Error, object, file, static_cast<int>(i) + 1,
                        "column value line " + quoted(text[i]) + " is not a number");
        }
        if (values > points)
            out.add("line-column", Severity::Warning, object, file, nameLine,
                    "column " + quoted(text[nameLine - 1]) + " has " + std::to_string(values) +
                        " values for " + std::to_string(points) +
                        " points (the surplus lands on the last point)");
    }
}

void checkOutcropFile(const char* path, const std::string& object, FindingList& out) {
    std::string bytes;
    if (!readText(path, bytes))
        return;
    const std::string file = userPath(path);
    const std::vector<std::string> text = lines(bytes);
    size_t i = 0;
    // The lead block ends at an empty line or one with '*' first or second.
    while (i < text.size() && !text[i].empty() && text[i][0] != '*' &&
           !(text[i].size() > 1 && text[i][1] == '*'))
        ++i;
    if (i >= text.size()) {
        out.add("outcrop-head", Severity::Error, object, file, 0,
                "no end of the lead block: the file holds no outcrop head");
        return;
    }
    const size_t head = ++i;
    while (i < text.size() && !starLine(text[i]))
        ++i;
    if (i >= text.size()) {
        out.add("outcrop-head", Severity::Error, object, file, static_cast<int>(head) + 1,
                "the head block is not ended by a '*' line");
        return;
    }
    // Head lines 2 to 5 hold 3, 3, 3 and 4 numbers.
    const int wanted[] = {0, 3, 3, 3, 4};
    for (size_t h = 1; h <= 4 && head + h < i; ++h) {
        const std::string& l = text[head + h];
        if (!l.empty() && leadingNumbers(l, wanted[h]) < wanted[h])
            out.add("outcrop-head", Severity::Error, object, file, static_cast<int>(head + h) + 1,
                    "head line " + std::to_string(h + 1) + " " + quoted(l) + " does not hold " +
                        std::to_string(wanted[h]) + " numbers");
    }
    for (++i; i < text.size() && !starLine(text[i]) && !text[i].empty(); ++i) {
        const std::string& l = text[i];
        const int line = static_cast<int>(i) + 1;
        if (leadingNumbers(l, 3) < 3)
            out.add("outcrop-point", Severity::Error, object, file, line,
                    "point line " + quoted(l) + " does not hold x, y and z");
    }
}

void checkSurveyFile(const char* path, const std::string& object, FindingList& out) {
    std::string bytes;
    if (!readText(path, bytes))
        return;
    const std::string file = userPath(path);
    const std::vector<std::string> text = lines(bytes);
    for (size_t i = 0; i < text.size(); ++i)
        if (leadingNumbers(text[i], 4) < 4)
            out.add("survey-line", Severity::Error, object, file, static_cast<int>(i) + 1,
                    "survey line " + quoted(text[i]) +
                        " does not hold four numbers (the reader skips it)");
}

void checkBoreholeBlocks(const char* path, const std::string& object, FindingList& out) {
    std::string bytes;
    if (!readText(path, bytes))
        return;
    const std::string file = userPath(path);
    const std::vector<std::string> text = lines(bytes);
    size_t i = 0;
    while (i < text.size() && !starLine(text[i]))
        ++i;
    bool opens = true;
    int block = -1;
    int bodyLine = 0;
    for (++i; i < text.size(); ++i) {
        const std::string& l = text[i];
        if (starLine(l)) {
            opens = true;
            continue;
        }
        if (opens) {
            opens = false;
            block = leadingNumbers(l, 1) == 1 ? std::atoi(l.c_str()) : -1;
            bodyLine = 0;
            continue;
        }
        ++bodyLine;
        if (block < 0 || block > 3 || l.empty())
            continue; // blocks of other programs are kept as they are
        if (leadingNumbers(l, 1) != 1 && !(block == 0 && l[0] == '%'))
            out.add("borehole-line", Severity::Error, object, file, static_cast<int>(i) + 1,
                    std::string(bodyLine == 1 ? "parameter" : "data") + " line " + quoted(l) +
                        " of block " + std::to_string(block) + " does not start with a number");
    }
}

void checkBoltDrainFile(const char* path, const std::string& object, FindingList& out) {
    std::string bytes;
    if (!readText(path, bytes))
        return;
    const std::string file = userPath(path);
    const long size = static_cast<long>(bytes.size());
    if (size < kBultHeadSize) {
        out.add("bolt-drain-file", Severity::Error, object, file, 0,
                "the file has " + std::to_string(size) + " bytes, fewer than its " +
                    std::to_string(kBultHeadSize) + "-byte head");
        return;
    }
    bulthdtype hd;
    std::memcpy(&hd, bytes.data(), sizeof hd);
    const std::string version = terminatedField(hd.version);
    double v = 0;
    if (std::sscanf(version.c_str(), "%lf", &v) != 1 || !tunnelfile::versionAccepted(v))
        out.add("bolt-drain-file", Severity::Error, object, file, 0,
                "unsupported version \"" + shown(version) + "\"");
    const long first = 300, length = kTodbRecordSize;
    if (hd.slut < first || (hd.slut - first) % length != 0 || (hd.slut > size && hd.slut > first))
        out.add("bolt-drain-file", Severity::Error, object, file, 0,
                "the head's end offset " + std::to_string(hd.slut) + " is not the end of a " +
                    std::to_string(length) + "-byte record within the file's " +
                    std::to_string(size) + " bytes");
}

bool reportErrors(const std::string& cmd, const FindingList& list) {
    bool any = false;
    for (const Finding& f : list.all()) {
        if (f.severity != Severity::Error)
            continue;
        any = true;
        reportDamaged(cmd, f.file,
                      (f.line ? "line " + std::to_string(f.line) + ": " : std::string()) +
                          f.message);
    }
    return any;
}

} // namespace cli
