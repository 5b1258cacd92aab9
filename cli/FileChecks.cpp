#include "cli/FileChecks.h"

#include "cli/Cli.h"
#include "mapping/LibraryFile.h"
#include "mapping/fortype.h"
#include "mapping/injtype.h"
#include "mapping/systype.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdio>
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
}

int FindingList::errors() const {
    int n = 0;
    for (const Finding& f : m_findings)
        n += f.severity == Severity::Error ? 1 : 0;
    return n;
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
