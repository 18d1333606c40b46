// Config.Ini: the user's document number, the stores this installation may act for, and the
// way to the order server.
#pragma once

#include "orders/Session.h"

#include <string>
#include <string_view>
#include <vector>

namespace torvel {

inline constexpr const char* kConfigFileName = "Config.Ini";

// Reads a value the way profile strings are read: section and key names match without regard
// to case, the value is what follows the first "=" with blanks trimmed and one matching pair of
// quotes removed, at most 2047 characters; anything missing reads as "".
std::string ProfileString(std::string_view iniText, std::string_view section, std::string_view key);

struct Config {
    std::string crf;
    std::vector<StoreEntry> stores;
    std::string servidor; // [http:// or https://]host[:port] of the order server; never empty
    // CERTIFICADOS: a PEM file of CA certificates trusted for https besides the system's; a
    // relative name is taken from the folder of the file it was read from. "" when not set.
    std::string certificados;
    // PROXY: "http://[user:password@]host[:port]" of the HTTP proxy; "" when not set, and then
    // the environment's proxy variables apply.
    std::string proxy;
};
// Reads the file; a missing file reads as an empty configuration.
Config ReadConfig(const std::string& path);

// The three lines the first-run panel writes.
std::string DefaultConfigText(std::string_view crf);

// Where Config.Ini lives: beside the executable (tests may point it elsewhere), or the user's
// folder of an installed program.
std::string ConfigDirectory();

// An installed program keeps Config.Ini in the user's folder and reads a machine-wide one (never
// written) while the user has none; "" for no machine-wide file.
void UseInstalledConfig(std::string userDir, std::string machineFile);

// The Config.Ini to read at start-up: the user's, or else the machine-wide one; "" when neither
// exists (the first-run panel asks for the document number then).
std::string ConfigFileToRead();

namespace testing {
// Each returns the setting it replaces.
// Where ConfigDirectory() points; "" is beside the executable again.
std::string SetConfigDirectory(std::string dir);
// The server that a file without SERVIDOR names (as the first-run file is); "" is
// OrderApi::kDefaultServer again.
std::string SetDefaultServer(std::string hostPort);
} // namespace testing

} // namespace torvel
