// The one clock of the program, so that tests can fix the date and time.
#pragma once

#include <chrono>
#include <optional>

namespace torvel {

using Clock = std::chrono::system_clock;

Clock::time_point Now();

// Broken-down local time of Now(), with milliseconds.
struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
    int weekday; // 0 = Sunday
};
LocalTime LocalNow();

namespace testing {
// Fixes Now(); std::nullopt goes back to the system clock. Returns the setting it replaces.
std::optional<Clock::time_point> SetNow(std::optional<Clock::time_point> fixed);
} // namespace testing

} // namespace torvel
