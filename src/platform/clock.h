#pragma once

#include <string>

namespace roruvez {

struct LocalTime {
    int year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 is Sunday
};

// The current local time and the names the user's locale gives to months and weekdays.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime now() = 0;
    virtual std::string monthAbbreviation(int month) = 0;
    virtual std::string weekdayName(int weekday) = 0;
};

// Reads the system clock; names come from the locale of LC_TIME in the environment.
class SystemClock : public Clock {
  public:
    SystemClock();
    ~SystemClock() override;
    SystemClock(const SystemClock&) = delete;
    SystemClock& operator=(const SystemClock&) = delete;

    LocalTime now() override;
    std::string monthAbbreviation(int month) override;
    std::string weekdayName(int weekday) override;

  private:
    std::string format(const char* pattern, int month, int weekday);
    void* locale_ = nullptr;
};

}  // namespace roruvez
