// Where a project lives: its folder (the database, lock file and point file) and the
// names of the database subfolder and files, which the host may change.
#pragma once

#include "platform/CString.h"

class CProjPath {
public:
    // `folder` may be in Windows form or a POSIX path; it is held in Windows form without
    // a trailing separator. The database path defaults to folder + "\" + HarnDbsNamn.
    explicit CProjPath(const char* folder);
    CProjPath(const char* folder, const char* dbPath);
    virtual ~CProjPath() = default;

    // The project folder (Windows form, CP1252).
    const char* ProjKat() const { return m_projKat; }
    // Full path of the project database file.
    const CString& DbsPath() const { return m_dbsPath; }
    void SetDbsPath(const char* path) { m_dbsPath = path; }

    // Database subfolder, database file, lock file and alignment list names.
    static CString HarnDbfKat;
    static CString HarnDbsNamn;
    static CString HarnDbkNamn;
    static CString HarnVlNamn;
    // Puts the four names back to their defaults.
    static void ResetNames();

    // Path of a file in the database subfolder: folder\HarnDbfKat\name.
    CString DataPath(const char* name) const;

private:
    CString m_dbsPath;
    CString m_projKat;
};
