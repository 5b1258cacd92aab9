// Folders named on the tool's command line: POSIX paths in UTF-8, not the library's
// Windows form.
#pragma once

#include <string>

namespace platform {

// `path` made absolute against the working folder and normalised, without a trailing "/".
std::string absolutePath(const std::string& path);

// Creates the folder and any missing parents; true when it exists afterwards.
bool makeFolders(const std::string& path);

// The folder of the running program (POSIX, UTF-8), or "" when the system does not say.
std::string programFolder();

// True when `path` names an existing folder.
bool isFolder(const std::string& path);

} // namespace platform
