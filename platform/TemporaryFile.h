// A private scratch file of this program in the system's folder for temporary files: created
// exclusively under a unique name, readable and writable by its owner only, and removed when
// the object goes, whatever happened meanwhile (a failed write, an exception).
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// The system's folder for temporary files in Windows form: $TMPDIR when it is set, else /tmp.
std::string temporaryFolder();

class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file "<stem>.<process>-<n>.tmp" in temporaryFolder() and opens it for
    // writing and reading (binary). Null when it cannot be created; path() then names the
    // last name tried.
    FILE* create(const char* stem);
    FILE* stream() const { return m_file; }
    // Closes the stream (the file stays until remove or the end of the object); true when
    // every write reached the file.
    bool close();
    // Closes the stream and removes the file now.
    void remove();

    // The file's name in Windows form, as every path of the library.
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    FILE* m_file = nullptr;
    bool m_created = false; // m_path exists and is ours
};

} // namespace platform
