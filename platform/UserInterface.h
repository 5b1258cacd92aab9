// The user-interface sink. Everything a Windows user would have seen (message boxes with
// their call, text, caption and flags; the status line) goes through one interface, so the
// tool can show it on a console and tests can record it.
#pragma once

#include "platform/CString.h"
#include "platform/Types.h"

#include <deque>
#include <string>
#include <vector>

namespace platform {

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

private:
    bool m_statusLine = false;
    int m_presetAnswer = 0;
};

// Keeps every event in order and answers questions from a script; for tests.
class RecordingUserInterface : public UserInterface {
public:
    struct Event {
        enum class Kind { Message, Status };
        Kind kind = Kind::Message;
        MessageCall call = MessageCall::MessageBoxA;
        std::string text;    // CP1252, as the library passed it
        std::string caption; // the caption the user would have seen
        UINT flags = 0;
        int answer = 0;
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

    void setMainWindow(bool present) { m_mainWindow = present; }
    void setStatusLine(bool attached) { m_statusLine = attached; }
    // The next questions are answered with these buttons in order; then IDOK for plain
    // boxes and IDYES for yes/no boxes.
    void answer(int button) { m_answers.push_back(button); }

    std::vector<Event> events;
    std::vector<Event> messages() const; // only the message boxes
    std::vector<Event> statuses() const; // only the status texts
    void clear() { events.clear(); }

private:
    UserInterface* m_previous;
    bool m_mainWindow = false;
    bool m_statusLine = false;
    std::deque<int> m_answers;
};

} // namespace platform

// The framework calls the library makes, forwarded to the sink. The caption of
// AfxMessageBox is the application title, as the framework supplies it.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
// CWnd::MessageBox on the host's main window.
int CWndMessageBox(const char* text, const char* caption, UINT type);
