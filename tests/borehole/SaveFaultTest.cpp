// A save never loses the borehole: whichever file operation fails, B1.SND afterwards holds
// either its old or its new contents, complete, and no temporary file is left behind.
#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "platform/CFile.h"
#include "platform/FaultInjection.h"

#include "tests/borehole/BoreholeFixture.h"

#include <functional>

using namespace borehole_test;
using platform::FaultInjector;
using platform::FileOp;

namespace {

const char* opName(FileOp op) {
    switch (op) {
    case FileOp::Open:
        return "open";
    case FileOp::Read:
        return "read";
    case FileOp::Write:
        return "write";
    case FileOp::Rename:
        return "rename";
    case FileOp::Remove:
        return "remove";
    }
    return "?";
}

// Blocks large enough that reading and writing take several system calls each.
std::string bigBlock(int number, int lines) {
    std::string block = "*\n" + std::to_string(number) + " block\n0.000000 0 0 0 1 0\n";
    for (int i = 0; i < lines; ++i)
        block += "  " + std::to_string(i) + ".000     10 text of reading number " +
                 std::to_string(i) + std::string(40, '.') + "\n";
    return block + "*\n";
}

class SaveFaultTest : public BoreholeTest {
protected:
    std::string oldFile;
    std::string newFile;

    void SetUp() override {
        BoreholeTest::SetUp();
        oldFile = crlf(kHead + bigBlock(3, 150) + bigBlock(7, 150));
    }

    // A save of a core log of 300 sections (the block is appended). `arm` is called just
    // before the save, after the file was read.
    int saveCore(const std::function<void()>& arm) {
        CKarnborr kb(&proj, "B1");
        kb.Init();
        kb.m_bhd.metod = CKarnborr::KB;
        setText(kb.m_bhd.metodtext, "Kärna");
        for (int i = 1; i <= 300; ++i) {
            kbtype r{};
            r.djup = i * 0.5;
            r.procent = static_cast<int16_t>(i % 100);
            setText(r.text, "sektion");
            std::memset(r.extra, 32, 6);
            kb.Ny(1, &r);
        }
        arm();
        return kb.Save(nullptr, 0);
    }

    // Runs `save` once without faults to learn the new contents and how many operations of
    // each kind it makes after calling `arm`; then once per operation with that operation
    // failing. A failed read of the file before the rewrite may raise the framework's file
    // exception; the file is then untouched as well.
    void proveEveryStep(const std::function<int(const std::function<void()>& arm)>& save) {
        testing_support::writeBytes(snd(), oldFile);
        int counts[5];
        {
            platform::FaultScope scope;
            ASSERT_EQ(save([] { FaultInjector::reset(); }), 0);
            for (int k = 0; k < 5; ++k)
                counts[k] = FaultInjector::count(static_cast<FileOp>(k));
        }
        newFile = sndBytes();
        ASSERT_NE(newFile, oldFile);
        EXPECT_GE(counts[static_cast<int>(FileOp::Write)], 2); // several writes to fail in
        EXPECT_GE(counts[static_cast<int>(FileOp::Read)], 2);

        for (FileOp op :
             {FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Rename, FileOp::Remove}) {
            for (int nth = 1; nth <= counts[static_cast<int>(op)] + 1; ++nth) {
                for (bool fromThenOn : {false, true}) {
                    SCOPED_TRACE(std::string(opName(op)) + " " + std::to_string(nth) +
                                 (fromThenOn ? " and later" : ""));
                    testing_support::writeBytes(snd(), oldFile);
                    ui.clear();
                    int result;
                    bool raised = false;
                    {
                        platform::FaultScope scope;
                        try {
                            result = save([&] {
                                FaultInjector::reset();
                                FaultInjector::failNth(op, nth, fromThenOn);
                            });
                        } catch (const CFileException&) {
                            raised = true;
                            result = -1;
                        }
                    }
                    const std::string now = sndBytes();
                    EXPECT_TRUE(now == oldFile || now == newFile);
                    EXPECT_FALSE(testing_support::exists(tmp()));
                    if (result == 0) {
                        EXPECT_EQ(now, newFile);
                    } else if (raised || result == -1) {
                        EXPECT_EQ(now, oldFile);
                    } else {
                        EXPECT_EQ(result, -3);
                        EXPECT_EQ(now, oldFile);
                        // The user is told, under the caption of the file operations.
                        auto m = ui.messages();
                        ASSERT_FALSE(m.empty());
                        EXPECT_EQ(m.back().caption, "Filöppning");
                    }
                }
            }
        }
    }
};

TEST_F(SaveFaultTest, CoreDrillingSave) {
    proveEveryStep([this](const std::function<void()>& arm) { return saveCore(arm); });
    // The head and both blocks as they were, the core block appended.
    EXPECT_EQ(newFile.substr(0, oldFile.size()), oldFile);
    const std::string title = crlf("*\n0 Kärna\n");
    EXPECT_EQ(newFile.substr(oldFile.size(), title.size()), title);
}

TEST_F(SaveFaultTest, RegisteredDrillingSave) {
    proveEveryStep([this](const std::function<void()>& arm) {
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        rb.Init(CRegBorr::RB);
        rb.Home();
        rb.Get_aktel()->sjunktid = 99; // block 3 is replaced by a changed one
        arm();
        return rb.Save(nullptr, 0);
    });
}

TEST_F(SaveFaultTest, WaterLossDelete) {
    oldFile = crlf(kHead + bigBlock(3, 100) + bigBlock(2, 150) + bigBlock(7, 100));
    // Here the faults also reach the reading of the head inside DeleteMetod.
    proveEveryStep([this](const std::function<void()>& arm) {
        CVattenF vf(&proj, "B1");
        arm();
        return vf.DeleteMetod(nullptr);
    });
    EXPECT_EQ(newFile, crlf(kHead + bigBlock(3, 100) + bigBlock(7, 100)));
}

TEST_F(SaveFaultTest, MessagesNameTheFailedStep) {
    testing_support::writeBytes(snd(), oldFile);
    const std::string folder = dir.winPath() + "\\HARNDB\\";
    struct Case {
        FileOp op;
        int nth;
        std::string text;
    } cases[] = {
        {FileOp::Open, 1, "Fel: Hittar inte " + folder + "B1.SND"},
        {FileOp::Open, 2, "Fel: Kan ej öppna " + folder + "id.tmp"},
        {FileOp::Read, 3, "Fel vid läsning av " + folder + "B1.SND"},
        {FileOp::Write, 1, "Fel vid skrivning av " + folder + "id.tmp"},
        {FileOp::Rename, 1, "Fel: Kan ej ersätta " + folder + "B1.SND"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ui.clear();
        CKarnborr kb(&proj, "B1");
        ASSERT_EQ(kb.Init(), -1);
        kb.m_bhd.metod = CKarnborr::KB;
        int result;
        {
            platform::FaultScope scope;
            FaultInjector::failNth(c.op, c.nth);
            result = kb.Save(nullptr, 0);
        }
        EXPECT_EQ(result, -3);
        auto m = messageTexts();
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0], c.text);
        EXPECT_EQ(sndBytes(), oldFile);
    }
}

} // namespace
