// Sets (or unsets) environment variables for the guard's lifetime and puts back what each was,
// so that no test leaves its time zone, trust store or folders to the tests after it.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace torvel::test {

class EnvGuard {
public:
    EnvGuard() = default;
    // One variable set to `value`, or unset for std::nullopt.
    EnvGuard(const std::string& name, std::optional<std::string> value) { Set(name, value); }
    ~EnvGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            Apply(it->first, it->second);
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

    // A variable changed while the guard lives; the end puts back what it was before the guard.
    void Set(const std::string& name, const std::optional<std::string>& value) {
        const char* before = std::getenv(name.c_str());
        saved_.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
        Apply(name, value);
    }

private:
    static void Apply(const std::string& name, const std::optional<std::string>& value) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
        if (name == "TZ")
            ::tzset(); // the C library reads TZ again only when told to
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace torvel::test
