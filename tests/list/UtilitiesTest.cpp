// The shared utilities: the message box with its caption rule and its two paths, status
// texts, Swedish upper-casing, the DOS letter conversion and path splitting.
#include "list/Utilities.h"

#include "platform/Cp1252Literal.h"
#include "platform/UserInterface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(ShowMessage, CallCaptionAndFlagsFollowTheMainWindowAndTheCaptionArgument) {
    struct Case {
        bool mainWindow, stringObject;
        const char* caption;
        UINT buttons, icon;
        const char* shown; // call [caption] flags in hex
    } cases[] = {
        // No main window: a plain system box with the title, or the caption as given.
        {false, false, nullptr, MB_OK, MB_ICONEXCLAMATION, "MessageBoxA [Titel] 30"},
        {false, false, "100%s %d", MB_OKCANCEL, MB_ICONSTOP, "MessageBoxA [100%s %d] 11"},
        {false, true, "Filöppning"_cp, MB_OK, MB_ICONEXCLAMATION, "MessageBoxA [Fil\xF6ppning] 30"},
        // Main window: the framework's box in front, with the framework's own caption ...
        {true, false, "Egen", MB_OKCANCEL, MB_ICONQUESTION, "AfxMessageBox [Titel] 10021"},
        // ... or for a string object CWnd::MessageBox with the caption.
        {true, true, nullptr, MB_OK, MB_ICONEXCLAMATION, "CWnd::MessageBox [Titel] 10030"},
        {true, true, "Uppdatering", MB_OK, MB_ICONSTOP, "CWnd::MessageBox [Uppdatering] 10010"},
    };
    std::string oldTitle = platform::applicationTitle();
    platform::setApplicationTitle("Titel");
    for (const Case& c : cases) {
        platform::RecordingUserInterface ui;
        ui.setMainWindow(c.mainWindow);
        ui.answer(IDCANCEL);
        CString caption(c.caption);
        int r = c.stringObject ? ShowMessage(CString("Text"), c.buttons, c.icon,
                                             c.caption ? &caption : nullptr)
                               : ShowMessage("Text", c.buttons, c.icon, c.caption);
        EXPECT_EQ(r, IDCANCEL); // the button that closed the box
        ASSERT_EQ(ui.events.size(), 1u);
        const auto& e = ui.events[0];
        char flags[16];
        std::snprintf(flags, sizeof flags, "%x", e.flags);
        EXPECT_EQ(e.text + " " + platform::messageCallName(e.call) + " [" + e.caption + "] " +
                      flags,
                  std::string("Text ") + c.shown);
    }
    platform::setApplicationTitle(oldTitle.c_str());
    platform::RecordingUserInterface ui;
    ShowMessage("x"); // defaults: OK and the exclamation icon
    EXPECT_EQ(ui.events.at(0).flags, MB_OK | MB_ICONEXCLAMATION);
}

TEST(ShowStatus, DroppedWhileNoStatusLineIsAttached) {
    platform::RecordingUserInterface ui;
    ShowStatus("borta");
    ui.setStatusLine(true);
    ShowStatus("Läser databas"_cp);
    ShowStatus(CString("Sparar"));
    ui.setStatusLine(false);
    ShowStatus(CString("borta"));
    ASSERT_EQ(ui.statuses().size(), 2u);
    EXPECT_EQ(ui.events[0].text + "|" + ui.events[1].text, "L\xE4ser databas|Sparar");
}

// Bytes 1-255 in one text through `convert`: each byte of `from` must become the byte of
// `to` at the same place, every other byte must stay.
void expectBytes(void (*convert)(char*), const std::string& from, const std::string& to) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    std::string expect = all;
    for (size_t i = 0; i < from.size(); ++i)
        expect[static_cast<unsigned char>(from[i]) - 1u] = to.at(i);
    convert(all.data());
    EXPECT_EQ(all, expect);
}

TEST(Letters, UpperCaseSwedishAndOemToAnsi) {
    expectBytes(UpperCaseSwedish,
                std::string("åäö"_cp) + "\x86\x84\x94"
                                        "abcdefghijklmnopqrstuvwxyz",
                std::string("ÅÄÖ"_cp) + "\x8F\x8E\x99"
                                        "ABCDEFGHIJKLMNOPQRSTUVWXYZ"); // é and the rest stay
    expectBytes(OemToAnsi, "\x86\x8F\x84\x8E\x94\x99\x91\x92\x9B\xED\x82\x90", "åÅäÄöÖæÆøØéÉ"_cp);
}

TEST(SplitPath, FolderAndFileAtTheLastBackslash) {
    const char* cases[][3] = {
        {"C:\\proj\\PROJ1\\x.dbs", "C:\\proj\\PROJ1", "x.dbs"},
        {"x.dbs", "", "x.dbs"},
        {"  \"C:\\a b\\x.dbs\"  ", "C:\\a b", "x.dbs"},
        {"\t\\home\\a\\PROJ1 \r\n", "\\home\\a", "PROJ1"},
        {"C:\\a\\x.dbs\"", "C:\\a", "x.dbs\""}, // quotes go only when the path starts with one
    };
    for (auto& c : cases) {
        char folder[kScratchSize] = "unchanged", file[kScratchSize] = "unchanged";
        EXPECT_EQ(SplitPath(c[0], folder, file), 0);
        EXPECT_EQ(std::string(folder) + "|" + file, std::string(c[1]) + "|" + c[2]) << c[0];
        EXPECT_EQ(SplitPath(c[0], nullptr, file) + SplitPath(c[0], folder, nullptr), 0);
    }
}

} // namespace
