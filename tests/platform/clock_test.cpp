#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "support/fakes.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace roruvez {
namespace {

// Sets an environment variable for the life of the guard, then puts back what was there.
class EnvironmentGuard {
  public:
    EnvironmentGuard(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            saved_ = old;
        }
        ::setenv(name, value.c_str(), 1);
        ::tzset();
    }
    ~EnvironmentGuard() {
        if (saved_) {
            ::setenv(name_, saved_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
        ::tzset();
    }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

// glibc's newlocale keeps a copy of LOCPATH that it never frees; that is not ours to report.
class IgnoringLeaks {
  public:
#if defined(__SANITIZE_ADDRESS__)
    IgnoringLeaks() {
        __lsan_disable();
    }
    ~IgnoringLeaks() {
        __lsan_enable();
    }
#endif
};

std::chrono::sys_days dayOf(const LocalTime& time) {
    using namespace std::chrono;
    return sys_days{year{time.year} / month{static_cast<unsigned>(time.month)} /
                    day{static_cast<unsigned>(time.day)}};
}

// The seconds since the epoch that the time on the clock's face stands for, read as UTC.
std::int64_t faceSeconds(const LocalTime& time) {
    using namespace std::chrono;
    const auto at = dayOf(time) + hours(time.hour) + minutes(time.minute) + seconds(time.second);
    return at.time_since_epoch().count();
}

TEST(SystemClock, ShowsTheSystemTimeInTheLocalTimeZoneWithItsWeekday) {
    SystemClock clock;
    struct Case {
        const char* zone;  // POSIX: the offset is the one to add to reach UTC
        std::int64_t aheadOfUtc;
    };
    const Case cases[] = {{"UTC0", 0}, {"IST-5:30", 19800}, {"PST8", -28800}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        EnvironmentGuard zone("TZ", c.zone);
        const std::int64_t before = std::time(nullptr);
        const LocalTime now = clock.now();
        const std::int64_t after = std::time(nullptr);

        const std::int64_t shown = faceSeconds(now) - c.aheadOfUtc;
        EXPECT_GE(shown, before);
        EXPECT_LE(shown, after);
        EXPECT_TRUE((std::chrono::year{now.year} / now.month / now.day).ok());
        EXPECT_EQ(static_cast<unsigned>(now.weekday),
                  std::chrono::weekday{dayOf(now)}.c_encoding());
        EXPECT_TRUE(now.hour >= 0 && now.hour < 24 && now.minute >= 0 && now.minute < 60 &&
                    now.second >= 0 && now.second <= 60);
    }
}

std::vector<std::string> monthsOf(SystemClock& clock) {
    std::vector<std::string> names;
    names.reserve(12);
    for (int month = 1; month <= 12; ++month) {
        names.push_back(clock.monthAbbreviation(month));
    }
    return names;
}

std::vector<std::string> weekdaysOf(SystemClock& clock) {
    std::vector<std::string> names;
    names.reserve(7);
    for (int weekday = 0; weekday < 7; ++weekday) {
        names.push_back(clock.weekdayName(weekday));
    }
    return names;
}

const std::vector<std::string> kEnglishMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::vector<std::string> kEnglishWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                   "Thursday", "Friday", "Saturday"};

TEST(SystemClock, NamesComeFromTheLocaleOfTheEnvironmentWithTheCLocaleForAnUnknownOne) {
    for (const char* locale : {"C", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
        SCOPED_TRACE(locale);
        EnvironmentGuard all("LC_ALL", locale);
        SystemClock clock;
        EXPECT_EQ(monthsOf(clock), kEnglishMonths);
        EXPECT_EQ(weekdaysOf(clock), kEnglishWeekdays);
    }

    // German, compiled from the system's locale sources into a directory of the test's own.
    testing::TempDir dir;
    const std::string build =
        "localedef -i de_DE -f UTF-8 " + dir.file("de_DE.UTF-8") + " >/dev/null 2>&1";
    if (std::system(build.c_str()) != 0) {
        GTEST_SKIP() << "localedef could not build de_DE (Debian: locales)";
    }
    EnvironmentGuard path("LOCPATH", dir.path().string());
    EnvironmentGuard all("LC_ALL", "de_DE.UTF-8");
    [[maybe_unused]] const IgnoringLeaks glibc;
    SystemClock clock;
    EXPECT_EQ(monthsOf(clock),
              (std::vector<std::string>{"Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun", "Jul",
                                        "Aug", "Sep", "Okt", "Nov", "Dez"}));
    EXPECT_EQ(weekdaysOf(clock),
              (std::vector<std::string>{"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag",
                                        "Freitag", "Samstag"}));
}

}  // namespace
}  // namespace roruvez
