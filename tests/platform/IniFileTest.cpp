#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <sched.h>
#include <fstream>
#include <chrono>
#include <random>
#include <thread>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <grp.h>
#include <pwd.h>
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

TEST_F(IniFileTest, NeverFollowsASymbolicLinkAtThePath)
{
    const fs::path real = m_folder / "real.ini";
    writeFile(real, "[S]\nA=1\n");
    fs::create_symlink(real, m_path);
    IniFile file(m_path.string());
    EXPECT_FALSE(file.writeInt("S", "A", 2));
    EXPECT_NE(file.problem().find(m_path.string()), std::string::npos) << file.problem();
    EXPECT_FALSE(file.save(IniDocument::parse("[S]\nA=3\n")));
    EXPECT_NE(file.problem().find(m_path.string()), std::string::npos) << file.problem();
    EXPECT_TRUE(fs::is_symlink(m_path));
    EXPECT_EQ(fs::read_symlink(m_path), real);
    EXPECT_EQ(readFile(real), "[S]\nA=1\n");
    EXPECT_EQ(entries(m_folder), (std::set<std::string>{"Ostrel.ini", "real.ini"}));
}

// Each kind of thing at the settings path that is no settings file: it reads
// as the defaults without blocking, and no save ever writes over it.
TEST_F(IniFileTest, WhatIsNoSettingsFileReadsAsDefaultsAndIsNeverWritten)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> plant;
        std::function<bool(const fs::path&)> untouched;
    };
    const std::string big(2 * 1024 * 1024, 'x');
    const Case cases[] = {
        {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
         [](const fs::path& p) { return fs::is_fifo(fs::symlink_status(p)); }},
        {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         [](const fs::path& p) { return fs::is_symlink(p) && fs::read_symlink(p) == "/dev/zero"; }},
        {"folder", [](const fs::path& p) { fs::create_directory(p); },
         [](const fs::path& p) { return fs::is_directory(fs::symlink_status(p)) && fs::is_empty(p); }},
        {"2 MiB file", [&](const fs::path& p) { writeFile(p, "[S]\nA=1\n" + big); },
         [&](const fs::path& p) { return readFile(p) == "[S]\nA=1\n" + big; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_path);
        c.plant(m_path);

        IniFile loaded(m_path.string());
        EXPECT_FALSE(loaded.load());
        EXPECT_NE(loaded.problem().find(m_path.string()), std::string::npos) << loaded.problem();
        EXPECT_EQ(loaded.readInt("S", "A", 7), 7);
        EXPECT_FALSE(loaded.save(IniDocument::parse("[S]\nA=2\n")));
        // Also without an earlier load in the same batch.
        EXPECT_FALSE(IniFile(m_path.string()).save(IniDocument::parse("[S]\nA=2\n")));
        EXPECT_FALSE(IniFile(m_path.string()).writeInt("S", "A", 3));

        EXPECT_TRUE(c.untouched(m_path));
        EXPECT_EQ(entries(m_folder), std::set<std::string>{"Ostrel.ini"});
    }
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

    // The writer reports each finished save through a pipe; it is killed at a
    // random point after its first one, wherever it then is.
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            IniFile file(m_path.string());
            const IniDocument a = IniDocument::parse(first);
            const IniDocument b = IniDocument::parse(second);
            const char done = 'S';
            for (;;) {
                if (!file.save(b) || ::write(pipeFds[1], &done, 1) != 1)
                    ::_exit(1);
                if (!file.save(a) || ::write(pipeFds[1], &done, 1) != 1)
                    ::_exit(1);
            }
        }
        ::close(pipeFds[1]);
        const int saves = 1 + static_cast<int>(random() % 4);
        int seen = 0;
        char done = 0;
        while (seen < saves && ::read(pipeFds[0], &done, 1) == 1)
            ++seen;
        // A random moment within the next save or two. (Yielding in a loop
        // instead would hand whole time slices to any other busy process.)
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        ::kill(child, SIGKILL);
        ::close(pipeFds[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_EQ(seen, saves) << "round " << round << ": the writer failed to save";
        const std::string now = readFile(m_path);
        ASSERT_TRUE(now == first || now == second) << "round " << round << ": broken file of "
                                                   << now.size() << " bytes";
        writeFile(m_path, first);
    }
}

// A temporary file of this settings file older than a minute is left over by
// a killed save; a fresh one may belong to a save in progress.
TEST_F(IniFileTest, StaleTemporaryOfAKilledSaveIsRemovedByTheNextSave)
{
    const fs::path stale = m_folder / ".Ostrel.ini.Ab3xZ9";
    const fs::path fresh = m_folder / ".Ostrel.ini.Qw7rT2";
    const fs::path other = m_folder / ".Other.ini.Ab3xZ9";
    for (const fs::path& p : {stale, fresh, other})
        writeFile(p, "[S]\nA=half");
    const timespec times[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, stale.c_str(), times, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, other.c_str(), times, 0), 0);

    ASSERT_TRUE(IniFile(m_path.string()).writeInt("S", "A", 1));
    EXPECT_EQ(entries(m_folder),
              (std::set<std::string>{"Ostrel.ini", ".Ostrel.ini.Qw7rT2", ".Other.ini.Ab3xZ9"}));
}

// Run as root for a desktop user (uid 65534 here), the file is written only
// where and over what that user could write, and a new one is theirs.
TEST_F(IniFileTest, RootWritesOnlyForTheInvokingUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to pose as another user";
    constexpr uid_t user = 65534;
    constexpr uid_t stranger = 1234;
    struct Case {
        const char* what;
        uid_t folderOwner;
        std::optional<uid_t> fileOwner; // none: no file yet
        bool saved;
        uid_t ownerAfter;
    };
    const Case cases[] = {
        {"new file", user, std::nullopt, true, user},
        {"the user's file", user, user, true, user},
        {"root's file", user, 0, true, 0},
        {"another user's file", user, stranger, false, stranger},
        {"a folder the user may not write", 0, std::nullopt, false, 0},
    };
    const std::string before = "[S]\nA=1\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_path);
        ASSERT_EQ(::chown(m_folder.c_str(), c.folderOwner, c.folderOwner), 0);
        ASSERT_EQ(::chmod(m_folder.c_str(), 0755), 0);
        if (c.fileOwner) {
            writeFile(m_path, before);
            ASSERT_EQ(::chown(m_path.c_str(), *c.fileOwner, *c.fileOwner), 0);
        }
        IniFile file(m_path.string());
        file.setInvokingUser(platform::InvokingUser{user, user});
        EXPECT_EQ(file.writeInt("S", "A", 2), c.saved);
        struct stat st {};
        if (c.saved) {
            ASSERT_EQ(::lstat(m_path.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, c.ownerAfter);
            EXPECT_EQ(st.st_mode & 07777, 0644u);
            EXPECT_EQ(readFile(m_path), "[S]\nA=2\n");
        } else {
            EXPECT_NE(file.problem().find(m_path.string()), std::string::npos) << file.problem();
            if (c.fileOwner) {
                ASSERT_EQ(::lstat(m_path.c_str(), &st), 0);
                EXPECT_EQ(st.st_uid, c.ownerAfter);
                EXPECT_EQ(readFile(m_path), before);
            } else {
                EXPECT_FALSE(fs::exists(fs::symlink_status(m_path)));
            }
        }
        EXPECT_EQ(entries(m_folder).size(), fs::exists(fs::symlink_status(m_path)) ? 1u : 0u);
    }
}

// A save never leaves a file that a load would refuse: the limit is exact.
TEST_F(IniFileTest, SaveOverTheLoadLimitKeepsTheOldFile)
{
    const std::string before = "[S]\nA=1\n";
    writeFile(m_path, before);
    IniFile file(m_path.string());
    const std::string header = "[S]\nA=2\n;";
    const std::string fits = header + std::string(IniFile::kMaxSize - header.size() - 1, 'x') + "\n";
    ASSERT_EQ(fits.size(), IniFile::kMaxSize);
    ASSERT_TRUE(file.save(IniDocument::parse(fits)));
    ASSERT_TRUE(file.load());
    EXPECT_EQ(file.readInt("S", "A", 0), 2);

    writeFile(m_path, before);
    EXPECT_FALSE(file.save(IniDocument::parse("x" + fits)));
    EXPECT_NE(file.problem().find(m_path.string()), std::string::npos) << file.problem();
    EXPECT_TRUE(readFile(m_path) == before) << "the old file was replaced";
    EXPECT_EQ(entries(m_folder), std::set<std::string>{"Ostrel.ini"});
}

// A user other than root and `user` whose primary group is private (named
// as the user, no other member), if the system has one.
std::optional<platform::InvokingUser> userWithPrivateGroup()
{
    std::optional<platform::InvokingUser> result;
    ::setpwent();
    while (const passwd* entry = ::getpwent()) {
        const group* own = ::getgrgid(entry->pw_gid);
        if (entry->pw_uid != 0 && own != nullptr && std::string(own->gr_name) == entry->pw_name
            && (own->gr_mem == nullptr || own->gr_mem[0] == nullptr)) {
            result = platform::InvokingUser{entry->pw_uid, entry->pw_gid};
            break;
        }
    }
    ::endpwent();
    return result;
}

// Root reads a settings file only when nobody else controls it: it belongs
// to root or to the user root runs for, has no other name and nobody else
// may write it. Anything else reads as no settings and is never replaced.
TEST_F(IniFileTest, RootReadsOnlyASettingsFileNobodyElseControls)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to pose as other users";
    using platform::InvokingUser;
    const InvokingUser user{65534, 65534}; // sudo's invoking user
    constexpr uid_t stranger = 1234;       // a third user
    constexpr gid_t shared = 100;          // a group of several users
    struct Case {
        const char* what;
        std::optional<InvokingUser> invoking; // none: a root session of its own
        uid_t owner;
        gid_t group;
        mode_t mode;
        bool hardLink;
        bool read;
    };
    std::vector<Case> cases = {
        {"sudo: the user's file", user, user.uid, user.gid, 0644, false, true},
        {"sudo: root's file", user, 0, 0, 0644, false, true},
        {"sudo: a third user's file", user, stranger, stranger, 0644, false, false},
        {"sudo: the user's file with another hard link", user, user.uid, user.gid, 0644, true, false},
        {"sudo: root's file with another hard link", user, 0, 0, 0644, true, false},
        {"sudo: the user's file, writable by everyone", user, user.uid, user.gid, 0646, false, false},
        {"sudo: the user's file, writable by a shared group", user, user.uid, shared, 0664, false, false},
        {"root: another user's file in a folder everyone may write", std::nullopt, stranger, stranger, 0644, false,
         false},
        {"root: root's file, writable by root's group", std::nullopt, 0, 0, 0664, false, true},
        {"root: root's file, writable by another group", std::nullopt, 0, shared, 0664, false, false},
    };
    if (const std::optional<InvokingUser> own = userWithPrivateGroup())
        cases.push_back({"sudo: the user's file, writable by the user's private group", own, own->uid, own->gid,
                         0664, false, true});
    const std::string before = "[S]\nA=1\n";
    ASSERT_EQ(::chmod(m_folder.c_str(), 01777), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_path);
        fs::remove_all(m_folder / "other-name");
        writeFile(m_path, before);
        ASSERT_EQ(::chown(m_path.c_str(), c.owner, c.group), 0);
        ASSERT_EQ(::chmod(m_path.c_str(), c.mode), 0);
        if (c.hardLink)
            fs::create_hard_link(m_path, m_folder / "other-name");

        IniFile file(m_path.string());
        file.setInvokingUser(c.invoking);
        EXPECT_EQ(file.readInt("S", "A", 7), c.read ? 1 : 7);
        if (c.read)
            continue;
        EXPECT_NE(file.problem().find(m_path.string()), std::string::npos) << file.problem();
        EXPECT_FALSE(file.writeInt("S", "A", 2));
        EXPECT_FALSE(file.save(IniDocument::parse("[S]\nA=3\n")));
        struct stat st {};
        ASSERT_EQ(::lstat(m_path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, c.owner);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        EXPECT_EQ(readFile(m_path), before);
    }
}

} // namespace
