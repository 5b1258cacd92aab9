#include "platform/FileSystem.h"

#include "platform/Encoding.h"
#include "platform/FaultInjection.h"
#include "platform/FolderCache.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool exists(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` without regard to case, or empty.
std::string findNoCase(const std::string& folder, const std::string& name) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return {};
    std::string found;
    while (dirent* e = ::readdir(d)) {
        if (equalNoCase(utf8ToCp1252(e->d_name), name)) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

// State of one stream opened by fopen: the file descriptor and the text-mode translation.
struct Stream {
    int fd = -1;
    bool text = false;
    bool pendingCR = false; // a CR read at the end of a chunk, not yet known to precede LF
    int writeError = 0;     // errno of a failed write, reported again when closing
};

// Text mode: CR LF is read as LF and a lone CR stays. The bytes are read straight into
// `buf` and translated in place, block by block between the CRs. A CR that ends what was
// read waits for the next read (pendingCR), which tells whether an LF follows it. Nothing
// is read ahead, so the file's position stays that of the bytes delivered.
ssize_t readText(Stream* s, char* buf, size_t size) {
    size_t out = 0;
    while (out == 0 && size > 0) {
        size_t have = 0;
        if (s->pendingCR) {
            if (size == 1) {
                // Room for one character: the byte after the CR decides which.
                char c;
                const ssize_t n = ::read(s->fd, &c, 1);
                if (n < 0)
                    return -1;
                s->pendingCR = false;
                if (n == 1 && c != '\n' && ::lseek(s->fd, -1, SEEK_CUR) < 0)
                    return -1; // c is given back for the next read
                buf[0] = n == 1 && c == '\n' ? '\n' : '\r';
                return 1;
            }
            buf[0] = '\r';
            have = 1;
        }
        const ssize_t n = ::read(s->fd, buf + have, size - have);
        if (n < 0)
            return -1; // a waiting CR still waits
        s->pendingCR = false;
        if (n == 0)
            return static_cast<ssize_t>(have); // at the end, a waiting CR stays a CR
        const size_t length = have + static_cast<size_t>(n);
        size_t from = 0;
        while (from < length) {
            const auto* cr = static_cast<const char*>(std::memchr(buf + from, '\r', length - from));
            const size_t end = cr ? static_cast<size_t>(cr - buf) : length;
            if (out != from)
                std::memmove(buf + out, buf + from, end - from);
            out += end - from;
            if (!cr)
                break;
            if (end + 1 == length) {
                s->pendingCR = true;
                break;
            }
            const bool pair = buf[end + 1] == '\n';
            buf[out++] = pair ? '\n' : '\r';
            from = end + (pair ? 2 : 1);
        }
    }
    return static_cast<ssize_t>(out);
}

ssize_t streamRead(void* cookie, char* buf, size_t size) {
    auto* s = static_cast<Stream*>(cookie);
    if (FaultInjector::shouldFail(FileOp::Read)) {
        errno = EIO;
        return -1;
    }
    if (!s->text)
        return ::read(s->fd, buf, size);
    return readText(s, buf, size);
}

bool writeAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

ssize_t streamWrite(void* cookie, const char* buf, size_t size) {
    auto* s = static_cast<Stream*>(cookie);
    if (FaultInjector::shouldFail(FileOp::Write)) {
        s->writeError = errno = ENOSPC;
        return 0; // the C library takes 0 as a failed write; a negative count is misread
    }
    bool ok;
    if (!s->text) {
        ok = writeAll(s->fd, buf, size);
    } else {
        std::string out;
        out.reserve(size + size / 16);
        for (size_t i = 0; i < size; ++i) {
            if (buf[i] == '\n')
                out += '\r';
            out += buf[i];
        }
        ok = writeAll(s->fd, out.data(), out.size());
    }
    if (!ok) {
        s->writeError = errno;
        return 0;
    }
    return static_cast<ssize_t>(size);
}

int streamSeek(void* cookie, off64_t* pos, int whence) {
    auto* s = static_cast<Stream*>(cookie);
    off_t r = ::lseek(s->fd, *pos, whence);
    if (r < 0)
        return -1;
    s->pendingCR = false;
    *pos = r;
    return 0;
}

// A write that failed earlier makes the close fail too, so that a caller who only checks
// fclose still learns that the file is incomplete.
int streamClose(void* cookie) {
    auto* s = static_cast<Stream*>(cookie);
    int r = ::close(s->fd);
    int writeError = s->writeError;
    delete s;
    if (writeError) {
        errno = writeError;
        return -1;
    }
    return r;
}

// The mapping without the folder cache, for relative paths and paths through "." or "..":
// one lstat per component and a folder read for each one not found as written.
std::string nativePathUncached(const std::string& in) {
    std::string out;
    size_t i = 0;
    if (!in.empty() && (in[0] == '\\' || in[0] == '/')) {
        out.push_back('/');
        while (i < in.size() && (in[i] == '\\' || in[i] == '/'))
            ++i;
    }
    bool missing = false; // once a folder is missing, nothing below it can be matched
    while (i < in.size()) {
        size_t j = in.find_first_of("\\/", i);
        if (j == std::string::npos)
            j = in.size();
        std::string comp = in.substr(i, j - i);
        i = j;
        while (i < in.size() && (in[i] == '\\' || in[i] == '/'))
            ++i;
        if (comp.empty())
            continue;
        std::string utf = cp1252ToUtf8(comp);
        std::string candidate = out.empty() || out.back() == '/' ? out + utf : out + "/" + utf;
        if (!missing && comp != "." && comp != ".." && !exists(candidate)) {
            std::string match = findNoCase(out, comp);
            if (!match.empty())
                candidate = out.empty() || out.back() == '/' ? out + match : out + "/" + match;
            else
                missing = true;
        }
        out = candidate;
    }
    return out;
}

// This program changed the entry at `posix`: the cached names of its folder are dropped.
void changed(const std::string& posix) {
    FolderCache::instance().changed(posix);
}

} // namespace

std::string nativePath(const char* windowsPath) {
    const std::string_view in = windowsPath ? windowsPath : "";
    if (in.empty() || (in[0] != '\\' && in[0] != '/'))
        return nativePathUncached(std::string(in));
    std::vector<std::string_view> components;
    for (size_t i = 0; i < in.size();) {
        size_t j = in.find_first_of("\\/", i);
        if (j == std::string_view::npos)
            j = in.size();
        const std::string_view comp = in.substr(i, j - i);
        if (comp == "." || comp == "..")
            return nativePathUncached(std::string(in));
        if (!comp.empty())
            components.push_back(comp);
        i = j + 1;
    }
    return FolderCache::instance().map(components);
}

std::string windowsPath(const std::string& posixPath) {
    std::string out = utf8ToCp1252(posixPath);
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

namespace {

// fopen with the permissions a new file gets (before the umask).
FILE* openStream(const char* path, const char* mode, mode_t permissions) {
    if (!path || !mode || !*mode) {
        errno = EINVAL;
        return nullptr;
    }
    if (FaultInjector::shouldFail(FileOp::Open)) {
        errno = EACCES;
        return nullptr;
    }
    bool plus = std::strchr(mode, '+') != nullptr;
    int flags = 0;
    switch (mode[0]) {
    case 'r':
        flags = plus ? O_RDWR : O_RDONLY;
        break;
    case 'w':
        flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        break;
    case 'a':
        flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        break;
    default:
        errno = EINVAL;
        return nullptr;
    }
    // "x" (as in C11): the file must not exist yet; it is created exclusively.
    if (std::strchr(mode, 'x'))
        flags = (flags & ~O_TRUNC) | O_CREAT | O_EXCL;
    std::string p = nativePath(path);
    struct stat st;
    const bool existed = ::stat(p.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return nullptr;
    }
    int fd = ::open(p.c_str(), flags | O_CLOEXEC, permissions);
    if (fd < 0)
        return nullptr;
    if ((flags & O_CREAT) && !existed)
        changed(p);
    auto* s = new Stream;
    s->fd = fd;
    s->text = std::strchr(mode, 'b') == nullptr;
    cookie_io_functions_t io{streamRead, streamWrite, streamSeek, streamClose};
    std::string cmode(mode);
    std::erase(cmode, 'b');
    std::erase(cmode, 't');
    std::erase(cmode, 'x');
    FILE* f = ::fopencookie(s, cmode.c_str(), io);
    if (!f) {
        ::close(fd);
        delete s;
    }
    return f;
}

} // namespace

FILE* fopen(const char* path, const char* mode) {
    return openStream(path, mode, 0644);
}

bool writeThrough(FILE* f, const char* data, std::size_t n) {
    const int fd = ::fileno(f);
    if (fd < 0) // a stream of ours, whose writes go through the fault injector
        return std::fwrite(data, 1, n, f) == n;
    return std::fflush(f) == 0 && writeAll(fd, data, n);
}

void readThrough(FILE* f, std::unique_ptr<char[]>& buffer) {
    if (!f)
        return;
    // The C library takes a size only with a buffer of the caller's.
    constexpr size_t kSize = 64 * 1024;
    __fsetlocking(f, FSETLOCKING_BYCALLER);
    buffer.reset(new char[kSize]);
    std::setvbuf(f, buffer.get(), _IOFBF, kSize);
}

FILE* createPrivateFile(const char* path) {
    return openStream(path, "w+bx", 0600);
}

int access(const char* path, int mode) {
    int m = F_OK;
    if (mode & 2)
        m |= W_OK;
    if (mode & 4)
        m |= R_OK;
    return ::access(nativePath(path).c_str(), m) == 0 ? 0 : -1;
}

int remove(const char* path) {
    if (FaultInjector::shouldFail(FileOp::Remove)) {
        errno = EACCES;
        return -1;
    }
    std::string p = nativePath(path);
    struct stat st;
    if (::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return -1;
    }
    if (::unlink(p.c_str()) != 0)
        return -1;
    changed(p);
    return 0;
}

void removeScratchFile(const char* path) {
    const std::string p = nativePath(path);
    ::unlink(p.c_str());
    changed(p);
}

int rename(const char* from, const char* to) {
    if (FaultInjector::shouldFail(FileOp::Rename)) {
        errno = EACCES;
        return -1;
    }
    std::string a = nativePath(from);
    std::string b = nativePath(to);
    struct stat sa, sb;
    if (::lstat(a.c_str(), &sa) != 0)
        return -1;
    if (::lstat(b.c_str(), &sb) == 0) {
        if (sa.st_ino != sb.st_ino || sa.st_dev != sb.st_dev) {
            errno = EEXIST;
            return -1;
        }
        // Same file in another case: keep the new spelling of the name.
        std::string folder = b.substr(0, b.rfind('/') + 1);
        std::string name =
            cp1252ToUtf8(std::string(to).substr(std::string(to).find_last_of("\\/") + 1));
        b = folder + name;
    }
    if (::rename(a.c_str(), b.c_str()) != 0)
        return -1;
    changed(a);
    changed(b);
    return 0;
}

int replaceFile(const char* from, const char* to) {
    if (FaultInjector::shouldFail(FileOp::Rename)) {
        errno = EACCES;
        return -1;
    }
    const std::string a = nativePath(from);
    const std::string b = nativePath(to);
    if (::rename(a.c_str(), b.c_str()) != 0)
        return -1;
    changed(a);
    changed(b);
    return 0;
}

int makeDirectory(const char* path) {
    const std::string p = nativePath(path);
    if (::mkdir(p.c_str(), 0755) != 0)
        return -1;
    changed(p);
    return 0;
}

bool isDirectory(const char* path) {
    struct stat st;
    return ::stat(nativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t fileSize(const char* path) {
    struct stat st;
    if (::stat(nativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

int64_t fileAgeSeconds(const char* path) {
    struct stat st;
    if (::stat(nativePath(path).c_str(), &st) != 0)
        return -1;
    const int64_t age = static_cast<int64_t>(::time(nullptr)) - st.st_mtime;
    return age < 0 ? 0 : age;
}

std::vector<DirEntry> listDirectory(const char* path) {
    std::vector<DirEntry> out;
    std::string p = nativePath(path);
    DIR* d = ::opendir(p.empty() ? "." : p.c_str());
    if (!d)
        return out;
    while (dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        DirEntry entry;
        entry.name = utf8ToCp1252(e->d_name);
        struct stat st;
        std::string full = p + "/" + e->d_name;
        if (::stat(full.c_str(), &st) == 0) {
            entry.isDirectory = S_ISDIR(st.st_mode);
            entry.size = st.st_size;
        }
        out.push_back(std::move(entry));
    }
    ::closedir(d);
    return out;
}

bool readFile(const char* path, std::string& bytes) {
    FILE* f = platform::fopen(path, "rb");
    if (!f)
        return false;
    bytes.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool writeFile(const char* path, const std::string& bytes) {
    FILE* f = platform::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

} // namespace platform
