// The reinforcement-type library: the number is the group at byte 652, the stop message goes
// to the status line, and Findnum looks types up by group and type number.
#include "mapping/CForstTyper.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

std::string header(int32_t antal, int32_t hal, int32_t slut) {
    std::string h(300, '\0');
    std::memcpy(&h[0], "1.4", 3);
    std::memcpy(&h[24], &antal, 4);
    std::memcpy(&h[104], &hal, 4);
    double verdel = 0.4;
    std::memcpy(&h[108], &verdel, 8);
    std::memcpy(&h[116], &slut, 4);
    return h;
}

std::string typ(const char* id, int16_t grupp, int16_t typnr) {
    std::string r(656, 't');
    std::memset(&r[0], 0, 16);
    std::strncpy(&r[0], id, 16);
    std::memcpy(&r[652], &grupp, 2);
    std::memcpy(&r[654], &typnr, 2);
    return r;
}

class Typer : public CForstTyper {
public:
    using CForstTyper::CForstTyper;
    int count() const {
        int n = 0;
        Where(&n);
        return n;
    }
    int pos() const { return m_aktnr; }
};

class ForstTyper : public testing_support::RecordingTest {
protected:
    std::string win() const { return dir.winPath() + "\\TYPER.BIB"; }
    std::string file() const { return dir.file("TYPER.BIB"); }
    void SetUp() override {
        RecordingTest::SetUp();
        m_bells = std::tmpfile();
        libfile::setBellStream(m_bells);
    }
    void TearDown() override {
        libfile::setBellStream(nullptr);
        std::fclose(m_bells);
        RecordingTest::TearDown();
    }
    std::FILE* m_bells = nullptr;
};

} // namespace

TEST_F(ForstTyper, LoadsAndPacksByGroup) {
    std::string a = typ("BULT", 1, 1), b = typ("NAT", 2, 1);
    writeBytes(file(), header(2, 1, 300 + 3 * 656) + a + typ("FRI", 0, 9) + b);
    Typer t(win().c_str());
    EXPECT_EQ(t.Resultat(), 0);
    EXPECT_EQ(t.count(), 2);
    t.End();
    EXPECT_EQ(t.Get_aktel()->filpos, 956);
    EXPECT_EQ(t.Get_aktel()->typnr, 1);
    std::string filler = b;
    int16_t minus = -1;
    std::memcpy(&filler[652], &minus, 2);
    EXPECT_EQ(readBytes(file()), header(2, 0, 1612) + a + b + filler);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(ForstTyper, StopGoesToTheStatusLine) {
    writeBytes(file(), header(1, 0, 956) + typ("A", 1, 1) + typ("SENT", 4, 2));
    ui.setStatusLine(true);
    Typer t(win().c_str());
    EXPECT_EQ(t.count(), 1);
    EXPECT_TRUE(ui.messages().empty());
    ASSERT_EQ(ui.statuses().size(), 1u);
    EXPECT_EQ(ui.statuses()[0].text, "Kontroll av databas: stopp på id            SENT");

    // Without a status line the stop is silent.
    ui.clear();
    ui.setStatusLine(false);
    Typer u(win().c_str());
    EXPECT_EQ(u.count(), 1);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(ForstTyper, Findnum) {
    writeBytes(file(), header(4, 0, 300 + 4 * 656) + typ("A", 1, 1) + typ("B", 1, 2) +
                           typ("C", 2, 1) + typ("D", 1, 2));
    Typer t(win().c_str());
    ASSERT_EQ(t.count(), 4);

    // typnr below 1: 0 at once, the list untouched.
    t.End();
    EXPECT_EQ(t.Findnum(0, 1, 1), 0);
    EXPECT_EQ(t.pos(), 4);

    // lage 1: the first match becomes current; none: the last one is current.
    EXPECT_EQ(t.Findnum(2, 1, 1), 0);
    EXPECT_STREQ(t.Get_aktel()->id, "B");
    EXPECT_EQ(t.pos(), 2);
    EXPECT_EQ(t.Findnum(1, 2, 1), 0);
    EXPECT_STREQ(t.Get_aktel()->id, "C");
    EXPECT_EQ(t.Findnum(9, 9, 1), 0);
    EXPECT_EQ(t.pos(), 4);

    // lage 0: -1 when another record than the marked one has the pair.
    t.Home();
    t.Set_mark(); // A (1, 1)
    EXPECT_EQ(t.Findnum(1, 1, 0), 0);
    EXPECT_EQ(t.Findnum(1, 2, 0), -1);
    EXPECT_EQ(t.Findnum(5, 5, 0), 0);
    t.Findnum(1, 2, 1);
    t.Set_mark(); // B: D has the same pair
    EXPECT_EQ(t.Findnum(2, 1, 0), -1);

    // other lage values
    EXPECT_EQ(t.Findnum(2, 1, 2), 0);
    EXPECT_EQ(t.Findnum(1, 1, -1), 0);

    Typer empty((dir.winPath() + "\\SAKNAS.BIB").c_str());
    EXPECT_EQ(empty.Findnum(1, 1, 0), 0);
    EXPECT_EQ(empty.Findnum(1, 1, 1), 0);
}
