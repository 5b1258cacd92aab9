// The user-interface sink. Everything a Windows user would have seen (message boxes with
// their call, text, caption and flags; the status line) goes through one interface, so the
// tool can show it on a console and tests can record it.
#pragma once

#include "platform/CString.h"
#include "platform/Types.h"

#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class Dialog;

// Which framework call showed a message box.
enum class MessageCall { AfxMessageBox, MessageBoxA, CWndMessageBox };

const char* messageCallName(MessageCall call);

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // Shows a message box and returns the button that closed it (IDOK, IDYES, IDNO, ...).
    virtual int messageBox(MessageCall call, const char* text, const char* caption, UINT flags) = 0;
    // Whether the host has a main window (decides between the two message-box paths).
    virtual bool hasMainWindow() const { return false; }
    // Whether a status line is attached; status texts are dropped while none is.
    virtual bool hasStatusLine() const { return false; }
    virtual void statusText(const char* text) { (void)text; }

    // A modal dialog (platform/Dialog.h). The notifications come from any thread, in the
    // order of the changes, while the dialog holds its lock: a sink may read the dialog's
    // state from them but must not press its buttons there.
    virtual void dialogOpened(Dialog& dialog) { (void)dialog; }
    virtual void dialogCaption(Dialog& dialog, const char* caption);
    virtual void dialogText(Dialog& dialog, int id, const char* text);
    virtual void dialogEnabled(Dialog& dialog, int id, bool enabled);
    // A press of control `id`; `accepted` is false when the control was no enabled button.
    virtual void dialogPressed(Dialog& dialog, int id, bool accepted);
    virtual void dialogClosed(Dialog& dialog, int result);
    // The modal loop: presses the dialog's buttons until it ends. A sink that cannot show a
    // dialog closes it with IDCANCEL once nothing runs in it, so nothing is started unasked.
    virtual void runDialog(Dialog& dialog);
};

// The sink in use (a console sink unless one was installed) and its replacement.
UserInterface& userInterface();
void setUserInterface(UserInterface* ui); // null restores the console sink

// Message boxes shown through the framework calls below since the last reset, questions
// (yes/no boxes) left out: the failures the library told its user. The tool fails a command
// that read anything while one was shown.
int shownFailureMessages();
void resetShownFailureMessages();

// The host application's title: stands in for string resource 57344.
const char* applicationTitle();
void setApplicationTitle(const char* title);

// Messages to standard error in UTF-8; yes/no questions answered by a preset answer, or
// asked on the terminal when standard input is one.
class ConsoleUserInterface : public UserInterface {
public:
    int messageBox(MessageCall call, const char* text, const char* caption, UINT flags) override;
    bool hasStatusLine() const override { return m_statusLine; }
    void statusText(const char* text) override;
    void setStatusLine(bool attached) { m_statusLine = attached; }
    // Answer given to every question without asking (IDYES or IDNO); 0 asks when possible.
    void setPresetAnswer(int answer) { m_presetAnswer = answer; }
    // After a message whose text holds `needle` (CP1252), the line `line` (UTF-8) follows;
    // a second call with the same needle replaces its line.
    void setFollowUp(const std::string& needle, const std::string& line);

    // Dialogs are drawn on standard error: in place on a terminal, as plain lines
    // otherwise. The button pressed to start without asking (IDOK), or 0 to ask when
    // standard input is a terminal and to cancel when it is not.
    void setDialogButton(int id) { m_dialogButton = id; }
    // Whether dialogs are drawn in place (1) or as plain lines (0); -1 (the default) decides
    // by whether standard error is a terminal.
    void setInPlace(int inPlace) { m_inPlace = inPlace; }
    void dialogOpened(Dialog& dialog) override;
    void dialogCaption(Dialog& dialog, const char* caption) override;
    void dialogText(Dialog& dialog, int id, const char* text) override;
    void dialogEnabled(Dialog& dialog, int id, bool enabled) override;
    void dialogPressed(Dialog& dialog, int id, bool accepted) override;
    void dialogClosed(Dialog& dialog, int result) override;
    void runDialog(Dialog& dialog) override;

private:
    void draw(const std::vector<std::string>& lines);
    void plainLine(const std::string& utf8);

    bool m_statusLine = false;
    int m_presetAnswer = 0;
    std::vector<std::pair<std::string, std::string>> m_followUps;
    std::set<std::string> m_followedUp; // follow-up lines already given (each is given once)
    int m_dialogButton = 0;
    int m_inPlace = -1;
    bool m_terminal = false;
    int m_drawn = 0; // lines of the dialog drawn last on the terminal
    std::mutex m_mutex;
};

// Keeps every event in order and answers questions from a script; for tests.
class RecordingUserInterface : public UserInterface {
public:
    struct Event {
        enum class Kind {
            Message,
            Status,
            DialogOpen,    // caption: the description's caption; control: the dialog id
            DialogCaption, // caption
            DialogText,    // control, text
            DialogEnable,  // control, enabled
            DialogPress,   // control, enabled: whether the press was accepted
            DialogClose,   // answer: the dialog's result
        };
        Kind kind = Kind::Message;
        MessageCall call = MessageCall::MessageBoxA;
        std::string text;    // CP1252, as the library passed it
        std::string caption; // the caption the user would have seen
        UINT flags = 0;
        int answer = 0;
        int control = 0;
        bool enabled = false;
    };

    // Installs itself as the sink; the previous sink comes back on destruction.
    RecordingUserInterface();
    ~RecordingUserInterface() override;
    RecordingUserInterface(const RecordingUserInterface&) = delete;
    RecordingUserInterface& operator=(const RecordingUserInterface&) = delete;

    int messageBox(MessageCall call, const char* text, const char* caption, UINT flags) override;
    bool hasMainWindow() const override { return m_mainWindow; }
    bool hasStatusLine() const override { return m_statusLine; }
    void statusText(const char* text) override;
    void dialogOpened(Dialog& dialog) override;
    void dialogCaption(Dialog& dialog, const char* caption) override;
    void dialogText(Dialog& dialog, int id, const char* text) override;
    void dialogEnabled(Dialog& dialog, int id, bool enabled) override;
    void dialogPressed(Dialog& dialog, int id, bool accepted) override;
    void dialogClosed(Dialog& dialog, int result) override;
    // Presses the scripted buttons in order, each once nothing runs in the dialog; then, if
    // the dialog is still open, IDCANCEL.
    void runDialog(Dialog& dialog) override;

    void setMainWindow(bool present) { m_mainWindow = present; }
    void setStatusLine(bool attached) { m_statusLine = attached; }
    // The next questions are answered with these buttons in order; then IDOK for plain
    // boxes and IDYES for yes/no boxes.
    void answer(int button) { m_answers.push_back(button); }
    // The next dialog buttons to press, in order.
    void pressButton(int id) { m_presses.push_back(id); }

    // Read them once the calls under test have returned; the recording itself is safe
    // from any thread.
    std::vector<Event> events;
    std::vector<Event> messages() const;     // only the message boxes
    std::vector<Event> statuses() const;     // only the status texts
    std::vector<Event> dialogEvents() const; // only the dialog's events
    std::vector<std::string> dialogCaptions() const;
    std::vector<std::string> controlTexts(int id) const; // every text set, in order
    std::vector<bool> buttonStates(int id) const;        // every enabling, in order
    void clear() { events.clear(); }

private:
    void record(Event e);

    mutable std::mutex m_mutex;
    UserInterface* m_previous;
    bool m_mainWindow = false;
    bool m_statusLine = false;
    std::deque<int> m_answers;
    std::deque<int> m_presses;
};

} // namespace platform

// The framework calls the library makes, forwarded to the sink. The caption of
// AfxMessageBox is the application title, as the framework supplies it.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
// CWnd::MessageBox on the host's main window.
int CWndMessageBox(const char* text, const char* caption, UINT type);
