// The clock fixed for a test: Now() reads the guard's moment (std::nullopt: the system clock).
#pragma once

#include "tests/support/HookGuard.h"
#include "util/Clock.h"

namespace torvel::test {

using ClockGuard = HookGuard<std::optional<Clock::time_point>, &torvel::testing::SetNow>;

} // namespace torvel::test
