// The program's command line: --check [STORE], --log FILE, --help, --version; everything else is
// left to Qt (-platform, -style, ...).
#pragma once

#include <optional>
#include <string>

namespace torvel {

struct CommandLine {
    bool check = false;
    std::string store;   // --check's store id; "" for the first configured
    std::string logFile; // --log FILE; "" when not given
    // Set when the program ends at once: the text to print (help, version or the error) and the
    // exit status (0, or 2 for a bad command line, whose text goes to the error output).
    std::optional<int> exitStatus;
    std::string message;
};

CommandLine ParseCommandLine(int argc, char** argv, const std::string& version);

} // namespace torvel
