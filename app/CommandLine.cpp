#include "app/CommandLine.h"

#include <array>
#include <string_view>

namespace torvel {

namespace {

constexpr std::string_view kUsage =
    "Usage: UniTorvel [--check [STORE]] [--log FILE] [Qt options]\n"
    "Places a store's purchase orders with its supplier's order server.\n"
    "\n"
    "  --check [STORE]  check the store with the order server from the terminal, step by step,\n"
    "                   and exit: 0 accepted, 1 refused, 2 failed (STORE: a store id of IDS;\n"
    "                   the first store when left out). Needs no display.\n"
    "  --log FILE       append one line per request to FILE (also TORVEL_LOG=FILE)\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Proxies: the PROXY key of Config.Ini, else https_proxy, http_proxy, all_proxy and no_proxy\n"
    "as curl reads them.\n";

// Qt's own options, which it also takes with two dashes.
constexpr std::array<std::string_view, 9> kQtOptions = {
    "--platform", "--style",    "--stylesheet",      "--reverse",     "--session",
    "--display",  "--geometry", "--qwindowgeometry", "--qwindowtitle"};

CommandLine Fail(const std::string& text) {
    CommandLine line;
    line.exitStatus = 2;
    line.message = "UniTorvel: " + text + "\nTry 'UniTorvel --help'.\n";
    return line;
}

} // namespace

CommandLine ParseCommandLine(int argc, char** argv, const std::string& version) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasNext = i + 1 < argc && argv[i + 1][0] != '-';
        if (arg == "--help" || arg == "-h") {
            line.exitStatus = 0;
            line.message = std::string(kUsage);
            return line;
        }
        if (arg == "--version") {
            line.exitStatus = 0;
            line.message = "UniTorvel " + version + "\n";
            return line;
        }
        if (arg == "--check") {
            line.check = true;
            if (hasNext)
                line.store = argv[++i];
        } else if (arg.starts_with("--check=")) {
            line.check = true;
            line.store = std::string(arg.substr(8));
        } else if (arg == "--log") {
            if (i + 1 >= argc || !*argv[i + 1])
                return Fail("--log needs a file name");
            line.logFile = argv[++i];
        } else if (arg.starts_with("--log=")) {
            line.logFile = std::string(arg.substr(6));
            if (line.logFile.empty())
                return Fail("--log needs a file name");
        } else if (arg.starts_with("--")) {
            const std::string_view name = arg.substr(0, arg.find('='));
            bool qt = false;
            for (std::string_view option : kQtOptions)
                qt = qt || name == option;
            if (!qt)
                return Fail("unknown option " + std::string(arg));
        }
    }
    return line;
}

} // namespace torvel
