// A project folder with its database subfolder and one borehole file, B1.SND, for the tests
// of the borehole method classes; shared helpers.
#pragma once

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "host/CProjPath.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <string>
#include <vector>

// Records are built with designated initializers; the fields left out are zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace borehole_test {

// The head block of B1 as the database writes it: at x 1000, y 2000, ground level 100,
// rock level 95, both flags "NEJ", azimuth 0, vertical. No closing "*".
inline const std::string kHead = "B1                             \n1000.000000\n2000.000000 0\n"
                                 "100.000000 95.000000\n0.000000 0.000000\n"
                                 "0.000000 0.000000 0 0\n0.000000 0 90\n";

// Contents of tests/data/borehole/<name>.
inline std::string golden(const std::string& name) {
    const std::string here = __FILE__;
    return testing_support::readBytes(here.substr(0, here.rfind('/')) + "/../data/borehole/" +
                                      name);
}

template <std::size_t N> void setText(char (&field)[N], const char* text) {
    std::snprintf(field, N, "%s", text);
}

// The records of a list, first to last.
template <class L> auto records(L& list) {
    std::vector<std::remove_reference_t<decltype(*list.Get_aktel())>> out;
    if (list.Home() == 0)
        do
            out.push_back(*list.Get_aktel());
        while (list++);
    return out;
}

class BoreholeTest : public testing_support::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        CProjPath::ResetNames();
        testing_support::makeDirs(dir.file("HARNDB"));
    }
    // POSIX paths of the files of B1; the Windows form of a file of the database folder, as
    // messages show it.
    std::string snd() const { return dir.file("HARNDB/B1.SND"); }
    std::string crd() const { return dir.file("HARNDB/B1.CRD"); }
    std::string win(const char* name) const { return dir.winPath() + "\\HARNDB\\" + name; }
    // B1.SND from text with "\n" line ends, written with CR LF as the library writes.
    void writeSnd(const std::string& text) { testing_support::writeBytes(snd(), crlf(text)); }
    std::string sndBytes() const { return testing_support::readBytes(snd()); }
    // The file from its first "*" on: the blocks without the head.
    std::string sndBlocks() const {
        const std::string bytes = sndBytes();
        return bytes.substr(std::min(bytes.find('*'), bytes.size()));
    }
    static std::string crlf(const std::string& text) { return testing_support::crlf(text); }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& e : ui.messages())
            texts.push_back(e.text);
        return texts;
    }

    CProjPath proj{dir.winPath().c_str()};
};

} // namespace borehole_test
