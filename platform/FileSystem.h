// File-system calls of the library. Every path is in Windows form ("folder\sub\NAME.EXT",
// CP1252 names); it is mapped here: backslashes become slashes, names are stored as UTF-8,
// and a component that does not exist with the exact name is matched without regard to
// case, as on Windows. Every call passes through the fault injector.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The POSIX path for a Windows-form path. Existing components are found without regard
// to case; missing ones are kept as given (so a create makes them with that name).
std::string nativePath(const char* windowsPath);

// A POSIX path (UTF-8) in the library's Windows form: slashes become backslashes, UTF-8
// becomes CP1252. "/home/a/PROJ1" becomes "\home\a\PROJ1".
std::string windowsPath(const std::string& posixPath);

// Like the CRT's fopen. Without "b" in the mode the stream is in text mode: "\n" is
// written as CR LF on disk and both CR LF and LF read as "\n". Write errors show at the
// latest in fclose, which then returns EOF. With "x" the file is created exclusively: the
// open fails (errno EEXIST) when it exists already.
FILE* fopen(const char* path, const char* mode);

// Writes `n` bytes to the stream: to a stream over a file of its own (standard output), what
// it holds first and then the bytes straight to the file in one piece (the stream would cut
// them at its own small buffer and write them in two); a stream of platform::fopen takes
// them through its own writes. False when the write fails.
bool writeThrough(FILE* f, const char* data, std::size_t n);

// Prepares a stream just opened for one thread to read from start to end, in records or
// lines: no stream lock taken in every call, and a 64 KiB buffer (the default is 4 to 8 KiB)
// made in `buffer`, which must outlive the stream.
void readThrough(FILE* f, std::unique_ptr<char[]>& buffer);

// Creates the file exclusively (as mode "w+bx"), readable and writable by its owner only, and
// opens it for reading and writing in binary; null when it cannot (errno tells why).
FILE* createPrivateFile(const char* path);

// Like the CRT's _access: mode 0 tests existence, 2 writing, 4 reading, 6 both; 0 or -1.
int access(const char* path, int mode);

// Like the CRT's remove and rename (rename fails when the new name exists, as on Windows,
// unless it is the same file in another case); 0 or -1.
int remove(const char* path);
int rename(const char* from, const char* to);

// Removes a scratch file this program made (a temporary file of its own), not through the
// fault injector: it goes even while removals are made to fail.
void removeScratchFile(const char* path);

// Replaces `to` by `from` in one step (the old `to` stays complete until then); 0 or -1.
// The rename step of SafeReplace; writers use SafeReplace, which also makes the new file
// durable and never leaves a temporary file behind.
int replaceFile(const char* from, const char* to);

// Creates one folder; 0, or -1 (also when it exists already).
int makeDirectory(const char* path);
bool isDirectory(const char* path);

// Size of a file in bytes, or -1.
int64_t fileSize(const char* path);
// Seconds since the file was last modified (a lock file: since it was created), or -1 when
// it does not exist.
int64_t fileAgeSeconds(const char* path);

struct DirEntry {
    std::string name; // CP1252
    bool isDirectory = false;
    int64_t size = 0;
};

// Entries of a folder (without "." and ".."), in the order the system gives them.
std::vector<DirEntry> listDirectory(const char* path);

// Whole-file helpers (binary, through the same seam). writeFile writes in place, for tests
// and benchmarks; the library and the tool replace files through SafeReplace.
bool readFile(const char* path, std::string& bytes);
bool writeFile(const char* path, const std::string& bytes);

} // namespace platform
