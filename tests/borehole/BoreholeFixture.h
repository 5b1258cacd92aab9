// A project folder with its database subfolder and one borehole file, B1.SND, for the tests
// of the borehole method classes.
#pragma once

#include "database/harnbhdtype.h"
#include "host/CProjPath.h"
#include "tests/support/TestSupport.h"

#include <cstring>
#include <string>

namespace borehole_test {

// The head block of B1 as the database writes it: at x 1000, y 2000, ground level 100,
// rock level 95, both flags "NEJ", azimuth 0, vertical. No closing "*".
inline const std::string kHead = "B1                             \n"
                                 "1000.000000\n"
                                 "2000.000000 0\n"
                                 "100.000000 95.000000\n"
                                 "0.000000 0.000000\n"
                                 "0.000000 0.000000 0 0\n"
                                 "0.000000 0 90\n";

class BoreholeTest : public testing_support::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        CProjPath::ResetNames();
        testing_support::makeDirs(dir.file("HARNDB"));
    }

    // POSIX paths of the files of B1 and of the temporary file.
    std::string snd() const { return dir.file("HARNDB/B1.SND"); }
    std::string crd() const { return dir.file("HARNDB/B1.CRD"); }
    std::string tmp() const { return dir.file("HARNDB/id.tmp"); }
    // The Windows-form path that messages show.
    std::string winSnd() const { return dir.winPath() + "\\HARNDB\\B1.SND"; }

    // Writes B1.SND from text with "\n" line ends; they become CR LF as the library writes.
    void writeSnd(const std::string& text) { testing_support::writeBytes(snd(), crlf(text)); }
    std::string sndBytes() const { return testing_support::readBytes(snd()); }
    static std::string crlf(const std::string& text) { return testing_support::crlf(text); }

    // The message texts shown so far, in order.
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& e : ui.messages())
            texts.push_back(e.text);
        return texts;
    }

    CProjPath proj{dir.winPath().c_str()};
};

template <std::size_t N> void setText(char (&field)[N], const char* text) {
    std::snprintf(field, N, "%s", text);
}

} // namespace borehole_test
