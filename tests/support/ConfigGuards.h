// Where a test's Config.Ini lives, and the server that a file without SERVIDOR names.
#pragma once

#include "app/Config.h"
#include "tests/support/HookGuard.h"

#include <string>

namespace torvel::test {

// "" is beside the executable.
using ConfigDirGuard = HookGuard<std::string, &torvel::testing::SetConfigDirectory>;
// "" is the built-in default server.
using DefaultServerGuard = HookGuard<std::string, &torvel::testing::SetDefaultServer>;

} // namespace torvel::test
