// The framework's binary file class. Opening reports failure by result; reading, writing
// and seeking raise CFileException on a disk error, as the framework does.
#pragma once

#include "platform/CString.h"
#include "platform/Types.h"

#include <cstdio>
#include <memory>

class CFileException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        accessDenied,
        sharingViolation,
        diskFull,
        endOfFile
    };
    CFileException(int cause = none, int osError = 0, const char* fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
    int m_cause;
    int m_lOsError;
    CString m_strFileName;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
        // Our addition: with modeCreate, the file must not exist yet (created exclusively).
        modeCreateNew = 0x10000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens at once; a failure raises CFileException.
    CFile(const char* path, UINT flags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // FALSE when the file cannot be opened (the cause goes into `error` when given).
    virtual BOOL Open(const char* path, UINT flags, CFileException* error = nullptr);
    virtual void Close();
    // Closes without raising anything; for clean-up paths.
    void Abort();

    UINT Read(void* buffer, UINT count);
    void Write(const void* buffer, UINT count);
    ULONGLONG Seek(LONGLONG offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    ULONGLONG GetPosition() const;
    ULONGLONG GetLength() const;
    void Flush();

    bool IsOpen() const { return m_stream != nullptr; }
    // Opened in text mode: its reads give CR LF as LF.
    bool IsTextMode() const { return m_text; }
    CString GetFilePath() const { return m_path; }
    void SetFilePath(const char* path) { m_path = path; }
    CString GetFileName() const;

protected:
    [[noreturn]] void raise(int cause) const;
    FILE* m_stream = nullptr;
    // The stream's buffer while a file is open for reading only (freed after it).
    std::unique_ptr<char[]> m_readBuffer;
    CString m_path;
    int m_lockFd = -1; // held while opened with shareExclusive
    bool m_text = false;
};
