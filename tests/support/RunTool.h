// Runs the built harn tool (path in HARN_TOOL) and captures its output and exit code.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ToolResult {
    int exitCode = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// Runs `harn args...`; `input` is fed to standard input.
ToolResult runTool(const std::vector<std::string>& args, const std::string& input = "");

} // namespace testing_support
