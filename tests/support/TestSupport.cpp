#include "tests/support/TestSupport.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir() {
    std::string base = (fs::temp_directory_path() / "harn-test-XXXXXX").string();
    if (!::mkdtemp(base.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = base;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string TempDir::winPath() const {
    return platform::windowsPath(m_path);
}

std::string readBytes(const std::string& posixPath) {
    std::ifstream in(posixPath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const std::string& posixPath, const std::string& bytes) {
    fs::create_directories(fs::path(posixPath).parent_path());
    std::ofstream(posixPath, std::ios::binary | std::ios::trunc) << bytes;
}

bool exists(const std::string& posixPath) {
    return fs::exists(posixPath);
}

void makeDirs(const std::string& posixPath) {
    fs::create_directories(posixPath);
}

std::vector<std::string> listNames(const std::string& posixPath) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(posixPath, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void patchBytes(const std::string& posixPath, size_t offset, const std::string& bytes) {
    std::string s = readBytes(posixPath);
    s.replace(offset, bytes.size(), bytes);
    writeBytes(posixPath, s);
}

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::vector<std::vector<std::string>> dataRows(const std::string& relative) {
    const fs::path file = fs::path(__FILE__).parent_path().parent_path() / "data" / relative;
    std::istringstream in(readBytes(file.string()));
    if (in.str().empty())
        throw std::runtime_error("no data in " + file.string());
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        rows.emplace_back();
        for (size_t at = 0, bar;; at = bar + 3) {
            bar = line.find(" | ", at);
            rows.back().push_back(line.substr(at, bar - at));
            if (bar == std::string::npos)
                break;
        }
    }
    return rows;
}

} // namespace testing_support
