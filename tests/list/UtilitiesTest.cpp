// The shared utilities: the message box with its caption rule and its two paths, status
// texts, Swedish upper-casing, the DOS letter conversion and path splitting.
#include "list/Utilities.h"

#include "platform/UserInterface.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::MessageCall;
using platform::RecordingUserInterface;

// Sets the application title for one test and puts the old one back.
class TitleScope {
public:
    explicit TitleScope(const char* title) : m_old(platform::applicationTitle()) {
        platform::setApplicationTitle(title);
    }
    ~TitleScope() { platform::setApplicationTitle(m_old.c_str()); }

private:
    std::string m_old;
};

TEST(ShowMessage, WithoutMainWindowUsesMessageBoxWithTheApplicationTitle) {
    RecordingUserInterface ui;
    TitleScope title("Harnoplan 5");
    EXPECT_EQ(ShowMessage("Databasen finns redan !", MB_OK, MB_ICONEXCLAMATION), IDOK);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].call, MessageCall::MessageBoxA);
    EXPECT_EQ(m[0].text, "Databasen finns redan !");
    EXPECT_EQ(m[0].caption, "Harnoplan 5");
    EXPECT_EQ(m[0].flags, 0x30u);
}

TEST(ShowMessage, DefaultsAreOkAndExclamation) {
    RecordingUserInterface ui;
    ShowMessage("x");
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].flags, MB_OK | MB_ICONEXCLAMATION);
}

TEST(ShowMessage, AGivenCaptionReplacesTheTitleVerbatim) {
    RecordingUserInterface ui;
    ShowMessage("Fel", MB_OK, MB_ICONEXCLAMATION, "Inläsning av Harnoplan - databas");
    ShowMessage("Fel", MB_OK, MB_ICONEXCLAMATION, "100%s %d");
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].caption, "Inläsning av Harnoplan - databas");
    EXPECT_EQ(m[0].caption, "Inl\xE4sning av Harnoplan - databas"); // CP1252 bytes
    EXPECT_EQ(m[1].caption, "100%s %d");
}

TEST(ShowMessage, WithMainWindowUsesTheFrameworkBoxInFront) {
    RecordingUserInterface ui;
    ui.setMainWindow(true);
    TitleScope title("Värdprogram");
    ShowMessage("Text", MB_OKCANCEL, MB_ICONQUESTION, "Egen rubrik");
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].call, MessageCall::AfxMessageBox);
    EXPECT_EQ(m[0].flags, MB_OKCANCEL | MB_ICONQUESTION | 0x10000u);
    // The framework shows its own caption: the application title.
    EXPECT_EQ(m[0].caption, "Värdprogram");
}

TEST(ShowMessage, ReturnsTheButtonThatClosedTheBox) {
    RecordingUserInterface ui;
    ui.answer(IDCANCEL);
    EXPECT_EQ(ShowMessage("a", MB_OKCANCEL, MB_ICONEXCLAMATION), IDCANCEL);
    ui.setMainWindow(true);
    ui.answer(IDNO);
    EXPECT_EQ(ShowMessage("b", MB_YESNO, MB_ICONQUESTION), IDNO);
    ui.answer(IDRETRY);
    EXPECT_EQ(ShowMessage(CString("c"), MB_OK, MB_ICONEXCLAMATION, nullptr), IDRETRY);
}

TEST(ShowMessageString, WithMainWindowUsesTheWindowsBoxWithTheCaption) {
    RecordingUserInterface ui;
    ui.setMainWindow(true);
    TitleScope title("Harnoplan");
    ShowMessage(CString("Utan rubrik"), MB_OK, MB_ICONEXCLAMATION, nullptr);
    CString caption("Uppdatering av Harnoplan - databas");
    ShowMessage(CString("Med rubrik"), MB_OK, MB_ICONSTOP, &caption);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].call, MessageCall::CWndMessageBox);
    EXPECT_EQ(m[0].caption, "Harnoplan");
    EXPECT_EQ(m[0].flags, 0x10030u);
    EXPECT_EQ(m[1].call, MessageCall::CWndMessageBox);
    EXPECT_EQ(m[1].text, "Med rubrik");
    EXPECT_EQ(m[1].caption, "Uppdatering av Harnoplan - databas");
    EXPECT_EQ(m[1].flags, 0x10010u);
}

TEST(ShowMessageString, WithoutMainWindowUsesMessageBox) {
    RecordingUserInterface ui;
    TitleScope title("Harnoplan");
    CString caption("Filöppning");
    ShowMessage(CString("Fel: Hittar inte X"), MB_OK, MB_ICONEXCLAMATION, &caption);
    ShowMessage(CString("Utan"), MB_OK, MB_ICONEXCLAMATION, nullptr);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].call, MessageCall::MessageBoxA);
    EXPECT_EQ(m[0].caption, "Filöppning");
    EXPECT_EQ(m[0].flags, 0x30u);
    EXPECT_EQ(m[1].caption, "Harnoplan");
}

TEST(ShowStatus, DroppedWhileNoStatusLineIsAttached) {
    RecordingUserInterface ui;
    ShowStatus("Läser databas");
    ShowStatus(CString("Sparar"));
    EXPECT_TRUE(ui.events.empty());
    ui.setStatusLine(true);
    ShowStatus("Läser databas");
    ShowStatus(CString("Sparar"));
    ui.setStatusLine(false);
    ShowStatus("borta");
    auto s = ui.statuses();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].text, "L\xE4ser databas");
    EXPECT_EQ(s[1].text, "Sparar");
    EXPECT_TRUE(ui.messages().empty());
}

std::string upper(std::string s) {
    UpperCaseSwedish(s.data());
    return s;
}

std::string oem(std::string s) {
    OemToAnsi(s.data());
    return s;
}

TEST(UpperCaseSwedish, SwedishAndAsciiLettersOnly) {
    EXPECT_EQ(upper("åäö-abc"), "ÅÄÖ-ABC");
    EXPECT_EQ(upper("\xE5\xE4\xF6"), "\xC5\xC4\xD6");
    EXPECT_EQ(upper("é"), "é");
    EXPECT_EQ(upper("\x86\x84\x94"), "\x8F\x8E\x99"); // OEM å ä ö
    EXPECT_EQ(upper("b1-z9 ÅÄÖ"), "B1-Z9 ÅÄÖ");
}

TEST(UpperCaseSwedish, EveryOtherByteIsUnchanged) {
    for (int b = 1; b < 256; ++b) {
        std::string s(1, static_cast<char>(b));
        int expect = b;
        if (b >= 'a' && b <= 'z')
            expect = b - 32;
        else if (b == 229 || b == 228 || b == 246)
            expect = b - 32;
        else if (b == 134)
            expect = 143;
        else if (b == 132)
            expect = 142;
        else if (b == 148)
            expect = 153;
        EXPECT_EQ(static_cast<unsigned char>(upper(s)[0]), expect) << "byte " << b;
    }
}

TEST(OemToAnsi, NordicLettersOfTheDosCodePage) {
    const int table[][2] = {{134, 229}, {143, 197}, {132, 228}, {142, 196}, {148, 246}, {153, 214},
                            {145, 230}, {146, 198}, {155, 248}, {237, 216}, {130, 233}, {144, 201}};
    for (int b = 1; b < 256; ++b) {
        int expect = b;
        for (const auto& row : table)
            if (row[0] == b)
                expect = row[1];
        std::string s(1, static_cast<char>(b));
        EXPECT_EQ(static_cast<unsigned char>(oem(s)[0]), expect) << "byte " << b;
    }
    EXPECT_EQ(oem("G\x94teborg \x8E\x86"), "Göteborg Äå");
}

struct Split {
    std::string folder, file;
};

Split split(const char* path) {
    char folder[kScratchSize] = "unchanged";
    char file[kScratchSize] = "unchanged";
    EXPECT_EQ(SplitPath(path, folder, file), 0);
    return {folder, file};
}

TEST(SplitPath, FolderAndFileAtTheLastBackslash) {
    Split s = split("C:\\proj\\PROJ1\\x.dbs");
    EXPECT_EQ(s.folder, "C:\\proj\\PROJ1");
    EXPECT_EQ(s.file, "x.dbs");
    s = split("x.dbs");
    EXPECT_EQ(s.folder, "");
    EXPECT_EQ(s.file, "x.dbs");
    s = split("  \"C:\\a b\\x.dbs\"  ");
    EXPECT_EQ(s.folder, "C:\\a b");
    EXPECT_EQ(s.file, "x.dbs");
    s = split("C:\\a\\");
    EXPECT_EQ(s.folder, "C:\\a");
    EXPECT_EQ(s.file, "");
    s = split("\t\\home\\a\\PROJ1 \r\n");
    EXPECT_EQ(s.folder, "\\home\\a");
    EXPECT_EQ(s.file, "PROJ1");
    // Quotes are only removed when the path starts with one.
    s = split("C:\\a\\x.dbs\"");
    EXPECT_EQ(s.file, "x.dbs\"");
}

TEST(SplitPath, EitherOutputMayBeLeftOut) {
    char buf[64] = "";
    EXPECT_EQ(SplitPath("a\\b\\c.txt", nullptr, buf), 0);
    EXPECT_STREQ(buf, "c.txt");
    EXPECT_EQ(SplitPath("a\\b\\c.txt", buf, nullptr), 0);
    EXPECT_STREQ(buf, "a\\b");
    EXPECT_EQ(SplitPath("a\\b\\c.txt", nullptr, nullptr), 0);
}

} // namespace
