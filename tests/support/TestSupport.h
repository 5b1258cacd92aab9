// Helpers shared by the test programs: a fresh project folder per test, bytes on disk, data
// kept beside the tests, and a fixture with a recording user interface.
#pragma once

#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"
#include "platform/UserInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testing_support {

// A new empty folder under the system's temporary folder, removed with all in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; } // POSIX, UTF-8
    // The same folder in the library's Windows form (backslashes, CP1252).
    std::string winPath() const;
    // POSIX path of a file below the folder; `relative` uses "/" and UTF-8.
    std::string file(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

// Raw bytes of a file (POSIX path); empty when missing.
std::string readBytes(const std::string& posixPath);
void writeBytes(const std::string& posixPath, const std::string& bytes);
bool exists(const std::string& posixPath);
void makeDirs(const std::string& posixPath);
// Names in a folder (POSIX, UTF-8), sorted.
std::vector<std::string> listNames(const std::string& posixPath);
// `bytes` written over a file from `offset` on.
void patchBytes(const std::string& posixPath, size_t offset, const std::string& bytes);
// Text with "\n" line ends made into CR LF.
std::string crlf(const std::string& text);
// The rows of tests/data/<relative>: each line that is not blank and does not start with "#",
// cut into its fields at " | ".
std::vector<std::vector<std::string>> dataRows(const std::string& relative);

// Installs a recording user interface for the test; resets the fault injector and the
// failure log.
class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FaultInjector::reset();
        platform::FailureLog::reset();
    }
    void TearDown() override {
        platform::FaultInjector::reset();
        platform::FailureLog::reset();
    }
    platform::RecordingUserInterface ui;
    TempDir dir;
};

} // namespace testing_support
