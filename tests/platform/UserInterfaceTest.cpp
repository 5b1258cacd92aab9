// The user-interface sink (recording and console), the application title and the clock.
#include "platform/UserInterface.h"
#include "platform/Clock.h"
#include "platform/Cp1252Literal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace {

using platform::MessageCall;
using platform::RecordingUserInterface;

TEST(UserInterface, RecordingSinkKeepsEveryCallInOrderAndAnswersFromItsScript) {
    RecordingUserInterface outer;
    {
        RecordingUserInterface ui;
        ui.answer(IDNO);
        EXPECT_EQ(MessageBoxA(nullptr, "Fråga?"_cp, "Rubrik", MB_YESNO | MB_ICONQUESTION), IDNO);
        EXPECT_EQ(MessageBoxA(nullptr, "Igen?", nullptr, MB_YESNO), IDYES); // script used up
        EXPECT_EQ(AfxMessageBox("Klart", MB_OK), IDOK);
        ui.setStatusLine(true);
        ui.statusText("status");
        std::string seen;
        for (const auto& e : ui.events)
            seen += (e.kind == RecordingUserInterface::Event::Kind::Status
                         ? std::string("status")
                         : platform::messageCallName(e.call)) +
                    " " + e.text + " [" + e.caption + "] " + std::to_string(e.flags) + " " +
                    std::to_string(e.answer) + "\n";
        EXPECT_EQ(seen, "MessageBoxA Fr\xE5ga? [Rubrik] 36 7\nMessageBoxA Igen? [Fel] 4 6\n"
                        "AfxMessageBox Klart [" +
                            std::string(platform::applicationTitle()) +
                            "] 0 1\nstatus status [] 0 0\n");
        EXPECT_EQ(ui.messages().size(), 3u);
        EXPECT_EQ(ui.statuses().size(), 1u);
    }
    EXPECT_EQ(&platform::userInterface(), &outer); // the previous sink comes back
    EXPECT_TRUE(outer.events.empty());
}

TEST(UserInterface, TitleConsoleSinkAndClock) {
    std::string old = platform::applicationTitle();
    EXPECT_FALSE(old.empty());
    platform::setApplicationTitle("Projekt");
    EXPECT_STREQ(platform::applicationTitle(), "Projekt");
    platform::setApplicationTitle(old.c_str());

    platform::ConsoleUserInterface console;
    console.setPresetAnswer(IDNO);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(console.messageBox(MessageCall::MessageBoxA, "Fr\xE5ga", "Rubrik", MB_YESNO), IDNO);
    EXPECT_EQ(console.messageBox(MessageCall::MessageBoxA, "Fel", "Rubrik", MB_OK), IDOK);
    console.setStatusLine(true);
    console.statusText("L\xE4ser");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Rubrik: Fr\xC3\xA5ga\nRubrik: Fel\nL\xC3\xA4ser\n"); // UTF-8 on the terminal

    platform::LocalTime t;
    t.year = 2005;
    platform::setFixedTime(&t);
    EXPECT_EQ(platform::localTime().year, 2005);
    platform::setFixedTime(nullptr);
    platform::LocalTime now = platform::localTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_EQ(now.yearsSince1900, now.year - 1900);
    auto start = std::chrono::steady_clock::now();
    Sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    std::atomic<int> ran{0};
    platform::startThread([&] { ran = 7; }).join();
    EXPECT_EQ(ran.load(), 7);
}

} // namespace
