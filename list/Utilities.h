// The small free functions every data class uses: messages, status text, Swedish
// upper-casing, the DOS-to-Windows letter conversion and path splitting; and the two
// scratch buffers the file readers share.
#pragma once

#include "platform/CString.h"
#include "platform/Types.h"

#include <cstddef>

// Size of each module-wide scratch buffer.
constexpr std::size_t kScratchSize = 512;
// Line buffer shared by the file readers and message builders.
extern char g_lineBuffer[kScratchSize];
// Holds a file name while a message about that file is built.
extern char g_nameBuffer[kScratchSize];

// Shows a message. The caption is the application title, or `caption` when given. With a
// host main window the framework's box is used (it shows its own caption); otherwise a
// plain system box. Returns the button that closed the box.
int ShowMessage(const char* text, UINT buttons = MB_OK, UINT icon = MB_ICONEXCLAMATION,
                const char* caption = nullptr);
// The same for a string object; with a main window it is shown through CWnd::MessageBox.
int ShowMessage(CString text, UINT buttons, UINT icon, const CString* caption);

// Puts a text in the host's status line; dropped while no status line is attached.
void ShowStatus(const char* text);
void ShowStatus(CString text);

// Upper-cases a CP1252 or OEM text in place: a-z and the Swedish letters å, ä, ö only.
void UpperCaseSwedish(char* text);

// Converts the Nordic letters of the DOS code page to Windows-1252, in place.
void OemToAnsi(char* text);

// Splits a path at its last backslash after trimming blanks (and then quotes). Either
// output may be null. Always 0.
int SplitPath(const char* path, char* folder, char* file);

// Reports through platform::FailureLog a step that failed although the procedure goes on
// (its result is not passed back). `format` holds one %s for the file and may hold one %d
// for the result; the text names the step in English.
void ReportFailure(const char* format, const char* file, int result = 0);
// Reports a database update (Uppdat) that failed after `file` was saved; nothing when
// `result` is 0.
void ReportUppdat(int result, const char* file);
