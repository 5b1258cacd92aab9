// Running a helper program as a filter: bytes in on its standard input, bytes out of its
// standard output. The tool converts pictures this way (SVG to PNG through rsvg-convert).
#pragma once

#include <string>
#include <vector>

namespace platform {

struct ProcessResult {
    bool started = false; // false: the program could not be found or run
    int exitCode = -1;    // the exit status; -1 when it was ended by a signal
    std::string out;      // its standard output
    std::string err;      // its standard error
};

// Runs `argv` (argv[0] is looked up on PATH), feeds it `input` and waits for it.
ProcessResult runFilter(const std::vector<std::string>& argv, const std::string& input);

// True when `program` is an executable file in a folder of PATH.
bool programOnPath(const std::string& program);

} // namespace platform
