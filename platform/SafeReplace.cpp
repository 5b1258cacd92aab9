#include "platform/SafeReplace.h"

#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<unsigned> g_sequence{0};

// fsync of a file or folder by its POSIX path.
bool syncPath(const std::string& posix, bool folder) {
    int fd = ::open(posix.empty() ? "." : posix.c_str(),
                    (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fsync(fd) == 0 || (folder && errno == EINVAL); // some file systems refuse it
    ::close(fd);
    return ok;
}

} // namespace

SafeReplace::SafeReplace(const char* target) : m_target(target ? target : "") {}

SafeReplace::~SafeReplace() {
    abandon();
}

FILE* SafeReplace::open(const char* mode) {
    abandon();
    m_failure = Failure::None;
    // A link is followed: the file it names is replaced, the link stays. What is not a file
    // (a device, a pipe) is not replaced by one; nor is a file this program may not write.
    std::string native = nativePath(m_target.c_str());
    struct stat st;
    if (::lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(native.c_str(), nullptr)) {
            native = real;
            m_target = windowsPath(native);
            std::free(real);
        }
    }
    const bool standing = ::stat(native.c_str(), &st) == 0;
    if ((standing && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) ||
        (::access(native.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM))) {
        m_failure = Failure::Protected;
        return nullptr;
    }
    const size_t cut = m_target.find_last_of('\\');
    const std::string folder =
        cut == std::string::npos ? std::string() : m_target.substr(0, cut + 1);
    const std::string name = cut == std::string::npos ? m_target : m_target.substr(cut + 1);
    std::string xmode(mode ? mode : "w");
    if (xmode.find('x') == std::string::npos)
        xmode += 'x';
    // Unique among programs (process id) and within one (sequence); retried if taken.
    for (int attempt = 0; attempt < 100 && !m_file; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp$", static_cast<long>(::getpid()),
                      g_sequence.fetch_add(1));
        m_temp = folder + name + suffix;
        m_file = platform::fopen(m_temp.c_str(), xmode.c_str());
        if (!m_file && errno != EEXIST)
            break;
    }
    m_created = m_file != nullptr;
    if (!m_file)
        m_failure = Failure::Create;
    return m_file;
}

int SafeReplace::commit() {
    if (!m_file) {
        if (m_failure == Failure::None)
            m_failure = Failure::Create;
        return -1;
    }
    FILE* f = m_file;
    m_file = nullptr;
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    ok = std::fclose(f) == 0 && ok;
    const std::string temp = nativePath(m_temp.c_str());
    ok = ok && syncPath(temp, false);
    if (!ok)
        m_failure = Failure::Write;
    else if (replaceFile(m_temp.c_str(), m_target.c_str()) != 0)
        m_failure = Failure::Replace;
    if (m_failure != Failure::None) {
        abandon();
        return -1;
    }
    m_created = false;
    const std::string target = nativePath(m_target.c_str());
    const size_t slash = target.find_last_of('/');
    syncPath(slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1), true);
    return 0;
}

void SafeReplace::abandon() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (m_created) {
        removeScratchFile(m_temp.c_str());
        m_created = false;
    }
}

int replaceFileContents(const char* target, const std::string& bytes,
                        SafeReplace::Failure* failure) {
    SafeReplace out(target);
    int result = -1;
    if (FILE* f = out.open("wb")) {
        // A short write leaves the stream in error, so the commit fails as a write.
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        result = out.commit();
    }
    if (failure)
        *failure = out.failure();
    return result;
}

} // namespace platform
