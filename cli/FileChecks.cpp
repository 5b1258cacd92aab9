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

// One data file under check: its bytes and lines, and its findings, which name the object
// and the file in the user's form.
class FileCheck {
public:
    // A file that is there but cannot be read (no permission, a folder in its place) is an
    // error of its own; a missing one is the caller's to judge.
    FileCheck(const char* path, const std::string& object, FindingList& out)
        : m_object(object), m_out(out) {
        if (platform::access(path, 0) != 0)
            return;
        m_file = userPath(path);
        m_present = platform::readFile(path, bytes);
        if (m_present)
            text = lines(bytes);
        else
            error("file-unreadable", 0, "the file cannot be read");
    }
    // False when the file is missing or cannot be read: nothing more to check.
    explicit operator bool() const { return m_present; }

    void error(const char* rule, int line, const std::string& message) {
        m_out.add(rule, Severity::Error, m_object, m_file, line, message);
    }
    void warning(const char* rule, int line, const std::string& message) {
        m_out.add(rule, Severity::Warning, m_object, m_file, line, message);
    }
    // An error unless the file holds at least `headSize` bytes; false then.
    bool holdsHead(const char* rule, long headSize) {
        if (static_cast<long>(bytes.size()) >= headSize)
            return true;
        error(rule, 0,
              "the file has " + std::to_string(bytes.size()) + " bytes, fewer than its " +
                  std::to_string(headSize) + "-byte head");
        return false;
    }
    // An error unless the head's end offset `slut` ends a whole `length`-byte record from
    // `first` within the file (a file that ends with its head has no records, whatever room
    // the head leaves for them); false then.
    bool endsARecord(const char* rule, long slut, long first, long length) {
        const long size = static_cast<long>(bytes.size());
        if (slut >= first && (slut - first) % length == 0 && (slut <= size || slut <= first))
            return true;
        error(rule, 0,
              "the head's end offset " + std::to_string(slut) + " is not the end of a " +
                  std::to_string(length) + "-byte record within the file's " +
                  std::to_string(size) + " bytes");
        return false;
    }

    std::string bytes;
    std::vector<std::string> text;

private:
    std::string m_object;
    std::string m_file;
    FindingList& m_out;
    bool m_present = false;
};

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

void checkCodeFile(const char* path, FindingList& out) {
    FileCheck f(path, "", out);
    if (!f)
        return;
    int stars = 0;
    for (size_t i = 0; i < f.text.size(); ++i) {
        const std::string& l = f.text[i];
        const int number = static_cast<int>(i) + 1;
        if (starLine(l)) {
            ++stars;
            continue;
        }
        // Code lines are those of the rock block (after the 2nd '*') and the infill block.
        if ((stars != 2 && stars != 3) || l.empty())
            continue;
        short nr = 0, tal = 0, extra = 0;
        double faktor = 0, grader = 0;
        char bet[256] = {}, txt[256] = {};
        const std::string cut = l.substr(0, 255);
        const int k = std::sscanf(cut.c_str(), "%hd %255s %255s %lf %hd %lf %hd", &nr, bet, txt,
                                  &faktor, &tal, &grader, &extra);
        const std::string block = stars == 2 ? "rock" : "infill";
        // A number alone is the blank code as the library writes it ("0" and a blank).
        if (k < 1) {
            f.error("code-line", number,
                    "unreadable " + block + " code line \"" + shown(cut) +
                        "\" (expected a number and a designation)");
            continue;
        }
        const std::string code = block + " code " + std::to_string(nr) + ": ";
        if (k >= 4 && !(faktor >= 0.01))
            f.warning("code-value", number,
                      code + "factor " + cli::number(faktor) + " is below 0.01 (read as 1.0)");
        if (k >= 5 && (tal < 1 || tal > 256))
            f.warning("code-value", number,
                      code + "integer " + std::to_string(tal) + " is outside 1 to 256 (read as 4)");
    }
    if (stars < 3)
        f.error("code-blocks", 0,
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
    FileCheck f(path, "", out);
    if (!f || !f.holdsHead("library-head", sizeof(bibhdtype)))
        return;
    bibhdtype hd;
    std::memcpy(&hd, f.bytes.data(), sizeof hd);
    if (!libfile::versionAccepted(hd.version))
        f.error("library-version", 0,
                "unsupported version \"" + shown(field(hd.version)) +
                    "\" (this library reads 1.4)");
    if (!f.endsARecord("library-end", hd.slut, libfile::kFirstRecord, recordLength))
        return;
    int live = 0, dead = 0;
    for (long p = libfile::kFirstRecord; p + recordLength <= hd.slut; p += recordLength) {
        int16_t nr = 0;
        std::memcpy(&nr, f.bytes.data() + p + numberOffset, sizeof nr);
        (nr > 0 ? live : dead) += 1;
    }
    if (live != hd.antal)
        f.error("library-count", 0,
                "the head counts " + std::to_string(hd.antal) + " records, " +
                    std::to_string(live) + " are in use");
    if (dead != hd.hal)
        f.warning("library-freed", 0,
                  "the head counts " + std::to_string(hd.hal) + " freed records, " +
                      std::to_string(dead) + " are free");
}

namespace {

void boreholeHeadFindings(FileCheck& f) {
    const std::vector<std::string>& text = f.text;
    size_t end = 0;
    while (end < text.size() && !starLine(text[end]))
        ++end;
    if (text.empty() || end == text.size()) {
        f.error("borehole-head", 0,
                text.empty() ? "the file is empty: it has no head block"
                             : "the head block is not ended by a '*' line");
        return;
    }
    // Lines 2 to 7 hold numbers (x; y; z; ...); a line that starts with none is damaged.
    for (size_t i = 1; i < end && i < 7; ++i)
        if (double a = 0; std::sscanf(text[i].c_str(), "%lf", &a) != 1)
            f.error("borehole-head", static_cast<int>(i) + 1,
                    "head line " + std::to_string(i + 1) + " \"" + shown(text[i]) +
                        "\" does not start with a number");
}

} // namespace

void checkBoreholeHead(const char* path, const std::string& object, FindingList& out) {
    if (FileCheck f(path, object, out); f)
        boreholeHeadFindings(f);
}

void checkLineFile(const char* path, const std::string& object, FindingList& out) {
    FileCheck f(path, object, out);
    if (!f)
        return;
    const std::vector<std::string>& text = f.text;
    size_t i = 0;
    while (i < text.size() && !starLine(text[i]) && !text[i].empty())
        ++i;
    if (i < 4) {
        f.error("line-head", static_cast<int>(i) + 1,
                "the head block has " + std::to_string(i) +
                    " lines; it needs the id, the method, code/soil/value and number/soil");
        return;
    }
    if (leadingNumbers(text[1], 1) != 1)
        f.error("line-head", 2, "method line " + quoted(text[1]) + " is not a number");
    else if (int m = std::atoi(text[1].c_str()); m < 0 || m > 5)
        f.warning("line-head", 2, "method " + std::to_string(m) + " is not one of 0 to 5");
    if (leadingNumbers(text[2], 3) != 3)
        f.error("line-head", 3,
                "line " + quoted(text[2]) + " does not hold code, soil index and value");
    else if (int index = 0;
             std::sscanf(text[2].c_str(), "%*d %d", &index) == 1 && (index < -1 || index > 11))
        f.warning("code-unknown", 3,
                  "soil index " + std::to_string(index) + " is not in the soil table (0 to 11)");
    char soil[256] = {};
    short tal = 0;
    const std::string l4 = text[3].substr(0, 250);
    const int k = std::sscanf(l4.c_str(), "%hd %255s", &tal, soil);
    if (k < 1)
        f.error("line-head", 4, "line " + quoted(text[3]) + " does not start with the number");
    if (k == 2) {
        bool known = false;
        for (const char* code : SoilTable::JORDART) {
            std::string c = code;
            while (!c.empty() && c.back() == ' ')
                c.pop_back();
            known = known || c == soil;
        }
        if (!known)
            f.warning("code-unknown", 4, "soil code " + quoted(soil) + " is not in the soil table");
    }
    if (i >= text.size() || !starLine(text[i])) {
        f.error("line-blocks", static_cast<int>(i) + 1,
                "the head block is not ended by a '*' line");
        return;
    }
    int points = 0;
    for (++i; i < text.size() && !starLine(text[i]) && !text[i].empty(); ++i) {
        if (leadingNumbers(text[i], 4) < 4)
            f.error("line-point", static_cast<int>(i) + 1,
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
                f.error("line-column", static_cast<int>(i) + 1,
                        "column value line " + quoted(text[i]) + " is not a number");
        }
        if (values > points)
            f.warning("line-column", nameLine,
                      "column " + quoted(text[nameLine - 1]) + " has " + std::to_string(values) +
                          " values for " + std::to_string(points) +
                          " points (the surplus lands on the last point)");
    }
}

void checkOutcropFile(const char* path, const std::string& object, FindingList& out) {
    FileCheck f(path, object, out);
    if (!f)
        return;
    const std::vector<std::string>& text = f.text;
    size_t i = 0;
    // The lead block ends at an empty line or one with '*' first or second.
    while (i < text.size() && !text[i].empty() && text[i][0] != '*' &&
           !(text[i].size() > 1 && text[i][1] == '*'))
        ++i;
    if (i >= text.size()) {
        f.error("outcrop-head", 0, "no end of the lead block: the file holds no outcrop head");
        return;
    }
    const size_t head = ++i;
    while (i < text.size() && !starLine(text[i]))
        ++i;
    if (i >= text.size()) {
        f.error("outcrop-head", static_cast<int>(head) + 1,
                "the head block is not ended by a '*' line");
        return;
    }
    // Head lines 2 to 5 hold 3, 3, 3 and 4 numbers.
    const int wanted[] = {0, 3, 3, 3, 4};
    for (size_t h = 1; h <= 4 && head + h < i; ++h) {
        const std::string& l = text[head + h];
        if (!l.empty() && leadingNumbers(l, wanted[h]) < wanted[h])
            f.error("outcrop-head", static_cast<int>(head + h) + 1,
                    "head line " + std::to_string(h + 1) + " " + quoted(l) + " does not hold " +
                        std::to_string(wanted[h]) + " numbers");
    }
    for (++i; i < text.size() && !starLine(text[i]) && !text[i].empty(); ++i)
        if (leadingNumbers(text[i], 3) < 3)
            f.error("outcrop-point", static_cast<int>(i) + 1,
                    "point line " + quoted(text[i]) + " does not hold x, y and z");
}

void checkSurveyFile(const char* path, const std::string& object, FindingList& out) {
    FileCheck f(path, object, out);
    for (size_t i = 0; f && i < f.text.size(); ++i)
        if (leadingNumbers(f.text[i], 4) < 4)
            f.error("survey-line", static_cast<int>(i) + 1,
                    "survey line " + quoted(f.text[i]) +
                        " does not hold four numbers (the reader skips it)");
}

namespace {

void boreholeBlockFindings(FileCheck& f) {
    const std::vector<std::string>& text = f.text;
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
            f.error("borehole-line", static_cast<int>(i) + 1,
                    std::string(bodyLine == 1 ? "parameter" : "data") + " line " + quoted(l) +
                        " of block " + std::to_string(block) + " does not start with a number");
    }
}

} // namespace

void checkBoreholeFile(const char* path, const std::string& object, FindingList& out) {
    if (FileCheck f(path, object, out); f) {
        boreholeHeadFindings(f);
        boreholeBlockFindings(f);
    }
}

void checkBoltDrainFile(const char* path, const std::string& object, FindingList& out) {
    FileCheck f(path, object, out);
    if (!f || !f.holdsHead("bolt-drain-file", kBultHeadSize))
        return;
    bulthdtype hd;
    std::memcpy(&hd, f.bytes.data(), sizeof hd);
    const std::string version = terminatedField(hd.version);
    // As the reader: a text that is no number leaves the version number the head holds.
    double v = hd.vernr;
    std::sscanf(version.c_str(), "%lf", &v);
    if (!tunnelfile::versionAccepted(v))
        f.error("bolt-drain-file", 0, "unsupported version \"" + shown(version) + "\"");
    f.endsARecord("bolt-drain-file", hd.slut, 300, kTodbRecordSize);
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
