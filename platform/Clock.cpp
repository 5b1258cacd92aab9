#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <optional>

void Sleep(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace platform {
namespace {
std::optional<LocalTime>& fixedTime() {
    static std::optional<LocalTime> t;
    return t;
}
} // namespace

LocalTime localTime() {
    if (fixedTime())
        return *fixedTime();
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.yearsSince1900 = tm.tm_year;
    return t;
}

void setFixedTime(const LocalTime* time) {
    if (time)
        fixedTime() = *time;
    else
        fixedTime().reset();
}

std::thread startThread(std::function<void()> work) {
    return std::thread(std::move(work));
}

} // namespace platform
