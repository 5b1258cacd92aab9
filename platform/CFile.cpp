#include "platform/CFile.h"
#include "platform/CStdioFile.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int causeOf(int err) {
    switch (err) {
    case ENOENT:
        return CFileException::fileNotFound;
    case ENOTDIR:
    case EISDIR:
    case ENAMETOOLONG:
        return CFileException::badPath;
    case EACCES:
    case EPERM:
    case EROFS:
        return CFileException::accessDenied;
    case EWOULDBLOCK:
        return CFileException::sharingViolation;
    case ENOSPC:
        return CFileException::diskFull;
    default:
        return CFileException::genericException;
    }
}

} // namespace

CFile::CFile(const char* path, UINT flags) {
    CFileException error;
    if (!Open(path, flags, &error))
        throw error;
}

CFile::~CFile() {
    Abort();
}

BOOL CFile::Open(const char* path, UINT flags, CFileException* error) {
    Abort();
    m_path = path;
    UINT access = flags & 3;
    bool create = flags & modeCreate;
    bool keep = flags & modeNoTruncate;
    const char* mode;
    if (create && !keep)
        mode = access == modeRead ? "w+" : access == modeWrite ? "w" : "w+";
    else
        mode = access == modeRead ? "r" : "r+";
    m_text = (flags & typeText) != 0;
    std::string m = mode;
    if (!m_text)
        m += 'b';
    if (create && keep && platform::access(path, 0) != 0)
        m = m_text ? "w+" : "w+b"; // create it, then keep what is there from then on
    if (create && (flags & modeCreateNew))
        m += 'x';
    int lockFd = -1;
    if ((flags & 0x70) == shareExclusive && platform::access(path, 0) == 0) {
        // Another exclusive opener holds it: a sharing violation, as on Windows.
        lockFd = ::open(platform::nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (lockFd >= 0 && ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
            ::close(lockFd);
            if (error)
                *error = CFileException(CFileException::sharingViolation, EWOULDBLOCK, path);
            return FALSE;
        }
    }
    m_stream = platform::fopen(path, m.c_str());
    if (!m_stream) {
        int err = errno;
        if (lockFd >= 0)
            ::close(lockFd);
        if (error)
            *error = CFileException(causeOf(err), err, path);
        return FALSE;
    }
    if ((flags & 0x70) == shareExclusive && lockFd < 0) {
        lockFd = ::open(platform::nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (lockFd >= 0)
            ::flock(lockFd, LOCK_EX | LOCK_NB);
    }
    m_lockFd = lockFd;
    // A CFile is used by one thread at a time, like the object itself: its stream need not
    // take the stream lock in every call (one atomic exchange per line read, per ferror).
    // A file opened for reading only is read whole, in records or lines: a larger buffer
    // reads it in fewer calls. Files opened for writing keep the default, so that their
    // writes reach the file as before.
    if (access == modeRead)
        platform::readThrough(m_stream, m_readBuffer);
    else
        __fsetlocking(m_stream, FSETLOCKING_BYCALLER);
    return TRUE;
}

void CFile::Close() {
    if (!m_stream)
        return;
    FILE* f = m_stream;
    m_stream = nullptr;
    int r = std::fclose(f);
    int err = errno;
    m_readBuffer.reset();
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    if (r != 0)
        throw CFileException(causeOf(err), err, m_path);
}

void CFile::Abort() {
    if (m_stream) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    m_readBuffer.reset();
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}

void CFile::raise(int cause) const {
    throw CFileException(cause, errno, m_path);
}

UINT CFile::Read(void* buffer, UINT count) {
    if (!m_stream)
        raise(CFileException::genericException);
    size_t n = std::fread(buffer, 1, count, m_stream);
    if (n < count && std::ferror(m_stream)) {
        std::clearerr(m_stream);
        raise(causeOf(errno));
    }
    return static_cast<UINT>(n);
}

void CFile::Write(const void* buffer, UINT count) {
    if (!m_stream)
        raise(CFileException::genericException);
    if (std::fwrite(buffer, 1, count, m_stream) != count) {
        std::clearerr(m_stream);
        raise(causeOf(errno));
    }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
    if (!m_stream)
        raise(CFileException::genericException);
    int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    if (fseeko(m_stream, offset, whence) != 0)
        raise(CFileException::badPath);
    return static_cast<ULONGLONG>(ftello(m_stream));
}

ULONGLONG CFile::GetPosition() const {
    if (!m_stream)
        raise(CFileException::genericException);
    return static_cast<ULONGLONG>(ftello(m_stream));
}

ULONGLONG CFile::GetLength() const {
    if (!m_stream)
        raise(CFileException::genericException);
    off_t here = ftello(m_stream);
    fseeko(m_stream, 0, SEEK_END);
    off_t len = ftello(m_stream);
    fseeko(m_stream, here, SEEK_SET);
    return static_cast<ULONGLONG>(len);
}

void CFile::Flush() {
    if (m_stream && std::fflush(m_stream) != 0)
        raise(causeOf(errno));
}

CString CFile::GetFileName() const {
    int p = m_path.ReverseFind('\\');
    return p < 0 ? m_path : m_path.Mid(p + 1);
}

CStdioFile::CStdioFile(const char* path, UINT flags) {
    CFileException error;
    if (!Open(path, flags, &error))
        throw error;
}

BOOL CStdioFile::Open(const char* path, UINT flags, CFileException* error) {
    if (!(flags & typeBinary))
        flags |= typeText;
    return CFile::Open(path, flags, error);
}

BOOL CStdioFile::ReadString(CString& line) {
    line.Empty();
    std::string text;
    if (!ReadLine(text))
        return FALSE;
    line = CString(std::move(text));
    return TRUE;
}

bool CStdioFile::ReadLine(std::string& line) {
    line.clear();
    if (!m_stream)
        raise(CFileException::genericException);
    ssize_t n = ::getline(&m_lineBuffer, &m_lineCapacity, m_stream);
    if (std::ferror(m_stream)) {
        std::clearerr(m_stream);
        raise(causeOf(errno));
    }
    if (n <= 0)
        return false;
    std::size_t length = static_cast<std::size_t>(n);
    if (m_lineBuffer[length - 1] == '\n')
        --length;
    // A text-mode stream has already turned CR LF into LF: a CR still before the LF belongs
    // to the line (taking it too would lose it from a text that ends in one).
    if (!m_text && length > 0 && m_lineBuffer[length - 1] == '\r')
        --length;
    line.assign(m_lineBuffer, length);
    return true;
}

char* CStdioFile::ReadString(char* buffer, UINT max) {
    if (!m_stream)
        raise(CFileException::genericException);
    char* r = std::fgets(buffer, static_cast<int>(max), m_stream);
    if (!r && std::ferror(m_stream)) {
        std::clearerr(m_stream);
        raise(causeOf(errno));
    }
    return r;
}

void CStdioFile::WriteString(const char* text) {
    Write(text, static_cast<UINT>(std::strlen(text)));
}
