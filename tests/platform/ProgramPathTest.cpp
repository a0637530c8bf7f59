#include "platform/ProgramPath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(SettingsPath, ReplacesExeOrAppendsIni)
{
    const struct {
        std::string program;
        std::string expected;
    } cases[] = {
        {"/opt/ostrel/Ostrel.exe", "/opt/ostrel/Ostrel.ini"},
        {"/opt/ostrel/Ostrel.EXE", "/opt/ostrel/Ostrel.ini"},
        {"Ostrel.Exe", "Ostrel.ini"},
        {"/opt/ostrel/Ostrel", "/opt/ostrel/Ostrel.ini"},
        {"/opt/tools.exe/Ostrel", "/opt/tools.exe/Ostrel.ini"},
        {"/opt/ostrel/Ostrel.exex", "/opt/ostrel/Ostrel.exex.ini"},
        {"/opt/ostrel/Ostrel.ini", "/opt/ostrel/Ostrel.ini.ini"},
        {"/opt/ostrel/.exe", "/opt/ostrel/.exe.ini"},
        {"", ""},
    };
    for (const auto& c : cases) {
        const std::string path = platform::settingsPathFor(c.program);
        EXPECT_EQ(path, c.expected) << c.program;
        if (!c.program.empty()) {
            EXPECT_NE(path, c.program);
        }
    }
}

TEST(ProgramPath, ReadsTheLinkItIsGiven)
{
    std::string pattern = (fs::temp_directory_path() / "ostrel-path-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    const std::string longName = "/opt/" + std::string(600, 'd') + "/Sparvel";
    const struct {
        std::string target;
        std::string expected;
    } cases[] = {
        {"/opt/ostrel/Ostrel", "/opt/ostrel/Ostrel"},
        {"/opt/ostrel/Ostrel (deleted)", "/opt/ostrel/Ostrel"},
        {longName, longName},
    };
    int n = 0;
    for (const auto& c : cases) {
        const fs::path link = folder / ("exe" + std::to_string(n++));
        fs::create_symlink(c.target, link);
        EXPECT_EQ(platform::programPath(link.string()), c.expected);
    }
    EXPECT_EQ(platform::programPath((folder / "none").string()), "");
    fs::remove_all(folder);

    const std::string self = platform::programPath();
    EXPECT_TRUE(self.ends_with("/platform_ini_tests")) << self;
}

} // namespace
