#include "platform/ProgramPath.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// The alarm sound of a build-tree program lies beside it, of an installed
// one in <prefix>/share/ostrel; one in the current folder wins over both.
TEST(ProgramDataFile, CurrentFolderThenBesideTheProgramThenTheInstalledDataFolder)
{
    std::string pattern = (fs::temp_directory_path() / "ostrel-data-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path root = pattern;
    const auto touch = [](const fs::path& file) {
        fs::create_directories(file.parent_path());
        FILE* f = std::fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    };
    touch(root / "installed/share/ostrel/Tone.wav");
    touch(root / "both/bin/Tone.wav");
    touch(root / "both/share/ostrel/Tone.wav");
    touch(root / "here/Tone.wav");
    fs::create_directories(root / "nowhere/bin");
    fs::create_directories(root / "empty");
    const fs::path before = fs::current_path();
    fs::current_path(root / "empty");

    const struct {
        const char* name;
        std::string file;
        std::string program;
        std::string expected;
    } cases[] = {
        {"installed", "Tone.wav", (root / "installed/bin/Ostrel").string(),
         (root / "installed/share/ostrel/Tone.wav").string()},
        {"build tree", "Tone.wav", (root / "both/bin/Ostrel").string(), (root / "both/bin/Tone.wav").string()},
        {"nowhere", "Tone.wav", (root / "nowhere/bin/Ostrel").string(), "Tone.wav"},
        {"no program path", "Tone.wav", "", "Tone.wav"},
        {"a path is kept", "sounds/Tone.wav", (root / "both/bin/Ostrel").string(), "sounds/Tone.wav"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::programDataFile(c.file, c.program), c.expected) << c.name;

    fs::current_path(root / "here");
    EXPECT_EQ(platform::programDataFile("Tone.wav", (root / "both/bin/Ostrel").string()), "Tone.wav");
    fs::current_path(before);
    fs::remove_all(root);
}

} // namespace
