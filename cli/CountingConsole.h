// The console user interface of the commands that read a library or a tunnel: everything is
// shown on standard error, as the tool always does, and counted, for every message or status
// text shown while reading is a finding about the files read. An empty status text only
// clears the status line: it shows nothing and is not counted.
#pragma once

#include "platform/UserInterface.h"

namespace cli {

class CountingConsole : public platform::UserInterface {
public:
    CountingConsole() { m_console.setStatusLine(true); }
    int messageBox(platform::MessageCall call, const char* text, const char* caption,
                   UINT flags) override {
        ++shown;
        return m_console.messageBox(call, text, caption, flags);
    }
    bool hasStatusLine() const override { return true; }
    void statusText(const char* text) override {
        if (!text || !*text)
            return;
        ++shown;
        m_console.statusText(text);
    }
    int shown = 0;

private:
    platform::ConsoleUserInterface m_console;
};

// Installs a user interface for the length of a scope.
class UserInterfaceScope {
public:
    explicit UserInterfaceScope(platform::UserInterface& ui) { platform::setUserInterface(&ui); }
    ~UserInterfaceScope() { platform::setUserInterface(nullptr); }
    UserInterfaceScope(const UserInterfaceScope&) = delete;
    UserInterfaceScope& operator=(const UserInterfaceScope&) = delete;
};

} // namespace cli
