#include "platform/TemporaryFile.h"

#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<unsigned> g_sequence{0};

} // namespace

std::string temporaryFolder() {
    const char* env = std::getenv("TMPDIR");
    return windowsPath(env && *env ? env : "/tmp");
}

TemporaryFile::~TemporaryFile() {
    remove();
}

FILE* TemporaryFile::create(const char* stem) {
    remove();
    std::string folder = temporaryFolder();
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    // Unique among programs (process id) and within one (sequence); retried if taken.
    for (int attempt = 0; attempt < 100 && !m_file; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(::getpid()),
                      g_sequence.fetch_add(1));
        m_path = folder + (stem ? stem : "harn") + suffix;
        m_file = createPrivateFile(m_path.c_str());
        if (!m_file && errno != EEXIST)
            break;
    }
    m_created = m_file != nullptr;
    return m_file;
}

bool TemporaryFile::close() {
    if (!m_file)
        return false;
    FILE* f = m_file;
    m_file = nullptr;
    const bool ok = std::fflush(f) == 0 && !std::ferror(f);
    return std::fclose(f) == 0 && ok;
}

void TemporaryFile::remove() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (m_created) {
        removeScratchFile(m_path.c_str());
        m_created = false;
    }
}

} // namespace platform
