// Checks of the content of the project's data files against their layouts, shared by
// `harn check` (which reports every finding) and the commands that read the files (which
// fail when a file they read has an error). Each finding carries a stable rule id; the rules
// are listed in docs/CHECKS.md.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class Severity { Error, Warning };

struct Finding {
    std::string rule;    // stable id, e.g. "code-blocks"
    Severity severity;   //
    std::string object;  // UTF-8 id of the object; empty for the project or a shared file
    std::string file;    // POSIX, UTF-8; empty for the project as a whole
    int line = 0;        // 1-based line of a text file, 0 when none applies
    std::string message; // English, UTF-8
};

// The findings of one file or one project, in the order found.
class FindingList {
public:
    void add(const std::string& rule, Severity severity, const std::string& object,
             const std::string& file, int line, const std::string& message);
    const std::vector<Finding>& all() const { return m_findings; }
    int errors() const { return m_errors; }
    // The first error, or null.
    const Finding* firstError() const;

private:
    std::vector<Finding> m_findings;
    int m_errors = 0; // counted as they are added: checks ask after every object
};

// Each takes the file's path in the library's Windows form (CP1252) and adds what it finds;
// a missing file adds nothing (the callers know whether it must exist).

// The code list "Harnkod.dat": the '*' lines that open the rock and infill blocks, each code
// line of those blocks readable, its values in range.
void checkCodeFile(const char* path, FindingList& out);
// A reinforcement or grouting library file of `recordLength`-byte records: head, version,
// end offset, counts of live and freed records.
void checkLibraryFile(const char* path, int recordLength, FindingList& out);
// The head block of a borehole file: present, ended by a '*' line, its number lines readable.
void checkBoreholeHead(const char* path, const std::string& object, FindingList& out);

// A line file (.LJE): head block (method, code and soil index, number and soil text), points
// with their four numbers, column values not beyond the points, the soil code in the soil
// table.
void checkLineFile(const char* path, const std::string& object, FindingList& out);
// An outcrop file (.LAD): head lines with their numbers, every point with x, y and z.
void checkOutcropFile(const char* path, const std::string& object, FindingList& out);
// A deviation survey (.CRD): four numbers on every line.
void checkSurveyFile(const char* path, const std::string& object, FindingList& out);
// A borehole file read once: its head as checkBoreholeHead checks it, then its method
// blocks: the lines of the blocks 0 to 3 begin with a number (or "%", a core remark).
void checkBoreholeFile(const char* path, const std::string& object, FindingList& out);

// A bolt (.ODF) or drainage (.ODD) file: its head, version and end offset against the
// 144-byte records from offset 300.
void checkBoltDrainFile(const char* path, const std::string& object, FindingList& out);

// "harn CMD: damaged FILE: line N: MESSAGE" for each error of `list`, marking the command
// failed; true when there was one.
bool reportErrors(const std::string& cmd, const FindingList& list);

} // namespace cli
