// Shared set-up of the cross-section type tests: a project with its database folder, bytes
// of TVTYP.LIS, and the user-visible events (messages, status texts, bell characters).
#pragma once

#include "host/CProjPath.h"
#include "mapping/LibraryFile.h"
#include "tests/support/TestSupport.h"
#include "tunnel/CTvarKoord.h"
#include "tunnel/CTvarsnitt.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tvtest {

template <class V> void put(std::string& bytes, std::size_t at, V value) {
    std::memcpy(&bytes[at], &value, sizeof value);
}

// The 100 bytes before the first record: head, then the unused 64 bytes.
inline std::string head(const char* version, int32_t antal, int32_t hal, int32_t slut,
                        double verdel = 0.5) {
    std::string h(100, '\0');
    std::strncpy(&h[0], version, 6);
    put<int32_t>(h, 16, antal), put<int32_t>(h, 20, hal), put<double>(h, 24, verdel);
    put<int32_t>(h, 32, slut);
    return h;
}

// A type record: name, a text, and numbers derived from the name's first letter so that
// every field is visible. `dead` clears the first name byte only (the rest stays, as after
// a host retired the type).
inline std::string record(const char* name, bool dead = false) {
    std::string r(136, '\0');
    std::strncpy(&r[0], name, 9);
    std::strncpy(&r[9], "beskrivning", 39);
    for (int i = 0; i < 11; ++i)
        put<double>(r, 48 + 8 * static_cast<std::size_t>(i), name[0] + i * 0.25);
    if (dead)
        r[0] = 0;
    return r;
}

class TunnelTest : public testing_support::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        testing_support::makeDirs(dir.file("HARNDB"));
        libfile::setBellStream(m_bells);
        ui.setStatusLine(true);
    }
    void TearDown() override {
        libfile::setBellStream(nullptr);
        std::fclose(m_bells);
        RecordingTest::TearDown();
    }
    std::string index() const { return dir.file("HARNDB/TVTYP.LIS"); }
    std::string file(const std::string& name) const { return dir.file("HARNDB/" + name); }
    std::string winFolder() const { return dir.winPath() + "\\HARNDB\\"; }

    // Every event as "box: text" (checking OK, the exclamation icon and the application
    // title as caption) or "status: text", then "bells: N"; then cleared.
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

    // "NAME@filpos" for each element of the list, in order.
    static std::vector<std::string> listed(CTvarsnitt& lib) {
        std::vector<std::string> out;
        if (lib.Home() == 0)
            do
                out.push_back(std::string(lib.Get_aktel()->tvnamn) + "@" +
                              std::to_string(lib.Get_aktel()->filpos));
            while (lib++);
        return out;
    }

    CProjPath proj{dir.winPath().c_str()};
    std::FILE* m_bells = std::tmpfile();
    long m_bellsSeen = 0;
};

} // namespace tvtest
