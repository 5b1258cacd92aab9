#include "platform/FolderCache.h"

#include "platform/Encoding.h"
#include "platform/FolderListing.h"

#include <sys/stat.h>

namespace platform {

FolderCache::FolderCache() = default;
FolderCache::~FolderCache() = default;

FolderCache& FolderCache::instance() {
    static FolderCache cache;
    return cache;
}

FolderListing* FolderCache::listing(const std::string& folder, bool verify) {
    auto it = m_folders.find(folder);
    if (it != m_folders.end() && !verify)
        return it->second.get();
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (it != m_folders.end())
            m_folders.erase(it);
        return nullptr;
    }
    if (it != m_folders.end() && it->second->current(st))
        return it->second.get();
    auto fresh = std::make_unique<FolderListing>();
    if (!fresh->read(folder, st)) {
        if (it != m_folders.end())
            m_folders.erase(it);
        return nullptr;
    }
    FolderListing* l = fresh.get();
    m_folders[folder] = std::move(fresh);
    return l;
}

FolderCache::Result FolderCache::resolve(const std::vector<std::string_view>& components,
                                         Check check) {
    Result r;
    r.path = "/";
    for (size_t k = 0; k < components.size(); ++k) {
        const std::string_view comp = components[k];
        const std::string utf = cp1252ToUtf8(comp);
        std::string_view name = utf;
        if (r.allFound) {
            FolderListing* l = listing(r.path, check == Check::All);
            std::string_view found = l ? l->find(comp, utf) : std::string_view();
            // Only the folders where a name is missing or in another case, and the last one,
            // are checked; a folder that exists under its mapped path confirms the exact names
            // above it.
            if (check == Check::Needed && (!l || found != utf || k + 1 == components.size())) {
                l = listing(r.path, true);
                if (!l) {
                    r.stale = true; // a folder on the way is gone or cannot be read
                    return r;
                }
                found = l->find(comp, utf);
            }
            if (l) {
                if (found.empty()) {
                    r.allFound = false;
                } else if (found != utf) {
                    name = found;
                    r.exact = false;
                }
            } else {
                // A folder that cannot be listed can still be searched by the exact name.
                struct stat st;
                const std::string candidate = (r.path.size() > 1 ? r.path + "/" : r.path) + utf;
                r.allFound = ::lstat(candidate.c_str(), &st) == 0;
            }
        }
        if (r.path.size() > 1)
            r.path += '/';
        r.path += name;
    }
    return r;
}

std::string FolderCache::map(const std::vector<std::string_view>& components) {
    // A path that exists as written is the answer whatever the folders hold (a name as written
    // wins): one lstat, and no folder is read. So a program that finds its files in the case
    // it names them never holds the names of their folders.
    std::string asWritten = "/";
    for (const std::string_view comp : components) {
        if (asWritten.size() > 1)
            asWritten += '/';
        asWritten += cp1252ToUtf8(comp);
    }
    struct stat st;
    if (::lstat(asWritten.c_str(), &st) == 0)
        return asWritten;
    // Something on the way is missing, gone or in another case (where a name in the given
    // case may have appeared since): the folders concerned are checked against the system,
    // and every folder on the way when one of them is gone.
    std::lock_guard<std::mutex> lock(m_mutex);
    Result r = resolve(components, Check::Needed);
    if (!r.stale)
        return r.path;
    return resolve(components, Check::All).path;
}

void FolderCache::changed(const std::string& posixPath) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string path = posixPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    m_folders.erase(path);
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos)
        m_folders.erase(slash == 0 ? std::string("/") : path.substr(0, slash));
}

size_t FolderCache::folders() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_folders.size();
}

void FolderCache::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_folders.clear();
}

} // namespace platform
