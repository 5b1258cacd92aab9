#include "list/Utilities.h"

#include "platform/FailureLog.h"
#include "platform/UserInterface.h"

#include <cstdio>
#include <cstring>
#include <string>

char g_lineBuffer[kScratchSize];
char g_nameBuffer[kScratchSize];

int ShowMessage(const char* text, UINT buttons, UINT icon, const char* caption) {
    CString title = platform::applicationTitle();
    if (caption)
        title.Format("%s", caption);
    if (platform::userInterface().hasMainWindow())
        return AfxMessageBox(text, buttons | icon | MB_SETFOREGROUND, 0);
    return MessageBoxA(nullptr, text, title, buttons | icon);
}

int ShowMessage(CString text, UINT buttons, UINT icon, const CString* caption) {
    CString title = platform::applicationTitle();
    if (caption)
        title.Format("%s", static_cast<const char*>(*caption));
    if (platform::userInterface().hasMainWindow())
        return CWndMessageBox(text, title, buttons | icon | MB_SETFOREGROUND);
    return MessageBoxA(nullptr, text, title, buttons | icon);
}

void ShowStatus(const char* text) {
    platform::UserInterface& ui = platform::userInterface();
    if (ui.hasStatusLine())
        ui.statusText(text ? text : "");
}

void ShowStatus(CString text) {
    ShowStatus(static_cast<const char*>(text));
}

void UpperCaseSwedish(char* text) {
    if (!text)
        return;
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p) {
        switch (*p) {
        case 229:
            *p = 197;
            break;
        case 228:
            *p = 196;
            break;
        case 246:
            *p = 214;
            break;
        case 134:
            *p = 143;
            break;
        case 132:
            *p = 142;
            break;
        case 148:
            *p = 153;
            break;
        default:
            if (*p >= 'a' && *p <= 'z')
                *p = static_cast<unsigned char>(*p - 32);
        }
    }
}

void OemToAnsi(char* text) {
    if (!text)
        return;
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p) {
        switch (*p) {
        case 134:
            *p = 229;
            break;
        case 143:
            *p = 197;
            break;
        case 132:
            *p = 228;
            break;
        case 142:
            *p = 196;
            break;
        case 148:
            *p = 246;
            break;
        case 153:
            *p = 214;
            break;
        case 145:
            *p = 230;
            break;
        case 146:
            *p = 198;
            break;
        case 155:
            *p = 248;
            break;
        case 237:
            *p = 216;
            break;
        case 130:
            *p = 233;
            break;
        case 144:
            *p = 201;
            break;
        default:
            break;
        }
    }
}

int SplitPath(const char* path, char* folder, char* file) {
    CString p = path ? path : "";
    p.Trim();
    if (p.GetLength() > 0 && p[0] == '"')
        p.Trim('"');
    int slash = p.ReverseFind('\\');
    if (file) {
        CString name = slash < 0 ? p : p.Mid(slash + 1);
        std::strcpy(file, name);
    }
    if (folder) {
        CString dir = slash < 0 ? CString() : p.Left(slash);
        std::strcpy(folder, dir);
    }
    return 0;
}

void ReportFailure(const char* format, const char* file, int result) {
    const int n = std::snprintf(nullptr, 0, format, file ? file : "", result);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, file ? file : "", result);
    platform::FailureLog::report(text);
}

void ReportUppdat(int result, const char* file) {
    if (result != 0)
        ReportFailure("database record not updated after saving %s (Uppdat gave %d)", file, result);
}
