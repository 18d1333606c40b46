#include "app/Places.h"

#include "app/Config.h"
#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace torvel {
namespace {

constexpr const char* kFolder = "/UniTorvel";

// An absolute value of the variable, or "" for one that is unset, empty or relative.
std::string AbsoluteValue(const Environment& environment, const char* name) {
    const char* value = environment(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string HomeFolder(const Environment& environment) {
    std::string home = AbsoluteValue(environment, "HOME");
    if (home.empty())
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            home = entry->pw_dir[0] == '/' ? entry->pw_dir : "";
    if (home.empty())
        throw std::runtime_error("Cannot find the home folder: HOME is not set");
    return home;
}

// A folder and its missing parents, each made 0700 as the XDG rules ask of the folders a
// program creates; an existing one is left as it is.
void MakeFolder(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("Cannot create the folder \"" + part +
                                     "\": " + std::strerror(errno));
        if (slash == std::string::npos)
            break;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw std::runtime_error("Cannot create the folder \"" + path +
                                 "\": a file of that name is in the way");
}

} // namespace

InstalledPlaces FindInstalledPlaces(const Environment& environment) {
    InstalledPlaces places;
    std::string config = AbsoluteValue(environment, "XDG_CONFIG_HOME");
    std::string data = AbsoluteValue(environment, "XDG_DATA_HOME");
    if (config.empty() || data.empty()) {
        const std::string home = HomeFolder(environment);
        if (config.empty())
            config = home + "/.config";
        if (data.empty())
            data = home + "/.local/share";
    }
    places.configDir = config + kFolder;
    places.dataDir = data + kFolder;

    const char* dirs = environment("XDG_CONFIG_DIRS");
    for (const std::string& dir : SplitAt(dirs && dirs[0] ? dirs : "/etc/xdg", ':')) {
        const std::string file = dir + kFolder + "/" + kConfigFileName;
        if (!dir.empty() && dir[0] == '/' && FileExists(file)) {
            places.machineConfigFile = file;
            break;
        }
    }
    return places;
}

void EnterInstalledPlaces(const InstalledPlaces& places) {
    MakeFolder(places.configDir);
    MakeFolder(places.dataDir);
    if (::chdir(places.dataDir.c_str()) != 0)
        throw std::runtime_error("Cannot open the folder \"" + places.dataDir +
                                 "\": " + std::strerror(errno));
}

} // namespace torvel
