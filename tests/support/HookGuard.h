// The one pattern for the program's test hooks: a guard sets a hook for its lifetime and puts
// back the setting it replaced, so that no test leaves a global behind it.
#pragma once

#include <utility>

namespace torvel::test {

// `Exchange` is a hook's setter in torvel::testing: it takes the new setting and returns the
// one it replaces.
template <typename T, T (*Exchange)(T)> class HookGuard {
public:
    explicit HookGuard(T setting) : previous_(Exchange(std::move(setting))) {}
    ~HookGuard() { Exchange(std::move(previous_)); }
    HookGuard(const HookGuard&) = delete;
    HookGuard& operator=(const HookGuard&) = delete;

    // A new setting while the guard lives; the one put back at the end stays the first one's.
    void Set(T setting) { Exchange(std::move(setting)); }

private:
    T previous_;
};

} // namespace torvel::test
