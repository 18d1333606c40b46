// The keyboard's Scroll Lock state, which decides whether TFloatEdit re-cases names on exit.
#pragma once

#include <optional>

namespace torvel {

// True when Scroll Lock is toggled on and its key is not held down. Read from the X keyboard;
// off wherever it cannot be read (other platforms, no display).
bool ScrollLockOn();

namespace testing {
// Forces the state seen by ScrollLockOn; nullopt reads the keyboard again. Returns the setting
// it replaces.
std::optional<bool> ForceScrollLock(std::optional<bool> state);
} // namespace testing

} // namespace torvel
