// Shared set-up of the cross-section type tests: a project with its database folder, bytes
// of TVTYP.LIS, and the user-visible events (messages, status texts, bell characters).
#pragma once

#include "host/CProjPath.h"
#include "mapping/LibraryFile.h"
#include "platform/FailureLog.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/ProjectTest.h"
#include "tests/support/TestSupport.h"
#include "tunnel/CTvarKoord.h"
#include "tunnel/CTvarsnitt.h"

#include <cstdio>
#include <cstring>
#include <functional>
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

class TunnelTest : public testing_support::BellRecordingTest {
protected:
    void SetUp() override {
        BellRecordingTest::SetUp();
        testing_support::makeDirs(dir.file("HARNDB"));
    }
    std::string index() const { return dir.file("HARNDB/TVTYP.LIS"); }
    std::string file(const std::string& name) const { return dir.file("HARNDB/" + name); }
    std::string winFolder() const { return dir.winPath() + "\\HARNDB\\"; }

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

    struct Swept {
        std::string before, after; // the target before and after a step without faults
        int runs = 0, failed = 0;  // failed: runs whose step gave no 0
    };
    // Runs `prepare` and `step` once without faults, then with each file operation failing
    // in turn (testing_support::forEachFault), `prepare` putting the old file in place each
    // time. The target is always the old or the new file, complete, and the database folder
    // holds the same names (no temporary file left); with `strict` the step gives 0 exactly
    // when the file is the new one.
    Swept sweep(const std::string& target, const std::function<void()>& prepare,
                const std::function<int()>& step, bool strict) {
        Swept out;
        prepare();
        out.before = testing_support::readBytes(target);
        const std::vector<std::string> names = testing_support::listNames(dir.file("HARNDB"));
        platform::FaultInjector::reset();
        EXPECT_EQ(step(), 0);
        out.after = testing_support::readBytes(target);
        out.runs = testing_support::forEachFault(
            [&](const std::function<void()>& arm) {
                platform::FailureLog::reset();
                prepare();
                EXPECT_EQ(testing_support::readBytes(target), out.before);
                arm();
                return step();
            },
            [&](const testing_support::Fault& fault, int result) {
                const std::string now = testing_support::readBytes(target);
                EXPECT_TRUE(now == out.before || now == out.after) << fault.text();
                if (strict) {
                    EXPECT_EQ(result == 0, now == out.after) << fault.text() << " " << result;
                }
                EXPECT_EQ(testing_support::listNames(dir.file("HARNDB")), names) << fault.text();
                out.failed += result != 0 ? 1 : 0;
            });
        EXPECT_GT(out.runs, 10);
        ui.clear();
        return out;
    }

    CProjPath proj{dir.winPath().c_str()};
};

} // namespace tvtest
