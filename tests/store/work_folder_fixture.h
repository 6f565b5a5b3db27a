// A private cache folder per test: XDG_CACHE_HOME points into a fresh temporary folder, so
// the working folder is <scratch>/cache/karvin; HOME and XDG_CONFIG_HOME (where the autostart
// folder is) point there too, so that no test touches the user's own.
#pragma once

#include "store/file_io.h"
#include "store/work_folder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

class TWorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/karvin-store-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        Scratch = pattern;
        SavedCache = Saved("XDG_CACHE_HOME");
        SavedHome = Saved("HOME");
        SavedConfig = Saved("XDG_CONFIG_HOME");
        ::setenv("XDG_CACHE_HOME", (Scratch / "cache").c_str(), 1);
        ::setenv("HOME", (Scratch / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (Scratch / "config").c_str(), 1);
    }
    void TearDown() override {
        Restore("XDG_CACHE_HOME", SavedCache);
        Restore("HOME", SavedHome);
        Restore("XDG_CONFIG_HOME", SavedConfig);
        std::error_code ignored;
        std::filesystem::permissions(Scratch, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(Scratch, ignored);
    }

    std::filesystem::path Work() const { return Scratch / "cache" / "karvin"; }
    // Creates the working folder and a file in it.
    std::string Put(const std::string& name, const std::string& content = "x") {
        EnsureWorkFolder();
        const std::string path = (Work() / name).string();
        WriteWholeFile(path, content);
        return path;
    }
    std::string Read(const std::string& name) const {
        return ReadWholeFile((Work() / name).string()).value_or("<missing>");
    }

    std::filesystem::path Scratch;

private:
    static std::optional<std::string> Saved(const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<std::string>& value) {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    std::optional<std::string> SavedCache;
    std::optional<std::string> SavedHome;
    std::optional<std::string> SavedConfig;
};
