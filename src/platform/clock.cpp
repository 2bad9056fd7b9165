#include "platform/clock.h"

#include <locale.h>

#include <ctime>

namespace roruvez {

SystemClock::SystemClock() {
    locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        locale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    }
    locale_ = locale;
}

SystemClock::~SystemClock() {
    if (locale_ != nullptr) {
        freelocale(static_cast<locale_t>(locale_));
    }
}

LocalTime SystemClock::now() {
    const std::time_t seconds = std::time(nullptr);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    LocalTime time;
    time.year = parts.tm_year + 1900;
    time.month = parts.tm_mon + 1;
    time.day = parts.tm_mday;
    time.hour = parts.tm_hour;
    time.minute = parts.tm_min;
    time.second = parts.tm_sec;
    time.weekday = parts.tm_wday;
    return time;
}

std::string SystemClock::format(const char* pattern, int month, int weekday) {
    std::tm parts{};
    parts.tm_year = 100;
    parts.tm_mday = 1;
    parts.tm_mon = month - 1;
    parts.tm_wday = weekday;
    char buffer[128];
    const std::size_t length =
        strftime_l(buffer, sizeof buffer, pattern, &parts, static_cast<locale_t>(locale_));
    return std::string(buffer, length);
}

std::string SystemClock::monthAbbreviation(int month) {
    return format("%b", month, 0);
}

std::string SystemClock::weekdayName(int weekday) {
    return format("%A", 1, weekday);
}

}  // namespace roruvez
