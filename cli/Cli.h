// The harn tool's small framework: commands, `show` handlers and `demo` steps register
// themselves from their own files; main() dispatches.
#pragma once

#include <cstring>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class CHarnDbs;
class CProjPath;
class CAutoIni;

namespace cli {

// Exit codes of every command.
constexpr int kOk = 0;
constexpr int kFailed = 1; // the library reported a failure (its message is on stderr)
constexpr int kUsage = 2;  // wrong usage

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
    std::string name;
    std::string usage;   // e.g. "harn ls DIR [--type T] [--json]"
    std::string summary; // one line for `harn --help`
    CommandFn run;
};

struct CommandRegistrar {
    CommandRegistrar(const char* name, const char* usage, const char* summary, CommandFn run);
};
const std::vector<Command>& commands();
const Command* findCommand(const std::string& name);

// What a `show` handler gets: the opened database with the object's record current.
struct ShowContext {
    CHarnDbs& dbs;
    CProjPath& proj;
    bool json;
    std::ostream& out;
};
using ShowFn = int (*)(ShowContext& ctx);
struct ShowRegistrar {
    ShowRegistrar(int typ, ShowFn fn);
};
ShowFn findShow(int typ);

// What a `demo` step gets: the new project's opened database.
struct DemoContext {
    CHarnDbs& dbs;
    CProjPath& proj;
    CAutoIni* ini;
    std::ostream& out; // progress lines
};
using DemoFn = int (*)(DemoContext& ctx);
struct DemoStep {
    int order;
    std::string name;
    DemoFn run;
};
struct DemoRegistrar {
    DemoRegistrar(int order, const char* name, DemoFn fn);
};
// Steps sorted by order.
std::vector<DemoStep> demoSteps();

// Text between the library (CP1252) and the terminal (UTF-8).
std::string toUtf8(const char* cp1252);
std::string fromUtf8(const std::string& utf8);

// True when `args` holds `flag`; removes it.
bool takeFlag(std::vector<std::string>& args, const std::string& flag);
// The value after `option` ("--type T"), removed with it; empty when absent. `missing`
// is set when the option is given without a value.
std::string takeOption(std::vector<std::string>& args, const std::string& option, bool& missing);
// The same for an option that names a file: an empty name counts as missing.
std::string takeFileOption(std::vector<std::string>& args, const std::string& option,
                           bool& missing);
// Writes a command's output file (POSIX path) through platform::SafeReplace: the old file
// stays until the new one is complete. On failure prints "harn CMD: cannot write FILE" and
// returns false.
bool writeOutput(const Command& cmd, const std::string& posixFile, const std::string& bytes);
// Streams a command's output as `write` produces it, without holding it whole: to standard
// output when `posixFile` is empty, otherwise to that file through platform::SafeReplace (the
// old file stays until the new one is complete, and is kept when `write` throws). False when
// the output could not be written; for a file after "harn CMD: cannot write FILE".
bool streamOutput(const Command& cmd, const std::string& posixFile,
                  const std::function<void(std::ostream&)>& write);

// A command that goes on after it read a damaged file, or after the library reported a
// failure, marks itself failed: main() then exits with kFailed whatever the command returned.
void markFailed();
bool failedMarked();
// "harn CMD: damaged FILE: WHAT" on standard error (FILE in the user's form); marks the
// command failed.
void reportDamaged(const std::string& cmd, const std::string& file, const std::string& what);

// A data file the command needed that is there but was refused or could not be read (a
// missing one is the caller's to judge): "harn CMD: cannot read FILE[: WHY]" on standard
// error, and the command is marked failed. True when so.
bool reportUnread(const std::string& cmd, const char* windowsPath, const std::string& why = "");

// A path of the library (Windows form, CP1252) as the user writes it: POSIX, UTF-8.
std::string userPath(const char* windowsPath);
// UTF-8 text with its control characters escaped ("\n", "\t", "\xNN"), for text output.
std::string escapeControls(const std::string& utf8);
// A library text (CP1252) for text output: UTF-8, control characters escaped.
std::string shown(const char* cp1252);
inline std::string shown(const std::string& cp1252) {
    return shown(cp1252.c_str());
}
// A coordinate or length for a table: rounded to the millimetre ("%.3f"), never "-0.000".
std::string millimetres(double value);

// Prints "harn: <message>" and the usage to stderr; returns kUsage.
int usageError(const Command& cmd, const std::string& message);

// A fixed text field of a record as a string, never read past its end: the whole field, or
// (terminatedField) at most N - 1 characters, the most a terminated field can hold.
template <std::size_t N> std::string field(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}
template <std::size_t N> std::string terminatedField(const char (&text)[N]) {
    return std::string(text, strnlen(text, N - 1));
}

// Adding 0 turns a negative zero into 0, so no "-0" is shown.
inline double plain(double v) {
    return v + 0.0;
}

// Number text in the C locale: "%.*g" with the fewest digits, at least 6, that read back
// ("nan", "inf", "-inf" for the values that are not finite).
std::string number(double value);
// The most bytes formatNumber writes.
constexpr std::size_t kNumberSize = 32;
// The text of number(value) written at `out` (room for kNumberSize bytes); returns its end.
char* formatNumber(double value, char* out);

} // namespace cli
