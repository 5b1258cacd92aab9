#include "platform/Folders.h"

#include "platform/FolderCache.h"

#include <filesystem>

namespace platform {

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
    std::string s = (ec ? std::filesystem::path(path) : p).lexically_normal().string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool makeFolders(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::absolute(std::filesystem::path(path), ec);
    std::filesystem::create_directories(std::filesystem::path(path), ec);
    // The folders made are new names in their parents.
    for (std::filesystem::path p = target; !p.empty() && p != p.root_path(); p = p.parent_path())
        FolderCache::instance().changed(p.lexically_normal().string());
    return std::filesystem::is_directory(std::filesystem::path(path), ec);
}

std::string programFolder() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : program.parent_path().string();
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::path(path), ec);
}

} // namespace platform
