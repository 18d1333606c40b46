// Reading the environment through a function, so that callers can be handed another one.
#pragma once

#include <functional>

namespace torvel {

// Reads one environment variable; nullptr when it is not set. std::getenv is one.
using Environment = std::function<const char*(const char*)>;

} // namespace torvel
