#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::IniDocument;
using platform::IniFile;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> entries(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

mode_t modeOf(const fs::path& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

// A settings file of `count` keys whose values depend on `seed`.
IniDocument settings(int count, int seed)
{
    IniDocument doc = IniDocument::parse("; Ostrel settings\r\n[Ostrel]\r\n");
    for (int i = 0; i < count; ++i)
        doc.writeString("Ostrel", "Key" + std::to_string(i), std::to_string(seed * 1000003 + i));
    return doc;
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ostrel-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_path = m_folder / "Ostrel.ini";
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
    fs::path m_path;
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt)
{
    IniFile file(m_path.string());
    EXPECT_EQ(file.readInt("Ostrel", "RefreshInterval", 1000), 1000);
    EXPECT_EQ(file.readString("Ostrel", "LogFileName", "OstrelLog"), "OstrelLog");
    ASSERT_TRUE(file.writeInt("Ostrel", "RefreshInterval", 500));
    ASSERT_TRUE(file.writeString("Ostrel", "LogFileName", "mylog"));
    EXPECT_EQ(readFile(m_path), "[Ostrel]\nRefreshInterval=500\nLogFileName=mylog\n");
    EXPECT_EQ(file.readInt("ostrel", "refreshinterval", 1000), 500);
    EXPECT_EQ(modeOf(m_path), 0644u);
    EXPECT_EQ(entries(m_folder), std::set<std::string>{"Ostrel.ini"});
}

TEST_F(IniFileTest, WriteKeepsTheRestOfTheFileAndItsMode)
{
    const std::string before = "; kept\r\n[Ostrel]\r\nUnknown=x\r\nTjMax=100\r\n\r\n[Pavolt]\r\nA=1";
    writeFile(m_path, before);
    ::chmod(m_path.c_str(), 0600);
    IniFile file(m_path.string());
    ASSERT_TRUE(file.writeInt("Ostrel", "TjMax", 95));
    ASSERT_TRUE(file.writeInt("Pavolt", "B", 2));
    EXPECT_EQ(readFile(m_path),
              "; kept\r\n[Ostrel]\r\nUnknown=x\r\nTjMax=95\r\n\r\n[Pavolt]\r\nA=1\r\nB=2\r\n");
    EXPECT_EQ(modeOf(m_path), 0600u);
}

TEST_F(IniFileTest, BatchOfKeysIsOneReplacement)
{
    IniFile file(m_path.string());
    std::optional<IniDocument> doc = file.load();
    ASSERT_TRUE(doc);
    for (int i = 0; i < 80; ++i)
        ASSERT_TRUE(doc->writeInt("Ostrel", "Key" + std::to_string(i), i * 3));
    EXPECT_FALSE(fs::exists(m_path)); // nothing written before save()
    ASSERT_TRUE(file.save(*doc));
    const IniDocument reread = *file.load();
    for (int i = 0; i < 80; ++i)
        EXPECT_EQ(reread.readInt("Ostrel", "Key" + std::to_string(i), -1), i * 3);
}

TEST_F(IniFileTest, WritesThroughASymbolicLink)
{
    const fs::path real = m_folder / "real.ini";
    writeFile(real, "[S]\nA=1\n");
    fs::create_symlink(real, m_path);
    ASSERT_TRUE(IniFile(m_path.string()).writeInt("S", "A", 2));
    EXPECT_TRUE(fs::is_symlink(m_path));
    EXPECT_EQ(readFile(real), "[S]\nA=2\n");
}

TEST_F(IniFileTest, FailuresLeaveTheFileAndNoTemporary)
{
    // A folder that does not exist; a folder nobody may create files in (even root).
    EXPECT_FALSE(IniFile((m_folder / "missing" / "x.ini").string()).writeInt("S", "A", 1));
    EXPECT_FALSE(IniFile("/proc/ostrel-settings-test.ini").writeInt("S", "A", 1));

    // A path that cannot be read is never overwritten with a fresh document.
    fs::create_directory(m_path);
    EXPECT_FALSE(IniFile(m_path.string()).writeInt("S", "A", 1));
    EXPECT_EQ(IniFile(m_path.string()).readInt("S", "A", 7), 7);

    // The rename fails: the temporary is removed.
    EXPECT_FALSE(IniFile(m_path.string()).save(IniDocument::parse("[S]\nA=1\n")));
    EXPECT_TRUE(fs::is_directory(m_path));
    EXPECT_EQ(entries(m_folder), std::set<std::string>{"Ostrel.ini"});
}

TEST_F(IniFileTest, WriteErrorLeavesTheOldFile)
{
    const std::string before = "[S]\nA=1\n";
    writeFile(m_path, before);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The file size limit makes write() fail part-way, as a full disk would.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = IniFile(m_path.string()).save(settings(2000, 1));
        ::_exit(saved ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "save reported success";
    EXPECT_EQ(readFile(m_path), before);
    EXPECT_EQ(entries(m_folder), std::set<std::string>{"Ostrel.ini"});
}

TEST_F(IniFileTest, KilledWriterLeavesOldOrNewFile)
{
    const std::string first = settings(400, 1).serialize();
    const std::string second = settings(300, 2).serialize();
    ASSERT_NE(first.size(), second.size());
    writeFile(m_path, first);

    std::mt19937 random(7);
    int sawSecond = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            IniFile file(m_path.string());
            const IniDocument a = IniDocument::parse(first);
            const IniDocument b = IniDocument::parse(second);
            for (;;) {
                file.save(b);
                file.save(a);
            }
        }
        ::usleep(500 + random() % 5000);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const std::string now = readFile(m_path);
        ASSERT_TRUE(now == first || now == second) << "round " << round << ": broken file of "
                                                   << now.size() << " bytes";
        sawSecond += now == second;
        writeFile(m_path, first);
    }
    EXPECT_GT(sawSecond, 0) << "the writer never got as far as one save";
}

} // namespace
