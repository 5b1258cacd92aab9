// Fixtures over a project: a folder PROJ1 with its database folder in a fresh temporary
// folder, its paths object and the settings with a fixed date; and one that also catches the
// bell characters of the library files and lists every user-visible event.
#pragma once

#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "mapping/LibraryFile.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// The number of elements of a list.
template <class L> int count(const L& list) {
    int n = 0;
    list.Where(&n);
    return n;
}

class ProjectTest : public RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        CProjPath::ResetNames();
        root = dir.path() + "/PROJ1";
        makeDirs(root + "/HARNDB");
        proj = std::make_unique<CProjPath>(root.c_str());
        ini.SetDatum("2026-03-04");
    }
    std::string dbsFile() const { return root + "/HARNPLAN.DBS"; }
    std::string dataFile(const std::string& name) const { return root + "/HARNDB/" + name; }

    std::string root;
    std::unique_ptr<CProjPath> proj;
    CAutoIni ini;
};

class BellRecordingTest : public RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        libfile::setBellStream(m_bells);
        ui.setStatusLine(true);
    }
    void TearDown() override {
        libfile::setBellStream(nullptr);
        std::fclose(m_bells);
        RecordingTest::TearDown();
    }
    // Every event as "box: text" (checking a MessageBoxA with OK, the exclamation icon and
    // the application title as caption) or "status: text", then "bells: N" for the bell
    // characters written since the last call; then cleared.
    std::vector<std::string> events() {
        std::vector<std::string> out;
        for (const auto& e : ui.events) {
            const bool status = e.kind == platform::RecordingUserInterface::Event::Kind::Status;
            if (!status) {
                EXPECT_EQ(e.call, platform::MessageCall::MessageBoxA);
                EXPECT_EQ(e.flags, MB_OK | MB_ICONEXCLAMATION);
                EXPECT_EQ(e.caption, platform::applicationTitle());
            }
            out.push_back((status ? "status: " : "box: ") + e.text);
        }
        ui.clear();
        std::fflush(m_bells);
        out.push_back("bells: " + std::to_string(std::ftell(m_bells) - m_bellsSeen));
        m_bellsSeen = std::ftell(m_bells);
        return out;
    }
    using Events = std::vector<std::string>;

    std::FILE* m_bells = std::tmpfile();
    long m_bellsSeen = 0;
};

} // namespace testing_support
