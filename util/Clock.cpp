#include "util/Clock.h"

#include <ctime>
#include <utility>

namespace torvel {
namespace {
std::optional<Clock::time_point> fixedNow;
}

Clock::time_point Now() {
    return fixedNow ? *fixedNow : Clock::now();
}

LocalTime LocalNow() {
    auto now = Now();
    std::time_t t = Clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    int millis = int(ms.count());
    if (millis < 0)
        millis += 1000;
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
            tm.tm_min,         tm.tm_sec,     millis,     tm.tm_wday};
}

namespace testing {
std::optional<Clock::time_point> SetNow(std::optional<Clock::time_point> fixed) {
    return std::exchange(fixedNow, fixed);
}
} // namespace testing

} // namespace torvel
