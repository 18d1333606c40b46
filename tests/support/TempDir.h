// Each test runs in a fresh temporary directory: the program writes files into the current one.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace torvel::test {

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "torvel-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& Dir() const { return dir_; }

private:
    std::filesystem::path old_;
    std::filesystem::path dir_;
};

} // namespace torvel::test
