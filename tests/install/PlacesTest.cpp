// The installed program's folders, from the XDG variables, made and entered.
#include "app/Places.h"
#include "tests/support/TempDir.h"
#include "util/SafeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace torvel;

namespace {

class PlacesTest : public test::TempDirTest {};

Environment EnvironmentOf(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const char* name) -> const char* {
        auto it = values.find(name);
        return it == values.end() ? nullptr : it->second.c_str();
    };
}

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

} // namespace

TEST_F(PlacesTest, FoldersFollowTheXdgVariablesAndFallBackToTheHomeFolder) {
    struct Case {
        std::map<std::string, std::string> env;
        const char* config;
        const char* data;
    } cases[] = {
        {{{"HOME", "/home/ana"}},
         "/home/ana/.config/UniTorvel",
         "/home/ana/.local/share/UniTorvel"},
        {{{"HOME", "/home/ana"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_DATA_HOME", "/d"}},
         "/c/UniTorvel",
         "/d/UniTorvel"},
        // Empty and relative values are not places.
        {{{"HOME", "/home/ana"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", "rel/d"}},
         "/home/ana/.config/UniTorvel",
         "/home/ana/.local/share/UniTorvel"},
        // With both set, the home folder is not needed.
        {{{"XDG_CONFIG_HOME", "/c"}, {"XDG_DATA_HOME", "/d"}}, "/c/UniTorvel", "/d/UniTorvel"},
    };
    for (const auto& c : cases) {
        InstalledPlaces places = FindInstalledPlaces(EnvironmentOf(c.env));
        EXPECT_EQ(places.configDir, c.config);
        EXPECT_EQ(places.dataDir, c.data);
    }
}

TEST_F(PlacesTest, MachineWideFileIsTheFirstConfigIniFoundInXdgConfigDirs) {
    const fs::path a = Dir() / "a", b = Dir() / "b", c = Dir() / "c";
    fs::create_directories(a / "UniTorvel" / "Config.Ini"); // a folder, not a file
    fs::create_directories(b / "UniTorvel");
    fs::create_directories(c / "UniTorvel");
    ReplaceFileSafely((b / "UniTorvel" / "Config.Ini").string(), "[CONFIGURACAO]\r\n");
    ReplaceFileSafely((c / "UniTorvel" / "Config.Ini").string(), "[CONFIGURACAO]\r\n");
    fs::create_directories("rel/UniTorvel");
    ReplaceFileSafely("rel/UniTorvel/Config.Ini", "[CONFIGURACAO]\r\n");

    auto machineFile = [](const std::string& dirs) {
        return FindInstalledPlaces(EnvironmentOf({{"HOME", "/h"}, {"XDG_CONFIG_DIRS", dirs}}))
            .machineConfigFile;
    };
    EXPECT_EQ(machineFile("rel::" + a.string() + ":" + b.string() + ":" + c.string()),
              (b / "UniTorvel" / "Config.Ini").string());
    EXPECT_EQ(machineFile(c.string()), (c / "UniTorvel" / "Config.Ini").string());
    EXPECT_EQ(machineFile("rel:" + a.string()), "");
}

TEST_F(PlacesTest, EnteringMakesMissingFoldersPrivateAndWorksInTheDataFolder) {
    fs::create_directory("home");
    fs::permissions("home", fs::perms(0755));
    InstalledPlaces places;
    places.configDir = (Dir() / "home/.config/UniTorvel").string();
    places.dataDir = (Dir() / "home/.local/share/UniTorvel").string();
    EnterInstalledPlaces(places);
    EXPECT_EQ(fs::current_path(), fs::path(places.dataDir));
    for (const char* made :
         {"home/.config", "home/.config/UniTorvel", "home/.local", "home/.local/share/UniTorvel"})
        EXPECT_EQ(ModeOf(Dir() / made), 0700u) << made;
    EXPECT_EQ(ModeOf(Dir() / "home"), 0755u) << "an existing folder keeps its mode";
    EnterInstalledPlaces(places); // a second start finds them made
    EXPECT_EQ(fs::current_path(), fs::path(places.dataDir));
}

TEST_F(PlacesTest, FileInThePlaceOfAFolderIsAClearError) {
    ReplaceFileSafely("data", "not a folder");
    InstalledPlaces places;
    places.configDir = (Dir() / "config/UniTorvel").string();
    for (const char* data : {"data", "data/UniTorvel"}) {
        places.dataDir = (Dir() / data).string();
        try {
            EnterInstalledPlaces(places);
            ADD_FAILURE() << data << " was entered";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("Cannot create the folder \"" + places.dataDir),
                      std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(fs::current_path(), Dir());
    EXPECT_EQ(ReadWholeFile("data"), "not a folder");
}
