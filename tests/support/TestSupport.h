// Helpers shared by the test programs: a fresh project folder per test, bytes on disk, and
// a fixture with a recording user interface.
#pragma once

#include "platform/UserInterface.h"

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

// A new empty folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // POSIX path (UTF-8).
    const std::string& path() const { return m_path; }
    // The same folder in the library's Windows form (backslashes, CP1252).
    std::string winPath() const;
    // POSIX path of a file below the folder; `relative` uses "/" and UTF-8.
    std::string file(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

// Raw bytes of a file given as a POSIX path; empty when missing (see exists()).
std::string readBytes(const std::string& posixPath);
void writeBytes(const std::string& posixPath, const std::string& bytes);
bool exists(const std::string& posixPath);
void makeDirs(const std::string& posixPath);
// Names in a folder (POSIX, UTF-8), sorted.
std::vector<std::string> listNames(const std::string& posixPath);

// Text with "\n" line ends made into CR LF.
std::string crlf(const std::string& text);

// Installs a recording user interface for the test and resets the fault injector.
class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    platform::RecordingUserInterface ui;
    TempDir dir;
};

} // namespace testing_support
