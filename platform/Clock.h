// Time and threads of the library.
#pragma once

#include <functional>
#include <thread>

// Suspends the calling thread for `milliseconds`.
void Sleep(unsigned milliseconds);

namespace platform {

struct LocalTime {
    int year = 0;  // e.g. 2026
    int month = 0; // 1-12
    int day = 0;   // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int yearsSince1900 = 0; // as the C library's tm_year
};

// The local time now; a test may fix it with setFixedTime.
LocalTime localTime();
void setFixedTime(const LocalTime* time); // null returns to the clock

// Starts a worker thread (the conversion worker); the caller joins or detaches it.
std::thread startThread(std::function<void()> work);

} // namespace platform
