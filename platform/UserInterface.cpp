#include "platform/UserInterface.h"

#include "platform/Dialog.h"
#include "platform/Encoding.h"

#include <atomic>
#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace platform {
namespace {

UserInterface*& current() {
    static UserInterface* ui = nullptr;
    return ui;
}

ConsoleUserInterface& console() {
    static ConsoleUserInterface c;
    return c;
}

std::string& title() {
    static std::string t = "Harnoplan";
    return t;
}

bool isYesNo(UINT flags) {
    return (flags & 0x0F) == MB_YESNO || (flags & 0x0F) == MB_YESNOCANCEL;
}

} // namespace

const char* messageCallName(MessageCall call) {
    switch (call) {
    case MessageCall::AfxMessageBox:
        return "AfxMessageBox";
    case MessageCall::MessageBoxA:
        return "MessageBoxA";
    case MessageCall::CWndMessageBox:
        return "CWnd::MessageBox";
    }
    return "?";
}

UserInterface& userInterface() {
    return current() ? *current() : console();
}
void setUserInterface(UserInterface* ui) {
    current() = ui;
}
const char* applicationTitle() {
    return title().c_str();
}
void setApplicationTitle(const char* t) {
    title() = t ? t : "";
}

void ConsoleUserInterface::setFollowUp(const std::string& needle, const std::string& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& f : m_followUps)
        if (f.first == needle) {
            f.second = line;
            return;
        }
    m_followUps.emplace_back(needle, line);
}

void UserInterface::dialogCaption(Dialog&, const char*) {}
void UserInterface::dialogText(Dialog&, int, const char*) {}
void UserInterface::dialogEnabled(Dialog&, int, bool) {}
void UserInterface::dialogPressed(Dialog&, int, bool) {}
void UserInterface::dialogClosed(Dialog&, int) {}
void UserInterface::runDialog(Dialog& dialog) {
    dialog.pressWhenIdle(IDCANCEL);
}

int ConsoleUserInterface::messageBox(MessageCall, const char* text, const char* caption,
                                     UINT flags) {
    std::string body = cp1252ToUtf8(text ? text : "");
    std::string head = cp1252ToUtf8(caption ? caption : "");
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_drawn = 0; // a dialog drawn above is not redrawn over this message
        std::cerr << head << ": " << body << std::endl;
        for (const auto& [needle, line] : m_followUps)
            if (text && std::string(text).find(needle) != std::string::npos &&
                m_followedUp.insert(line).second)
                std::cerr << line << std::endl;
    }
    if (!isYesNo(flags))
        return IDOK;
    if (m_presetAnswer)
        return m_presetAnswer;
    if (!::isatty(STDIN_FILENO)) {
        std::cerr << "(nej)" << std::endl;
        return IDNO;
    }
    for (;;) {
        std::cerr << "[j/n] " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line))
            return IDNO;
        if (line == "j" || line == "J" || line == "ja" || line == "y")
            return IDYES;
        if (line == "n" || line == "N" || line == "nej")
            return IDNO;
    }
}

void ConsoleUserInterface::statusText(const char* text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_drawn = 0;
    if (text && *text)
        std::cerr << cp1252ToUtf8(text) << std::endl;
}

namespace {

// A button as the console shows it: [OK] when it can be pressed, [OK: disabled] otherwise.
std::string buttonText(const ControlState& c) {
    std::string t = "[";
    t += cp1252ToUtf8(c.text.c_str());
    t += c.enabled ? "]" : ": disabled]";
    return t;
}

// The label written before control `id`: the label just before it in the description.
std::string labelOf(const Dialog& dialog, int id) {
    const ControlState* last = nullptr;
    const std::vector<ControlState> controls = dialog.controls();
    for (const ControlState& c : controls) {
        if (c.id == id && c.kind != ControlKind::Label)
            return last ? cp1252ToUtf8(last->text.c_str()) : std::string();
        last = c.kind == ControlKind::Label ? &c : nullptr;
    }
    return {};
}

// The dialog as lines: the caption, then each label with the edit that follows it, the
// labels standing alone, and one line of buttons.
std::vector<std::string> dialogLines(const Dialog& dialog) {
    std::vector<std::string> lines{cp1252ToUtf8(dialog.caption().c_str())};
    std::string buttons;
    std::string pending;
    bool havePending = false;
    for (const ControlState& c : dialog.controls()) {
        if (c.kind == ControlKind::PushButton) {
            buttons += (buttons.empty() ? "" : "  ") + buttonText(c);
            continue;
        }
        if (c.kind == ControlKind::ReadOnlyEdit) {
            lines.push_back("  " + (havePending ? pending + " " : "") +
                            cp1252ToUtf8(c.text.c_str()));
            havePending = false;
            continue;
        }
        if (havePending)
            lines.push_back("  " + pending);
        pending = cp1252ToUtf8(c.text.c_str());
        havePending = true;
    }
    if (havePending)
        lines.push_back("  " + pending);
    lines.push_back("  " + buttons);
    return lines;
}

} // namespace

void ConsoleUserInterface::draw(const std::vector<std::string>& lines) {
    if (m_drawn > 0)
        std::cerr << "\033[" << m_drawn << "A";
    for (const std::string& line : lines)
        std::cerr << "\r\033[K" << line << "\n";
    std::cerr << std::flush;
    m_drawn = static_cast<int>(lines.size());
}

void ConsoleUserInterface::plainLine(const std::string& utf8) {
    std::cerr << utf8 << std::endl;
}

void ConsoleUserInterface::dialogOpened(Dialog& dialog) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_terminal = m_inPlace < 0 ? ::isatty(STDERR_FILENO) != 0 : m_inPlace == 1;
    m_drawn = 0;
    if (!m_terminal)
        plainLine(cp1252ToUtf8(dialog.caption().c_str()));
}

void ConsoleUserInterface::dialogCaption(Dialog& dialog, const char* caption) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_terminal)
        draw(dialogLines(dialog));
    else
        plainLine(cp1252ToUtf8(caption ? caption : ""));
}

void ConsoleUserInterface::dialogText(Dialog& dialog, int id, const char* text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_terminal) {
        draw(dialogLines(dialog));
        return;
    }
    std::string label = labelOf(dialog, id);
    for (const ControlState& c : dialog.controls())
        if (c.id == id && c.kind == ControlKind::PushButton)
            label = "button " + std::to_string(id) + ":";
    plainLine("  " + (label.empty() ? "" : label + " ") + cp1252ToUtf8(text ? text : ""));
}

void ConsoleUserInterface::dialogEnabled(Dialog& dialog, int id, bool) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_terminal) {
        draw(dialogLines(dialog));
        return;
    }
    for (const ControlState& c : dialog.controls())
        if (c.id == id && c.kind == ControlKind::PushButton)
            plainLine("  " + buttonText(c));
}

void ConsoleUserInterface::dialogPressed(Dialog& dialog, int id, bool accepted) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string name = cp1252ToUtf8(dialog.text(id).c_str());
    plainLine(std::string(accepted ? "pressed " : "cannot press ") + "[" + name + "]");
    m_drawn = 0;
}

void ConsoleUserInterface::dialogClosed(Dialog& dialog, int) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_terminal && m_drawn > 0)
        draw(dialogLines(dialog)); // the final state stays on the screen
    m_drawn = 0;
}

void ConsoleUserInterface::runDialog(Dialog& dialog) {
    int first = IDCANCEL;
    if (dialog.enabled(IDOK)) {
        if (m_dialogButton) {
            first = m_dialogButton;
        } else if (::isatty(STDIN_FILENO)) {
            {
                // The dialog's state is taken before the sink's own lock, in the order the
                // dialog's notifications take them.
                const std::vector<std::string> lines = dialogLines(dialog);
                const std::string ok = cp1252ToUtf8(dialog.text(IDOK).c_str());
                const std::string cancel = cp1252ToUtf8(dialog.text(IDCANCEL).c_str());
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_terminal)
                    draw(lines);
                std::cerr << "Press [" << ok << "] (j) or [" << cancel << "] (n)? [j/n] "
                          << std::flush;
                m_drawn = 0;
            }
            std::string line;
            while (std::getline(std::cin, line)) {
                if (line == "j" || line == "J" || line == "ja" || line == "y") {
                    first = IDOK;
                    break;
                }
                if (line == "n" || line == "N" || line == "nej")
                    break;
                std::cerr << "[j/n] " << std::flush;
            }
        }
    }
    dialog.pressWhenIdle(first);
    // The dialog stays open until its work is done; then the user closes it.
    if (!dialog.ended())
        dialog.pressWhenIdle(IDCANCEL);
}

RecordingUserInterface::RecordingUserInterface() : m_previous(current()) {
    current() = this;
}

RecordingUserInterface::~RecordingUserInterface() {
    current() = m_previous;
}

void RecordingUserInterface::record(Event e) {
    std::lock_guard<std::mutex> lock(m_mutex);
    events.push_back(std::move(e));
}

int RecordingUserInterface::messageBox(MessageCall call, const char* text, const char* caption,
                                       UINT flags) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Event e;
    e.kind = Event::Kind::Message;
    e.call = call;
    e.text = text ? text : "";
    e.caption = caption ? caption : "";
    e.flags = flags;
    if (!m_answers.empty()) {
        e.answer = m_answers.front();
        m_answers.pop_front();
    } else {
        e.answer = isYesNo(flags) ? IDYES : IDOK;
    }
    events.push_back(e);
    return e.answer;
}

void RecordingUserInterface::statusText(const char* text) {
    Event e;
    e.kind = Event::Kind::Status;
    e.text = text ? text : "";
    record(e);
}

void RecordingUserInterface::dialogOpened(Dialog& dialog) {
    Event e;
    e.kind = Event::Kind::DialogOpen;
    e.caption = dialog.resource().caption;
    e.control = dialog.resource().id;
    record(e);
}

void RecordingUserInterface::dialogCaption(Dialog&, const char* caption) {
    Event e;
    e.kind = Event::Kind::DialogCaption;
    e.caption = caption ? caption : "";
    record(e);
}

void RecordingUserInterface::dialogText(Dialog&, int id, const char* text) {
    Event e;
    e.kind = Event::Kind::DialogText;
    e.control = id;
    e.text = text ? text : "";
    record(e);
}

void RecordingUserInterface::dialogEnabled(Dialog&, int id, bool enabled) {
    Event e;
    e.kind = Event::Kind::DialogEnable;
    e.control = id;
    e.enabled = enabled;
    record(e);
}

void RecordingUserInterface::dialogPressed(Dialog&, int id, bool accepted) {
    Event e;
    e.kind = Event::Kind::DialogPress;
    e.control = id;
    e.enabled = accepted;
    record(e);
}

void RecordingUserInterface::dialogClosed(Dialog&, int result) {
    Event e;
    e.kind = Event::Kind::DialogClose;
    e.answer = result;
    record(e);
}

void RecordingUserInterface::runDialog(Dialog& dialog) {
    for (;;) {
        int id = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_presses.empty())
                break;
            id = m_presses.front();
            m_presses.pop_front();
        }
        dialog.pressWhenIdle(id);
    }
    if (!dialog.ended())
        dialog.pressWhenIdle(IDCANCEL);
}

std::vector<RecordingUserInterface::Event> RecordingUserInterface::dialogEvents() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.kind != Event::Kind::Message && e.kind != Event::Kind::Status)
            out.push_back(e);
    return out;
}

std::vector<std::string> RecordingUserInterface::dialogCaptions() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const Event& e : events)
        if (e.kind == Event::Kind::DialogCaption)
            out.push_back(e.caption);
    return out;
}

std::vector<std::string> RecordingUserInterface::controlTexts(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const Event& e : events)
        if (e.kind == Event::Kind::DialogText && e.control == id)
            out.push_back(e.text);
    return out;
}

std::vector<bool> RecordingUserInterface::buttonStates(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<bool> out;
    for (const Event& e : events)
        if (e.kind == Event::Kind::DialogEnable && e.control == id)
            out.push_back(e.enabled);
    return out;
}

std::vector<RecordingUserInterface::Event> RecordingUserInterface::messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.kind == Event::Kind::Message)
            out.push_back(e);
    return out;
}

std::vector<RecordingUserInterface::Event> RecordingUserInterface::statuses() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.kind == Event::Kind::Status)
            out.push_back(e);
    return out;
}

} // namespace platform

namespace {

std::atomic<int> g_failureMessages{0};

// Counts a box that is not a question; returns the flags unchanged.
UINT counted(UINT type) {
    const UINT buttons = type & 0x0F;
    if (buttons != MB_YESNO && buttons != MB_YESNOCANCEL)
        ++g_failureMessages;
    return type;
}

} // namespace

int platform::shownFailureMessages() {
    return g_failureMessages.load();
}

void platform::resetShownFailureMessages() {
    g_failureMessages = 0;
}

int AfxMessageBox(const char* text, UINT type, UINT) {
    return platform::userInterface().messageBox(platform::MessageCall::AfxMessageBox, text,
                                                platform::applicationTitle(), counted(type));
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
    // A null caption shows the system's default caption.
    return platform::userInterface().messageBox(platform::MessageCall::MessageBoxA, text,
                                                caption ? caption : "Fel", counted(type));
}

int CWndMessageBox(const char* text, const char* caption, UINT type) {
    return platform::userInterface().messageBox(platform::MessageCall::CWndMessageBox, text,
                                                caption ? caption : platform::applicationTitle(),
                                                counted(type));
}
