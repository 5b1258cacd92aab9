// What the three classes read from their blocks, shown by the parameters read and the block
// as they save it: every case of tests/data/borehole/reading.txt.
#include "tests/borehole/BoreholeFixture.h"

using namespace borehole_test;

namespace {

using ReadingTest = BoreholeTest;

TEST_F(ReadingTest, EveryCaseOfTheDataFile) {
    const std::string data = golden("reading.txt");
    int cases = 0;
    for (size_t at = data.find("\n= "); at != std::string::npos; ++cases) {
        const size_t next = data.find("\n= ", at + 1), out = data.find("\n> ", at);
        const std::string name = data.substr(at + 3, data.find('\n', at + 1) - at - 3);
        SCOPED_TRACE(name);
        writeSnd(kHead + "*\n" + data.substr(at + 4 + name.size(), out - at - 3 - name.size()) +
                 "*\n");
        // The "> " lines: the parameters read, then the block as saved.
        std::string expected = data.substr(out + 1, next - out);
        for (size_t p = 0; p < expected.size(); p = expected.find('\n', p) + 1)
            expected.erase(p, 2);
        const std::string params = expected.substr(0, expected.find('\n'));
        auto check = [&](auto& object, int init) {
            EXPECT_EQ(init, 0);
            const harnbhdtype& h = object.m_bhd;
            EXPECT_EQ(std::string(h.metodtext) + "|" + h.slutkod + " " +
                          std::to_string(h.blockparam) + " " + h.klassystem + " " + h.klassland,
                      params);
            object.m_bhd.metod = std::atoi(name.c_str());
            for (int i = 0; i < 2; ++i) { // the second save writes the same
                EXPECT_EQ(object.Save(nullptr, 0), 0);
                EXPECT_EQ(sndBlocks(), crlf("*\n" + expected.substr(params.size() + 1) + "*\n"));
            }
        };
        CKarnborr kb(&proj, "B1");
        CVattenF vf(&proj, "B1");
        CRegBorr rb(&proj, "B1", -1);
        const int metod = std::atoi(name.c_str());
        if (metod == CKarnborr::KB)
            check(kb, kb.Init());
        else if (metod == CVattenF::VF)
            check(vf, vf.Init());
        else
            check(rb, rb.Init(metod));
        EXPECT_TRUE(ui.messages().empty());
        at = next;
    }
    EXPECT_EQ(cases, 18);
}

} // namespace
