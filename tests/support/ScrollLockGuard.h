// Scroll Lock forced on or off for a test (std::nullopt: read from the keyboard).
#pragma once

#include "controls/ScrollLock.h"
#include "tests/support/HookGuard.h"

namespace torvel::test {

using ScrollLockGuard = HookGuard<std::optional<bool>, &torvel::testing::ForceScrollLock>;

} // namespace torvel::test
