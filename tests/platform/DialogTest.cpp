// The modal dialog over the user-interface sink: presses of enabled, disabled and unknown
// controls, a worker that sets texts while the sink waits, the recording of every text and
// enabling in order, the console's plain rendering, and a sink that cannot show dialogs.
#include "platform/Dialog.h"
#include "platform/Cp1252Literal.h"
#include "platform/UserInterface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

using platform::ControlKind;
using platform::Dialog;
using platform::RecordingUserInterface;

namespace {

const platform::DialogTemplate kCounter = {
    77,
    "Räknare"_cp,
    100,
    50,
    "MS Sans Serif",
    8,
    {
        {IDOK, ControlKind::PushButton, "Start", true},
        {IDCANCEL, ControlKind::PushButton, "Stäng"_cp, true},
        {platform::IDC_STATIC, ControlKind::Label, "Värde:"_cp, true},
        {500, ControlKind::ReadOnlyEdit, "", true},
        {platform::IDC_STATIC, ControlKind::Label, "Fri text", true},
    },
};

// "Start" runs a worker that counts to `m_until` in control 500, with both buttons disabled;
// then "Stäng" comes back with the text "Klar".
class CounterDialog : public Dialog {
public:
    explicit CounterDialog(int until) : Dialog(kCounter), m_until(until) {}
    std::atomic<int> starts{0};

protected:
    int OnInitDialog() override {
        SetWindowText("Räknare 1"_cp);
        return 1;
    }
    void OnOK() override {
        ++starts;
        EnableDlgItem(IDOK, false);
        EnableDlgItem(IDCANCEL, false);
        startWorker([this] {
            for (int i = 1; i <= m_until; ++i)
                SetDlgItemText(500, std::to_string(i).c_str());
            EnableDlgItem(IDCANCEL, true);
            SetDlgItemText(IDCANCEL, "Klar");
        });
    }

private:
    int m_until;
};

// A sink that cannot show dialogs: the interface's own behaviour.
class PlainSink : public platform::UserInterface {
public:
    PlainSink() { platform::setUserInterface(this); }
    ~PlainSink() override { platform::setUserInterface(nullptr); }
    int messageBox(platform::MessageCall, const char*, const char*, UINT) override { return IDOK; }
};

} // namespace

TEST(DialogTest, RecordingKeepsEveryTextAndStateWhileTheWorkerCounts) {
    RecordingUserInterface ui;
    ui.pressButton(500);  // an edit is no button
    ui.pressButton(IDOK); // starts the worker
    ui.pressButton(IDOK); // disabled by then: refused
    ui.pressButton(IDCANCEL);
    CounterDialog dialog(3000);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.starts, 1);

    std::vector<std::string> expected;
    for (int i = 1; i <= 3000; ++i)
        expected.push_back(std::to_string(i));
    EXPECT_EQ(ui.controlTexts(500), expected);
    EXPECT_EQ(ui.controlTexts(IDCANCEL), std::vector<std::string>{"Klar"});
    EXPECT_EQ(ui.buttonStates(IDOK), std::vector<bool>{false});
    EXPECT_EQ(ui.buttonStates(IDCANCEL), (std::vector<bool>{false, true}));
    EXPECT_EQ(ui.dialogCaptions(), std::vector<std::string>{"Räknare 1"_cp});
    EXPECT_EQ(dialog.text(500), "3000");

    // The order of the whole run, the counting folded.
    std::string order;
    for (const auto& e : ui.dialogEvents()) {
        using K = RecordingUserInterface::Event::Kind;
        if (e.kind == K::DialogText && e.control == 500 && e.text != "1")
            continue;
        order += e.kind == K::DialogOpen      ? "open "
                 : e.kind == K::DialogCaption ? "caption "
                 : e.kind == K::DialogText    ? "text "
                 : e.kind == K::DialogEnable  ? (e.enabled ? "on " : "off ")
                 : e.kind == K::DialogPress   ? (e.enabled ? "press " : "refused ")
                                              : "close ";
        order += std::to_string(e.kind == K::DialogClose ? e.answer : e.control) + "\n";
    }
    EXPECT_EQ(order, "open 77\ncaption 0\nrefused 500\npress 1\noff 1\noff 2\ntext 500\non 2\n"
                     "text 2\nrefused 1\npress 2\nclose 2\n");
}

TEST(DialogTest, ASinkWithoutDialogsNeverStartsAnything) {
    PlainSink sink;
    CounterDialog dialog(5);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.starts, 0);
    EXPECT_EQ(dialog.text(500), "");
    EXPECT_FALSE(dialog.press(IDOK)); // after the end nothing is pressed
}

// Runs the counter dialog (counting to 2) on a console sink, OK pressed without asking;
// what it wrote to standard error.
std::string onConsole(int inPlace) {
    platform::ConsoleUserInterface console;
    console.setDialogButton(IDOK);
    console.setInPlace(inPlace);
    platform::setUserInterface(&console);
    std::ostringstream err;
    std::streambuf* old = std::cerr.rdbuf(err.rdbuf());
    CounterDialog dialog(2);
    const int result = dialog.DoModal();
    std::cerr.rdbuf(old);
    platform::setUserInterface(nullptr);
    EXPECT_EQ(result, IDCANCEL);
    return err.str();
}

TEST(DialogTest, ConsoleDrawsPlainLinesOrInPlace) {
    // UTF-8 on the console: "Räknare".
    EXPECT_EQ(onConsole(0),
              "R\xC3\xA4knare\nR\xC3\xA4knare 1\npressed [Start]\n  [Start: disabled]\n"
              "  [St\xC3\xA4ng: disabled]\n  V\xC3\xA4rde: 1\n  V\xC3\xA4rde: 2\n"
              "  [St\xC3\xA4ng]\n  button 2: Klar\npressed [Klar]\n");

    // On a terminal each change redraws the block over the last one: caption, label with
    // value, the label alone, the buttons.
    const std::string screen = onConsole(1);
    const std::string up = "\033[4A";
    const std::string block = "\r\033[KR\xC3\xA4knare 1\n\r\033[K  V\xC3\xA4rde: 2\n"
                              "\r\033[K  Fri text\n\r\033[K  [Start: disabled]  [Klar]\n";
    const std::string end = up + block + "pressed [Klar]\n";
    EXPECT_EQ(screen.rfind(end), screen.size() - end.size()) << screen;
    EXPECT_NE(screen.find("pressed [Start]\n"), std::string::npos);
}
