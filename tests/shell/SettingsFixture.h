// A fresh settings file per test, named through WIRBELIX_SETTINGS in a temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "shell/SettingsStore.h"

namespace wirbelix {

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/wirbelix-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/settings.sqlite";
        setenv("WIRBELIX_SETTINGS", path_.c_str(), 1);
        SettingsStore::Shutdown();
    }

    void TearDown() override {
        SettingsStore::Shutdown();
        unsetenv("WIRBELIX_SETTINGS");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    std::string path_;
};

}  // namespace wirbelix
