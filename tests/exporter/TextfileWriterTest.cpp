#include "exporter/TextfileWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>

namespace exporter {
namespace {

namespace fs = std::filesystem;

fs::path freshFolder(const std::string& name)
{
    const fs::path folder = fs::path(testing::TempDir()) / ("exporter-textfile-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::string contents(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every version differs in length and ends with a marker line, so a reader
// that caught a file half written sees a text that is none of them.
std::string version(int n)
{
    return "# HELP x y\n# TYPE x gauge\nx " + std::to_string(n) + "\n" + std::string(static_cast<size_t>(n % 97) * 40, '#') +
           "\n# end " + std::to_string(n) + "\n";
}

TEST(TextfileWriter, AReaderNeverSeesAPartialFile)
{
    const fs::path path = freshFolder("whole") / "ostrel.prom";
    TextfileWriter writer(path.string());
    ASSERT_EQ(writer.write(version(0)), "");

    std::atomic<bool> done{false};
    int reads = 0;
    int partial = 0;
    std::thread reader([&] {
        while (!done.load()) {
            const std::string text = contents(path);
            ++reads;
            const size_t x = text.find("\nx ");
            const int n = x == std::string::npos ? -1 : std::atoi(text.c_str() + x + 3);
            if (n < 0 || text != version(n))
                ++partial;
        }
    });
    for (int n = 1; n <= 1000; ++n)
        ASSERT_EQ(writer.write(version(n)), "");
    done = true;
    reader.join();

    EXPECT_GT(reads, 0);
    EXPECT_EQ(partial, 0);
    EXPECT_EQ(contents(path), version(1000));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u); // the collector runs as another user
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1)
        << "a temporary file was left behind";
}

TEST(TextfileWriter, AFailedWriteKeepsTheOldFileAndSaysWhy)
{
    const fs::path folder = freshFolder("failed");
    TextfileWriter missingFolder((folder / "gone" / "ostrel.prom").string());
    EXPECT_NE(missingFolder.write("x 1\n").find("check that the folder exists"), std::string::npos);

    // A folder standing where the file should be: the rename fails.
    fs::create_directories(folder / "taken.prom" / "inside");
    TextfileWriter blocked((folder / "taken.prom").string());
    EXPECT_NE(blocked.write("x 1\n").find("cannot rename"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder / "taken.prom"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "a temporary file was left behind";
}

} // namespace
} // namespace exporter
