#include "platform/FailureLog.h"

#include <mutex>

namespace platform {

namespace {
std::mutex g_mutex;
std::vector<std::string> g_entries;
} // namespace

void FailureLog::report(const std::string& what) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.push_back(what);
}

int FailureLog::count() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(g_entries.size());
}

std::vector<std::string> FailureLog::entries() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_entries;
}

void FailureLog::reset() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.clear();
}

} // namespace platform
