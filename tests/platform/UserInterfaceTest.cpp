// The user-interface sink (recording and console) and the clock.
#include "platform/UserInterface.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace {

using platform::MessageCall;
using platform::RecordingUserInterface;

TEST(RecordingSink, RecordsEveryCallInOrderAndAnswersFromTheScript) {
    RecordingUserInterface ui;
    ui.answer(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Fråga?", "Rubrik", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Igen?", "Rubrik", MB_YESNO), IDYES); // script used up
    EXPECT_EQ(AfxMessageBox("Klart", MB_OK), IDOK);
    EXPECT_EQ(CWndMessageBox("Fönster", "Egen", MB_OK | MB_ICONEXCLAMATION), IDOK);
    ui.setStatusLine(true);
    ui.statusText("status");
    ASSERT_EQ(ui.events.size(), 5u);
    EXPECT_EQ(ui.events[0].call, MessageCall::MessageBoxA);
    EXPECT_EQ(ui.events[0].text, "Fr\xE5ga?");
    EXPECT_EQ(ui.events[0].caption, "Rubrik");
    EXPECT_EQ(ui.events[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(ui.events[0].answer, IDNO);
    EXPECT_EQ(ui.events[2].call, MessageCall::AfxMessageBox);
    EXPECT_EQ(ui.events[2].caption, platform::applicationTitle());
    EXPECT_EQ(ui.events[3].call, MessageCall::CWndMessageBox);
    EXPECT_EQ(ui.events[3].caption, "Egen");
    EXPECT_EQ(ui.messages().size(), 4u);
    ASSERT_EQ(ui.statuses().size(), 1u);
    EXPECT_EQ(ui.statuses()[0].text, "status");
    ui.clear();
    EXPECT_TRUE(ui.events.empty());
    EXPECT_STREQ(platform::messageCallName(MessageCall::CWndMessageBox), "CWnd::MessageBox");
}

TEST(RecordingSink, PutsThePreviousSinkBackWhenItGoes) {
    RecordingUserInterface outer;
    {
        RecordingUserInterface inner;
        AfxMessageBox("inre");
        EXPECT_EQ(inner.events.size(), 1u);
    }
    AfxMessageBox("yttre");
    ASSERT_EQ(outer.events.size(), 1u);
    EXPECT_EQ(outer.events[0].text, "yttre");
    EXPECT_EQ(&platform::userInterface(), &outer);
}

TEST(ApplicationTitle, HasADefaultAndCanBeSet) {
    std::string old = platform::applicationTitle();
    EXPECT_FALSE(old.empty());
    platform::setApplicationTitle("Projekt");
    EXPECT_STREQ(platform::applicationTitle(), "Projekt");
    platform::setApplicationTitle(old.c_str());
}

TEST(ConsoleSink, AnswersQuestionsWithThePresetAnswer) {
    platform::ConsoleUserInterface console;
    console.setPresetAnswer(IDNO);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(console.messageBox(MessageCall::MessageBoxA, "Fr\xE5ga", "Rubrik", MB_YESNO), IDNO);
    EXPECT_EQ(console.messageBox(MessageCall::MessageBoxA, "Fel", "Rubrik", MB_OK), IDOK);
    EXPECT_FALSE(console.hasStatusLine());
    console.setStatusLine(true);
    EXPECT_TRUE(console.hasStatusLine());
    console.statusText("L\xE4ser");
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Rubrik: Fr\xC3\xA5ga\nRubrik: Fel\nL\xC3\xA4ser\n"); // UTF-8 on the terminal
}

TEST(Clock, FixedTimeAndSleepAndThread) {
    platform::LocalTime t;
    t.year = 2005;
    t.month = 1;
    t.day = 2;
    t.yearsSince1900 = 105;
    platform::setFixedTime(&t);
    EXPECT_EQ(platform::localTime().year, 2005);
    EXPECT_EQ(platform::localTime().day, 2);
    platform::setFixedTime(nullptr);
    platform::LocalTime now = platform::localTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_EQ(now.yearsSince1900, now.year - 1900);

    auto start = std::chrono::steady_clock::now();
    Sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));

    std::atomic<int> ran{0};
    std::thread worker = platform::startThread([&] { ran = 7; });
    worker.join();
    EXPECT_EQ(ran.load(), 7);
}

} // namespace
