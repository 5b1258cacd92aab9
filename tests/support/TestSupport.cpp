#include "tests/support/TestSupport.h"

#include "platform/FaultInjection.h"
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
    std::vector<char> buf(base.begin(), base.end());
    buf.push_back(0);
    if (!::mkdtemp(buf.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = buf.data();
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
    std::ofstream out(posixPath, std::ios::binary | std::ios::trunc);
    out << bytes;
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

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

void RecordingTest::SetUp() {
    platform::FaultInjector::reset();
}

void RecordingTest::TearDown() {
    platform::FaultInjector::reset();
}

} // namespace testing_support
