// Where an installed program keeps its files: the user's XDG folders, not /usr/bin and not
// whatever folder the desktop started it in.
#pragma once

#include <string>

#include "util/Environment.h"

namespace torvel {

struct InstalledPlaces {
    std::string configDir;         // holds the user's Config.Ini, read and written
    std::string dataDir;           // the current directory: catalogue, backups, order files
    std::string machineConfigFile; // the machine-wide Config.Ini, read only; "" when none exists
};

// The places under the XDG base-directory rules: $XDG_CONFIG_HOME/UniTorvel (default
// ~/.config/UniTorvel), $XDG_DATA_HOME/UniTorvel (default ~/.local/share/UniTorvel), and the first
// UniTorvel/Config.Ini that exists in $XDG_CONFIG_DIRS (default /etc/xdg). Empty and relative
// values are ignored, as those rules say. Throws std::runtime_error when no home folder is known.
InstalledPlaces FindInstalledPlaces(const Environment& environment);

// Creates both folders where they are missing (mode 0700, parents included) and makes the data
// folder the current directory. Throws std::runtime_error naming the folder that failed.
void EnterInstalledPlaces(const InstalledPlaces& places);

} // namespace torvel
