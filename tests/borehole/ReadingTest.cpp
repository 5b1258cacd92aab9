// What the three classes read from their blocks: every case of tests/data/borehole/reading.txt.
#include "tests/borehole/BoreholeFixture.h"

#include <sstream>

using namespace borehole_test;

namespace {

using ReadingTest = BoreholeTest;

TEST_F(ReadingTest, EveryCaseOfTheDataFile) {
    std::istringstream in(golden("reading.txt"));
    std::string line, name, block;
    std::vector<std::string> expected;
    int cases = 0;
    auto check = [&] {
        SCOPED_TRACE(name);
        writeSnd(kHead + "*\n" + block + "*\n");
        const int metod = std::atoi(name.c_str());
        std::vector<std::string> got;
        if (metod == CKarnborr::KB) {
            CKarnborr kb(&proj, "B1");
            EXPECT_EQ(kb.Init(), 0);
            const harnbhdtype& h = kb.m_bhd;
            got = described(kb, std::string(h.slutkod) + " " + std::to_string(h.blockparam) + " " +
                                    h.klassystem + " " + h.klassland);
        } else if (metod == CVattenF::VF) {
            CVattenF vf(&proj, "B1");
            EXPECT_EQ(vf.Init(), 0);
            const harnbhdtype& h = vf.m_bhd;
            got = described(vf, std::string(h.metodtext) + "|" + h.slutkod + " " +
                                    std::to_string(h.blockparam) + " " + h.klassland);
        } else {
            CRegBorr rb(&proj, "B1", -1);
            EXPECT_EQ(rb.Init(metod), 0);
            EXPECT_EQ(rb.m_bhd.metod, metod);
            got = described(rb, std::string(rb.m_bhd.slutkod) + " " +
                                    std::to_string(rb.m_bhd.blockparam) + " " +
                                    std::to_string(rb.m_typ2 * 2 + rb.m_typ3 * 3 + rb.m_typ4 * 4));
        }
        EXPECT_EQ(got, expected);
        ++cases;
    };
    while (std::getline(in, line)) {
        if (line.rfind("= ", 0) == 0) {
            if (!name.empty())
                check();
            name = line.substr(2), block.clear(), expected.clear();
        } else if (line.rfind("> ", 0) == 0) {
            expected.push_back(line.substr(2));
        } else if (!name.empty()) {
            block += line + "\n";
        }
    }
    check();
    EXPECT_EQ(cases, 14);
}

} // namespace
