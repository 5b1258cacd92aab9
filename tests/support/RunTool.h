// Runs the built harn tool (path in HARN_TOOL) and captures its output and exit code.
#pragma once

#include <filesystem>
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

// The source tree (samples and expected outputs).
const std::filesystem::path kSource = std::filesystem::path(__FILE__).parent_path() / "../..";

// A literal of a test file (CP1252, as the library's) in the tool's UTF-8.
std::string u(const std::string& cp1252);
bool contains(const std::string& text, const std::string& part);
// The tool's output with the folder (Windows form) written as "DIR" and JSON's doubled
// backslashes single.
std::string plainOutput(std::string out, const std::string& winFolder);

} // namespace testing_support
