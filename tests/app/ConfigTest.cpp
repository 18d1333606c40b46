#include "app/Config.h"
#include "tests/support/TempDir.h"
#include "util/SafeFile.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace torvel;

TEST(ProfileString, FollowsTheProfileRules) {
    const std::string ini = "; comment\r\n"
                            "[outra]\r\nCRF=wrong\r\n"
                            "  [configuracao]  \r\n"
                            "crf =  12.345.678/0001-95  \r\n"
                            "IDS=\"34 - A|35 - B\"\n"
                            "Q1='x'\r\n"
                            "Q2=\"x'\r\n"
                            "EQ=a=b\r\n"
                            "EMPTY=\r\n";
    EXPECT_EQ(ProfileString(ini, "CONFIGURACAO", "CRF"), "12.345.678/0001-95");
    EXPECT_EQ(ProfileString(ini, "CONFIGURACAO", "IDS"), "34 - A|35 - B");
    EXPECT_EQ(ProfileString(ini, "CONFIGURACAO", "q1"), "x");
    EXPECT_EQ(ProfileString(ini, "CONFIGURACAO", "Q2"), "\"x'"); // quotes that do not match stay
    EXPECT_EQ(ProfileString(ini, "CONFIGURACAO", "EQ"), "a=b");
    EXPECT_EQ(ProfileString(ini, "CONFIGURACAO", "EMPTY"), "");
    EXPECT_EQ(ProfileString(ini, "CONFIGURACAO", "MISSING"), "");
    EXPECT_EQ(ProfileString(ini, "NONE", "CRF"), "");
    EXPECT_EQ(ProfileString("", "CONFIGURACAO", "CRF"), "");
    std::string longValue(3000, 'x');
    EXPECT_EQ(ProfileString("[S]\nK=" + longValue, "S", "K"), std::string(2047, 'x'));
}

TEST(StoreEntry, IdIsTheTrimmedTextBeforeTheFirstDash) {
    const std::pair<std::string, std::string> cases[] = {
        {"34 - TORVEL CDC BELVO", "34"},
        {" 7-LOJA NORTE", "7"},
        {"12-3 - X", "12"},
        {"MATRIZ", ""},
        {"", ""},
        {"-X", ""},
    };
    for (const auto& [text, id] : cases) {
        StoreEntry entry = MakeStoreEntry(text);
        EXPECT_EQ(entry.text, text);
        EXPECT_EQ(entry.id, id) << text;
    }
}

class ConfigFileTest : public test::TempDirTest {};

TEST_F(ConfigFileTest, ReadsStoresAndServerAndWritesTheDefaultFile) {
    ReplaceFileSafely("Config.Ini", "[CONFIGURACAO]\r\nCRF=1\r\nIDS=34 - A||35 - B|\r\n");
    Config config = ReadConfig("Config.Ini");
    ASSERT_EQ(config.stores.size(), 3u);
    EXPECT_EQ(config.stores[1].text, "");
    EXPECT_EQ(config.stores[2].id, "35");
    EXPECT_EQ(config.servidor, "www.torvel.example");
    ReplaceFileSafely("Config.Ini", "[CONFIGURACAO]\nSERVIDOR=127.0.0.1:8080\n");
    config = ReadConfig("Config.Ini");
    EXPECT_EQ(config.servidor, "127.0.0.1:8080");
    EXPECT_EQ(config.crf, "");
    EXPECT_TRUE(config.stores.empty());
    EXPECT_TRUE(ReadConfig("missing.ini").stores.empty());
    EXPECT_EQ(config.certificados, "");

    // The certificates file is found beside the Config.Ini that names it.
    std::filesystem::create_directory("etc");
    ReplaceFileSafely("etc/Config.Ini",
                      "[CONFIGURACAO]\nSERVIDOR=https://h\nCERTIFICADOS=ca.pem\n");
    config = ReadConfig("etc/Config.Ini");
    EXPECT_EQ(config.servidor, "https://h");
    EXPECT_EQ(config.certificados, "etc/ca.pem");
    ReplaceFileSafely("etc/Config.Ini", "[CONFIGURACAO]\nCERTIFICADOS=/srv/ca.pem\n");
    EXPECT_EQ(ReadConfig("etc/Config.Ini").certificados, "/srv/ca.pem");
    EXPECT_EQ(DefaultConfigText("12.345.678/0001-95"),
              "[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\n");
}
