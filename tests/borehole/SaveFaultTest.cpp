// A save never loses the borehole: whichever file operation fails, B1.SND afterwards holds
// either its old or its new contents, complete, and no temporary file is left behind.
#include "borehole/CKarnborr.h"
#include "borehole/CVattenF.h"
#include "platform/CFile.h"
#include "platform/FaultInjection.h"

#include "tests/borehole/BoreholeFixture.h"

#include <functional>

using namespace borehole_test;
using platform::FaultInjector;
using platform::FileOp;

namespace {

using Arm = std::function<void()>;
const FileOp kOps[] = {FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Rename, FileOp::Remove};

// Blocks large enough that reading and writing take several system calls each.
std::string bigBlock(int number, int lines) {
    std::string block = "*\n" + std::to_string(number) + " block\n0.000000 0 0 0 1 0\n";
    for (int i = 0; i < lines; ++i)
        block += "  " + std::to_string(i) + ".000     10 reading " + std::string(50, '.') + "\n";
    return block + "*\n";
}

class SaveFaultTest : public BoreholeTest {
protected:
    std::string oldFile = crlf(kHead + bigBlock(3, 150) + bigBlock(7, 150));
    std::string newFile;

    // Runs `save` once without faults to learn the new contents and how many operations of
    // each kind it makes after calling `arm`; then once per operation with that operation
    // (and, in a second run, every later one) failing. A failed read before the rewrite may
    // raise the framework's file exception; the file is then untouched as well.
    void proveEveryStep(const std::function<int(const Arm&)>& save) {
        testing_support::writeBytes(snd(), oldFile);
        int counts[5];
        {
            platform::FaultScope scope;
            ASSERT_EQ(save([] { FaultInjector::reset(); }), 0);
            for (int k = 0; k < 5; ++k)
                counts[k] = FaultInjector::count(kOps[k]);
        }
        newFile = sndBytes();
        ASSERT_NE(newFile, oldFile);
        EXPECT_GE(counts[static_cast<int>(FileOp::Write)], 2); // several writes to fail in
        EXPECT_GE(counts[static_cast<int>(FileOp::Read)], 2);
        for (int k = 0; k < 5; ++k)
            for (int nth = 1; nth <= counts[k] + 1; ++nth)
                for (bool later : {false, true}) {
                    SCOPED_TRACE(std::to_string(k) + " " + std::to_string(nth) + " " +
                                 std::to_string(later));
                    testing_support::writeBytes(snd(), oldFile);
                    ui.clear();
                    int result = -1;
                    platform::FaultScope scope;
                    try {
                        result = save([&] {
                            FaultInjector::reset();
                            FaultInjector::failNth(kOps[k], nth, later);
                        });
                    } catch (const CFileException&) {
                    }
                    EXPECT_EQ(sndBytes(), result == 0 ? newFile : oldFile);
                    EXPECT_FALSE(testing_support::exists(tmp()));
                    // A failed save tells the user, under the caption of the file steps.
                    const auto m = ui.messages();
                    EXPECT_EQ(m.empty() ? "" : m[0].caption, result == -3 ? "Filöppning" : "");
                }
    }
};

TEST_F(SaveFaultTest, CoreDrillingSave) {
    proveEveryStep([this](const Arm& arm) {
        CKarnborr kb(&proj, "B1");
        kb.Init();
        kb.m_bhd.metod = CKarnborr::KB;
        setText(kb.m_bhd.metodtext, "Kärna");
        for (int i = 1; i <= 300; ++i) {
            kbtype r{.djup = i * 0.5, .text = "sektion", .extra = {32, 32, 32, 32, 32, 32}};
            kb.Ny(1, &r);
        }
        arm();
        return kb.Save(nullptr, 0);
    });
    // The head and both blocks as they were, the core block appended.
    EXPECT_EQ(newFile.substr(0, oldFile.size() + 12), oldFile + crlf("*\n0 Kärna\n"));
}

TEST_F(SaveFaultTest, WaterLossDelete) {
    oldFile = crlf(kHead + bigBlock(3, 100) + bigBlock(2, 150) + bigBlock(7, 100));
    // Here the faults also reach the reading of the head inside DeleteMetod.
    proveEveryStep([this](const Arm& arm) {
        arm();
        return CVattenF(&proj, "B1").DeleteMetod(nullptr);
    });
    EXPECT_EQ(newFile, crlf(kHead + bigBlock(3, 100) + bigBlock(7, 100)));
}

TEST_F(SaveFaultTest, MessagesNameTheFailedStep) {
    testing_support::writeBytes(snd(), oldFile);
    // clang-format off
    const struct { FileOp op; int nth; std::string text; } cases[] = {
        {FileOp::Open, 1, "Fel: Hittar inte " + win("B1.SND")},
        {FileOp::Open, 2, "Fel: Kan ej öppna " + win("id.tmp")},
        {FileOp::Read, 3, "Fel vid läsning av " + win("B1.SND")},
        {FileOp::Write, 1, "Fel vid skrivning av " + win("id.tmp")},
        {FileOp::Rename, 1, "Fel: Kan ej ersätta " + win("B1.SND")},
    }; // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ui.clear();
        CKarnborr kb(&proj, "B1");
        ASSERT_EQ(kb.Init(), -1);
        kb.m_bhd.metod = CKarnborr::KB;
        platform::FaultScope scope;
        FaultInjector::failNth(c.op, c.nth);
        EXPECT_EQ(kb.Save(nullptr, 0), -3);
        const auto m = ui.messages();
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].text, c.text);
        EXPECT_EQ(m[0].caption, "Filöppning");
        EXPECT_EQ(m[0].call, platform::MessageCall::MessageBoxA);
        EXPECT_EQ(m[0].flags, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(sndBytes(), oldFile);
    }
}

} // namespace
