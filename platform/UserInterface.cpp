#include "platform/UserInterface.h"

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

int ConsoleUserInterface::messageBox(MessageCall, const char* text, const char* caption,
                                     UINT flags) {
    std::string body = cp1252ToUtf8(text ? text : "");
    std::string head = cp1252ToUtf8(caption ? caption : "");
    std::cerr << head << ": " << body << std::endl;
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
    if (text && *text)
        std::cerr << cp1252ToUtf8(text) << std::endl;
}

RecordingUserInterface::RecordingUserInterface() : m_previous(current()) {
    current() = this;
}

RecordingUserInterface::~RecordingUserInterface() {
    current() = m_previous;
}

int RecordingUserInterface::messageBox(MessageCall call, const char* text, const char* caption,
                                       UINT flags) {
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
    events.push_back(e);
}

std::vector<RecordingUserInterface::Event> RecordingUserInterface::messages() const {
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.kind == Event::Kind::Message)
            out.push_back(e);
    return out;
}

std::vector<RecordingUserInterface::Event> RecordingUserInterface::statuses() const {
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
