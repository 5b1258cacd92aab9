#include "fuzz/FuzzSupport.h"

#include "mapping/LibraryFile.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

// The library waits on purpose in a few places (300 ms after a stop message, 100 ms per
// try for a lock). The fuzz programs are linked with --wrap for Sleep, so these waits
// cost nothing here; what the library does around them is unchanged.
extern "C" void __wrap__Z5Sleepj(unsigned milliseconds) {
    (void)milliseconds;
}

// Every replaced file is flushed to the disk before it is renamed into place. That makes a
// file survive a power cut, which no fuzz input can cause, and costs most of the time of the
// targets that save; the fuzz programs are linked with --wrap for fsync as well.
extern "C" int __wrap_fsync(int fd) {
    (void)fd;
    return 0;
}

namespace harn_fuzz {
namespace {

// One folder per process, removed at exit: under TMPDIR when it is set, else in memory
// (/dev/shm) where there is such a folder, else under the system's temporary folder. Saves
// sync their files to disk; in memory that costs nothing, on a disk it is most of the time.
fs::path rootBase() {
    std::error_code ec;
    if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec) &&
        ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

struct Root {
    std::string path;
    Root() {
        std::string base = (rootBase() / "harn-fuzz-XXXXXX").string();
        std::vector<char> buf(base.begin(), base.end());
        buf.push_back(0);
        if (!::mkdtemp(buf.data()))
            throw std::runtime_error("cannot create a temporary folder");
        path = buf.data();
        // Bells of the library files go nowhere.
        static std::FILE* devnull = std::fopen("/dev/null", "w");
        if (devnull)
            libfile::setBellStream(devnull);
    }
    ~Root() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

const std::string& projectFolder() {
    static Root root;
    static const std::string project = root.path + "/PROJ";
    return project;
}

std::string freshFolder() {
    const std::string& p = projectFolder();
    std::error_code ec;
    fs::remove_all(p, ec);
    fs::create_directories(p + "/HARNDB");
    return p;
}

} // namespace

long g_settledLate = 0;
long g_notStable = 0;

void fail(const std::string& what) {
    throw Failure{what};
}

std::string differs(const char* what, const std::string& a, const std::string& b) {
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return std::string(what) + " (" + std::to_string(a.size()) + " and " +
           std::to_string(b.size()) + " bytes, first difference at byte " + std::to_string(at) +
           ")";
}

Session::Session()
    : m_path(freshFolder()), m_winPath(platform::windowsPath(m_path)), m_proj(m_winPath.c_str()) {
    CProjPath::ResetNames();
    platform::FaultInjector::reset();
}

Session::~Session() {
    // HARN_FUZZ_MESSAGES=1 prints each message box the input caused, caption and text as the
    // library's bytes: to see why an input was refused, and to compare the texts of two builds.
    static const bool show = std::getenv("HARN_FUZZ_MESSAGES") != nullptr;
    if (show)
        for (const auto& m : ui.messages())
            std::fprintf(stderr, "harn message: [%s] %s\n", m.caption.c_str(), m.text.c_str());
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string Session::read(const std::string& relative) const {
    std::ifstream in(m_path + "/" + relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Session::write(const std::string& relative, const std::string& bytes) const {
    std::ofstream out(m_path + "/" + relative, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Session::exists(const std::string& relative) const {
    return fs::exists(m_path + "/" + relative);
}

std::vector<std::string> Session::files() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         it != fs::recursive_directory_iterator(); ++it)
        if (!it->is_directory())
            names.push_back(fs::relative(it->path(), m_path).string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace harn_fuzz
