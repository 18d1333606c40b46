#include "app/Config.h"

#include "api/OrderApi.h"
#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <climits>
#include <unistd.h>
#include <utility>

namespace torvel {
namespace {

std::string configDirOverride;
std::string defaultServerOverride;
std::string installedConfigDir; // an installed program's user folder
std::string machineConfigFile;  // read while the user has no Config.Ini

} // namespace

std::string ProfileString(std::string_view iniText, std::string_view section,
                          std::string_view key) {
    bool inSection = false;
    size_t pos = 0;
    while (pos <= iniText.size()) {
        size_t end = iniText.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = iniText.size();
        std::string line = Trim(iniText.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.front() == '[') {
            size_t close = line.find(']');
            std::string name =
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inSection = EqualsAsciiNoCase(name, section);
            continue;
        }
        if (!inSection)
            continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos || !EqualsAsciiNoCase(Trim(line.substr(0, eq)), key))
            continue;
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.size() > 2047)
            value.resize(2047);
        return value;
    }
    return {};
}

Config ReadConfig(const std::string& path) {
    std::string text;
    if (FileExists(path))
        text = ReadWholeFile(path);
    Config config;
    config.crf = ProfileString(text, "CONFIGURACAO", "CRF");
    for (const auto& entry : SplitAt(ProfileString(text, "CONFIGURACAO", "IDS"), '|'))
        config.stores.push_back(MakeStoreEntry(entry));
    config.servidor = ProfileString(text, "CONFIGURACAO", "SERVIDOR");
    config.certificados = ProfileString(text, "CONFIGURACAO", "CERTIFICADOS");
    config.proxy = ProfileString(text, "CONFIGURACAO", "PROXY");
    if (!config.certificados.empty() && config.certificados.front() != '/') {
        size_t slash = path.rfind('/');
        if (slash != std::string::npos)
            config.certificados = path.substr(0, slash + 1) + config.certificados;
    }
    if (config.servidor.empty())
        config.servidor = defaultServerOverride.empty() ? std::string(OrderApi::kDefaultServer)
                                                        : defaultServerOverride;
    return config;
}

std::string DefaultConfigText(std::string_view crf) {
    return "[CONFIGURACAO]\r\nCRF=" + std::string(crf) + "\r\nIDS=34 - TORVEL CDC BELVO\r\n";
}

std::string ConfigDirectory() {
    if (!configDirOverride.empty())
        return configDirOverride;
    if (!installedConfigDir.empty())
        return installedConfigDir;
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string exe(buf, size_t(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

void UseInstalledConfig(std::string userDir, std::string machineFile) {
    installedConfigDir = std::move(userDir);
    machineConfigFile = std::move(machineFile);
}

std::string ConfigFileToRead() {
    const std::string user = ConfigDirectory() + "/" + kConfigFileName;
    if (FileExists(user))
        return user;
    if (!machineConfigFile.empty() && FileExists(machineConfigFile))
        return machineConfigFile;
    return {};
}

namespace testing {
std::string SetConfigDirectory(std::string dir) {
    return std::exchange(configDirOverride, std::move(dir));
}
std::string SetDefaultServer(std::string hostPort) {
    return std::exchange(defaultServerOverride, std::move(hostPort));
}
} // namespace testing

} // namespace torvel
